#include "registry.h"

#include "frmdataenv.h"
#include "quilletform1.h"
#include "quilletlogins.h"
#include "quilletmanual.h"
#include "quilletpreview.h"
#include "quilletsettings.h"
#include "quilletticketlist.h"

#include "admin/frmlogin1.h"
#include "admin/frmlogin3.h"
#include "admin/newsetting.h"
#include "admin/setting.h"
#include "printing/preview.h"
#include "weighing/acclocate.h"
#include "weighing/manual.h"

#include "runtime/form.h"

void registerEarlierForms()
{
    vb::App &app = vb::App::instance();
    app.registerForm(Form1::Name, [] { return std::make_unique<QuilletForm1>(); });
    app.registerForm(acclocate::Name, [] { return std::make_unique<QuilletTicketList>(); });
    app.registerForm(manual::Name, [] { return std::make_unique<QuilletManual>(); });
    app.registerForm(frmLogin1::Name, [] { return std::make_unique<QuilletLogin1>(); });
    app.registerForm(frmLogin3::Name, [] { return std::make_unique<QuilletLogin3>(); });
    app.registerForm(setting::Name, [] { return std::make_unique<QuilletSetting>(); });
    app.registerForm(newsetting::Name, [] { return std::make_unique<QuilletNewSetting>(); });
    app.registerForm(preview::Name, [] { return std::make_unique<QuilletPreview>(); });
    app.registerForm(frmDataEnv::Name, [] { return std::make_unique<frmDataEnv>(); });
    // This edition has no current settings form and no duplicate-ticket
    // reprint.
    app.unregisterForm(QStringLiteral("newsetting2"));
    app.unregisterForm(QStringLiteral("printdupno"));
}
