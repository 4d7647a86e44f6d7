#include "quilletticketlist.h"


using namespace vb;

namespace {

const acclocate::ListColumn Columns[] = {{"num", "num", 1500, "num"},
                                         {"turckno", "truckno", 1500, "truckno"},
                                         {"dt", "dt", 1500, "dt"},
                                         {"item", "item", 1000, "material"}};

} // namespace

QuilletTicketList::QuilletTicketList()
{
    // This list has no search: its controls are not part of the form.
    for (Control *c : std::initializer_list<Control *>{&Label1, &Combo1, &Label2, &Text2, &cmdFind, &Command3}) {
        c->setVisible(false);
        c->setEnabled(false);
        c->setTabStop(false);
    }
    Move(1800, 1200, 6000, 6000);
    ListView1.Move(120, 120, 5760, 4980);
    Text1.Move(120, 5265, 1500, 315);
    Command1.Move(3360, 5235, 1200, 375);
    Command2.Move(4680, 5235, 1200, 375);
}

std::span<const acclocate::ListColumn> QuilletTicketList::listColumns() const { return Columns; }
