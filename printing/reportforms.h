#pragma once
// The report selection forms: each writes the report parameters into the
// settings row in one transaction, then runs its report file through the
// main screen's report control into a preview window. One family; each
// member differs only by what its ReportMember row says.
#include "runtime/form.h"

#include <functional>
#include <optional>

namespace vb {
class Recordset;
class ReportControl;
} // namespace vb

struct ReportMember {
    const char *name;       // form name
    const char *caption;
    const char *title;      // written to reptit
    const char *reportFile;
    const char *column;     // DAYREP column the chosen name selects; null: no choice
    const char *master;     // master table listed for the choice
    const char *choiceLabel;
    bool upperCase;         // the choice goes into the formula in upper case
};

namespace reportmembers {
extern const ReportMember printpurdt, printmat, printrece, printsup, printturck, printno;
}

// What the six forms share: the member row, the two date pickers, the
// parameter write and the report run.
class ReportForm : public vb::Form
{
public:
    const ReportMember &member() const { return m_member; }

    vb::DatePicker stdt{this, "stdt"};
    vb::DatePicker endt{this, "endt"};

protected:
    explicit ReportForm(const ReportMember &member);
    // Sets the report parameters on the settings row, in one transaction.
    void writeParameters(const std::function<void(vb::Recordset &)> &set);
    static vb::ReportControl &report();

private:
    const ReportMember &m_member;
};

// The date range reports, with a name chosen from a master list when the
// member selects on one (material, receiver, supplier, vehicle), without
// (date wise).
class DateRangeReport : public ReportForm
{
public:
    explicit DateRangeReport(const ReportMember &member);

    // Controls.
    vb::Label Label1{this, "Label1"}; // "Select Date"
    vb::Label Label2{this, "Label2"}; // "Start Date"
    vb::Label Label3{this, "Label3"}; // "End Date"
    std::optional<vb::Label> Label4;  // "Select Material" ...
    std::optional<vb::ComboBox> Combo1;
    vb::CommandButton Command2{this, "Command2"};
    vb::CommandButton Command3{this, "Command3"};

    // Event handlers.
    void Form_Load();
    void Command2_Click();
    void Command3_Click();

    // The selection formula of the chosen name (empty for date wise).
    QString selectionFormula() const;
};

// The ticket-number range report.
class printno : public ReportForm
{
public:
    printno();
    static constexpr const char *Name = "printno";

    // Controls.
    vb::Label Label1{this, "Label1"}; // "Start No"
    vb::TextBox Text1{this, "Text1"};
    vb::Label Label2{this, "Label2"}; // "End No"
    vb::TextBox Text2{this, "Text2"};
    vb::CommandButton OKButton{this, "OKButton"};
    vb::CommandButton CancelButton{this, "CancelButton"};

    // Event handlers.
    void Form_Load();
    void Text1_KeyPress(int &KeyAscii);
    void Text2_KeyPress(int &KeyAscii);
    void OKButton_Click();
    void CancelButton_Click();
};

// Registers the six forms.
void registerReportForms();
