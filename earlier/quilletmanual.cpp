#include "quilletmanual.h"

#include "slipcopy.h"

#include "weighing/ticketdata.h"

void QuilletManual::fillWindowData() { earlier::copyTicketToSlip(num.Text(), ownCompany()); }
