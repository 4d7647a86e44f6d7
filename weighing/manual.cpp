#include "manual.h"
#include "ticketnumber.h"
#include "ticketscreen.h"

#include "aminv.h"
#include "form1.h"
#include "settingsrow.h"
#include "ticketdata.h"

#include "database/database.h"

#include "runtime/convert.h"
#include "runtime/errors.h"

#include <cmath>

using namespace vb;

manual::manual() : Form(Name)
{
    layout();
    wire();
}

// ---- design ---------------------------------------------------------------

void manual::layout()
{
    setCaption("Varnock");
    setWindowState(WindowState::Maximized);
    Move(0, 0, 19200, 10800);

    const QString face = QStringLiteral("Arial");

    placeCompanyHeading(lblLabels, face);

    auto caption = [&](int i, const char *text, int left, int top, int width) {
        Label &l = lblLabels(i);
        l.setCaption(text);
        l.Move(left, top, width, 420);
        l.setFont(face, 14, true);
        l.setTransparent(true);
    };
    const int boxH = 450, step = 660;
    const int col1 = 360, box1 = 2760, col2 = 8400, box2 = 10560;
    int top = 2160;
    caption(0, "Ticket No. :", col1, top, 2300);
    num.Move(box1, top - 30, 1800, boxH);

    top += step;
    caption(1, "Truck No. :", col1, top, 2300);
    Combo4.Move(box1, top - 30, 4200, boxH);
    caption(12, "Receiver :", col2, top, 2100);
    Combo2.Move(box2, top - 30, 5400, boxH);

    top += step;
    caption(10, "Material :", col1, top, 2300);
    Combo1.Move(box1, top - 30, 4200, boxH);
    caption(13, "Supplier :", col2, top, 2100);
    Combo3.Move(box2, top - 30, 5400, boxH);

    // Weight rows: weight, mark, date, time.
    struct Row {
        int weightLabel, dateLabel, timeLabel, weight, mark, date, time;
        const char *name;
    } rows[] = {{3, 2, 11, 2, 14, 3, 9, "Gross :"}, {4, 5, 9, 4, 15, 5, 0, "Tare :"}};
    for (const Row &r : rows) {
        top += step;
        caption(r.weightLabel, r.name, col1, top, 2300);
        txtFields(r.weight).Move(box1, top - 30, 1800, boxH);
        Label &mark = lblLabels(r.mark);
        mark.Move(4680, top, 900, 420);
        mark.setFont(face, 12, true);
        mark.setForeColor(0x0000C0);
        mark.setTransparent(true);
        caption(r.dateLabel, "On Date :", 5760, top, 1560);
        txtFields(r.date).Move(7380, top - 30, 1800, boxH);
        caption(r.timeLabel, "Time :", 9420, top, 1000);
        txtFields(r.time).Move(10440, top - 30, 1200, boxH);
    }

    top += step;
    caption(6, "Net :", col1, top, 2300);
    txtFields(6).Move(box1, top - 30, 1800, boxH);
    txtFields(6).setEnabled(false);
    caption(8, "Rupees :", 5760, top, 1560);
    txtFields(8).Move(7380, top - 30, 1800, boxH);

    for (int i : {2, 3, 9, 4, 5, 0, 6, 8})
        txtFields(i).setFont(face, 14, true);
    num.setFont(face, 14, true);
    for (ComboBox *c : {&Combo4, &Combo2, &Combo1, &Combo3})
        c->setFont(face, 14, true);

    cmdUpdate.setCaption("F8 Save..");
    cmdUpdate.Move(14640, 9240, 1980, 720);
    cmdClose.setCaption("F12 Close");
    cmdClose.Move(16740, 9240, 1980, 720);
    for (CommandButton *b : {&cmdUpdate, &cmdClose})
        b->setFont(face, 12, true);

    fillPopupMenus(pl, mast);
    pl.setVisible(false);
    mast.setVisible(false);

    // Tab order: the Enter chain, then the close button.
    int tab = 0;
    for (Control *c : std::initializer_list<Control *>{
             &num, &Combo4, &Combo2, &Combo1, &Combo3, &txtFields(2), &txtFields(3), &txtFields(9),
             &txtFields(4), &txtFields(5), &txtFields(0), &txtFields(8), &cmdUpdate, &cmdClose, &txtFields(6)})
        c->setTabIndex(tab++);
}

void manual::wire()
{
    // What a database failure stopped is named.
    onLoad = [this] { namingDatabaseFailure(QStringLiteral("The manual ticket form cannot be opened"), [this] { Form_Load(); }); };
    onResize = [this] { Form_Resize(); };
    cmdUpdate.onClick = [this] { namingDatabaseFailure(QStringLiteral("The ticket cannot be printed"), [this] { cmdUpdate_Click(); }); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
    num.onGotFocus = [this] { num_GotFocus(); };
    num.onKeyPress = [this](int &k) { num_KeyPress(k); };
    Combo4.onKeyPress = [this](int &k) { Combo4_KeyPress(k); };
    Combo2.onKeyPress = [this](int &k) { Combo2_KeyPress(k); };
    Combo1.onKeyPress = [this](int &k) { Combo1_KeyPress(k); };
    Combo3.onKeyPress = [this](int &k) { Combo3_KeyPress(k); };
    Combo4.onLostFocus = [this] { namingDatabaseFailure(QStringLiteral("The truck's tare cannot be read"), [this] { Combo4_LostFocus(); }); };
    txtFields.on(&TextBox::onChange, [this](int i) { txtFields_Change(i); });
    txtFields.on(&TextBox::onKeyPress, [this](int i, int &k) { txtFields_KeyPress(i, k); });
    txtFields.on(&TextBox::onLostFocus, [this](int i) { txtFields_LostFocus(i); });
}

double manual::weightOf(int index) const { return val(txtFields(index).Text()); }

// ---- load, window, buttons ------------------------------------------------

void manual::Form_Load()
{
    // A database without its settings row opens with an empty heading.
    if (const auto settings = readSettingsRow(aminv::mainRs(), aminv::dbConn())) {
        lblLabels(17).setCaption(shown(settings->compnm));
        lblLabels(16).setCaption(shown(settings->address));
        lblLabels(18).setCaption(shown(settings->city));
        mprintstyle = boolOf(settings->printstyle);
        mprintformat = boolOf(settings->printformat);
    }

    fillNameLists(*this);
}

void manual::Form_Resize()
{
    if (WindowState() == WindowState::Normal)
        setWindowState(WindowState::Maximized);
}

void manual::cmdClose_Click() { Unload(); }

// ---- Enter chain ----------------------------------------------------------

void manual::num_GotFocus() { num.setSelLength(10); }

void manual::num_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo4.SetFocus();
}

