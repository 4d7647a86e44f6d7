#include "ticketdb.h"

#include "db/indexes.h"
#include "weighing/amountinwords.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace bench {

namespace {

// Changing what is generated changes this, so the cache is rebuilt.
const char *const Generation = "tickets-v1";

void exec(QSqlQuery &q, const QString &text)
{
    if (!q.exec(text))
        throw std::runtime_error(qPrintable(text + QStringLiteral(": ") + q.lastError().text()));
}

struct Masters {
    QStringList trucks, materials, receivers, suppliers;
    std::vector<int> tares;
};

QStringList column(QSqlQuery &q, const QString &query)
{
    exec(q, query);
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// The delivered masters plus the variety of a busy office.
Masters addMasters(QSqlDatabase &db, std::mt19937 &rng)
{
    QSqlQuery q(db);
    Masters m;
    m.trucks = column(q, QStringLiteral("select Name from truckmast order by num"));
    for (const QString &t : column(q, QStringLiteral("select tarewt from truckmast order by num")))
        m.tares.push_back(t.toInt());
    m.materials = column(q, QStringLiteral("select Name from matmast order by num"));
    m.receivers = column(q, QStringLiteral("select Name from recemast order by num"));
    m.suppliers = column(q, QStringLiteral("select Name from suppmast order by num"));

    const char *states[] = {"GJ", "MP", "RJ", "MH"};
    std::uniform_int_distribution<int> district(1, 38), letter(0, 25), number(1, 9999), tare(4800, 15500);
    while (m.trucks.size() < 2000) {
        const QString name = QStringLiteral("%1%2%3%4%5")
                                 .arg(QLatin1String(states[rng() % 4]))
                                 .arg(district(rng), 2, 10, QLatin1Char('0'))
                                 .arg(QChar('A' + letter(rng)))
                                 .arg(QChar('A' + letter(rng)))
                                 .arg(number(rng), 4, 10, QLatin1Char('0'));
        if (m.trucks.contains(name))
            continue;
        m.trucks << name;
        m.tares.push_back(tare(rng));
    }
    for (const char *name : {"Gravel", "Bricks", "Limestone", "Fly Ash", "Clinker", "Gypsum", "Wheat", "Rice",
                             "Sugar Cane", "Fertilizer", "Timber", "Steel Coils", "Bitumen", "Marble", "Granite"})
        m.materials << QString::fromLatin1(name);
    const char *first[] = {"Shree", "Jay", "Maa", "Om", "Sai", "Patel", "Shah", "Desai", "Mehta", "Rana"};
    const char *second[] = {"Ambe", "Krishna", "Ganesh", "Laxmi", "Balaji", "Durga", "Umiya", "Khodiyar"};
    const char *kinds[] = {"Traders", "Industries", "Constructions", "Enterprises", "Infra", "Suppliers"};
    auto party = [&] {
        return QStringLiteral("%1 %2 %3").arg(QLatin1String(first[rng() % 10]), QLatin1String(second[rng() % 8]),
                                              QLatin1String(kinds[rng() % 6]));
    };
    while (m.receivers.size() < 60)
        if (const QString p = party(); !m.receivers.contains(p))
            m.receivers << p;
    while (m.suppliers.size() < 60)
        if (const QString p = party(); !m.suppliers.contains(p))
            m.suppliers << p;

    auto store = [&](const char *table, const QStringList &names, const std::vector<int> *tares) {
        exec(q, QStringLiteral("delete from %1").arg(QLatin1String(table)));
        QSqlQuery ins(db);
        ins.prepare(tares ? QStringLiteral("insert into %1 (num, Name, tarewt) values (?, ?, ?)").arg(QLatin1String(table))
                          : QStringLiteral("insert into %1 (num, Name) values (?, ?)").arg(QLatin1String(table)));
        for (int i = 0; i < names.size(); ++i) {
            ins.addBindValue(i + 1);
            ins.addBindValue(names[i]);
            if (tares)
                ins.addBindValue((*tares)[size_t(i)]);
            if (!ins.exec())
                throw std::runtime_error(qPrintable(ins.lastError().text()));
        }
    };
    store("truckmast", m.trucks, &m.tares);
    store("matmast", m.materials, nullptr);
    store("recemast", m.receivers, nullptr);
    store("suppmast", m.suppliers, nullptr);
    return m;
}

QString dmy(const QDate &d)
{
    return d.toString(QStringLiteral("dd/MM/yyyy"));
}

QString hm(int minutes)
{
    return QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// Ten years of working days (no Sundays, a dozen holidays a year), each with
// 250 to 420 tickets, until the count is reached.
QDate addTickets(QSqlDatabase &db, const Masters &m, std::mt19937 &rng, int tickets)
{
    QSqlQuery q(db);
    QSqlQuery ins(db);
    ins.prepare(QStringLiteral(
        "insert into emp (num, truckno, material, grosstime, taretime, rupee, dt, rece, sup, grossoral, tareoral, "
        "grossdt, taredt, stage, grosswt, tarewt, netwt, amtword, bdate) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // Regular trucks come often, the rest now and then.
    std::vector<double> weights;
    for (int i = 0; i < m.trucks.size(); ++i)
        weights.push_back(i < 300 ? 12.0 : 1.0);
    std::discrete_distribution<int> truckPick(weights.begin(), weights.end());
    std::uniform_int_distribution<int> perDay(250, 420), material(0, int(m.materials.size()) - 1),
        receiver(0, int(m.receivers.size()) - 1), supplier(0, int(m.suppliers.size()) - 1), load(3000, 32000),
        wait(15, 95), percent(0, 99), charge(5, 30);
    std::normal_distribution<double> tareNoise(0, 60);

    const QDate first(2016, 12, 12);
    QDate day = first;
    int num = 0;
    QElapsedTimer clock;
    clock.start();
    exec(q, QStringLiteral("BEGIN"));
    while (num < tickets) {
        if (day.dayOfWeek() == Qt::Sunday || percent(rng) < 4) {
            day = day.addDays(1);
            continue;
        }
        const int count = std::min(perDay(rng), tickets - num);
        for (int i = 0; i < count; ++i) {
            ++num;
            const int t = truckPick(rng);
            const int arrival = 6 * 60 + (i * 16 * 60) / count;
            const int tare = std::max(3000, int(m.tares[size_t(t)] + tareNoise(rng)));
            const int gross = tare + load(rng);
            const bool both = percent(rng) < 95; // some never came back for the second weighing
            const int back = arrival + wait(rng);
            const QDate backDay = back >= 24 * 60 ? day.addDays(1) : day;
            const int rupees = percent(rng) < 60 ? 0 : charge(rng) * 10;
            ins.addBindValue(num);
            ins.addBindValue(m.trucks[t]);
            ins.addBindValue(m.materials[material(rng)]);
            ins.addBindValue(hm(arrival));
            ins.addBindValue(both ? hm(back % (24 * 60)) : QStringLiteral(" "));
            ins.addBindValue(QString::number(rupees));
            ins.addBindValue((both ? backDay : day).toString(Qt::ISODate));
            ins.addBindValue(m.receivers[receiver(rng)]);
            ins.addBindValue(m.suppliers[supplier(rng)]);
            ins.addBindValue(percent(rng) < 1 ? QStringLiteral("Oral") : QStringLiteral(" "));
            ins.addBindValue(both && percent(rng) < 2 ? QStringLiteral("Oral") : QStringLiteral(" "));
            ins.addBindValue(dmy(day));
            ins.addBindValue(both ? dmy(backDay) : QStringLiteral(" "));
            ins.addBindValue(both ? 3 : 1);
            ins.addBindValue(gross);
            ins.addBindValue(both ? tare : 0);
            ins.addBindValue(both ? gross - tare : 0);
            ins.addBindValue(aminv::AmountInWords(rupees));
            ins.addBindValue((both ? backDay : day).toString(Qt::ISODate));
            if (!ins.exec())
                throw std::runtime_error(qPrintable(ins.lastError().text()));
        }
        if (num % 100000 < count)
            std::fprintf(stderr, "  %d tickets (%s), %.0f s\n", num, qPrintable(day.toString(Qt::ISODate)),
                         clock.elapsed() / 1000.0);
        day = day.addDays(1);
    }
    exec(q, QStringLiteral("COMMIT"));
    return day.addDays(-1);
}

} // namespace

void openRaw(const QString &connectionName, const QString &file)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(file);
    if (!db.open())
        throw std::runtime_error(qPrintable(db.lastError().text()));
    QSqlQuery q(db);
    for (const char *pragma : {"PRAGMA journal_mode=DELETE", "PRAGMA synchronous=FULL", "PRAGMA case_sensitive_like=OFF"})
        exec(q, QString::fromLatin1(pragma));
}

TicketDb ticketDatabase(const QString &cacheDir, const QString &deliveredDb, int tickets)
{
    QDir().mkpath(cacheDir);
    TicketDb out;
    out.file = QDir(cacheDir).filePath(QStringLiteral("wt-%1.mdb").arg(tickets));
    const QFileInfo delivered(deliveredDb);
    const QString stamp = QStringLiteral("%1 %2 %3 %4")
                              .arg(QLatin1String(Generation))
                              .arg(tickets)
                              .arg(delivered.size())
                              .arg(delivered.lastModified().toMSecsSinceEpoch());
    const QString stampFile = out.file + QStringLiteral(".stamp");

    auto describe = [&] {
        const QString name = QStringLiteral("describe");
        {
            openRaw(name, out.file);
            QSqlDatabase db = QSqlDatabase::database(name);
            QSqlQuery q(db);
            exec(q, QStringLiteral("select max(dt), count(*) from emp"));
            q.next();
            out.lastDay = QDate::fromString(q.value(0).toString(), Qt::ISODate);
            out.tickets = q.value(1).toInt();
            exec(q, QStringLiteral("select Name from truckmast where num = 1"));
            q.next();
            out.someTruck = q.value(0).toString();
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    };

    QFile s(stampFile);
    if (QFileInfo::exists(out.file) && s.open(QIODevice::ReadOnly) && QString::fromLatin1(s.readAll()) == stamp) {
        describe();
        return out;
    }
    s.close();

    std::fprintf(stderr, "Building a database of %d tickets in %s (once; later runs reuse it)\n", tickets,
                 qPrintable(out.file));
    const QString building = out.file + QStringLiteral(".new");
    QFile::remove(building);
    if (!QFile::copy(deliveredDb, building))
        throw std::runtime_error("cannot copy the delivered database");
    QFile::setPermissions(building, QFile::ReadOwner | QFile::WriteOwner);
    const QString name = QStringLiteral("build");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(building);
        if (!db.open())
            throw std::runtime_error(qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        exec(q, QStringLiteral("PRAGMA journal_mode=OFF"));
        exec(q, QStringLiteral("PRAGMA synchronous=OFF"));
        // Tickets go in without the indexes, which are made once at the end.
        const QStringList indexes =
            column(q, QStringLiteral("select name from sqlite_master where type='index' and tbl_name='emp' and sql is not null"));
        for (const QString &index : indexes)
            exec(q, QStringLiteral("drop index \"%1\"").arg(index));
        std::mt19937 rng(20161212);
        const Masters masters = addMasters(db, rng);
        addTickets(db, masters, rng, tickets);
        for (const char *statement : db::IndexStatements)
            exec(q, QString::fromLatin1(statement));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    QFile::remove(out.file);
    if (!QFile::rename(building, out.file))
        throw std::runtime_error("cannot write the ticket database");
    if (s.open(QIODevice::WriteOnly))
        s.write(stamp.toLatin1());
    s.close();
    describe();
    return out;
}

} // namespace bench
