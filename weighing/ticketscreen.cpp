#include "ticketscreen.h"

#include "aminv.h"
#include "typedweight.h"

#include "database/database.h"
#include "runtime/convert.h"

void fillNameLists(vb::ComboBox &truck, vb::ComboBox &receiver, vb::ComboBox &material, vb::ComboBox &supplier)
{
    struct Fill {
        vb::ComboBox *combo;
        const char *query;
    } fills[] = {{&truck, "select * from truckmast"},
                 {&receiver, "select * from recemast"},
                 {&material, "select * from matmast"},
                 {&supplier, "select * from suppmast"}};
    vb::Recordset &rs = aminv::mainRs();
    for (auto &f : fills) {
        rs.Open(f.query, aminv::dbConn(), 3, 3, -1);
        while (!rs.Eof()) {
            f.combo->AddItem(vb::shown(rs.Fields("Name").Value()));
            rs.MoveNext();
        }
        rs.Close();
    }
}

const char *weightField(int index)
{
    switch (index) {
    case 2: return "Gross";
    case 4: return "Tare";
    default: return nullptr;
    }
}

bool refuseWeight(vb::TextBox &box, const QString &field)
{
    if (typedweight::plain(box.Text()))
        return false;
    vb::MsgBox(typedweight::problem(field), vb::Msg::OKOnly);
    box.SetFocus();
    return true;
}
