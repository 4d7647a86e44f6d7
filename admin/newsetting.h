#pragma once
// The full settings form without the machine type: everything `setting`
// holds plus the indicator port, the option frames and the two tools
// ("Design" opens the text-ticket layout designer, "Manual" the manual
// ticket form).
#include "setting.h"

class newsetting : public setting
{
public:
    static constexpr const char *Name = "newsetting";
    newsetting();

    vb::Frame Frame2{this, "Frame2"}; // "Oral Option"
    vb::ControlArray<vb::OptionButton> Option2{this, "Option2", {0, 1}, &Frame2};
    vb::Frame Frame4{this, "Frame4"}; // "Rupees Option"
    vb::ControlArray<vb::OptionButton> Option4{this, "Option4", {0, 1}, &Frame4};
    vb::Frame Frame5{this, "Frame5"}; // "Manual Weight Option "
    vb::CheckBox Check1{this, "Check1", -1, &Frame5};
    vb::CheckBox Check2{this, "Check2", -1, &Frame5};
    vb::Frame Frame6{this, "Frame6"}; // "Printing "
    vb::Frame Frame8{this, "Frame8", -1, &Frame7}; // indicator on USB or serial
    vb::TextBox Text3{this, "Text3", -1, &Frame7};
    vb::CommandButton Command1{this, "Command1"};
    vb::CommandButton Command2{this, "Command2"};

    void Command1_Click();
    void Command2_Click();

    // Whether a "Comport No" text names a port the main screen can open:
    // its leading number, as the whole number the column keeps, is 1 to 255.
    static bool isPortNumber(const QString &text);

protected:
    explicit newsetting(const QString &name);

    void showSettings(const SettingsRow &row) override;
    void blankRule() override;
    void storeSettings(vb::Recordset &row) override;

    // The designer and the manual form open modal over this form.
    bool m_toolsModal = true;

    // A row for the machine type at the foot of the company frame, for the
    // forms that add one (this edition's `newsetting2`, the earlier
    // edition's full form): the frame and the form grow by the row, the
    // controls below move down, and lblLabels(2), added here, labels it
    // "Mach. Typ". Returns where the frame of the options goes, the given
    // width wide.
    QRect machineTypeRow(int width);

private:
    void layout();
};
