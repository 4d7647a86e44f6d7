#include "frmlogin1.h"

frmLogin1::frmLogin1()
    : LoginGate({Name, "Setting Password", {{"Tolbe", dayPassword, "newsetting2"}}, "Invalid Password"})
{
}

QString frmLogin1::dayPassword(const QDate &date) { return "Tolbe" + QString::number(dayNumber(date)); }
