#include "frmtruck.h"

#include "itemlocate.h"

frmtruck::frmtruck() : MasterForm({Name, "Truck  Entry", "truckmast", true, false})
{
    cmdLocate.setCaption("&Locate");
    cmdLocate.onClick = [this] { cmdLocate_Click(); };
    arrangeButtons({&cmdLocate});
}

void frmtruck::cmdLocate_Click()
{
    vb::attempt(QStringLiteral("The truck list cannot be shown"), [] { vb::app().form(itemlocate::Name).Show(true); });
}
