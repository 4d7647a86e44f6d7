#pragma once
// The manual ticket form: prints a ticket from typed weights, without the
// indicator. It stores no ticket; a save writes only the ticket print data
// and opens the print form of the configured print style.
#include "runtime/form.h"

struct Company;
struct TicketValues;

class manual : public vb::Form
{
public:
    manual();
    static constexpr const char *Name = "manual";

    // The form's own copies of the print settings, read at load.
    bool mprintstyle = false;  // true "Dos" text ticket, false "Window" report-file ticket
    bool mprintformat = false; // true plain paper, false pre-printed stationery

    // Controls.
    vb::ControlArray<vb::Label> lblLabels{this, "lblLabels", {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}};
    vb::TextBox num{this, "num"};
    vb::ComboBox Combo4{this, "Combo4"};
    vb::ComboBox Combo2{this, "Combo2"};
    vb::ComboBox Combo1{this, "Combo1"};
    vb::ComboBox Combo3{this, "Combo3"};
    vb::ControlArray<vb::TextBox> txtFields{this, "txtFields", {2, 3, 9, 4, 5, 0, 6, 8}};
    vb::CommandButton cmdUpdate{this, "cmdUpdate"};
    vb::CommandButton cmdClose{this, "cmdClose"};
    // The main screen's report and master menus, carried hidden; nothing
    // here opens them.
    vb::Menu pl{this, "pl", "printlist"};
    vb::Menu mast{this, "mast", "Master"};

    // Event handlers.
    void Form_Load();
    void Form_Resize();
    void cmdUpdate_Click();
    void cmdClose_Click();
    void num_GotFocus();
    void num_KeyPress(int &KeyAscii);
    void Combo4_KeyPress(int &KeyAscii);
    void Combo2_KeyPress(int &KeyAscii);
    void Combo1_KeyPress(int &KeyAscii);
    void Combo3_KeyPress(int &KeyAscii);
    void Combo4_LostFocus();
    void txtFields_Change(int Index);
    void txtFields_KeyPress(int Index, int &KeyAscii);
    void txtFields_LostFocus(int Index);

    // Opens the print form, then proposes the next number and clears the
    // fields for the next ticket.
    void PreviewAndReset();

protected:
    // The report-file ticket's print copy: the stored ticket with the typed
    // number, with the main screen's company texts. The earlier edition
    // copies it with its own statement and this form's heading.
    virtual void fillWindowData();
    // The text ticket's layout captions from this form's controls.
    void fillDosData();
    TicketValues typedTicket() const;
    Company ownCompany() const;

private:
    void layout();
    void wire();
    double weightOf(int index) const;
};
