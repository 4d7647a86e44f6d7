#include "acclocate.h"

#include "aminv.h"
#include "form1.h"

#include "database/database.h"
#include "database/queryrows.h"

#include "runtime/convert.h"

using namespace vb;

namespace {

// Closes the shared recordset when a handler leaves, also by an error, so
// that a failed statement does not leave it open for every later query.
struct Closing {
    Recordset &rs;
    ~Closing() { rs.Close(); }
};

// Every list query reads emp: "select * from emp", then " WHERE" and the
// search's condition, or nothing for every ticket.
const QString ListFrom = QStringLiteral("select * from emp");
const QString Where = QStringLiteral(" WHERE");
Sql listQuery(const QString &filter, QVariantList values = {}) { return Sql(ListFrom + filter, std::move(values)); }
Sql conditionOf(const Sql &listQuery)
{
    QString condition = listQuery.text().mid(ListFrom.size());
    if (condition.startsWith(Where))
        condition = condition.mid(Where.size());
    return Sql(condition.trimmed(), listQuery.values());
}

// The leading number of a typed text, as a plain number for a statement.
QVariant plainNumber(const QString &text) { return numberParam(numText(val(text))); }

// The columns: key, header text, width, and the emp column each shows (the
// first is the row's own text).
const acclocate::ListColumn Columns[] = {
    {"num", "num", 1000, "num"},        {"dt", "dt", 1500, "dt"},      {"turckno", "truckno", 1500, "truckno"},
    {"item", "item", 1000, "material"}, {"Rece", "Rece", 1000, "rece"}, {"Sup", "Sup", 1000, "sup"},
    {"Gross", "Gross", 1000, "grosswt"}, {"Tare", "Tare", 1000, "tarewt"}};

} // namespace

acclocate::acclocate() : Form(Name)
{
    layout();
    wire();
}

void acclocate::layout()
{
    setCaption("Select");
    Move(1800, 1200, 9600, 6000);

    // The list comes first in tab order: the operator arrives in it and
    // picks a ticket with the arrow keys and Enter.
    ListView1.Move(120, 600, 9360, 4500);
    ListView1.setTabIndex(0);

    Label1.setCaption("Fields");
    Label1.Move(120, 150, 600, 300);
    Combo1.Move(720, 120, 1680, 315);
    for (const char *item : {"TruckNo", "Dt", "Item", "Rece", "Sup", "Num"})
        Combo1.AddItem(item);
    Combo1.setText("Truckno");
    Combo1.setTabIndex(1);
    Label2.setCaption("Value Of Expression");
    Label2.Move(2520, 150, 1620, 300);
    Text2.Move(4140, 120, 2640, 315);
    Text2.setTabIndex(2);
    cmdFind.setCaption("&Find");
    cmdFind.Move(6960, 90, 1200, 375);
    cmdFind.setTabIndex(3);
    Command3.setCaption("&Reset");
    Command3.Move(8280, 90, 1200, 375);
    Command3.setTabIndex(4);

    Text1.Move(120, 5265, 1500, 315);
    Text1.setTabIndex(5);
    Command1.setCaption("&Goto");
    Command1.Move(6960, 5235, 1200, 375);
    Command1.setTabIndex(6);
    Command2.setCaption("&Cancel");
    Command2.Move(8280, 5235, 1200, 375);
    Command2.setTabIndex(7);
    for (Label *l : {&Label1, &Label2})
        l->setTabStop(false);
}

void acclocate::wire()
{
    onLoad = [this] { Form_Load(); };
    // A search, sort or Goto that cannot read the tickets says why; the
    // list keeps what it shows.
    cmdFind.onClick = [this] { attempt(QStringLiteral("The search cannot be run"), [this] { cmdFind_Click(); }); };
    Command3.onClick = [this] {
        attempt(QStringLiteral("The ticket list cannot be shown"), [this] { Command3_Click(); });
    };
    Command1.onClick = [this] { attempt(QStringLiteral("The ticket cannot be loaded"), [this] { Command1_Click(); }); };
    Command2.onClick = [this] { Command2_Click(); };
    ListView1.onColumnClick = [this](int c) {
        attempt(QStringLiteral("The list cannot be sorted"), [this, c] { ListView1_ColumnClick(c); });
    };
    ListView1.onItemClick = [this](int r) { ListView1_ItemClick(r); };
    ListView1.onKeyPress = [this](int &k) {
        attempt(QStringLiteral("The ticket cannot be loaded"), [this, &k] { ListView1_KeyPress(k); });
    };
}

std::span<const acclocate::ListColumn> acclocate::listColumns() const { return Columns; }

std::shared_ptr<QueryRows> acclocate::ticketRows(const Sql &query) const
{
    QStringList fields;
    for (const ListColumn &c : listColumns())
        fields << QLatin1String(c.field);
    // Each row's key is "a" and its 1-based position in the query's result.
    return std::make_shared<QueryRows>(aminv::dbConn(), "emp", conditionOf(query), fields,
                                       [](int position) { return "a" + strNum(position + 1); });
}

void acclocate::fillList(std::shared_ptr<QueryRows> rows)
{
    // Rows go in in the query's order; a sort the operator chose before is
    // not applied while filling.
    ListView1.setSorted(false);
    ListView1.clearItems();
    ListView1.clearColumns();
    for (const ListColumn &c : listColumns())
        ListView1.addColumn(c.key, c.text, c.width);
    ListView1.setRows(std::move(rows));
    ListView1.setSortOrder(0);
    if (const std::optional<ListItem> selected = ListView1.SelectedItem())
        Text1.setText(selected->text);
}

