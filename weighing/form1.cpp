#include "form1.h"

#include <map>
#include "ticketscreen.h"

#include "aminv.h"
#include "indicator.h"
#include "settingsrow.h"
#include "ticketnumber.h"

#include "database/database.h"

#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/programs.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

using namespace vb;

Form1::Form1() : Form(Name)
{
    layout();
    wire();
}

void Form1::wire()
{
    onLoad = [this] { Form_Load(); };
    onKeyDown = [this](int &k, int s) { Form_KeyDown(k, s); };
    onResize = [this] { Form_Resize(); };
    onUnload = [this](int &c) { Form_Unload(c); };

    Command3.onClick = [this] { Command3_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    cmdDelete.onClick = [this] { cmdDelete_Click(); };
    cmdLocate.onClick = [this] { cmdLocate_Click(); };
    cmdPrint.onClick = [this] { cmdPrint_Click(); };
    cmdSetting.onClick = [this] { cmdSetting_Click(); };
    cmdUpdate.onClick = [this] { cmdUpdate_Click(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };

    pl.item("snw")->onClick = [this] { snw_Click(); };
    pl.item("dw")->onClick = [this] { dw_Click(); };
    pl.item("mw")->onClick = [this] { mw_Click(); };
    pl.item("sw")->onClick = [this] { sw_Click(); };
    pl.item("vw")->onClick = [this] { vw_Click(); };
    pl.item("rw")->onClick = [this] { rw_Click(); };
    pl.item("dupslip")->onClick = [this] { dupslip_Click(); };
    mast.item("mtruck")->onClick = [this] { mtruck_Click(); };
    mast.item("mrece")->onClick = [this] { mrece_Click(); };
    mast.item("mmate")->onClick = [this] { mmate_Click(); };
    mast.item("msup")->onClick = [this] { msup_Click(); };
    mast.item("intg")->onClick = [this] { intg_Click(); };

    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
    MSComm1.onComm = [this] { MSComm1_OnComm(); };
    MSComm2.onComm = [this] { MSComm2_OnComm(); };
    MSComm3.onComm = [this] { MSComm3_OnComm(); };
    MSComm1.onDeviceLost = [this] { indicatorLost(MSComm1); };
    MSComm2.onDeviceLost = [this] { indicatorLost(MSComm2); };
    MSComm3.onDeviceLost = [this] { indicatorLost(MSComm3); };
    Text1.onChange = [this] { Text1_Change(); };

    num.onGotFocus = [this] { num_GotFocus(); };
    num.onLostFocus = [this] { num_LostFocus(); };
    num.onKeyDown = [this](int &k, int s) { num_KeyDown(k, s); };
    num.onKeyPress = [this](int &k) { num_KeyPress(k); };
    Label1.onChange = [this] { Label1_Change(); };
    Combo4.onGotFocus = [this] { Combo4_GotFocus(); };
    Combo4.onClick = [this] { Combo4_Click(); };
    Combo4.onKeyPress = [this](int &k) { Combo4_KeyPress(k); };
    Combo2.onKeyPress = [this](int &k) { Combo2_KeyPress(k); };
    Combo1.onKeyPress = [this](int &k) { Combo1_KeyPress(k); };
    Combo3.onKeyPress = [this](int &k) { Combo3_KeyPress(k); };
    Option1.on(&OptionButton::onClick, [this](int i) { Option1_Click(i); });
    Option1.on(&OptionButton::onKeyPress, [this](int i, int &k) { Option1_KeyPress(i, k); });
    ToggleButton1.onChange = [this] { ToggleButton1_Change(); };
    ToggleButton1.onClick = [this] { ToggleButton1_Click(); };
    ToggleButton1.onKeyPress = [this](int &k) { ToggleButton1_KeyPress(k); };
    txtFields.on(&TextBox::onGotFocus, [this](int i) { txtFields_GotFocus(i); });
    txtFields.on(&TextBox::onChange, [this](int i) { txtFields_Change(i); });
    txtFields.on(&TextBox::onKeyPress, [this](int i, int &k) { txtFields_KeyPress(i, k); });
    txtFields.on(&TextBox::onLostFocus, [this](int i) { txtFields_LostFocus(i); });
}

// ---- helpers --------------------------------------------------------------

double Form1::weightOf(int index) const { return val(txtFields(index).Text()); }

QString Form1::dateNow() const { return dateText(host().now().date()); }

QString Form1::timeNow() const { return timeText(host().now().time()); }

namespace {

// What the operator is told when a form cannot open (its tables cannot be
// read).
QString openingFailure(const QString &formName)
{
    static const std::map<QString, QString> failures = {
        {"printno", "The report form cannot be opened"},
        {"printpurdt", "The report form cannot be opened"},
        {"printmat", "The report form cannot be opened"},
        {"printsup", "The report form cannot be opened"},
        {"printturck", "The report form cannot be opened"},
        {"printrece", "The report form cannot be opened"},
        {"printdupno", "The duplicate ticket form cannot be opened"},
        {"frmtruck", "The truck master cannot be opened"},
        {"frmreceiver", "The receiver master cannot be opened"},
        {"frmmaterial", "The material master cannot be opened"},
        {"frmsupplier", "The supplier master cannot be opened"},
        {"frmLogin1", "The password form cannot be opened"},
        {"frmLogin3", "The password form cannot be opened"},
        {"preview", "The ticket cannot be printed"},
        {"previewprint", "The ticket cannot be printed"},
        {"previewplain", "The ticket cannot be printed"},
    };
    const auto it = failures.find(formName);
    return it != failures.end() ? it->second : QStringLiteral("%1 cannot be opened").arg(formName);
}

} // namespace

void Form1::showModal(const char *formName)
{
    namingDatabaseFailure(openingFailure(QLatin1String(formName)), [formName] { app().form(formName).Show(true); });
}

QString Form1::nextTicketNumber(bool sayWhenNone)
{
    Recordset &rs = aminv::mainRs();
    rs.Open("select max(num)as num1 from emp", aminv::dbConn(), 3, 3, -1);
    const QVariant top = rs.Fields("num1").Value();
    rs.Close();
    if (auto next = ticketnumber::next(top))
        return *next;
    if (sayWhenNone)
        MsgBox(ticketnumber::exhausted(), Msg::OKOnly);
    return QString();
}

void Form1::backToNumber()
{
    m_keepTicket = true;
    num.SetFocus();
    // Called from a focus handler, the move ends after it; otherwise it is
    // done (or the box could not take the focus).
    if (ActiveControl())
        m_keepTicket = false;
}

bool Form1::showsStoredTicket()
{
    const auto number = ticketnumber::parse(num.Text());
    if (!number)
        return false;
    Recordset &rs = aminv::mainRs();
    rs.Open(Sql("select * from emp where num=?", {*number}), aminv::dbConn(), 3, 3, -1);
    struct Closing {
        Recordset &rs;
        ~Closing() { skipError([this] { rs.Close(); }); }
    } closing{rs};
    if (rs.Eof())
        return false;
    auto text = [&](const char *column) { return shown(rs.Fields(column).Value()); };
    auto weight = [&](const char *column) {
        const QVariant v = rs.Fields(column).Value();
        return v.isNull() ? 0.0 : numberOf(v);
    };
    const TicketValues t = ticketOnScreen();
    // The truck is stored upper-cased and the weights as numbers; a blank
    // mark prints as an empty one.
    return ucase(t.truck) == ucase(text("truckno")) && t.receiver == text("rece")
        && t.material == text("material") && t.supplier == text("sup") && t.amount == text("rupee")
        && val(t.gross) == weight("grosswt") && t.grossDate == text("grossdt")
        && t.grossTime == text("grosstime") && val(t.tare) == weight("tarewt")
        && t.tareDate == text("taredt") && t.tareTime == text("taretime") && val(t.net) == weight("netwt")
        && t.grossMark.trimmed() == text("grossoral").trimmed()
        && t.tareMark.trimmed() == text("tareoral").trimmed();
}

void Form1::lockTicket()
{
    for (Control *c : std::initializer_list<Control *>{&Combo4, &Combo2, &Combo1, &Combo3, &txtFields(2),
                                                       &txtFields(4), &txtFields(8), &Frame1})
        c->setEnabled(false);
}

// ---- load, keys, buttons, menus, timers -----------------------------------

void Form1::Form_Load()
{
    trapAndShow([this] {
        mAuto = false;

        // Without the settings row nothing is set: the design state stays.
        if (const auto settings = readSettingsRow(aminv::mainRs(), aminv::dbConn())) {
            lblLabels(17).setCaption(shown(settings->compnm));
            lblLabels(16).setCaption(shown(settings->address));
            lblLabels(18).setCaption(shown(settings->city));
            Marque = shown(settings->marque);
            moral = boolOf(settings->oral);
            mprintstyle = boolOf(settings->printstyle);
            mprintformat = boolOf(settings->printformat);
            mprintcopy = numberOf(settings->printcopy);
            mpublic = boolOf(settings->publicMode);
            mweight = numberOf(settings->mweight);
            musb = boolOf(settings->musb);
            mmachtyp = textOf(settings->machtyp);
            prnusb = boolOf(settings->prnusb);
            const int16_t port = toInt16(numberOf(settings->comport));
            MSComm1.setCommPort(port);
            MSComm2.setCommPort(port);
            MSComm3.setCommPort(port);
        }

        Recordset &rs = aminv::mainRs();
        rs.Open("select * from listvalue  where type='machtyp'", aminv::dbConn(), 3, 3, -1);
        if (rs.RecordCount() != 0) {
            mmachtyp = textOf(rs.Fields("Name").Value());
        } else {
            Recordset &aux = aminv::auxRs();
            aux.Open("select * from listvalue", aminv::dbConn(), 3, 3, -1);
            aux.AddNew();
            aux.Fields("Name").setValue(1);
            aux.Fields("Type").setValue(QStringLiteral("machtyp"));
            aux.Update();
            aux.Close();
        }
        rs.Close();

        ToggleButton1.setVisible(mweight != 0);
        Option1_Click(0);
        // The new ticket that the number box starts says it when there is
        // no next number.
        num.setText(nextTicketNumber(false));

        fillNameLists(*this);

        if (mmachtyp == "3") {
            if (!MSComm2.PortOpen())
                MSComm2.setPortOpen(true);
        } else if (mmachtyp == "1") {
            if (!MSComm1.PortOpen())
                MSComm1.setPortOpen(true);
        } else if (mmachtyp == "4") {
            if (!MSComm3.PortOpen())
                MSComm3.setPortOpen(true);
        }
    });
}

void Form1::Form_KeyDown(int &KeyCode, int)
{
    switch (KeyCode) {
    case vb::Key::Esc: num.SetFocus(); break;
    case vb::Key::F1: Command3_Click(); break;
    case vb::Key::F2: Command1_Click(); break;
    case vb::Key::F3: Command2_Click(); break;
    case vb::Key::F4: cmdDelete_Click(); break;
    case vb::Key::F5: cmdLocate_Click(); break;
    case vb::Key::F6: cmdPrint_Click(); break;
    case vb::Key::F7: cmdSetting_Click(); break;
    case vb::Key::F8: cmdUpdate_Click(); break;
    case vb::Key::F12: cmdClose_Click(); break;
    default: break;
    }
}

void Form1::Command3_Click() { startCalculator(QStringLiteral("calc.exe"), WinStyle::NormalFocus); }

void Form1::startCalculator(const QString &program, int windowStyle)
{
    // The calculator is outside the program: a missing one is named, and
    // one that cannot run (none installed behind it) gives its reason. One
    // that ran and was closed from outside (killed) has not failed.
    try {
        host().shellWatched(program, windowStyle, [program](const ProgramEnd &end) {
            if (!end.failed || end.killed)
                return;
            MsgBox(QStringLiteral("%1 failed:\n%2").arg(program, reasonOf(end)));
        });
    } catch (const RuntimeError &e) {
        if (e.number() == RuntimeError::fileNotFound().number())
            MsgBox(QStringLiteral("%1: %2 (no calculator is installed)").arg(e.description(), program));
        else
            MsgBox(e.description());
    }
}

void Form1::Command1_Click() { PopupMenu(pl); }
void Form1::Command2_Click() { PopupMenu(mast); }
void Form1::cmdDelete_Click() { showModal("frmLogin3"); }
void Form1::cmdSetting_Click() { showModal("frmLogin1"); }
void Form1::cmdClose_Click() { Unload(); }
void Form1::snw_Click() { showModal("printno"); }
void Form1::dw_Click() { showModal("printpurdt"); }
void Form1::mw_Click() { showModal("printmat"); }
void Form1::sw_Click() { showModal("printsup"); }
void Form1::vw_Click() { showModal("printturck"); }
void Form1::rw_Click() { showModal("printrece"); }
void Form1::dupslip_Click() { showModal("printdupno"); }
void Form1::mtruck_Click() { showModal("frmtruck"); }
void Form1::mrece_Click() { showModal("frmreceiver"); }
void Form1::mmate_Click() { showModal("frmmaterial"); }
void Form1::msup_Click() { showModal("frmsupplier"); }

void Form1::cmdLocate_Click()
{
    // A list that cannot be read says why, and leaves the screen as it was.
    if (!attempt(QStringLiteral("The ticket list cannot be shown"), [] { app().form("acclocate").Show(true); }))
        return;
    skipError([this] { mAuto = false; });
    for (Control *c : std::initializer_list<Control *>{&Combo4, &Combo2, &Combo1, &Combo3, &txtFields(2),
                                                       &txtFields(4), &txtFields(8), &Frame1})
        skipError([c] { c->setEnabled(false); });
    skipError([this] { cmdPrint.SetFocus(); });
    // Leaving the number box on the way recalls the ticket and arms capture
    // for a first weighing; the chosen ticket is for viewing and printing,
    // so capture stays off.
    skipError([this] { mAuto = false; });
}

void Form1::Timer1_Timer()
{
    // Each component rounded half to even, capped at 255.
    auto colour = [](double fr, double fg, double fb) {
        auto part = [](double x) { return int(std::min(255.0, roundHalfEven(x))); };
        double r1 = host().rnd(), r2 = host().rnd(), r3 = host().rnd();
        return rgb(part(r1 * fr), part(r2 * fg), part(r3 * fb));
    };
    lblLabels(17).setBackColor(colour(100, 200, 300));
    lblLabels(16).setBackColor(colour(200, 300, 100));
    lblLabels(18).setBackColor(colour(300, 200, 100));
    Label1_Change();
}

void Form1::Timer2_Timer()
{
    Label &banner = lblLabels(7);
    banner.setCaption(Marque == "0" ? generalDate(host().now()) : Marque);
    banner.setLeft(banner.Left() - 25);
    if (banner.Left() < -banner.Width())
        banner.setLeft(Width());
}

void Form1::Form_Resize()
{
    if (WindowState() == WindowState::Normal)
        setWindowState(WindowState::Maximized);
}

void Form1::Form_Unload(int &)
{
    for (CommControl *c : {&MSComm1, &MSComm2, &MSComm3})
        if (c->PortOpen())
            c->setPortOpen(false);
    aminv::release();
}

// ---- indicator ------------------------------------------------------------

void Form1::MSComm1_OnComm()
{
    if (MSComm1.CommEvent() != 2)
        return;
    m_commData = MSComm1.inputBytes();
    QString data = indicator::normalFrame(m_commData);
    showFrame(Text1, data);
}

void Form1::ShowWeight(TextBox &box, QString &data)
{
    // A failing step shows its error and the next step runs.
    auto step = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const RuntimeError &e) {
            MsgBox(e.description());
        }
    };
    step([&] {
        if (box.Text().size() > indicator::BoxTrimAbove)
            box.setText(mid(box.Text(), indicator::BoxTrimDrop + 1));
    });
    step([&] { box.setSelStart(int(box.Text().size())); });
    if (musb) {
        step([&] {
            data.remove(QChar(10));
            data.remove(QChar(13));
            box.setText(box.Text() + data);
            if (box.Text().size() > indicator::UsbClearAbove)
                box.setText(QString());
        });
    } else {
        step([&] { Label1.setCaption(indicator::maskedWeight(data)); });
    }
    step([&] { box.setSelStart(int(box.Text().size())); });
}

