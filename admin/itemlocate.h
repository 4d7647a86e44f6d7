#pragma once
// The truck pick list: every truck by name; Goto shows the picked one on
// the truck master form.
#include "runtime/form.h"

#include <QVariant>

class itemlocate : public vb::Form
{
public:
    static constexpr const char *Name = "itemlocate";
    itemlocate();

    vb::ListView ListView1{this, "ListView1"};
    vb::TextBox Text1{this, "Text1"};
    vb::CommandButton Command1{this, "Command1"};

    // The number of the picked truck (the row's "num" column).
    QVariant chosenNum;

    void Form_Load();
    void Command1_Click();
    void ListView1_ColumnClick(int column);
    void ListView1_ItemClick(int row);
    void ListView1_KeyPress(int &KeyAscii);
};
