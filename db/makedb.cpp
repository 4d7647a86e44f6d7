// makedb OUTPUT FILE.sql...
// Builds a fresh SQLite database at OUTPUT from the statements of the SQL
// files, in order. An existing OUTPUT is replaced only once the new one is
// complete.
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <cstdio>

namespace {

// Splits a script into statements at the semicolons outside quotes and
// comments; a CREATE TRIGGER runs on to its END.
QStringList statements(const QString &script)
{
    QStringList out;
    QString current;
    const int n = int(script.size());
    for (int i = 0; i < n; ++i) {
        const QChar ch = script[i];
        if (ch == QLatin1Char('-') && i + 1 < n && script[i + 1] == QLatin1Char('-')) {
            while (i < n && script[i] != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
            continue;
        }
        if (ch == QLatin1Char('/') && i + 1 < n && script[i + 1] == QLatin1Char('*')) {
            const int end = script.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 1;
            current += QLatin1Char(' ');
            continue;
        }
        if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            current += ch;
            for (++i; i < n; ++i) {
                current += script[i];
                if (script[i] == ch) {
                    if (i + 1 < n && script[i + 1] == ch) {
                        current += script[++i];
                        continue;
                    }
                    break;
                }
            }
            continue;
        }
        if (ch == QLatin1Char(';')) {
            const QString simplified = current.simplified().toUpper();
            const bool trigger = simplified.startsWith(QLatin1String("CREATE TRIGGER"));
            if (trigger && !simplified.endsWith(QLatin1String(" END"))) {
                current += ch;
                continue;
            }
            if (!simplified.isEmpty())
                out << current.trimmed();
            current.clear();
            continue;
        }
        current += ch;
    }
    if (!current.simplified().isEmpty())
        out << current.trimmed();
    return out;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "makedb: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return fail(QStringLiteral("usage: makedb OUTPUT FILE.sql..."));
    const QString output = args.first();
    const QString building = output + QStringLiteral(".new");
    QFile::remove(building);
    QFile::remove(building + QStringLiteral("-journal"));

    int status = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("makedb"));
        db.setDatabaseName(building);
        if (!db.open())
            return fail(db.lastError().text());
        for (const QString &file : args.mid(1)) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                status = fail(QStringLiteral("cannot read %1").arg(file));
                break;
            }
            const QString script = QString::fromUtf8(f.readAll());
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("BEGIN"))) {
                status = fail(q.lastError().text());
                break;
            }
            for (const QString &statement : statements(script)) {
                if (!q.exec(statement)) {
                    status = fail(QStringLiteral("%1: %2\n  in: %3")
                                      .arg(file, q.lastError().databaseText(), statement));
                    break;
                }
            }
            if (status != 0)
                break;
            if (!q.exec(QStringLiteral("COMMIT"))) {
                status = fail(q.lastError().text());
                break;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("makedb"));
    if (status != 0) {
        QFile::remove(building);
        return status;
    }
    QFile::remove(output);
    if (!QFile::rename(building, output))
        return fail(QStringLiteral("cannot write %1").arg(output));
    return 0;
}