void Form1::MSComm2_OnComm()
{
    if (MSComm2.CommEvent() != 2)
        return;
    Label1.setCaption(indicator::newTypeWeight(MSComm2.Input()));
}

void Form1::MSComm3_OnComm()
{
    // Errors here are passed over.
    if (MSComm3.CommEvent() != 2)
        return;
    QString t;
    skipError([&] { t = MSComm3.Input(); });
    skipError([&] {
        if (auto w = indicator::digitalWeight(t))
            Label1.setCaption(*w);
    });
}

void Form1::indicatorLost(CommControl &port)
{
    if (&port != indicatorPort())
        return;
    // The last reading is not the scale's weight any more: blank, so
    // nothing is taken from it (and capture waits for the port).
    Label1.setCaption(QString());
    Notice(QStringLiteral("The weight indicator is not connected: %1 went away.\n"
                          "No weight is read until it is back; the port is tried again every second.")
               .arg(port.deviceName()),
           Msg::OKOnly | Msg::Exclamation);
}

CommControl *Form1::indicatorPort()
{
    if (mmachtyp == "1")
        return &MSComm1;
    if (mmachtyp == "3")
        return &MSComm2;
    if (mmachtyp == "4")
        return &MSComm3;
    return nullptr;
}

bool Form1::indicatorDown()
{
    CommControl *port = indicatorPort();
    return port && !port->PortOpen();
}

void Form1::Text1_Change()
{
    auto w = indicator::receiveBoxWeight(Text1.Text(), mmachtyp);
    if (!w)
        return;
    Label1.setCaption(*w);
    Text1.setText(QString());
}

// ---- ticket editing -------------------------------------------------------

void Form1::num_GotFocus()
{
    if (m_keepTicket) {
        m_keepTicket = false;
        num.setSelLength(10);
        return;
    }
    if (mmachtyp == "1")
        MSComm1_OnComm();
    else if (mmachtyp == "3")
        MSComm2_OnComm();
    else if (mmachtyp == "4")
        MSComm3_OnComm();

    // The next number first: a new ticket starts whole or not at all. When
    // it cannot, the screen keeps the ticket it shows, and the focus leaves
    // the number box so that the next Esc tries again.
    QString next;
    m_notStarted = false;
    m_unread.clear();
    // Without an open database (the load has said why) the failure goes on
    // as it comes.
    if (!aminv::connected() || !aminv::dbConn().isOpen())
        next = nextTicketNumber();
    else if (!attempt(QStringLiteral("A new ticket cannot be started"), [&] { next = nextTicketNumber(); })) {
        m_notStarted = true;
        cmdPrint.SetFocus();
        return;
    }
    num.setText(next);
    num.setSelLength(10);
    setBackColor(NewTicketColour);
    mstage = 1;

    Combo4.setText(QString());
    Label1.setCaption(QString());
    Combo1.setText(QString());
    Combo2.setText(QString());
    Combo3.setText(QString());
    for (int i : {2, 3, 4, 5, 6, 8, 9, 0})
        txtFields(i).setText(QString());
    lblLabels(15).setCaption(" ");
    lblLabels(14).setCaption(" ");

    Option1(0).setEnabled(true);
    Option1(1).setEnabled(true);
    Option1(0).setValue(true);
    ToggleButton1.setValue(true);
    ToggleButton1.setCaption("Auto");

    for (Control *c : std::initializer_list<Control *>{&Combo1, &Combo2, &Combo3, &Combo4, &txtFields(8), &Frame1})
        c->setEnabled(true);
    mAuto = false;
}

