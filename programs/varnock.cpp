// Varnock, the current edition: the start-up module's Main on the desktop.
#include "admin/registry.h"
#include "desktop/qthost.h"
#include "printing/registry.h"
#include "weighing/aminv.h"
#include "weighing/registry.h"

#include "runtime/errors.h"
#include "runtime/form.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnock"));
    vb::QtHost host;
    vb::App &app = vb::App::instance();
    app.setTitle(QStringLiteral("Varnock"));
    registerWeighingForms();
    registerPrintingForms();
    registerAdminForms();

    // A start that fails (no database, a wrong connection line) is shown
    // and ends the program with a failure status.
    try {
        aminv::Main();
    } catch (const vb::RuntimeError &e) {
        host.msgBox(e.description(), vb::Msg::OKOnly | vb::Msg::Critical, app.title());
        return 1;
    } catch (const vb::ProgramEnded &) {
        return 0;
    }
    return host.run([] {});
}
