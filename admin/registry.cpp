#include "registry.h"

#include "frmlogin1.h"
#include "frmlogin3.h"

#include "runtime/form.h"

void registerAdminForms()
{
    vb::App &app = vb::App::instance();
    app.registerForm(frmLogin3::Name, [] { return std::make_unique<frmLogin3>(); });
    app.registerForm(frmLogin1::Name, [] { return std::make_unique<frmLogin1>(); });
}
