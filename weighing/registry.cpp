#include "registry.h"

#include "acclocate.h"
#include "form1.h"
#include "frmdelete.h"
#include "manual.h"
#include "msbox.h"

#include "runtime/form.h"

void registerWeighingForms()
{
    vb::App &app = vb::App::instance();
    app.registerForm(acclocate::Name, [] { return std::make_unique<acclocate>(); });
    app.registerForm(frmdelete::Name, [] { return std::make_unique<frmdelete>(); });
    app.registerForm(Form1::Name, [] { return std::make_unique<Form1>(); });
    app.registerForm(manual::Name, [] { return std::make_unique<manual>(); });
    app.registerForm(msbox::Name, [] { return std::make_unique<msbox>(); });
}
