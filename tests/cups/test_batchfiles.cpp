// The run directory's text-ticket batch files, uprint.bat and dprint.bat,
// printing "slip.prn" through a private print service: the bytes that reach
// the queue, and what they say when the ticket does not get there.
#include "privatecups.h"

#include "testing/qtprint.h"

#include <QProcessEnvironment>

namespace {

const QByteArray Slip("  TICKET NO.   125\r\n\r\n\r\x0e  GJ17TT4521\r\n");

struct BatchCase {
    const char *what;
    const char *batch;
    const char *usbPrinter; // VARNOCK_USB_PRINTER, or unset
    const char *lptPrinter; // VARNOCK_LPT_PRINTER, or unset
    const char *rejecting;  // a queue that refuses jobs ("paper jam"), or none
    bool serviceStopped;
    const char *printedOn; // the queue the ticket reaches, or none
    const char *error;     // what the batch file says, or none
};

void PrintTo(const BatchCase &c, std::ostream *os) { *os << c.what; }

class BatchFiles : public ::testing::TestWithParam<BatchCase>
{
protected:
    void SetUp() override
    {
        const QString missing = PrivateCups::missing();
        if (!missing.isEmpty())
            GTEST_SKIP() << "CUPS is not installed here, no print service to print on: missing "
                         << missing.toStdString();
        ASSERT_TRUE(m_run.isValid());
        ASSERT_TRUE(cups.start()) << cups.log().toStdString();
        // An office: raw ticket queues for the USB and the parallel
        // printer, and the page printer for reports as the default.
        for (const char *queue : {"usb", "lpt", "office"})
            cups.addQueue(queue);
        cups.setDefault("office");
    }

    // Runs a batch file of the run directory as the program does: in the
    // run directory, with an empty input.
    int runBatch(const QString &name, const QProcessEnvironment &env)
    {
        const QString file = m_run.filePath(name);
        QFile::remove(file);
        EXPECT_TRUE(QFile::copy(QStringLiteral(RUN_FILES_DIR "/") + name, file));
        QFile slip(m_run.filePath("slip.prn"));
        EXPECT_TRUE(slip.open(QIODevice::WriteOnly | QIODevice::Truncate));
        slip.write(Slip);
        slip.close();
        QProcess p;
        p.setWorkingDirectory(m_run.path());
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start("/bin/sh", {file});
        EXPECT_TRUE(p.waitForFinished(20000)) << name.toStdString() << " did not end";
        errorOutput = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    PrivateCups cups;
    QTemporaryDir m_run;
    QString errorOutput;
};

TEST_P(BatchFiles, PrintTheTicketRawOrSayWhyNot)
{
    const BatchCase &c = GetParam();
    if (!c.lptPrinter && QString(c.batch) == "dprint.bat" && QFileInfo("/dev/lp0").isWritable())
        GTEST_SKIP() << "this machine has a parallel port, which dprint.bat uses before any queue";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VARNOCK_USB_PRINTER");
    env.remove("VARNOCK_LPT_PRINTER");
    if (c.usbPrinter)
        env.insert("VARNOCK_USB_PRINTER", c.usbPrinter);
    if (c.lptPrinter)
        env.insert("VARNOCK_LPT_PRINTER", c.lptPrinter);
    if (c.rejecting)
        cups.reject(c.rejecting, "paper jam");
    if (c.serviceStopped)
        cups.stop();

    const int status = runBatch(c.batch, env);

    if (c.error) {
        EXPECT_NE(status, 0);
        EXPECT_EQ(errorOutput, QString(c.error));
    } else {
        EXPECT_EQ(status, 0) << errorOutput.toStdString();
        EXPECT_EQ(errorOutput, "");
    }
    if (c.serviceStopped)
        return;
    for (const char *queue : {"usb", "lpt", "office"}) {
        const bool here = c.printedOn && QString(c.printedOn) == queue;
        const QList<QByteArray> jobs = cups.jobs(queue, here ? 1 : 0);
        EXPECT_EQ(jobs, here ? QList<QByteArray>{Slip} : QList<QByteArray>{}) << queue << ": the ticket byte for byte";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Office, BatchFiles,
    ::testing::Values(
        BatchCase{"usb_queue_named", "uprint.bat", "usb", nullptr, nullptr, false, "usb", nullptr},
        BatchCase{"usb_on_the_default", "uprint.bat", nullptr, nullptr, nullptr, false, "office", nullptr},
        BatchCase{"lpt_queue_named", "dprint.bat", nullptr, "lpt", nullptr, false, "lpt", nullptr},
        BatchCase{"lpt_queue_by_its_usual_name", "dprint.bat", nullptr, nullptr, nullptr, false, "lpt", nullptr},
        BatchCase{"lpt_queue_missing", "dprint.bat", nullptr, "tickets", nullptr, false, nullptr,
                  "dprint: no parallel printer set up: no /dev/lp0 and no printer queue \"tickets\" (set "
                  "VARNOCK_LPT_PRINTER); the ticket was not printed"},
        BatchCase{"lpt_queue_refusing", "dprint.bat", nullptr, "lpt", "lpt", false, nullptr,
                  "lp: Destination \"lpt\" is not accepting jobs."},
        BatchCase{"usb_service_stopped", "uprint.bat", "usb", nullptr, nullptr, true, nullptr,
                  "uprint: the print service (CUPS) is not running; the ticket was not printed"},
        BatchCase{"usb_default_service_stopped", "uprint.bat", nullptr, nullptr, nullptr, true, nullptr,
                  "uprint: the print service (CUPS) is not running; the ticket was not printed"},
        BatchCase{"lpt_service_stopped", "dprint.bat", nullptr, "lpt", nullptr, true, nullptr,
                  "dprint: the print service (CUPS) is not running; the ticket was not printed"}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace
