#include "frmlogin3.h"

frmLogin3::frmLogin3()
    : LoginGate({Name,
                 "Delete Permission",
                 {{"pemo", fixedPassword("rovet"), "frmdelete"}, {"KUV", dayPassword, "frmdelete"}},
                 "invalid user"})
{
}

QString frmLogin3::dayPassword(const QDate &date)
{
    return "KUV" + QString::number(date.month() * date.day());
}
