#include "itemlocate.h"

#include "frmtruck.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

// The column that holds the truck's number.
constexpr int NumColumn = 3;

} // namespace

itemlocate::itemlocate() : Form(Name)
{
    setCaption("Select Item");
    Move(1200, 900, 6600, 5400);
    ListView1.Move(120, 120, 6300, 4200);
    ListView1.setTabIndex(0);
    Text1.Move(120, 4500, 3000, 315);
    Text1.setEnabled(false);
    Text1.setTabIndex(2);
    Command1.setCaption("&Goto");
    Command1.Move(5220, 4470, 1200, 375);
    Command1.setTabIndex(1);

    onLoad = [this] { Form_Load(); };
    Command1.onClick = [this] {
        vb::namingDatabaseFailure(QStringLiteral("The truck cannot be shown"), [this] { Command1_Click(); });
    };
    ListView1.onColumnClick = [this](int c) { ListView1_ColumnClick(c); };
    ListView1.onItemClick = [this](int r) { ListView1_ItemClick(r); };
    ListView1.onKeyPress = [this](int &k) { ListView1_KeyPress(k); };
}

void itemlocate::Form_Load()
{
    Recordset &rs = aminv::mainRs();
    rs.Open("select * from truckmast order by name", aminv::dbConn(), CursorType::Static, LockType::Optimistic, -1);
    if (rs.Eof()) {
        MsgBox(" You must enter master Entry", Msg::OKOnly);
        rs.Close();
        Unload();
        return;
    }
    ListView1.clearColumns();
    ListView1.addColumn("Name", "Name", 2500);
    ListView1.addColumn("type", "type", 1500);
    ListView1.addColumn("tarewt", "tarewt", 1000);
    ListView1.addColumn("num", "num", 1000);
    int position = 0;
    while (!rs.Eof()) {
        ++position;
        const int row = ListView1.addItem("a" + strNum(position), shown(rs.Fields("Name").Value()));
        const QString tare = shown(rs.Fields("tarewt").Value());
        ListView1.setSubItem(row, 1, tare);
        ListView1.setSubItem(row, 2, tare);
        ListView1.setSubItem(row, 3, shown(rs.Fields("num").Value()));
        rs.MoveNext();
    }
    rs.Close();
    ListView1.setSortOrder(0);
    if (const std::optional<ListItem> selected = ListView1.SelectedItem()) {
        Text1.setText(selected->text);
        chosenNum = selected->column(NumColumn);
    }
}

void itemlocate::ListView1_ColumnClick(int column)
{
    ListView1.setSortOrder(ListView1.SortOrder() == 0 ? 1 : 0);
    ListView1.setSortKey(column - 1);
    ListView1.setSorted(true);
}

void itemlocate::ListView1_ItemClick(int row)
{
    const ListItem &item = ListView1.item(row);
    Text1.setText(item.text);
    chosenNum = item.column(NumColumn);
}

void itemlocate::ListView1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == Key::Enter || KeyAscii == Key::Esc)
        Command1_Click();
}

void itemlocate::Command1_Click()
{
    app().form<frmtruck>(frmtruck::Name).disp(numberOf(chosenNum));
    Unload();
}
