// Quillet, the earlier edition: the shared forms with the earlier
// edition's variants in place, started by its own start-up on the desktop.
#include "admin/registry.h"
#include "desktop/qthost.h"
#include "earlier/registry.h"
#include "earlier/startup.h"
#include "printing/registry.h"
#include "weighing/registry.h"

#include "runtime/errors.h"
#include "runtime/form.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    vb::QtHost host;
    vb::App &app = vb::App::instance();
    app.setTitle(QStringLiteral("Quillet"));
    registerWeighingForms();
    registerPrintingForms();
    registerAdminForms();
    // Last: the variants replace the shared forms they stand for.
    registerEarlierForms();

    // The start-up passes over its own failures; the main screen reports
    // a missing database when it loads.
    try {
        earlier::Main();
    } catch (const vb::ProgramEnded &) {
        return 0;
    }
    return host.run([] {});
}
