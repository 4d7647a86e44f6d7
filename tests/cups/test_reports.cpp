// Reports and report-file tickets sent to a private print service: to the
// office's default printer only, and every refusal told with CUPS's reason
// (a ticket that vanished used to close its form as if printed).
#include "privatecups.h"

#include "printing_reports/reportoffice.h"

#include "desktop/qthost.h"
#include "desktop/reportpreview.h"
#include "printing/preview.h"
#include "runtime/errors.h"

#include <QApplication>
#include <QComboBox>
#include <QPdfWriter>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vb;

namespace {

// A report of a few pages, each with its number.
class Sheets : public PrintDocument
{
public:
    QString title() const override { return QStringLiteral("Date wise Report"); }
    int pageCount() const override { return 2; }
    bool writePdf(const QString &fileName, const Progress &progress, QString *) const override
    {
        QPdfWriter pdf(fileName);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        QPainter p(&pdf);
        for (int i = 0; i < 2; ++i) {
            if (i > 0)
                pdf.newPage();
            p.drawText(QPoint(100, 100), QStringLiteral("Page %1").arg(i + 1));
            if (progress && !progress(i + 1, 2))
                break;
        }
        return true;
    }
    int pagesLaidOut() const override { return 2; }
    bool complete() const override { return true; }
    bool layOutMore(int) const override { return true; }
    QSize pageSize() const override { return QSize(2100, 2970); }
    void paintPage(QPainter &p, int page) const override { p.drawText(QPoint(100, 100), QString::number(page + 1)); }
};

// How the office's print service stands.
enum class Service {
    DefaultPagePrinter, // ticket queues "usb" and "lpt", the page printer "office" as the default
    DefaultRefusing,    // the same, "office" refusing jobs with "paper jam"
    NoDefault,          // only the ticket queues, none the default
    NoQueues,           // running, without a queue
    Stopped,            // the office's queues, the service stopped
};

void setUpService(PrivateCups &cups, Service service)
{
    if (service == Service::NoQueues)
        return;
    cups.addQueue("usb");
    cups.addQueue("lpt");
    if (service == Service::NoDefault)
        return;
    cups.addQueue("office");
    cups.setDefault("office");
    if (service == Service::DefaultRefusing)
        cups.reject("office", "paper jam");
    if (service == Service::Stopped)
        cups.stop();
}

#define START_PRIVATE_CUPS(cups)                                                                              \
    do {                                                                                                      \
        const QString missing = PrivateCups::missing();                                                       \
        if (!missing.isEmpty())                                                                               \
            GTEST_SKIP() << "CUPS is not installed here, no print service to print on: missing "             \
                         << missing.toStdString();                                                            \
        ASSERT_TRUE((cups).start()) << (cups).log().toStdString();                                            \
    } while (0)

// ---- the desktop host's printer ---------------------------------------------------

struct HostCase {
    const char *what;
    Service service;
    const char *error; // the description of the error raised, or none: printed on "office"
};

void PrintTo(const HostCase &c, std::ostream *os) { *os << c.what; }

class ReportToPrinter : public ::testing::TestWithParam<HostCase>
{
protected:
    void SetUp() override { START_PRIVATE_CUPS(cups); }
    PrivateCups cups;
};

TEST_P(ReportToPrinter, GoesToTheDefaultPrinterOrSaysWhyNot)
{
    const HostCase &c = GetParam();
    setUpService(cups, c.service);
    QtHost host;
    QString raised;
    try {
        host.printReport(std::make_shared<Sheets>(), Destination::Printer, 2);
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), NoPrinterError);
        raised = e.description();
    }
    if (c.error) {
        EXPECT_EQ(raised, QString(c.error));
        if (c.service != Service::Stopped) {
            EXPECT_EQ(cups.jobsGiven(), 0) << "no queue got the report";
        }
        return;
    }
    EXPECT_EQ(raised, "");
    const QList<QByteArray> jobs = cups.jobs("office", 1);
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_TRUE(jobs[0].startsWith("%PDF-"));
    const QStringList args = cups.jobArgs("office", 0);
    ASSERT_EQ(args.size(), 3);
    EXPECT_EQ(args[0], "Date wise Report");
    EXPECT_EQ(args[1], "2") << "copies";
    EXPECT_TRUE(args[2].contains("media=A4")) << args[2].toStdString();
    EXPECT_EQ(cups.jobsGiven(), 1) << "only the default printer got it";
}

INSTANTIATE_TEST_SUITE_P(
    Office, ReportToPrinter,
    ::testing::Values(HostCase{"default_page_printer", Service::DefaultPagePrinter, nullptr},
                      HostCase{"default_refusing", Service::DefaultRefusing,
                               "The printer \"office\" is not accepting jobs (paper jam)"},
                      HostCase{"no_default", Service::NoDefault, "No default printer is set up for reports"},
                      HostCase{"no_queues", Service::NoQueues, "No printer is installed"},
                      HostCase{"service_stopped", Service::Stopped, "The print service (CUPS) is not running"}),
    [](const auto &info) { return std::string(info.param.what); });

// ---- the report-file ticket ---------------------------------------------------------

// The scripted office, whose reports go to the printer through the desktop
// host as in the program.
class OfficeHost : public ScriptedHost
{
public:
    QtHost *desktop = nullptr;
    void printReport(std::shared_ptr<const PrintDocument> document, int destination, int copies) override
    {
        desktop->printReport(std::move(document), destination, copies);
    }
};

