#include "printdupno.h"

#include "weighing/aminv.h"
#include "weighing/form1.h"
#include "weighing/settingsrow.h"
#include "weighing/ticketdata.h"

#include "database/database.h"

#include "runtime/convert.h"

using namespace vb;

namespace {

// A stored value as the print data takes it; Null gives the empty text.
QString stored(const QVariant &v) { return v.isNull() ? QString() : textOf(v); }

QString stored(const Recordset &rs, const char *column) { return stored(rs.value(QLatin1String(column))); }

void run(const Sql &statement)
{
    Command &cmd = aminv::sharedCmd();
    cmd.setCommandText(statement);
    cmd.Execute();
}

} // namespace

printdupno::printdupno() : Form(Name)
{
    setCaption("Print Duplicate Slip No");
    Move(3600, 2400, 4560, 2160);

    Label1.setCaption("Slip No");
    Label1.Move(360, 450, 1200, 300);
    Label1.setTabStop(false);
    Text1.Move(1680, 420, 2400, 360);
    Text1.setTabIndex(0);
    OKButton.setCaption("Print");
    OKButton.Move(840, 1140, 1440, 420);
    OKButton.setTabIndex(1);
    CancelButton.setCaption("Cancel");
    CancelButton.Move(2520, 1140, 1440, 420);
    CancelButton.setTabIndex(2);

    onLoad = [this] { Form_Load(); };
    OKButton.onClick = [this] { namingDatabaseFailure(QStringLiteral("The ticket cannot be printed"), [this] { OKButton_Click(); }); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void printdupno::Form_Load()
{
    // The latest ticket is proposed.
    Recordset &rs = aminv::mainRs();
    rs.Open("select max(num)as num1 from emp ", aminv::dbConn(), CursorType::Static, LockType::Optimistic);
    const QVariant latest = rs.value("num1");
    Text1.setText(latest.isNull() ? QStringLiteral("1") : textOf(latest));
    rs.Close();
}

void printdupno::OKButton_Click()
{
    // Only a number can name a ticket.
    if (!isNumeric(Text1.Text())) {
        MsgBox("Enter a Slip No", Msg::OKOnly);
        Text1.SetFocus();
        return;
    }
    Connection &db = aminv::dbConn();
    Recordset &rs = aminv::mainRs();

    // The company heading of the plain-paper layout, whatever the style.
    // Without the settings row there is nothing to print with: the read
    // raises the recordset's error.
    const SettingsRow heading = readExistingSettingsRow(rs, db);
    const Company settingsCompany{stored(heading.compnm), stored(heading.address), stored(heading.city)};
    run(Sql("update prnvarplain set caption=? where name='Label1' and \"index\"=14", {settingsCompany.name}));
    run(Sql("update prnvarplain set caption=? where name='Label1' and \"index\"=15", {settingsCompany.address}));
    run(Sql("update prnvarplain set caption=? where name='Label1' and \"index\"=16", {settingsCompany.city}));

    // The print settings as they stand now.
    const SettingsRow settings = readExistingSettingsRow(aminv::auxRs(), db);
    PrintChoice choice;
    choice.marks = boolOf(settings.oral);
    choice.dos = boolOf(settings.printstyle);
    choice.plain = boolOf(settings.printformat);

    rs.Open(Sql("select  * from emp where num=?", {numberParam(Text1.Text())}), db, CursorType::Static,
            LockType::Optimistic);
    const bool found = rs.RecordCount() != 0;
    if (found) {
        TicketValues t;
        t.number = stored(rs, "num");
        t.truck = stored(rs, "truckno");
        t.material = stored(rs, "material");
        t.tareTime = stored(rs, "taretime");
        t.grossTime = stored(rs, "grosstime");
        t.amount = stored(rs, "rupee");
        t.receiver = stored(rs, "rece");
        t.supplier = stored(rs, "sup");
        t.tareMark = stored(rs, "tareoral");
        t.grossMark = stored(rs, "grossoral");
        t.grossDate = stored(rs, "grossdt");
        t.tareDate = stored(rs, "taredt");
        t.gross = stored(rs, "grosswt");
        t.tare = stored(rs, "tarewt");
        t.net = stored(rs, "netwt");
        // The report-file ticket takes the company lines of the main
        // screen, the text ticket those of the settings row.
        const Company company = choice.dos ? settingsCompany
                                           : companyShownOn(app().form<Form1>(Form1::Name));
        db.BeginTrans();
        FillTicketData(t, company, choice);
        db.CommitTrans();
    }
    rs.Close();

    // A number without a ticket would print the last refilled ticket
    // under another number: it is refused instead.
    if (!found) {
        MsgBox("Slip No " + trim(Text1.Text()) + " is not stored", Msg::OKOnly);
        Text1.SetFocus();
        return;
    }
    const char *printForm = !choice.dos ? "preview" : !choice.plain ? "previewprint" : "previewplain";
    app().form(printForm).Show(true);
}

void printdupno::CancelButton_Click() { Unload(); }
