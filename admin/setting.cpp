#include "setting.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

#include <algorithm>

using namespace vb;

namespace {

// The query of the settings row, as every settings form opens it.
const char *const CounterQuery = "select  * from counter";

} // namespace

setting::setting() : setting(Name) {}

setting::setting(const QString &name) : Form(name)
{
    layout();
    // What a database failure stopped is named.
    onLoad = [this] { namingDatabaseFailure(QStringLiteral("The settings cannot be read"), [this] { Form_Load(); }); };
    OKButton.onClick = [this] { namingDatabaseFailure(QStringLiteral("The settings were not saved"), [this] { OKButton_Click(); }); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void setting::place(Control &c, int left, int top, int width, int height) { c.Move(left, top, width, height); }

void setting::optionFrame(Frame &frame, const QString &caption, QRect at, OptionButton &first,
                          const char *firstCaption, OptionButton &second, const char *secondCaption, int selected,
                          bool across)
{
    frame.setCaption(caption);
    place(frame, at.x(), at.y(), at.width(), at.height());
    first.setCaption(firstCaption);
    second.setCaption(secondCaption);
    if (across) {
        const int half = (at.width() - 240) / 2;
        const int top = (at.height() - 300) / 2 + 60;
        place(first, 120, top, half, 300);
        place(second, 120 + half, top, half, 300);
    } else {
        place(first, 120, 300, at.width() - 360, 300);
        place(second, 120, 660, at.width() - 360, 300);
    }
    (selected == 0 ? first : second).setValue(true);
}

void setting::setTabOrder(std::initializer_list<Control *> first)
{
    int tab = 0;
    for (Control *c : first)
        c->setTabIndex(tab++);
    for (Control *c : controls()) {
        if (std::find(first.begin(), first.end(), c) == first.end())
            c->setTabIndex(tab++);
    }
}

void setting::layout()
{
    setCaption("Setting");
    Move(0, 0, 9360, 4680);

    Frame7.setCaption("Company Information");
    place(Frame7, 120, 120, 9120, 2280);
    struct Row {
        int label;
        const char *caption;
        TextBox *box;
    } rows[] = {{3, "Name", &Text4}, {4, "Add.", &Text5}, {5, "City.", &Text6}, {1, "Marque", &Text1}};
    int top = 360;
    for (const Row &r : rows) {
        lblLabels(r.label).setCaption(r.caption);
        place(lblLabels(r.label), 240, top + 40, 1200, 300);
        place(*r.box, 1560, top, 7320, 345);
        top += 460;
    }
    // The company lines come with the database; this form only shows them.
    for (TextBox *t : {&Text4, &Text5, &Text6})
        t->setEnabled(false);

    optionFrame(Frame1, "Print Style", {120, 2520, 2160, 1080}, Option1(0), "Dos", Option1(1), "Window");
    optionFrame(Frame3, "Print Format", {2400, 2520, 2160, 1080}, Option3(0), "Plain", Option3(1), "Pre Printed");

    OKButton.setCaption("OK");
    place(OKButton, 6480, 3720, 1320, 420);
    CancelButton.setCaption("Cancel");
    place(CancelButton, 7920, 3720, 1320, 420);

    setTabOrder({&Text1, &OKButton, &CancelButton});
}

// ---- load -----------------------------------------------------------------

void setting::Form_Load()
{
    // Without its row the form shows the design state.
    if (const auto settings = readSettingsRow(aminv::mainRs(), aminv::dbConn(), CounterQuery))
        showSettings(*settings);
    loadMore();
}

void setting::showSettings(const SettingsRow &row)
{
    auto text = [&](TextBox &box, const QVariant &v) {
        if (!v.isNull())
            box.setText(textOf(v));
    };
    auto choice = [&](ControlArray<OptionButton> &options, int yes, int no, const QVariant &v) {
        if (!v.isNull())
            options(boolOf(v) ? yes : no).setValue(true);
    };
    text(Text4, row.compnm);
    text(Text5, row.address);
    text(Text6, row.city);
    text(Text1, row.marque);
    choice(Option1, 0, 1, row.printstyle);
    choice(Option3, 0, 1, row.printformat);
}

// ---- buttons --------------------------------------------------------------

void setting::blankRule()
{
    for (TextBox *t : {&Text4, &Text5, &Text6, &Text1})
        if (t->Text().isEmpty())
            t->setText(" ");
}

void setting::storeSettings(Recordset &row)
{
    row.setField("printstyle", Option1(0).Value());
    row.setField("printformat", Option3(0).Value());
    row.setField("Marque", Text1.Text());
}

void setting::OKButton_Click()
{
    blankRule();
    Recordset &rs = aminv::mainRs();
    rs.Open(CounterQuery, aminv::dbConn(), 3, 3, -1);
    // A database that lost its settings row gets it back rather than
    // dropping what the operator chose.
    if (rs.Eof())
        rs.AddNew();
    storeSettings(rs);
    rs.Update();
    rs.Close();
    saveMore();
    aminv::dbConn().Close();
    MsgBox("you must restart ");
    app().end();
}

void setting::CancelButton_Click() { Unload(); }