void manual::Combo4_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo2.SetFocus();
}

void manual::Combo2_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo1.SetFocus();
}

void manual::Combo1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo3.SetFocus();
}

void manual::Combo3_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        txtFields(2).SetFocus();
}

void manual::txtFields_KeyPress(int Index, int &KeyAscii)
{
    if (KeyAscii != vb::Key::Enter)
        return;
    switch (Index) {
    case 2: txtFields(3).SetFocus(); break;
    case 3: txtFields(9).SetFocus(); break;
    case 9: txtFields(4).SetFocus(); break;
    case 4: txtFields(5).SetFocus(); break;
    case 5: txtFields(0).SetFocus(); break;
    case 0: txtFields(8).SetFocus(); break;
    case 8: cmdUpdate.SetFocus(); break;
    default: break;
    }
}

// ---- stored tare, stamps, net, amount -------------------------------------

void manual::Combo4_LostFocus()
{
    Recordset &rs = aminv::mainRs();
    rs.Open(Sql("select * from truckmast where " + nameEquals("name"), {Combo4.Text()}), aminv::dbConn(), 3, 3,
            -1);
    if (rs.RecordCount() != 0)
        txtFields(4).setText(shown(rs.Fields("tarewt").Value()));
    rs.Close();
}

void manual::txtFields_Change(int Index)
{
    if (Index == 2) {
        if (weightOf(2) > 0) {
            txtFields(3).setText(dateText(host().now().date()));
            txtFields(9).setText(timeText(host().now().time()));
        }
    } else if (Index == 4) {
        if (weightOf(4) > 0) {
            txtFields(5).setText(dateText(host().now().date()));
            txtFields(0).setText(timeText(host().now().time()));
        }
    } else {
        return;
    }
    if (weightOf(2) > 0 && weightOf(4) > 0)
        txtFields(6).setText(numText(std::fabs(weightOf(2) - weightOf(4))));
}

void manual::txtFields_LostFocus(int Index)
{
    // Every weight on this form is typed (or the truck's stored tare).
    if (Index == 8)
        refuseEmptyAmount(*this);
    else if (Index == 2 || Index == 4)
        refuseWeight(txtFields(Index), QString::fromLatin1(weightField(Index)));
}

// ---- save -----------------------------------------------------------------

void manual::cmdUpdate_Click()
{
    if (Combo4.Text().isEmpty()) {
        MsgBox("you must enter truck no", Msg::OKOnly);
        Combo4.SetFocus();
        return;
    }

    fillBlanks(*this);

    if (!typedWeightsPlain(*this, [](int) { return true; }))
        return;

    if (txtFields(8).Text() == "0") {
        MsgBox("You must enter amount", Msg::OKOnly);
        txtFields(8).SetFocus();
        return;
    }

    // The heavier weight prints as gross.
    heavierAsGross(*this);

    aminv::dbConn().BeginTrans();
    if (mprintstyle)
        fillDosData();
    else
        fillWindowData();
    aminv::dbConn().CommitTrans();

    PreviewAndReset();
}

TicketValues manual::typedTicket() const { return ticketShownOn(*this); }

Company manual::ownCompany() const
{
    return companyShownOn(*this);
}

void manual::fillDosData()
{
    // Nothing on this form types a mark, so the marks print as unmarked.
    FillTicketData(typedTicket(), ownCompany(), PrintChoice{true, mprintformat, false});
}

void manual::fillWindowData()
{
    Form1 &main = app().form<Form1>(Form1::Name);
    if (!main.loaded())
        main.Load();
    FillTicketData(typedTicket(), companyShownOn(main), PrintChoice{false, mprintformat, false});
}

// ---- print and reset ------------------------------------------------------

void manual::PreviewAndReset()
{
    const char *printForm = !mprintstyle ? "preview" : !mprintformat ? "previewprint" : "previewplain";
    app().form(printForm).Show(true);

    Recordset &rs = aminv::mainRs();
    rs.Open("select max(num)as num1 from emp", aminv::dbConn(), 3, 3, -1);
    const QVariant top = rs.Fields("num1").Value();
    rs.Close();
    const auto next = ticketnumber::next(top);
    if (!next)
        MsgBox(ticketnumber::exhausted(), Msg::OKOnly);
    num.setText(next.value_or(QString()));

    for (TextEditable *t : std::initializer_list<TextEditable *>{
             &Combo1, &Combo2, &Combo3, &Combo4, &txtFields(2), &txtFields(3), &txtFields(4), &txtFields(5),
             &txtFields(6), &txtFields(8), &txtFields(9), &txtFields(0)})
        t->setText(QString());
    lblLabels(15).setCaption(" ");
    lblLabels(14).setCaption(" ");

    num.SetFocus();
}
