// Another program holding the database: opens the file it is given with its
// own SQLite connection, takes it with BEGIN EXCLUSIVE, prints "held", and
// lets go (commits) when a line or the end comes on its standard input, or
// after a minute at the latest.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(QString::fromLocal8Bit(argv[1]));
        if (!db.open())
            return 1;
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        pollfd in{STDIN_FILENO, POLLIN, 0};
        poll(&in, 1, 60000);
        q.exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    std::printf("released\n");
    return 0;
}
