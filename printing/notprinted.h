#pragma once
// The words every print form uses when a ticket did not reach the printer.
#include <QString>

inline QString notPrinted(const QString &why)
{
    return why + QStringLiteral(": the ticket was not printed");
}
