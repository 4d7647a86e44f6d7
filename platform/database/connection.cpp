#include "connection.h"

#include "querytext.h"
#include "keyedreader.h"
#include "recordset.h"
#include "runtime/errors.h"
#include "runtime/form.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <algorithm>
#include <sqlite3.h>

namespace vb {

namespace {

std::vector<Connection *> &registry()
{
    static std::vector<Connection *> connections;
    return connections;
}

// An error no handler traps ends its event in the dispatcher; whatever
// transaction that event left open is rolled back there, so nothing of a
// half-done save stays behind.
void installRollbackHook()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    App::instance().addErrorHook([] {
        for (Connection *c : registry()) {
            if (c->inTransaction()) {
                try {
                    c->RollbackTrans();
                } catch (const RuntimeError &) {
                }
            }
        }
    });
}

QString normalizedKey(const QString &key)
{
    return key.simplified().toLower();
}

QString unwrapped(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2
        && ((value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}')))
            || (value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\''))))) {
        value = value.mid(1, value.size() - 2).trimmed();
    }
    return value;
}

bool knownDriver(const QString &driver)
{
    const QString d = driver.simplified().toLower();
    return d == QLatin1String("microsoft access driver (*.mdb)")
        || d == QLatin1String("microsoft access driver (*.mdb, *.accdb)");
}

bool knownProvider(const QString &provider)
{
    const QString p = provider.simplified().toLower();
    return p == QLatin1String("microsoft.jet.oledb.3.51")
        || p == QLatin1String("microsoft.jet.oledb.4.0")
        || p == QLatin1String("microsoft.ace.oledb.12.0");
}

// The engine's busy codes: another connection holds the file.
bool lockedOut(const QSqlError &e)
{
    return e.nativeErrorCode() == QLatin1String("5")
        || e.databaseText().contains(QLatin1String("database is locked"), Qt::CaseInsensitive);
}

int s_lockWait = 5000;
// The engine's own wait on a lock before it gives up and the program
// repaints and tries again.
constexpr int EngineWait = 100;
constexpr int RepaintWait = 50;

RuntimeError objectOpen()
{
    return RuntimeError(3705, QStringLiteral("Operation is not allowed when the object is open."));
}

} // namespace

ConnectionTarget parseConnectionString(const QString &connectionString)
{
    // Split on ';' outside braces.
    QStringList parts;
    QString current;
    int depth = 0;
    for (QChar ch : connectionString) {
        if (ch == QLatin1Char('{'))
            ++depth;
        else if (ch == QLatin1Char('}') && depth > 0)
            --depth;
        if (ch == QLatin1Char(';') && depth == 0) {
            parts << current;
            current.clear();
        } else {
            current += ch;
        }
    }
    parts << current;

    ConnectionTarget target;
    for (const QString &part : std::as_const(parts)) {
        if (part.trimmed().isEmpty())
            continue;
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = normalizedKey(part.left(eq));
        const QString value = unwrapped(part.mid(eq + 1));
        if (key == QLatin1String("driver"))
            target.driver = value;
        else if (key == QLatin1String("provider"))
            target.provider = value;
        else if (key == QLatin1String("dbq") || key == QLatin1String("data source"))
            target.file = value;
    }

    if (!target.provider.isEmpty() && !knownProvider(target.provider))
        throw RuntimeError::database(
            QStringLiteral("Provider cannot be found: \"%1\" is not a known provider.").arg(target.provider));
    if (!target.driver.isEmpty() && !knownDriver(target.driver))
        throw RuntimeError::database(
            QStringLiteral("Unknown database driver \"%1\".").arg(target.driver));
    if (target.provider.isEmpty() && target.driver.isEmpty())
        throw RuntimeError::database(
            QStringLiteral("The connection string names no driver or provider: \"%1\"").arg(connectionString));
    if (target.file.isEmpty())
        throw RuntimeError::database(
            QStringLiteral("The connection string names no database file: \"%1\"").arg(connectionString));
    return target;
}

Connection::Connection()
{
    static int serial = 0;
    m_name = QStringLiteral("vb_connection_%1").arg(++serial);
}

Connection::~Connection()
{
    try {
        Close();
    } catch (const RuntimeError &) {
    }
}

void Connection::Open(const QString &connectionString, const QString &user, const QString &password,
                      int options)
{
    if (m_open)
        throw objectOpen();
    m_openFailure.reset();
    try {
        openFile(connectionString, user, password, options);
    } catch (const RuntimeError &e) {
        m_openFailure = e;
        throw;
    }
}

