#pragma once
// The earlier edition's password gates: more accounts, and the protected
// forms shown modeless.
#include "admin/logingate.h"

// The gate in front of the range delete.
class QuilletLogin3 : public LoginGate
{
public:
    QuilletLogin3();
    // The second account's password: the user name followed by the month
    // plus the day of the month.
    static QString dayPassword(const QDate &date);
};

// The gate in front of the settings forms: the first two accounts open
// `setting`, the third `newsetting`.
class QuilletLogin1 : public LoginGate
{
public:
    QuilletLogin1();
    static constexpr const char *MonthWord = "Selvan"; // second account
    static constexpr const char *DayWord = "Brendor";  // third account
    // The second account's password: its word followed by the month.
    static QString monthPassword(const QDate &date);
    // The third account's password: its word followed by the settings
    // password's day number.
    static QString dayPassword(const QDate &date);
};
