#pragma once
// Registers the forms of masters, settings and access with the
// application's form registry.
void registerAdminForms();