void Form1::num_LostFocus()
{
    if (m_notStarted) {
        m_notStarted = false;
        return;
    }
    dbAddnewFlag = true;
    // An empty box looks up ticket 1. A number that no ticket can have is
    // refused here, before anything is typed under it; the box keeps the
    // focus and the screen keeps what it shows.
    const QString typed = num.Text().isEmpty() ? QStringLiteral("1") : num.Text();
    const auto number = ticketnumber::parse(typed);
    if (!number) {
        MsgBox(ticketnumber::problem(typed), Msg::OKOnly);
        backToNumber();
        return;
    }
    Recordset &rs = aminv::mainRs();
    bool found = false;
    auto lookUp = [&] {
        rs.Open(Sql("select * from emp where num=?", {*number}), aminv::dbConn(), 3, 3, -1);
        found = rs.RecordCount() != 0;
    };
    // A ticket that cannot be read is not taken for a new one: the box
    // keeps the focus, and leaving it again tries again. Without an open
    // database (the load has said why) the failure goes on as it comes.
    if (!aminv::connected() || !aminv::dbConn().isOpen()) {
        lookUp();
    } else if (!attempt(QStringLiteral("Ticket %1 cannot be recalled").arg(typed), lookUp)) {
        m_unread = typed;
        backToNumber();
        return;
    }
    m_unread.clear();
    if (!found) {
        rs.Close();
        return;
    }
    dbAddnewFlag = false;
    auto put = [&](TextEditable &box, const char *column) { box.setText(shown(rs.Fields(column).Value())); };
    put(num, "num");
    put(Combo4, "truckno");
    put(Combo2, "rece");
    put(Combo1, "material");
    put(Combo3, "sup");
    put(txtFields(2), "grosswt");
    put(txtFields(3), "grossdt");
    put(txtFields(9), "grosstime");
    put(txtFields(4), "tarewt");
    put(txtFields(5), "taredt");
    put(txtFields(0), "taretime");
    put(txtFields(6), "netwt");
    put(txtFields(8), "rupee");
    lblLabels(14).setCaption(shown(rs.Fields("grossoral").Value()));
    lblLabels(15).setCaption(shown(rs.Fields("tareoral").Value()));

    const QVariant stored = rs.Fields("stage").Value();
    const double stage = stored.isNull() ? 0 : numberOf(stored);
    mstage = stage + 1;
    if (stage == 1) {
        setBackColor(SecondWeighingColour);
        if (weightOf(2) == 0)
            Option1(0).SetFocus();
        else
            Option1(1).SetFocus();
        if (mweight == 0)
            cmdUpdate.SetFocus();
        mAuto = true;
        ToggleButton1.setValue(true);
        ToggleButton1.setCaption("Auto");
    } else if (stage == 2) {
        mAuto = false;
        lockTicket();
        cmdUpdate.SetFocus();
    } else if (stage == 3) {
        mAuto = false;
        lockTicket();
        cmdPrint.SetFocus();
    }
    rs.Close();
}

void Form1::num_KeyDown(int &KeyCode, int)
{
    if (KeyCode == vb::Key::Esc)
        num.SetFocus();
}

void Form1::num_KeyPress(int &KeyAscii)
{
    if (KeyAscii != vb::Key::Enter)
        return;
    if (Frame1.Enabled() && Option1(0).Enabled())
        Option1(0).SetFocus();
    else
        Combo4.SetFocus();
}

void Form1::Label1_Change()
{
    if (!mAuto || ToggleButton1.Caption() != "Auto" || (mstage != 1 && mstage != 2))
        return;
    // Without the indicator there is no weight to take; what was taken
    // before stays.
    if (indicatorDown())
        return;
    if (Option1(0).Value()) {
        txtFields(2).setText(Label1.Caption());
        txtFields(3).setText(dateNow());
        txtFields(9).setText(timeNow());
    }
    if (Option1(1).Value()) {
        txtFields(4).setText(Label1.Caption());
        txtFields(5).setText(dateNow());
        txtFields(0).setText(timeNow());
    }
}

void Form1::Combo4_GotFocus()
{
    mAuto = true;
    Label1_Change();
}

void Form1::Combo4_Click()
{
    Recordset &rs = aminv::mainRs();
    rs.Open(Sql("select * from truckmast where " + nameEquals("name"), {Combo4.Text()}), aminv::dbConn(), 3, 3, -1);
    if (rs.RecordCount() != 0 && mstage == 1)
        txtFields(4).setText(shown(rs.Fields("tarewt").Value()));
    rs.Close();
}

