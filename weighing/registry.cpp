#include "registry.h"

#include "form1.h"
#include "msbox.h"

#include "runtime/form.h"

void registerWeighingForms()
{
    vb::App &app = vb::App::instance();
    app.registerForm(Form1::Name, [] { return std::make_unique<Form1>(); });
    app.registerForm(msbox::Name, [] { return std::make_unique<msbox>(); });
}
