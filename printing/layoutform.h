#pragma once
// The display every form showing a text-ticket layout shares: the fixed
// texts on Label1, the ticket values on Label2 (one element per layout row,
// at the row's designer position) and the number of lines in Text1. The
// designers and the composers differ only in what they do with it.
#include "runtime/form.h"

class LayoutForm : public vb::Form
{
public:
    // table: the layout table shown, "prnvarplain" or "prnvarprint".
    LayoutForm(const QString &name, const QString &table);

    const QString &table() const { return m_table; }

    // Controls.
    vb::ControlArray<vb::Label> Label1{this, "Label1", 0, 16}; // fixed texts
    vb::ControlArray<vb::Label> Label2{this, "Label2", 0, 17}; // ticket values
    vb::TextBox Text1{this, "Text1"};                          // lines per ticket
    vb::Label Label3{this, "Label3"};                          // "Total Line"

    // The group of the selected label, "Label1" or "Label2".
    QString selectedArray;

    // Selection colours of the two groups, and of every other element once
    // something has been selected.
    static constexpr uint32_t Label1Selected = 255;      // red
    static constexpr uint32_t Label2Selected = 65535;    // yellow
    static constexpr uint32_t Unselected = 0xFFFFFF;     // white

    vb::ControlArray<vb::Label> &group(const QString &name);

protected:
    // Fills the display from the settings row and the layout table.
    void showLayout();

private:
    void showGroup(const QString &name, vb::ControlArray<vb::Label> &labels);
    QString m_table;
};
