#pragma once
// The main weighing screen: the scale office's hub. It reads the live
// weight from the indicator, keeps the ticket on screen, and opens every
// other form from its function keys, buttons and popup menus.
//
// The earlier edition's main screen (earlier/quilletform1.*) derives from
// this class and replaces the virtual handlers below; a change here changes
// both programs. The design (places, captions, ports' line settings) is in
// form1_design.cpp, the save in form1_save.cpp.
#include "report/reportcontrol.h"
#include "runtime/form.h"
#include "serial/commcontrol.h"
#include "ticketdata.h"

#include <QByteArray>

namespace vb {
class Recordset;
}

// The report and master menus ("printlist", "Master") of the main screen and
// the manual form.
void fillPopupMenus(vb::Menu &pl, vb::Menu &mast);
// The company heading (labels 17, 16, 18) across the top of both screens.
void placeCompanyHeading(vb::ControlArray<vb::Label> &lblLabels, const QString &face);

class Form1 : public vb::Form
{
public:
    Form1();
    static constexpr const char *Name = "Form1";

    // Public state, read and written by other forms.
    double mstage = 0;
    bool moral = false;
    bool mprintstyle = false;
    bool mprintformat = false;
    double mprintcopy = 0;
    QString mprintfnm;
    bool mpublic = false;
    bool mAuto = false;
    QString Marque;
    double mweight = 0;
    bool musb = false;
    QString mmachtyp;
    bool prnusb = false;
    double mSmsPort = 0;
    bool dbAddnewFlag = false;

    // Controls.
    vb::Label Label1{this, "Label1"}; // live weight
    vb::TextBox Text1{this, "Text1"}; // receive box of the indicator
    vb::ControlArray<vb::Label> lblLabels{this, "lblLabels", 0, 20};
    vb::TextBox num{this, "num"};
    vb::Frame Frame1{this, "Frame1"};
    vb::ControlArray<vb::OptionButton> Option1{this, "Option1", {0, 1}, &Frame1};
    vb::ToggleButton ToggleButton1{this, "ToggleButton1"};
    vb::ComboBox Combo4{this, "Combo4"};
    vb::ComboBox Combo1{this, "Combo1"};
    vb::ComboBox Combo2{this, "Combo2"};
    vb::ComboBox Combo3{this, "Combo3"};
    vb::ControlArray<vb::TextBox> txtFields{this, "txtFields", {2, 3, 9, 4, 5, 0, 6, 8}};
    vb::CommandButton Command3{this, "Command3"};
    vb::CommandButton Command1{this, "Command1"};
    vb::CommandButton Command2{this, "Command2"};
    vb::CommandButton cmdDelete{this, "cmdDelete"};
    vb::CommandButton cmdLocate{this, "cmdLocate"};
    vb::CommandButton cmdPrint{this, "cmdPrint"};
    vb::CommandButton cmdSetting{this, "cmdSetting"};
    vb::CommandButton cmdUpdate{this, "cmdUpdate"};
    vb::CommandButton cmdClose{this, "cmdClose"};
    vb::Timer Timer1{this, "Timer1", 500};
    vb::Timer Timer2{this, "Timer2", 25};
    vb::CommControl MSComm1{this, "MSComm1"};
    vb::CommControl MSComm2{this, "MSComm2"};
    vb::CommControl MSComm3{this, "MSComm3"};
    vb::ReportControl CrystalReport1{this, "CrystalReport1"}; // the program's one report engine
    vb::Menu pl{this, "pl", "printlist"};
    vb::Menu mast{this, "mast", "Master"};

    // Event handlers. The virtual ones are those the earlier edition's
    // main screen replaces.
    virtual void Form_Load();
    void Form_KeyDown(int &KeyCode, int Shift);
    void Form_Resize();
    virtual void Form_Unload(int &Cancel);
    virtual void Command3_Click();
    void Command1_Click();
    void Command2_Click();
    virtual void cmdDelete_Click();
    void cmdLocate_Click();
    virtual void cmdPrint_Click();
    virtual void cmdSetting_Click();
    virtual void cmdUpdate_Click();
    void cmdClose_Click();
    virtual void snw_Click();
    virtual void dw_Click();
    virtual void mw_Click();
    virtual void sw_Click();
    virtual void vw_Click();
    virtual void rw_Click();
    void dupslip_Click();
    virtual void mtruck_Click();
    virtual void mrece_Click();
    virtual void mmate_Click();
    virtual void msup_Click();
    void intg_Click();
    virtual void Timer1_Timer();
    virtual void Timer2_Timer();

    // Indicator reading.
    void MSComm1_OnComm();
    void MSComm2_OnComm();
    void MSComm3_OnComm();
    virtual void Text1_Change();
    // Shows a reading as the live weight, or in USB mode appends it to the
    // receive box.
    void ShowWeight(vb::TextBox &box, QString &data);
    // The display routine that MSComm1's handler hands its frame to: this
    // edition's ShowWeight; the earlier edition's ShowData.
    virtual void showFrame(vb::TextBox &box, QString &data) { ShowWeight(box, data); }
    // The indicator's device went away: the live weight shows none and the
    // operator is told; the port opens again by itself when it is back.
    void indicatorLost(vb::CommControl &port);
    // The port the machine type reads (none for D2+), and whether it is
    // closed: then there is no live weight to take.
    virtual vb::CommControl *indicatorPort();
    bool indicatorDown();

    // Ticket editing.
    virtual void num_GotFocus();
    virtual void num_LostFocus();
    void num_KeyDown(int &KeyCode, int Shift);
    void num_KeyPress(int &KeyAscii);
    void Label1_Change();
    void Combo4_GotFocus();
    void Combo4_Click();
    void Combo4_KeyPress(int &KeyAscii);
    void Combo2_KeyPress(int &KeyAscii);
    void Combo1_KeyPress(int &KeyAscii);
    void Combo3_KeyPress(int &KeyAscii);
    void Option1_Click(int Index);
    void Option1_KeyPress(int Index, int &KeyAscii);
    void ToggleButton1_Change();
    void ToggleButton1_Click();
    void ToggleButton1_KeyPress(int &KeyAscii);
    void txtFields_GotFocus(int Index);
    void txtFields_Change(int Index);
    void txtFields_KeyPress(int Index, int &KeyAscii);
    void txtFields_LostFocus(int Index);

    // The ticket on screen as the print data takes it.
    TicketValues ticketOnScreen() const;

private:
    void layout(); // form1_design.cpp
    void wire();

protected:
    // The form's back colours: a new ticket, and a recalled first weighing.
    static constexpr uint32_t NewTicketColour = 0xC0E0FF;
    static constexpr uint32_t SecondWeighingColour = 0x80C0FF;

    // Helpers the earlier edition's variants share.
    void showModal(const char *formName);
    double weightOf(int index) const;
    QString dateNow() const;
    QString timeNow() const;
    // Next ticket number: highest stored + 1, or 1 for an empty table; ""
    // (after saying so) when the highest stored number leaves none.
    QString nextTicketNumber(bool sayWhenNone = true);
    // The focus goes back to the number box without starting a new ticket
    // there: what is typed stays on screen.
    void backToNumber();
    // The ticket on screen is a stored one, as stored.
    bool showsStoredTicket();
    void lockTicket();
    // Starts the calculator; a failure is shown, naming it.
    void startCalculator(const QString &program, int windowStyle);
    // The save's print-data refill, inside its own transaction.
    virtual void refillAfterSave();

    QByteArray m_commData; // what the Normal handler last read
    bool m_keepTicket = false; // the number box's next focus keeps the ticket
    // A new ticket could not start: the focus leaves the number box without
    // recalling what the box shows.
    bool m_notStarted = false;
    // The number whose ticket could not be read when the box was left: a
    // save under it would replace a ticket nobody has seen.
    QString m_unread;
};
