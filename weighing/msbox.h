#pragma once
// The program's own modal yes/no box.
#include "runtime/form.h"

class msbox : public vb::Form
{
public:
    msbox();
    static constexpr const char *Name = "msbox";

    int16_t stat = 0; // the last answer: 6 after "Ok", 7 after "Cancel"

    vb::Label msgtxt{this, "msgtxt"};
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton cmdCancel{this, "cmdCancel"};
    vb::Shape Shape1{this, "Shape1"};

    void OKButton_Click();
    void cmdCancel_Click();
};
