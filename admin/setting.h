#pragma once
// The settings forms of the scale office. They show the settings row of
// table counter; OK stores it, closes the connection, tells the operator to
// restart and ends the program, so that the next start reads the new
// values. `setting` is the smallest of the family (print style, print
// format and the banner); `newsetting` and `newsetting2` extend it.
#include "runtime/form.h"
#include "weighing/settingsrow.h"

#include <QRect>

namespace vb {
class Recordset;
}

class setting : public vb::Form
{
public:
    static constexpr const char *Name = "setting";
    setting();

    vb::Frame Frame1{this, "Frame1"}; // "Print Style"
    vb::ControlArray<vb::OptionButton> Option1{this, "Option1", {0, 1}, &Frame1};
    vb::Frame Frame3{this, "Frame3"}; // "Print Format"
    vb::ControlArray<vb::OptionButton> Option3{this, "Option3", {0, 1}, &Frame3};
    vb::Frame Frame7{this, "Frame7"}; // "Company Information"
    vb::ControlArray<vb::Label> lblLabels{this, "lblLabels", {3, 4, 5, 1}, &Frame7};
    vb::TextBox Text4{this, "Text4", -1, &Frame7};
    vb::TextBox Text5{this, "Text5", -1, &Frame7};
    vb::TextBox Text6{this, "Text6", -1, &Frame7};
    vb::TextBox Text1{this, "Text1", -1, &Frame7};
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton CancelButton{this, "CancelButton"};

    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();

protected:
    explicit setting(const QString &name);

    // Load: the controls from the settings row (a Null column leaves its
    // control as designed), then what a form reads besides that row.
    virtual void showSettings(const SettingsRow &row);
    virtual void loadMore() {}
    // OK: empty boxes filled before saving, the row's columns, then what a
    // form stores besides that row.
    virtual void blankRule();
    virtual void storeSettings(vb::Recordset &row);
    virtual void saveMore() {}

    // Places a control at a position inside its container.
    static void place(vb::Control &c, int left, int top, int width, int height);
    // A frame holding two options of one choice, one above the other or
    // side by side; `selected` (0 or 1) is the design selection.
    static void optionFrame(vb::Frame &frame, const QString &caption, QRect at, vb::OptionButton &first,
                            const char *firstCaption, vb::OptionButton &second, const char *secondCaption,
                            int selected = 0, bool across = false);
    // Tab order: the given controls first, then the rest. Each option group
    // is one tab stop (its selected option); the arrows pick within it.
    void setTabOrder(std::initializer_list<vb::Control *> first);

private:
    void layout();
};
