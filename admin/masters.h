#pragma once
// The master forms' shared state, and the three members that keep a name
// only (materials, receivers, suppliers). The truck member is frmtruck.
#include "masterform.h"

// True from Add until the next save or the next display of an entry, on
// whichever master form is open: a save then takes a fresh number, and
// leaving the name box checks for a duplicate name.
extern bool addMode;

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
