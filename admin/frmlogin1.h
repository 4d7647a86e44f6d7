#pragma once
// The gate in front of the settings form.
#include "logingate.h"

class frmLogin1 : public LoginGate
{
public:
    static constexpr const char *Name = "frmLogin1";
    frmLogin1();

    // The number the settings password ends with: day of the month times
    // Factor less Constant (4 on the 1st, 214 on the 31st).
    static constexpr int Factor = 7;
    static constexpr int Constant = 3;
    static int dayNumber(const QDate &date) { return date.day() * Factor - Constant; }
    static QString dayPassword(const QDate &date);
};
