// The earlier edition's save (F8): the current save with its own slip copy;
// its print key refills nothing, so this refill is the only one.
#include "quilletform1.h"

#include "slipcopy.h"

#include "weighing/ticketdata.h"


using namespace vb;

// The only refill of a save: the print key prints what it leaves.
void QuilletForm1::refillAfterSave()
{
    if (mprintstyle)
        FillTicketData(ticketOnScreen(), companyShownOn(*this), {true, mprintformat, moral});
    else
        earlier::copyTicketToSlip(num.Text(), companyShownOn(*this));
}