struct TicketCase {
    const char *what;
    Service service;
    const char *box; // or none: printed on "office"
};

void PrintTo(const TicketCase &c, std::ostream *os) { *os << c.what; }

class TicketOnPrinter : public ReportOffice, public ::testing::WithParamInterface<TicketCase>
{
protected:
    void SetUp() override
    {
        ReportOffice::SetUp();
        if (HasFatalFailure())
            return;
        START_PRIVATE_CUPS(cups);
        officeHost.desktop = &desktop;
        for (const char *program : {"print.exe", "uprint.bat", "dprint.bat"})
            officeHost.addProgram(program);
        officeHost.setNow(QDateTime(QDate(2024, 3, 5), QTime(10, 30)));
        app().setHost(&officeHost);
        storeDay();
    }
    PrivateCups cups;
    QtHost desktop; // made before the office's host, which then takes over
    OfficeHost officeHost;
};

TEST_P(TicketOnPrinter, IsPrintedOrTheOperatorIsToldWhyNot)
{
    const TicketCase &c = GetParam();
    setUpService(cups, c.service);
    start();
    form1->mprintstyle = false; // "Window": the report-file ticket
    form1->mprintformat = true;
    ui::focus(form1->num);
    form1->num.setText("3");
    ui::focus(form1->cmdPrint);
    officeHost.onModal("preview", [](Form &f) { ui::click(static_cast<preview &>(f).OKButton); });
    officeHost.answerInput("2");
    ui::press(*form1, Key::F6);

    EXPECT_FALSE(app().form("preview").loaded());
    if (c.box) {
        EXPECT_EQ(officeHost.boxTexts(), QStringList{QString(c.box)});
        if (c.service != Service::Stopped) {
            EXPECT_EQ(cups.jobsGiven(), 0) << "no queue got the ticket";
        }
        return;
    }
    EXPECT_TRUE(officeHost.boxTexts().isEmpty()) << officeHost.boxTexts().join('\n').toStdString();
    const QList<QByteArray> jobs = cups.jobs("office", 1);
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_TRUE(jobs[0].startsWith("%PDF-"));
    EXPECT_EQ(cups.jobArgs("office", 0).value(1), "2") << "copies";
    EXPECT_EQ(cups.jobsGiven(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Office, TicketOnPrinter,
    ::testing::Values(
        TicketCase{"default_page_printer", Service::DefaultPagePrinter, nullptr},
        TicketCase{"default_refusing", Service::DefaultRefusing,
                   "The printer \"office\" is not accepting jobs (paper jam): the ticket was not printed"},
        TicketCase{"no_default", Service::NoDefault, "No default printer is set up for reports: the ticket was not printed"},
        TicketCase{"service_stopped", Service::Stopped,
                   "The print service (CUPS) is not running: the ticket was not printed"}),
    [](const auto &info) { return std::string(info.param.what); });

// ---- the preview window's Print... ---------------------------------------------------

struct PreviewCase {
    const char *what;
    Service service;
    const char *dialogOn; // the printer the print dialog opens on
    const char *box;      // or none
    bool printed;         // on "office", the dialog's choice accepted
};

void PrintTo(const PreviewCase &c, std::ostream *os) { *os << c.what; }

class PreviewPrint : public ::testing::TestWithParam<PreviewCase>
{
protected:
    void SetUp() override
    {
        START_PRIVATE_CUPS(cups);
        app().setHost(&boxes); // the preview's boxes are recorded
    }
    void TearDown() override { app().setHost(nullptr); }
    PrivateCups cups;
    QtHost desktop;
    ScriptedHost boxes;
};

TEST_P(PreviewPrint, PrintsOnThePrinterChosenOrSaysWhyNot)
{
    const PreviewCase &c = GetParam();
    setUpService(cups, c.service);
    auto *window = new ReportPreview(std::make_shared<Sheets>());
    window->show();
    QString dialogOn;
    QTimer::singleShot(0, [&] {
        QPrintDialog *dialog = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) != nullptr; }));
        QTest::qWait(0); // the dialog settles on its printer
        if (auto *printers = dialog->findChild<QComboBox *>("printers"))
            dialogOn = printers->currentText();
        if (c.printed)
            dialog->accept();
        else
            dialog->reject();
    });
    QToolButton *print = nullptr;
    for (QToolButton *b : window->findChildren<QToolButton *>())
        if (b->text() == "Print...")
            print = b;
    ASSERT_TRUE(print);
    print->click();
    EXPECT_EQ(dialogOn, QString(c.dialogOn));
    EXPECT_EQ(boxes.boxTexts(), c.box ? QStringList{QString(c.box)} : QStringList{});
    if (c.printed && !c.box) {
        const QList<QByteArray> jobs = cups.jobs("office", 1);
        ASSERT_EQ(jobs.size(), 1);
        EXPECT_TRUE(jobs[0].startsWith("%PDF-"));
    }
    EXPECT_EQ(cups.jobsGiven(), c.printed && !c.box ? 1 : 0);
    delete window;
}

INSTANTIATE_TEST_SUITE_P(
    Office, PreviewPrint,
    ::testing::Values(
        PreviewCase{"default_page_printer", Service::DefaultPagePrinter, "office", nullptr, true},
        PreviewCase{"default_refusing", Service::DefaultRefusing, "office",
                    "The printer \"office\" is not accepting jobs (paper jam): the report was not printed", true},
        PreviewCase{"no_default_opens_on_a_file", Service::NoDefault, "Print to File (PDF)", nullptr, false}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace
