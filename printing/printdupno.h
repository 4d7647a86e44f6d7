#pragma once
// Reprints any stored ticket by its number: refills the print data from
// the stored row with the print settings read afresh, then opens the print
// form of the current print style and format. Stays open for more numbers.
#include "runtime/form.h"

class printdupno : public vb::Form
{
public:
    printdupno();
    static constexpr const char *Name = "printdupno";

    // Controls.
    vb::Label Label1{this, "Label1"}; // "Slip No"
    vb::TextBox Text1{this, "Text1"};
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton CancelButton{this, "CancelButton"};

    // Event handlers.
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
};
