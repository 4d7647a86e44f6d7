#include "layoutdesigner.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

// Twips per print column and per print line.
constexpr float ColumnTwips = 135;
constexpr float LineTwips = 312;

// A single-precision value as it is written out: seven significant digits
// (1275 / 135 -> 9.444445).
double singleValue(float v) { return QString::number(v, 'g', 7).toDouble(); }

} // namespace

LayoutDesigner::LayoutDesigner(const QString &name, const QString &table) : LayoutForm(name, table)
{
    setCaption("Report Format");

    onLoad = [this] { Form_Load(); };
    onMouseDown = [this](int button, int shift, double x, double y) {
        Form_MouseDown(button, shift, float(x), float(y));
    };
    Label1.on(&Control::onClick, [this](int i) { Label1_Click(i); });
    Label2.on(&Control::onClick, [this](int i) { Label2_Click(i); });
    Text1.onChange = [this] { Text1_Change(); };
}

void LayoutDesigner::Form_Load() { showLayout(); }

void LayoutDesigner::Label1_Click(int Index) { select(QStringLiteral("Label1"), Index, Label1Selected); }

void LayoutDesigner::Label2_Click(int Index) { select(QStringLiteral("Label2"), Index, Label2Selected); }

void LayoutDesigner::select(const QString &groupName, int index, uint32_t colour)
{
    selectedArray = groupName;
    Label2.forEach([](Label &l) { l.setBackColor(Unselected); });
    Label1.forEach([](Label &l) { l.setBackColor(Unselected); });
    group(groupName)(index).setBackColor(colour);
}

void LayoutDesigner::Form_MouseDown(int, int, float X, float Y)
{
    setCaption("r : " + numText(roundHalfEven(Y / LineTwips)) + " c : "
               + numText(roundHalfEven(X / ColumnTwips)));
    if (selectedArray == QLatin1String("Label1"))
        moveSelected(Label1, Label1Selected, X, Y);
    else if (selectedArray == QLatin1String("Label2"))
        moveSelected(Label2, Label2Selected, X, Y);
}

void LayoutDesigner::moveSelected(ControlArray<Label> &labels, uint32_t colour, float X, float Y)
{
    int found = -1;
    labels.forEach([&](Label &l) {
        if (found < 0 && l.BackColor() == colour)
            found = l.index();
    });
    if (found < 0)
        return;
    Label &l = labels(found);
    l.setLeft(toInt32(X));
    l.setTop(toInt32(Y));

    Connection &db = aminv::dbConn();
    Command &cmd = aminv::sharedCmd();
    const QString where = QStringLiteral(" where name=? and \"index\"=?");
    auto store = [&](const char *column, double value) {
        cmd.setCommandText(Sql(QStringLiteral("update %1 set %2=?").arg(table(), QLatin1String(column)) + where,
                               {value, selectedArray, found}));
        cmd.Execute();
    };
    db.BeginTrans();
    store("x", singleValue(X));
    store("y", singleValue(Y));
    store("c", singleValue(X / ColumnTwips));
    store("r", singleValue(Y / LineTwips));
    db.CommitTrans();
}

void LayoutDesigner::Text1_Change()
{
    Connection &db = aminv::dbConn();
    Command &cmd = aminv::sharedCmd();
    db.BeginTrans();
    cmd.setCommandText(Sql("update counter set totline=?", {numberParam(numText(val(Text1.Text())))}));
    cmd.Execute();
    db.CommitTrans();
}
