#include "quilletlogins.h"

#include "admin/frmlogin1.h"
#include "admin/frmlogin3.h"

QuilletLogin3::QuilletLogin3()
    : LoginGate({frmLogin3::Name,
                 "Delete Permission",
                 {{"pemo", fixedPassword("rovet"), "frmdelete"}, {"Hulde", dayPassword, "frmdelete"}},
                 "invalid user",
                 false})
{
}

QString QuilletLogin3::dayPassword(const QDate &date)
{
    return "Hulde" + QString::number(date.month() + date.day());
}

QuilletLogin1::QuilletLogin1()
    : LoginGate({frmLogin1::Name,
                 "Setting Password",
                 {{"pemo", fixedPassword("rovet"), "setting"},
                  {"Dravo", monthPassword, "setting"},
                  {"Galth", dayPassword, "newsetting"}},
                 "invalid user",
                 false})
{
}

QString QuilletLogin1::monthPassword(const QDate &date)
{
    return QLatin1String(MonthWord) + QString::number(date.month());
}

QString QuilletLogin1::dayPassword(const QDate &date)
{
    return QLatin1String(DayWord) + QString::number(frmLogin1::dayNumber(date));
}