void Form1::Combo4_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo2.SetFocus();
}

void Form1::Combo2_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo1.SetFocus();
}

void Form1::Combo1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        Combo3.SetFocus();
}

void Form1::Combo3_KeyPress(int &KeyAscii)
{
    if (KeyAscii != vb::Key::Enter)
        return;
    // The tare field wins when both weights may be typed.
    bool any = false;
    if (txtFields(2).Enabled()) {
        txtFields(2).SetFocus();
        any = true;
    }
    if (txtFields(4).Enabled()) {
        txtFields(4).SetFocus();
        any = true;
    }
    if (!any) {
        if (mpublic)
            txtFields(8).SetFocus();
        else
            cmdUpdate.SetFocus();
    }
}

void Form1::Option1_Click(int Index)
{
    switch (int(mweight)) {
    case 0: ToggleButton1.setVisible(false); break;
    case 1: ToggleButton1.setVisible(Index == 1); break;
    case 2: ToggleButton1.setVisible(Index == 0); break;
    case 3: ToggleButton1.setVisible(true); break;
    default: break;
    }
    if (Index == 0 && mweight != 1 && ToggleButton1.Caption() == "Oral") {
        txtFields(2).setEnabled(true);
        txtFields(4).setEnabled(false);
        lblLabels(14).setCaption("Oral");
    }
    if (Index == 1 && ToggleButton1.Caption() == "Oral") {
        lblLabels(15).setCaption("Oral");
        txtFields(4).setEnabled(true);
        txtFields(2).setEnabled(false);
    }
}

