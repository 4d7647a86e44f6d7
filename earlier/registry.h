#pragma once
// Registers the earlier edition's forms: its own, and its variants under the
// names of the forms they take the place of. Runs after the shared
// subsystems' registries.
void registerEarlierForms();
