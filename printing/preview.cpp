#include "preview.h"

#include "notprinted.h"

#include "weighing/form1.h"

#include "runtime/convert.h"
#include "report/reportdefinition.h"
#include "runtime/errors.h"

#include <QFileInfo>

using namespace vb;

preview::preview() : Form(Name)
{
    setCaption("Preview");
    Move(0, 0, 9360, 7560);
    setStartUpPosition(StartUp::Manual); // the ticket preview opens in the top-left corner
    // The form sees released keys before its controls.
    setKeyPreview(true);

    RichTextBox1.Move(120, 120, 9000, 6120);
    RichTextBox1.setFont(QStringLiteral("Courier New"), 10);
    RichTextBox1.setTabIndex(0);
    OKButton.setCaption("Print");
    OKButton.Move(5520, 6480, 1680, 480);
    OKButton.setTabIndex(1);
    CancelButton.setCaption("Cancel");
    CancelButton.Move(7440, 6480, 1680, 480);
    CancelButton.setTabIndex(2);

    onLoad = [this] { Form_Load(); };
    onKeyUp = [this](int &k, int s) { Form_KeyUp(k, s); };
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void preview::Form_Load()
{
    setTop(0);
    setLeft(0);
    const Form1 &main = app().form<Form1>(Form1::Name);
    // The helper is started and left to itself: the ticket is printed
    // whether it runs or not, so a missing one is passed over.
    if (!main.mprintstyle)
        skipError([] { host().shell("print.exe", WinStyle::MinimizedFocus); });
    // Before any text ticket has been composed there is no file: the box
    // stays empty and the report-file ticket can still be printed.
    skipError([this] { RichTextBox1.LoadFile("slip.prn"); });
}

void preview::Form_KeyUp(int &KeyCode, int)
{
    setCaption(QString::number(KeyCode));
}

namespace {

// Why a report-file ticket did not reach the printer, in the words the
// other print forms use.
QString whyNotPrinted(const RuntimeError &e, const QString &reportFile)
{
    if (e.number() == report::CannotOpenReport && !QFileInfo::exists(reportFile))
        return notPrinted(QStringLiteral("%1 was not found").arg(reportFile));
    QString why = e.description().trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return notPrinted(why);
}

} // namespace

void preview::OKButton_Click()
{
    Form1 &main = app().form<Form1>(Form1::Name);
    // Every failing step before the print is passed over; a print that
    // fails (no report file, no printer) is reported, and the form closes
    // whatever happens.
    if (!main.mprintstyle) {
        ReportControl &report = main.CrystalReport1;
        skipError([&] { report.setReportFileName(main.mprintformat ? "plainslip.rpt" : "slip.rpt"); });
        skipError([&] { report.setSelectionFormula(QString()); });
        skipError([&] { report.setDestination(Destination::Printer); });
        const QString answer = InputBox("Enter No of Copy:-", QString(), "1");
        // Not a number (also empty or cancelled), 0, or too many: the
        // report keeps its earlier copy count.
        skipError([&] {
            if (toDouble(answer) != 0)
                report.setCopiesToPrinter(toInt16(answer));
        });
        try {
            report.PrintReport();
        } catch (const RuntimeError &e) {
            MsgBox(whyNotPrinted(e, report.ReportFileName()), Msg::OKOnly | Msg::Exclamation);
        }
    }
    Unload();
}

void preview::CancelButton_Click() { Unload(); }
