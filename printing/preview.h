#pragma once
// The report-file ticket: shows the last composed text ticket, starts the
// print helper, and on "Print" prints the ticket copy through the main
// screen's report control with the number of copies asked for.
#include "runtime/form.h"

class preview : public vb::Form
{
public:
    preview();
    static constexpr const char *Name = "preview";

    // Controls.
    vb::RichTextBox RichTextBox1{this, "RichTextBox1"};
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton CancelButton{this, "CancelButton"};

    // Event handlers.
    virtual void Form_Load();
    void Form_KeyUp(int &KeyCode, int Shift);
    void OKButton_Click();
    void CancelButton_Click();
};
