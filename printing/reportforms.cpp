#include "reportforms.h"

#include "weighing/aminv.h"
#include "weighing/form1.h"

#include "database/database.h"

#include "runtime/convert.h"

using namespace vb;

namespace reportmembers {
// clang-format off
//                          form          caption                 title                   report file      column     master       choice label
const ReportMember printpurdt{"printpurdt", "Print Date Wise",      "Date wise Report",     "list.rpt",      nullptr,   nullptr,     nullptr,           false};
const ReportMember printmat  {"printmat",   "Print Date Wise",      "Material Wise Report", "material.rpt",  "material", "matmast",  "Select Material", false};
const ReportMember printrece {"printrece",  "Print Date Wise",      "Receiver Wise Report", "RECEIVER.rpt",  "rece",    "recemast",  "Select Receiver", false};
const ReportMember printsup  {"printsup",   "Print Date Wise",      "Supplier Wise Report", "SUPPLIER.rpt",  "sup",     "suppmast",  "Select Supplier", false};
const ReportMember printturck{"printturck", "Print Date Wise",      "Vehical Wise Report",  "vehical.rpt",   "truckno", "truckmast", "Select Vehical",  true};
const ReportMember printno   {"printno",    "Print Ticket no wise", "Sr No wise Report",    "nolist.rpt",    nullptr,   nullptr,     nullptr,           false};
// clang-format on
} // namespace reportmembers

namespace {

QDate today() { return host().now().date(); }

// A first or last value of a ticket query ("num1"), or null without tickets.
QVariant firstOrLast(const char *query)
{
    Recordset &rs = aminv::mainRs();
    rs.Open(query, aminv::dbConn(), CursorType::Static, LockType::Optimistic);
    const QVariant v = rs.value("num1");
    rs.Close();
    return v;
}

QDate dateOf(const QVariant &v)
{
    if (v.isNull())
        return today();
    return v.typeId() == QMetaType::QDate ? v.toDate() : toDate(v.toString());
}

} // namespace

// ---- the family ---------------------------------------------------------------------

ReportForm::ReportForm(const ReportMember &member) : Form(QLatin1String(member.name)), m_member(member)
{
    setCaption(QLatin1String(member.caption));
}

void ReportForm::writeParameters(const std::function<void(Recordset &)> &set)
{
    Connection &db = aminv::dbConn();
    Recordset &rs = aminv::mainRs();
    db.BeginTrans();
    rs.Open("select  * from counter", db, CursorType::Static, LockType::Optimistic);
    set(rs);
    rs.setField("reptit", QLatin1String(m_member.title));
    rs.Update();
    rs.Close();
    db.CommitTrans();
}

ReportControl &ReportForm::report() { return app().form<Form1>(Form1::Name).CrystalReport1; }

// ---- date range reports -------------------------------------------------------------

DateRangeReport::DateRangeReport(const ReportMember &member) : ReportForm(member)
{
    Move(3600, 2400, 5400, member.column ? 3600 : 2880);

    Label1.setCaption("Select Date");
    Label1.Move(240, 180, 2400, 300);
    Label1.setFont(QStringLiteral("MS Sans Serif"), 8.25, true);
    Label2.setCaption("Start Date");
    Label2.Move(240, 660, 1200, 300);
    stdt.Move(1560, 600, 1800, 360);
    Label3.setCaption("End Date");
    Label3.Move(240, 1140, 1200, 300);
    endt.Move(1560, 1080, 1800, 360);
    int buttonsTop = 1740;
    if (member.column) {
        Label4.emplace(this, "Label4");
        Label4->setCaption(QLatin1String(member.choiceLabel));
        Label4->Move(240, 1680, 1800, 300);
        Combo1.emplace(this, "Combo1");
        Combo1->Move(240, 2010, 4800, 360);
        buttonsTop = 2520;
    }
    Command2.setCaption("Pre&view");
    Command2.Move(1560, buttonsTop, 1560, 420);
    Command3.setCaption("&Close");
    Command3.Move(3360, buttonsTop, 1560, 420);

    int tab = 0;
    stdt.setTabIndex(tab++);
    endt.setTabIndex(tab++);
    if (Combo1)
        Combo1->setTabIndex(tab++);
    Command2.setTabIndex(tab++);
    Command3.setTabIndex(tab++);
    for (Label *l : {&Label1, &Label2, &Label3})
        l->setTabStop(false);
    if (Label4)
        Label4->setTabStop(false);

    onLoad = [this] { Form_Load(); };
    Command2.onClick = [this] { namingDatabaseFailure(QStringLiteral("The report cannot be shown"), [this] { Command2_Click(); }); };
    Command3.onClick = [this] { Command3_Click(); };
}