void Connection::openFile(const QString &connectionString, const QString &, const QString &, int)
{
    const ConnectionTarget target = parseConnectionString(connectionString);

    QFileInfo info(QDir::current(), target.file);
    if (!info.exists()) {
        // File names are matched without regard to case, as on the system
        // the connection strings were written for ("WT.MDB" finds "wt.mdb").
        const QDir dir = info.absoluteDir();
        for (const QString &entry : dir.entryList(QDir::Files))
            if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0) {
                info = QFileInfo(dir, entry);
                break;
            }
    }
    if (!info.exists() || !info.isFile())
        throw RuntimeError::database(QStringLiteral("Could not find the database file '%1' (%2).")
                                         .arg(target.file, info.absoluteFilePath()));
    const QString path = info.absoluteFilePath();
    // An empty file (a copy or restore that failed) would open as a new,
    // empty database.
    if (info.size() == 0)
        throw RuntimeError::database(
            QStringLiteral("'%1' is not a usable database: the file is empty (%2).").arg(target.file, path));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        // mode=rw: the engine opens an existing file only and never makes
        // an empty one in its place.
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?mode=rw"));
        // A lock held by another program is waited for a short time by the
        // engine, then by whileLocked, which keeps the screen painting.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(EngineWait));
        if (!db.open()) {
            const QString text = db.lastError().text();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            throw RuntimeError::database(
                QStringLiteral("Cannot open the database file '%1': %2").arg(target.file, text));
        }
        // A committed transaction must survive the program being killed
        // right after the commit and the machine losing power: the rollback
        // journal with full synchronous writes syncs the journal and the
        // database file at every commit, and a journal left by a crash is
        // rolled back at the next open. (WAL would be faster but leaves
        // extra files beside "wt.mdb" that an office copying the one file
        // as its backup would lose.)
        const char *settings[] = {
            "PRAGMA journal_mode=DELETE",
            "PRAGMA synchronous=FULL",
            "PRAGMA foreign_keys=OFF",
            // like compares letters without regard to case, as the
            // original database did.
            "PRAGMA case_sensitive_like=OFF",
        };
        for (const char *pragma : settings) {
            QSqlQuery q(db);
            if (!q.exec(QString::fromLatin1(pragma))) {
                const QString text = q.lastError().databaseText().isEmpty() ? q.lastError().text()
                                                                            : q.lastError().databaseText();
                q = QSqlQuery();
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_name);
                throw RuntimeError::database(
                    QStringLiteral("'%1' is not a usable database: %2").arg(target.file, text));
            }
        }
    }
    m_fileName = path;
    m_shownName = target.file;
    m_open = true;
    m_inTransaction = false;
    m_tables.clear();
    registry().push_back(this);
    installRollbackHook();
}

void Connection::setProgressHandler(std::function<void()> progress, int steps)
{
    requireOpen();
    const QVariant handle = QSqlDatabase::database(m_name, false).driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    sqlite3 *engine = *static_cast<sqlite3 *const *>(handle.constData());
    if (!engine)
        return;
    if (!progress) {
        sqlite3_progress_handler(engine, 0, nullptr, nullptr);
        m_progress.reset();
        return;
    }
    m_progress = std::make_unique<std::function<void()>>(std::move(progress));
    sqlite3_progress_handler(
        engine, std::max(1, steps),
        [](void *call) {
            // Nothing may leave through the engine's own code.
            try {
                (*static_cast<std::function<void()> *>(call))();
            } catch (...) {
            }
            return 0; // never interrupts the statement
        },
        m_progress.get());
}

void Connection::Close()
{
    m_openFailure.reset();
    if (!m_open)
        return;
    if (m_inTransaction) {
        try {
            RollbackTrans();
        } catch (const RuntimeError &) {
        }
    }
    // Recordsets still open keep what they have read; a half-read query
    // is abandoned so the file is closed.
    for (Recordset *rs : std::exchange(m_readers, {}))
        rs->detach();
    for (RowidStatement *s : std::vector<RowidStatement *>(m_statements))
        s->release();
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_progress.reset();
    auto &r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    m_open = false;
    m_inTransaction = false;
    m_tables.clear();
    m_columnRecords.clear();
}

void Connection::requireOpen() const
{
    // A connection whose opening failed says why it is closed.
    if (!m_open && m_openFailure)
        throw *m_openFailure;
    if (!m_open)
        throw RuntimeError(3704, QStringLiteral("Operation is not allowed when the object is closed."));
}

