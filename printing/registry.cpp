#include "registry.h"

#include "layoutdesigner.h"
#include "preview.h"
#include "printdupno.h"
#include "reportforms.h"
#include "ticketcomposer.h"

#include "runtime/form.h"

void registerPrintingForms()
{
    vb::App &app = vb::App::instance();
    app.registerForm(reportplain::Name, [] { return std::make_unique<reportplain>(); });
    app.registerForm(reportprint::Name, [] { return std::make_unique<reportprint>(); });
    app.registerForm(previewplain::Name, [] { return std::make_unique<previewplain>(); });
    app.registerForm(previewprint::Name, [] { return std::make_unique<previewprint>(); });
    app.registerForm(preview::Name, [] { return std::make_unique<preview>(); });
    app.registerForm(printdupno::Name, [] { return std::make_unique<printdupno>(); });
    registerReportForms();
}
