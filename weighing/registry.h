#pragma once
// Registers the weighing forms with the application's form registry.
void registerWeighingForms();