void Connection::fail(const QString &engineText)
{
    if (m_inTransaction) {
        try {
            settleReaders(int(Recordset::Change::Any), QString(), nullptr);
        } catch (const RuntimeError &) {
        }
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.exec(QStringLiteral("ROLLBACK"));
        m_inTransaction = false;
    }
    throw RuntimeError::database(explained(engineText));
}

int Connection::lockWait() { return s_lockWait; }
void Connection::setLockWait(int milliseconds) { s_lockWait = std::max(0, milliseconds); }

QString Connection::waitingText() const
{
    return QStringLiteral("Waiting for %1: another program is using it").arg(m_shownName);
}

bool Connection::whileLocked(const std::function<bool()> &attempt, const std::function<QSqlError()> &error)
{
    if (attempt())
        return true;
    if (!lockedOut(error()) || NoWaiting::active())
        return false;
    QElapsedTimer clock;
    clock.start();
    const bool host = App::instance().hasHost();
    struct Shown {
        bool host;
        ~Shown()
        {
            if (host)
                App::instance().host().waiting(QString(), 0);
        }
    } shown{host};
    while (clock.elapsed() < s_lockWait) {
        const int pause = int(std::min<qint64>(RepaintWait, s_lockWait - clock.elapsed()));
        if (host) {
            NoWaiting nested;
            App::instance().host().waiting(waitingText(), pause);
        } else
            QThread::msleep(ulong(pause));
        if (attempt())
            return true;
        if (!lockedOut(error()))
            return false;
    }
    return false;
}

void Connection::checkRead(const QSqlQuery &query)
{
    const QSqlError e = query.lastError();
    if (e.isValid())
        fail(e.databaseText().isEmpty() ? e.text() : e.databaseText());
}

QString Connection::explained(const QString &engineText) const
{
    // Another program holds the file: the operator can try again once it
    // lets go.
    if (engineText.contains(QLatin1String("database is locked"), Qt::CaseInsensitive))
        return QStringLiteral("another program is using %1 (%2). Try again in a moment.")
            .arg(m_shownName, engineText);
    // The engine only says that it cannot write; the cause is the file's or
    // its folder's permissions (the folder takes the journal of a change).
    if (!engineText.contains(QLatin1String("readonly database"), Qt::CaseInsensitive))
        return engineText;
    const QFileInfo file(m_fileName);
    if (!file.isWritable())
        return QStringLiteral("%1: the file %2 is read-only").arg(engineText, m_fileName);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isWritable())
        return QStringLiteral("%1: the folder %2 is read-only, so %3 cannot be changed there")
            .arg(engineText, folder.absoluteFilePath(), m_shownName);
    return engineText;
}

namespace {
QString engineText(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}
} // namespace

void Connection::BeginTrans()
{
    requireOpen();
    // A transaction still open here was left by a handler that failed
    // between its BeginTrans and CommitTrans and trapped the error: its
    // work is incomplete, so it is dropped before the new one starts.
    if (m_inTransaction)
        RollbackTrans();
    // The write lock is taken at the start: a transaction either waits for
    // another program here, before it has done anything, or not at all.
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!whileLocked([&] { return q.exec(QStringLiteral("BEGIN IMMEDIATE")); }, [&] { return q.lastError(); }))
        throw RuntimeError::database(explained(engineText(q.lastError())));
    m_inTransaction = true;
}

void Connection::CommitTrans()
{
    requireOpen();
    if (!m_inTransaction)
        throw RuntimeError(-2147168242, QStringLiteral("No transaction is active."));
    settleReaders(int(Recordset::Change::LockOnly), QString(), nullptr);
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!whileLocked([&] { return q.exec(QStringLiteral("COMMIT")); }, [&] { return q.lastError(); })) {
        const QString text = engineText(q.lastError());
        q = QSqlQuery();
        fail(text);
    }
    m_inTransaction = false;
}

void Connection::RollbackTrans()
{
    requireOpen();
    if (!m_inTransaction)
        throw RuntimeError(-2147168242, QStringLiteral("No transaction is active."));
    // The rollback may bring back or take away rows of any table.
    try {
        settleReaders(int(Recordset::Change::Any), QString(), nullptr);
    } catch (const RuntimeError &) {
    }
    m_inTransaction = false;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(QStringLiteral("ROLLBACK")))
        throw RuntimeError::database(engineText(q.lastError()));
}