void Form1::Option1_KeyPress(int Index, int &KeyAscii)
{
    if (KeyAscii != vb::Key::Enter)
        return;
    if (mstage != 1 && mstage != 2)
        return;
    if (ToggleButton1.Visible())
        ToggleButton1.SetFocus();
    else if (mstage == 2 && Index == 0)
        cmdUpdate.SetFocus();
    else
        Combo4.SetFocus();
}

void Form1::ToggleButton1_Change()
{
    ToggleButton1.setCaption(ToggleButton1.Value() ? "Auto" : "Oral");
    if (ToggleButton1.Caption() == "Auto") {
        lblLabels(14).setCaption(QString());
        lblLabels(15).setCaption(QString());
        if (Option1(1).Value() && weightOf(2) == 0) {
            txtFields(2).setText(QString());
            txtFields(6).setText(QString());
        }
        if (Option1(0).Value() && weightOf(4) == 0) {
            txtFields(4).setText(QString());
            txtFields(6).setText(QString());
        }
    } else {
        if (Option1(0).Value()) {
            txtFields(2).setEnabled(true);
            txtFields(4).setEnabled(false);
            lblLabels(14).setCaption("Oral");
        }
        if (Option1(1).Value()) {
            lblLabels(15).setCaption("Oral");
            txtFields(4).setEnabled(true);
            txtFields(2).setEnabled(false);
        }
    }
}

void Form1::ToggleButton1_Click()
{
    if (ToggleButton1.Caption() != "Oral") {
        ToggleButton1.setCaption("Auto");
        txtFields(2).setEnabled(false);
        txtFields(4).setEnabled(false);
    }
}

void Form1::ToggleButton1_KeyPress(int &KeyAscii)
{
    if (KeyAscii != vb::Key::Enter)
        return;
    if (mstage == 1) {
        Combo4.SetFocus();
    } else if (mstage == 2) {
        if (ToggleButton1.Caption() == "Oral") {
            // The weight box that "Oral" opened: gross with "Gross"
            // selected, tare otherwise.
            if (Option1(0).Value() && txtFields(2).Enabled())
                txtFields(2).SetFocus();
            else
                txtFields(4).SetFocus();
        } else {
            cmdUpdate.SetFocus();
        }
    }
}

void Form1::txtFields_GotFocus(int) { mAuto = true; }

void Form1::txtFields_Change(int Index)
{
    if (Index == 2) {
        if (weightOf(2) > 0) {
            txtFields(3).setText(dateNow());
            txtFields(9).setText(timeNow());
        }
        if (weightOf(4) == 0) {
            txtFields(5).setText(QString());
            txtFields(0).setText(QString());
        }
    } else if (Index == 4) {
        if (weightOf(4) > 0) {
            txtFields(5).setText(dateNow());
            txtFields(0).setText(timeNow());
        }
        if (weightOf(2) == 0) {
            txtFields(3).setText(QString());
            txtFields(9).setText(QString());
        }
    } else {
        return;
    }
    if (weightOf(2) > 0 && weightOf(4) > 0)
        txtFields(6).setText(numText(std::fabs(weightOf(2) - weightOf(4))));
}

void Form1::txtFields_KeyPress(int Index, int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter) {
        if (Index == 2 || Index == 4) {
            if (mpublic)
                txtFields(8).SetFocus();
            else
                cmdUpdate.SetFocus();
        } else if (Index == 8) {
            cmdUpdate.SetFocus();
        }
        return;
    }
    if (Index == 2) {
        lblLabels(14).setCaption("Oral");
        if (weightOf(2) > 0) {
            txtFields(3).setText(dateNow());
            txtFields(9).setText(timeNow());
        }
    } else if (Index == 4) {
        lblLabels(15).setCaption("Oral");
        if (weightOf(4) > 0) {
            txtFields(5).setText(dateNow());
            txtFields(0).setText(timeNow());
        }
    }
}

void Form1::txtFields_LostFocus(int Index)
{
    if (Index == 8)
        refuseEmptyAmount(*this);
    else if ((Index == 2 || Index == 4) && markedTyped(*this, Index))
        refuseWeight(txtFields(Index), QString::fromLatin1(weightField(Index)));
}