void acclocate::Form_Load()
{
    // Every ticket, in number order, as every list query's rows come.
    std::shared_ptr<QueryRows> rows = ticketRows(listQuery(""));
    if (rows->count() == 0) {
        MsgBox(" You must enter Ticket Entry", Msg::OKOnly);
        Unload();
        return;
    }
    fillList(std::move(rows));
}

void acclocate::cmdFind_Click()
{
    const QString field = Combo1.Text();
    const QString value = Text2.Text();
    if (field == "Truckno" || field == "TruckNo") {
        mlistQuery = listQuery(" WHERE  " + nameEquals("truckno"), {value});
    } else if (field == "Item") {
        mlistQuery = listQuery(" WHERE  material like ?", {"%" + value + "%"});
    } else if (field == "Rece") {
        mlistQuery = listQuery(" WHERE  rece like ?", {"%" + value + "%"});
    } else if (field == "Sup") {
        mlistQuery = listQuery(" WHERE   sup like ?", {"%" + value + "%"});
    } else if (field == "num" || field == "Num") {
        if (!isNumeric(value)) {
            MsgBox("Enter a ticket number", Msg::OKOnly);
            Text2.SetFocus();
            return;
        }
        mlistQuery = listQuery(" WHERE   num=?", {numberParam(value)});
    } else if (field == "Dt") {
        QDate date;
        try {
            date = toDate(trim(value));
        } catch (const RuntimeError &) {
            MsgBox("Enter the date as DD/MM/YYYY", Msg::OKOnly);
            Text2.SetFocus();
            return;
        }
        // The chosen date goes into the settings row's report range, and
        // the search reads it back from there.
        Connection &db = aminv::dbConn();
        Recordset &rs = aminv::mainRs();
        Closing closing{rs};
        db.BeginTrans();
        rs.Open("select  * from counter", db, 3, 3, -1);
        rs.Fields("st_dt").setValue(date);
        rs.Fields("en_dt").setValue(date);
        rs.Update();
        rs.Close();
        db.CommitTrans();
        mlistQuery = listQuery(" WHERE  bdate = (select st_dt from counter)");
    } else if (mlistQuery.isEmpty()) {
        // Nothing searched yet this run: list every ticket, as Reset does.
        mlistQuery = listQuery("");
    }
    runListQuery();
}

void acclocate::Command3_Click()
{
    mlistQuery = listQuery("");
    runListQuery();
}

void acclocate::runListQuery()
{
    std::shared_ptr<QueryRows> rows = ticketRows(mlistQuery);
    if (rows->count() == 0) {
        MsgBox(" No RecordFound", Msg::OKOnly);
        return;
    }
    setCaption("Total Record Found" + QString::number(rows->count()));
    fillList(std::move(rows));
}

void acclocate::ListView1_ColumnClick(int column)
{
    const int order = ListView1.SortOrder(), key = ListView1.SortKey();
    const bool sorted = ListView1.Sorted();
    ListView1.setSortOrder(order == 0 ? 1 : 0);
    ListView1.setSortKey(column - 1);
    ListView1.setSorted(true);
    // The rows are read in the new order now, so that a sort that cannot
    // be read is told here; the list then keeps its order.
    try {
        ListView1.count();
    } catch (const RuntimeError &) {
        ListView1.setSorted(false);
        ListView1.setSortOrder(order);
        ListView1.setSortKey(key);
        ListView1.setSorted(sorted);
        throw;
    }
}

void acclocate::ListView1_ItemClick(int row) { Text1.setText(ListView1.item(row).text); }

void acclocate::ListView1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter || KeyAscii == vb::Key::Esc)
        Command1_Click();
}

void acclocate::Command1_Click()
{
    Recordset &rs = aminv::mainRs();
    Closing closing{rs};
    rs.Open(Sql("select * from emp where num=?", {plainNumber(Text1.Text())}), aminv::dbConn(), 3, 3, -1);
    if (!rs.Eof()) {
        Form1 &f = app().form<Form1>(Form1::Name);
        // Capture stops before the first field is written. Each weight goes
        // in before its own date and time, and net after both, so the
        // stamps the main screen puts in are replaced by the stored ones.
        f.mAuto = false;
        auto put = [&](TextEditable &box, const char *column) { box.setText(shown(rs.Fields(column).Value())); };
        put(f.num, "num");
        put(f.Combo4, "truckno");
        put(f.Combo2, "rece");
        put(f.Combo1, "material");
        put(f.Combo3, "sup");
        put(f.txtFields(2), "grosswt");
        put(f.txtFields(3), "grossdt");
        put(f.txtFields(9), "grosstime");
        put(f.txtFields(4), "tarewt");
        put(f.txtFields(5), "taredt");
        put(f.txtFields(0), "taretime");
        put(f.txtFields(6), "netwt");
        put(f.txtFields(8), "rupee");
        f.lblLabels(14).setCaption(shown(rs.Fields("grossoral").Value()));
        f.lblLabels(15).setCaption(shown(rs.Fields("tareoral").Value()));
    }
    rs.Close();
    Unload();
}

void acclocate::Command2_Click() { Unload(); }