QSqlQuery Connection::run(const Sql &statement)
{
    requireOpen();
    if (db::isWriting(statement.text()))
        settleReaders(int(Recordset::Change::Table), db::writtenTable(statement.text()), nullptr);
    return execute(statement);
}

QSqlQuery Connection::runWriting(const Sql &statement, const Recordset *writer)
{
    requireOpen();
    settleReaders(int(Recordset::Change::Table), db::writtenTable(statement.text()), writer);
    return execute(statement);
}

void Connection::settleReaders(int change, const QString &table, const Recordset *writer)
{
    // Reading out one recordset runs queries of its own, which never
    // settle anything again.
    static bool settling = false;
    if (settling)
        return;
    settling = true;
    struct Done {
        ~Done() { settling = false; }
    } done;
    for (Connection *c : registry()) {
        if (c != this && c->m_fileName != m_fileName)
            continue;
        const std::vector<Recordset *> readers = c->m_readers;
        for (Recordset *rs : readers)
            if (rs != writer)
                rs->settle(Recordset::Change(change), table);
    }
}

QSqlQuery Connection::prepared(const QString &text)
{
    requireOpen();
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!whileLocked([&] { return q.prepare(text); }, [&] { return q.lastError(); })) {
        const QString error = engineText(q.lastError());
        q = QSqlQuery();
        fail(error);
    }
    return q;
}

QSqlQuery Connection::execute(const Sql &statement)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!whileLocked([&] { return q.prepare(statement.text()); }, [&] { return q.lastError(); })) {
        const QString text = engineText(q.lastError());
        q = QSqlQuery();
        fail(text);
    }
    for (const QVariant &v : statement.values())
        q.addBindValue(db::bindable(v));
    if (!whileLocked([&] { return q.exec(); }, [&] { return q.lastError(); })) {
        const QString text = engineText(q.lastError());
        q = QSqlQuery();
        fail(text);
    }
    return q;
}

const Connection::TableInfo &Connection::tableInfo(const QString &table)
{
    requireOpen();
    const QString key = table.toLower();
    auto it = m_tables.find(key);
    if (it != m_tables.end())
        return *it;
    TableInfo info;
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(db::quoted(table)))) {
            bool rowidNamed = false;
            int keyColumns = 0;
            while (q.next()) {
                const QString name = q.value(1).toString();
                const QString lower = name.toLower();
                rowidNamed = rowidNamed || lower == QLatin1String("rowid") || lower == QLatin1String("_rowid_")
                    || lower == QLatin1String("oid");
                info.names << name;
                info.kinds.insert(name.toLower(), db::kindOfDeclaredType(q.value(2).toString()));
                if (q.value(5).toInt() > 0) {
                    ++keyColumns;
                    info.key = name;
                }
            }
            if (keyColumns != 1)
                info.key.clear(); // rows are found by their values instead
            q.finish();
            if (!rowidNamed) {
                QSqlQuery kind(QSqlDatabase::database(m_name, false));
                kind.prepare(QStringLiteral("SELECT type, sql FROM sqlite_master WHERE name = ? COLLATE NOCASE "
                                            "AND type IN ('table', 'view')"));
                kind.addBindValue(table);
                if (kind.exec() && kind.next())
                    info.rowids = kind.value(0).toString() == QLatin1String("table")
                        && !kind.value(1).toString().contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive);
            }
        }
    }
    if (info.names.isEmpty()) {
        static const TableInfo none;
        return none;
    }
    return *m_tables.insert(key, info);
}

const QHash<QString, db::ColumnKind> &Connection::columnKinds(const QString &table)
{
    return tableInfo(table).kinds;
}

QStringList Connection::columnNames(const QString &table)
{
    return tableInfo(table).names;
}

QString Connection::keyColumn(const QString &table)
{
    return tableInfo(table).key;
}

bool Connection::hasRowids(const QString &table)
{
    return tableInfo(table).rowids;
}

QSqlRecord Connection::columnsOf(const QString &columnList, const QString &table)
{
    const QString key = columnList + QLatin1Char('\n') + table;
    auto it = m_columnRecords.constFind(key);
    if (it != m_columnRecords.constEnd())
        return *it;
    QSqlQuery q = run(Sql(QStringLiteral("SELECT %1, %2.rowid FROM %2 WHERE %2.rowid IN ()").arg(columnList, table)));
    const QSqlRecord record = q.record();
    q.finish();
    m_columnRecords.insert(key, record);
    return record;
}

const std::vector<Connection *> &Connection::openConnections()
{
    return registry();
}

} // namespace vb
