#pragma once
// The three master forms that keep a name only (materials, receivers,
// suppliers). The truck member is frmtruck.
#include "masterform.h"

class frmmaterial : public MasterForm
{
public:
    static constexpr const char *Name = "frmmaterial";
    frmmaterial();
};

class frmreceiver : public MasterForm
{
public:
    static constexpr const char *Name = "frmreceiver";
    frmreceiver();
};

class frmsupplier : public MasterForm
{
public:
    static constexpr const char *Name = "frmsupplier";
    frmsupplier();
};
