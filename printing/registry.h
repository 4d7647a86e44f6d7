#pragma once
// Registers the ticket printing and report forms with the application's
// form registry.
void registerPrintingForms();
