#include "quilletform1.h"
#include "weighing/ticketscreen.h"

#include "receivetext.h"

#include "weighing/aminv.h"
#include "weighing/settingsrow.h"

#include "database/database.h"
#include "runtime/convert.h"
#include "runtime/errors.h"

#include <algorithm>

using namespace vb;

QuilletForm1::QuilletForm1()
{
    // Commands this edition does not have.
    pl.removeItem("dupslip");
    mast.removeItem("intg");

    // The one indicator port. MSComm2 and MSComm3 stay closed for good.
    MSComm1.setSettings("9600,n,8,1");
    MSComm1.setInputMode(1);
    MSComm1.setInBufferSize(1024);
    MSComm1.setOutBufferSize(512);
    MSComm1.setParityReplace("?");

    Timer1.setInterval(1000);
}

void QuilletForm1::showModeless(const char *formName) { app().form(formName).Show(false); }

// ---- load and unload ------------------------------------------------------

void QuilletForm1::Form_Load()
{
    trapAndShow([this] {
        mAuto = false;

        // The settings row is read as it stands: without it the read fails
        // and the trap reports it.
        const SettingsRow settings = readExistingSettingsRow(aminv::mainRs(), aminv::dbConn());
        lblLabels(17).setCaption(shown(settings.compnm));
        Marque = shown(settings.marque);
        lblLabels(16).setCaption(shown(settings.address));
        lblLabels(18).setCaption(shown(settings.city));
        moral = boolOf(settings.oral);
        mprintstyle = boolOf(settings.printstyle);
        mprintformat = boolOf(settings.printformat);
        mprintcopy = numberOf(settings.printcopy);
        mpublic = boolOf(settings.publicMode);
        MSComm1.setCommPort(toInt16(numberOf(settings.comport)));
        MSComm1.setRThreshold(8);
        MSComm1.setSThreshold(1);
        mweight = numberOf(settings.mweight);
        musb = boolOf(settings.musb);
        // Read as a yes/no: a number is "Normal" unless it is 0, a text
        // "True" or "False" as it says.
        mmachtyp = boolOf(settings.machtyp);
        prnusb = boolOf(settings.prnusb);

        ToggleButton1.setVisible(mweight != 0);
        Option1_Click(0);

        // The one port opens whatever the machine type.
        if (!MSComm1.PortOpen())
            MSComm1.setPortOpen(true);

        num.setText(nextTicketNumber(false));
        fillNameLists(*this);
    });
}

void QuilletForm1::Form_Unload(int &)
{
    if (MSComm1.PortOpen())
        MSComm1.setPortOpen(false);
    aminv::release();
}

// ---- keys and menus -------------------------------------------------------

void QuilletForm1::Command3_Click() { startCalculator(QStringLiteral("Calc.exe"), WinStyle::MinimizedFocus); }

void QuilletForm1::cmdDelete_Click() { showModeless("frmLogin3"); }
void QuilletForm1::cmdSetting_Click() { showModeless("frmLogin1"); }
void QuilletForm1::snw_Click() { showModeless("printno"); }
void QuilletForm1::dw_Click() { showModeless("printpurdt"); }
void QuilletForm1::mw_Click() { showModeless("printmat"); }
void QuilletForm1::sw_Click() { showModeless("printsup"); }
void QuilletForm1::vw_Click() { showModeless("printturck"); }
void QuilletForm1::rw_Click() { showModeless("printrece"); }
void QuilletForm1::mtruck_Click() { showModeless("frmtruck"); }
void QuilletForm1::mrece_Click() { showModeless("frmreceiver"); }
void QuilletForm1::mmate_Click() { showModeless("frmmaterial"); }
void QuilletForm1::msup_Click() { showModeless("frmsupplier"); }

void QuilletForm1::cmdPrint_Click()
{
    // The print data is what the last save left.
    if (!mprintstyle)
        showModal("preview");
    else if (mprintformat)
        showModal("previewplain");
    else
        showModal("previewprint");
}

// ---- timers ---------------------------------------------------------------

void QuilletForm1::Timer1_Timer()
{
    // One multiplier per label for all three components, each rounded half
    // to even and capped at 255.
    auto colour = [](double factor) {
        auto part = [factor](double r) { return int(std::min(255.0, roundHalfEven(r * factor))); };
        const double r1 = host().rnd(), r2 = host().rnd(), r3 = host().rnd();
        return rgb(part(r1), part(r2), part(r3));
    };
    lblLabels(17).setBackColor(colour(100));
    lblLabels(16).setBackColor(colour(200));
    lblLabels(18).setBackColor(colour(300));
    Label1_Change();
}

void QuilletForm1::Timer2_Timer()
{
    Label &banner = lblLabels(7);
    banner.setCaption(Marque == " " ? host().now().time().toString(QStringLiteral("HH:mm:ss")) : Marque);
    banner.setLeft(banner.Left() - 25);
    if (banner.Left() < -banner.Width())
        banner.setLeft(Width());
}

// ---- indicator ------------------------------------------------------------

void QuilletForm1::ShowData(TextBox &box, QString &data)
{
    earlier::receiveInto(box, data, m_boxLength, [&] {
        if (musb)
            box.setSelText(data);
        else
            Label1.setCaption(formatMask(val(data), QStringLiteral("000000")));
    });
}

void QuilletForm1::Text1_Change()
{
    const QString t = Text1.Text();
    const int len = int(t.size());
    if (len <= 6)
        return;
    if (mmachtyp) {
        Label1.setCaption(mid(t, len - 6, 6));
    } else {
        // "T7" sends its digits last first.
        QString digits = right(t, 6);
        std::reverse(digits.begin(), digits.end());
        Label1.setCaption(digits);
    }
    Text1.setText(QString());
}

// ---- ticket editing -------------------------------------------------------

void QuilletForm1::num_GotFocus()
{
    // The one port is read whatever the machine type; the rest of the new
    // ticket is the current edition's (whose own machine-type text is
    // never set here, so it reads no port of its own).
    MSComm1_OnComm();
    Form1::num_GotFocus();
}
