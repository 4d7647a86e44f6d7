#pragma once
// The earlier edition's main screen: one indicator port with two machine
// types ("Normal" and "T7"), settings read without a row check, secondary
// forms opened modeless, a print key that only opens the print form, a
// save that leaves the print data for that key, and slower label colours.
// Everything else is the current main screen's.
#include "weighing/form1.h"

class QuilletForm1 : public Form1
{
public:
    QuilletForm1();

    // The machine type as a yes/no: true "Normal", false "T7". It takes the
    // place of the current edition's machine-type text.
    bool mmachtyp = true;

    void Form_Load() override;
    void Form_Unload(int &Cancel) override;
    void Command3_Click() override;
    void cmdDelete_Click() override;
    void cmdPrint_Click() override;
    void cmdSetting_Click() override;
    void snw_Click() override;
    void dw_Click() override;
    void mw_Click() override;
    void sw_Click() override;
    void vw_Click() override;
    void rw_Click() override;
    void mtruck_Click() override;
    void mrece_Click() override;
    void mmate_Click() override;
    void msup_Click() override;
    void Timer1_Timer() override;
    void Timer2_Timer() override;

    // MSComm1_OnComm is the current edition's, handing its frame to ShowData.
    vb::CommControl *indicatorPort() override { return &MSComm1; }
    void Text1_Change() override;
    // The indicator's text: onto the live weight, or in USB mode into the
    // receive box for the parser.
    void ShowData(vb::TextBox &box, QString &data);
    void showFrame(vb::TextBox &box, QString &data) override { ShowData(box, data); }

    void num_GotFocus() override;
    // The recall on leaving the number box is the current edition's; the
    // saved-ticket flag it keeps is read by nothing in this edition.

protected:
    void refillAfterSave() override;

private:
    void showModeless(const char *formName);
    int m_boxLength = 0; // the receive box's length after its last trim
};
