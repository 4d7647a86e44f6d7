#pragma once
// The gate in front of the range delete.
#include "logingate.h"

class frmLogin3 : public LoginGate
{
public:
    static constexpr const char *Name = "frmLogin3";
    frmLogin3();
    // The day's password of the second account: the word and month times day.
    static QString dayPassword(const QDate &date);
};
