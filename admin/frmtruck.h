#pragma once
// The truck master: a master form that also keeps the truck's stored tare
// weight and finds a truck through the pick list.
#include "masterform.h"

class frmtruck : public MasterForm
{
public:
    static constexpr const char *Name = "frmtruck";
    frmtruck();

    vb::CommandButton cmdLocate{this, "cmdLocate"};

    void cmdLocate_Click();
};
