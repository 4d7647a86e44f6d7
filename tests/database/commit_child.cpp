// Commits one row to the wt.mdb in the directory it is given, then kills
// itself with SIGKILL the moment CommitTrans returns: nothing of the
// program's own shutdown runs.
#include "database/database.h"

#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    try {
        vb::Connection conn;
        conn.Open(QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb"));
        vb::Command cmd;
        cmd.setActiveConnection(conn);
        conn.BeginTrans();
        cmd.setCommandText(vb::Sql("insert into matmast (num, Name) values (?, ?)",
                                   {99, QString::fromLocal8Bit(argv[2])}));
        cmd.Execute();
        conn.CommitTrans();
        std::raise(SIGKILL);
    } catch (const vb::RuntimeError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
