// Starts the main screen through Main in the directory it is given, leaves a
// query open on the second recordset, and returns from main without
// unloading anything, as a program ended by a settings form does: the shared
// objects are still open when the program's own objects go.
#include "weighing/aminv.h"
#include "weighing/registry.h"

#include "database/database.h"
#include "testing/scriptedhost.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QDir::setCurrent(QString::fromLocal8Bit(argv[1]));
    vb::ScriptedHost host;
    vb::App::instance().setHost(&host);
    registerWeighingForms();
    try {
        aminv::Main();
        aminv::auxRs().Open("select * from emp", aminv::dbConn(), 3, 3, -1);
    } catch (const vb::RuntimeError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
