#pragma once
// Deletes every ticket whose number lies in a range, after a yes/no
// question. Opened only behind the delete-permission password.
#include "runtime/form.h"

class frmdelete : public vb::Form
{
public:
    frmdelete();
    static constexpr const char *Name = "frmdelete";

    // Controls.
    vb::Label Label1{this, "Label1"}; // "Start No"
    vb::TextBox Text1{this, "Text1"};
    vb::Label Label2{this, "Label2"}; // "End No"
    vb::TextBox Text2{this, "Text2"};
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton CancelButton{this, "CancelButton"};

    // Event handlers.
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();
    void Text1_KeyPress(int &KeyAscii);
    void Text2_KeyPress(int &KeyAscii);
};
