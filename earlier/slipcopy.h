#pragma once
// The earlier edition's ticket print copy: the stored ticket row with the
// given number, then the company lines, as the one row of `slip`.
#include "weighing/ticketdata.h"

#include <QString>

namespace earlier {

// Runs inside the caller's transaction, through the shared command. The
// ticket's columns are named one by one: `emp` carries a column beyond
// those of `slip` (the ticket list's search date), so a copy by position
// would not fit. A number that no stored ticket has leaves `slip` empty.
void copyTicketToSlip(const QString &number, const Company &company);

} // namespace earlier
