#include "registry.h"

#include "frmlogin1.h"
#include "frmlogin3.h"
#include "frmtruck.h"
#include "itemlocate.h"
#include "masters.h"
#include "newsetting.h"
#include "newsetting2.h"
#include "setting.h"

#include "runtime/form.h"

void registerAdminForms()
{
    vb::App &app = vb::App::instance();
    app.registerForm(frmLogin3::Name, [] { return std::make_unique<frmLogin3>(); });
    app.registerForm(frmLogin1::Name, [] { return std::make_unique<frmLogin1>(); });
    app.registerForm(frmtruck::Name, [] { return std::make_unique<frmtruck>(); });
    app.registerForm(frmmaterial::Name, [] { return std::make_unique<frmmaterial>(); });
    app.registerForm(frmreceiver::Name, [] { return std::make_unique<frmreceiver>(); });
    app.registerForm(frmsupplier::Name, [] { return std::make_unique<frmsupplier>(); });
    app.registerForm(itemlocate::Name, [] { return std::make_unique<itemlocate>(); });
    app.registerForm(setting::Name, [] { return std::make_unique<setting>(); });
    app.registerForm(newsetting::Name, [] { return std::make_unique<newsetting>(); });
    app.registerForm(newsetting2::Name, [] { return std::make_unique<newsetting2>(); });
}
