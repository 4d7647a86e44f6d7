#include "quilletticketlist.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

QString shown(const QVariant &v) { return v.isNull() ? QString() : textOf(v); }

struct Column {
    const char *key, *text;
    int width;
};
constexpr Column Columns[] = {
    {"num", "num", 1500}, {"turckno", "truckno", 1500}, {"dt", "dt", 1500}, {"item", "item", 1000}};
// The emp columns shown as sub-items 1 to 3.
constexpr const char *SubItemColumns[] = {"truckno", "dt", "material"};

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

void QuilletTicketList::Form_Load()
{
    Recordset &rs = aminv::mainRs();
    struct Closing {
        Recordset &rs;
        ~Closing() { rs.Close(); }
    } closing{rs};
    rs.Open("select * from emp order by num", aminv::dbConn(), 3, 3, -1);
    if (rs.Eof()) {
        MsgBox(" You must enter Ticket Entry", Msg::OKOnly);
        rs.Close();
        Unload();
        return;
    }
    ListView1.setSorted(false);
    ListView1.clearColumns();
    for (const Column &c : Columns)
        ListView1.addColumn(c.key, c.text, c.width);
    int position = 0;
    while (!rs.Eof()) {
        ++position;
        const int row = ListView1.addItem("a" + strNum(position), shown(rs.Fields("num").Value()));
        int i = 1;
        for (const char *column : SubItemColumns)
            ListView1.setSubItem(row, i++, shown(rs.Fields(column).Value()));
        rs.MoveNext();
    }
    rs.Close();
    ListView1.setSortOrder(0);
    if (const ListItem *selected = ListView1.SelectedItem())
        Text1.setText(selected->text);
}