void DateRangeReport::Form_Load()
{
    stdt.setValue(today());
    endt.setValue(today());
    if (!Combo1)
        return;
    // The master's names in the order the database gives them; the first
    // is proposed.
    Recordset &rs = aminv::mainRs();
    rs.Open(Sql(QStringLiteral("select * from %1").arg(QLatin1String(member().master))), aminv::dbConn(),
            CursorType::Static, LockType::Optimistic);
    if (!rs.Eof())
        Combo1->setText(textOf(rs.value("Name")));
    for (; !rs.Eof(); rs.MoveNext())
        Combo1->AddItem(textOf(rs.value("Name")));
    rs.Close();
}

QString DateRangeReport::selectionFormula() const
{
    if (!Combo1)
        return QString();
    QString name = member().upperCase ? ucase(Combo1->Text()) : Combo1->Text();
    // A quote inside the name is doubled, so that a name such as D'Souza
    // still selects its tickets.
    name.replace(QLatin1Char('\''), QLatin1String("''"));
    return QStringLiteral("{DAYREP.%1}='").arg(QLatin1String(member().column)) + name + QLatin1Char('\'');
}

void DateRangeReport::Command2_Click()
{
    writeParameters([this](Recordset &rs) {
        rs.setField("st_dt", stdt.Value());
        rs.setField("en_dt", endt.Value());
    });
    ReportControl &r = report();
    r.setReportFileName(QLatin1String(member().reportFile));
    r.setSelectionFormula(QString());
    if (Combo1)
        r.setSelectionFormula(selectionFormula());
    r.setDestination(Destination::Window);
    if (!Combo1)
        r.setSelectionFormula(QString());
    r.PrintReport();
}

void DateRangeReport::Command3_Click() { Unload(); }

// ---- ticket-number range --------------------------------------------------------------

printno::printno() : ReportForm(reportmembers::printno)
{
    Move(3600, 2400, 5400, 3240);

    Label1.setCaption("Start No");
    Label1.Move(240, 300, 1200, 300);
    Text1.Move(1560, 240, 1800, 360);
    Label2.setCaption("End No");
    Label2.Move(240, 780, 1200, 300);
    Text2.Move(1560, 720, 1800, 360);
    stdt.Move(1560, 1200, 1800, 360);
    endt.Move(3480, 1200, 1800, 360);
    OKButton.setCaption("Print");
    OKButton.Move(1560, 2040, 1560, 420);
    CancelButton.setCaption("Cancel");
    CancelButton.Move(3360, 2040, 1560, 420);

    int tab = 0;
    for (Control *c : std::initializer_list<Control *>{&Text1, &Text2, &stdt, &endt, &OKButton, &CancelButton})
        c->setTabIndex(tab++);
    for (Label *l : {&Label1, &Label2})
        l->setTabStop(false);

    onLoad = [this] { Form_Load(); };
    Text1.onKeyPress = [this](int &k) { Text1_KeyPress(k); };
    Text2.onKeyPress = [this](int &k) { Text2_KeyPress(k); };
    OKButton.onClick = [this] { namingDatabaseFailure(QStringLiteral("The report cannot be shown"), [this] { OKButton_Click(); }); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void printno::Form_Load()
{
    // The whole table is proposed; the pickers show its first and last
    // ticket dates.
    const QVariant first = firstOrLast("select min(num)as num1 from emp ");
    Text1.setText(first.isNull() ? QStringLiteral("1") : textOf(first));
    const QVariant last = firstOrLast("select max(num)as num1 from emp ");
    Text2.setText(last.isNull() ? QStringLiteral("1") : textOf(last));
    stdt.setValue(dateOf(firstOrLast("select min(dt)as num1 from emp ")));
    endt.setValue(dateOf(firstOrLast("select max(dt)as num1 from emp ")));
}

void printno::Text1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == Key::Enter)
        Text2.SetFocus();
}

void printno::Text2_KeyPress(int &KeyAscii)
{
    if (KeyAscii == Key::Enter)
        OKButton.SetFocus();
}

void printno::OKButton_Click()
{
    writeParameters([this](Recordset &rs) {
        rs.setField("mstno", val(Text1.Text()));
        rs.setField("menno", val(Text2.Text()));
    });
    ReportControl &r = report();
    r.setReportFileName(QLatin1String(member().reportFile));
    r.setSelectionFormula(QString());
    r.setDestination(Destination::Window);
    r.PrintReport();
}

void printno::CancelButton_Click() { Unload(); }

// ---- registry -----------------------------------------------------------------------

void registerReportForms()
{
    App &app = App::instance();
    for (const ReportMember *m : {&reportmembers::printpurdt, &reportmembers::printmat, &reportmembers::printrece,
                                  &reportmembers::printsup, &reportmembers::printturck})
        app.registerForm(QLatin1String(m->name), [m] { return std::make_unique<DateRangeReport>(*m); });
    app.registerForm(printno::Name, [] { return std::make_unique<printno>(); });
}
