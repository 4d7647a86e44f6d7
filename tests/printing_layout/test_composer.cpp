// The text-ticket composers, shown as the print entries show them, on the
// delivered database in a temporary directory: the bytes of "slip.prn",
// the copies prompt and the batch files started.
#include "layoutoffice.h"

#include "printing/ticketcomposer.h"

#include <QFile>

using namespace vb;

namespace {

const QByteArray CRLF("\r\n");
const QByteArray CRSO("\r\x0e");

class Composer : public LayoutOffice
{
protected:
    void SetUp() override
    {
        LayoutOffice::SetUp();
        host.addProgram("uprint.bat");
        host.addProgram("dprint.bat");
    }
    // Starts the program and shows the composer modal, as a print entry
    // does from an event.
    void print(const char *form, std::optional<QString> copies = QString("1"), bool usb = false)
    {
        if (!form1)
            start();
        form1->prnusb = usb;
        if (copies)
            host.answerInput(*copies);
        host.clearRecords();
        app().dispatch([form] { app().form(QString::fromLatin1(form)).Show(true); });
    }
    QByteArray slip()
    {
        QFile f("slip.prn");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
    }
    QStringList started()
    {
        QStringList names;
        for (const auto &s : host.started()) {
            EXPECT_EQ(s.windowStyle, WinStyle::Hide);
            names << s.program;
        }
        return names;
    }
};

// The worked ticket: a heading and a value on line 1, nothing on line 2, a
// double-width truck number on line 3.
struct WorkedCase {
    const char *form;
    const char *table;
    QByteArray expected;
};

class WorkedTicket : public Composer, public ::testing::WithParamInterface<WorkedCase>
{
};

TEST_P(WorkedTicket, ComposesTheLayoutLineByLine)
{
    const WorkedCase &w = GetParam();
    setTotline(3);
    layout(w.table, {{"Label1", 1, "No.", 0, 312, 0, 1},
                     {"Label2", 1, "125", 810, 312, 6, 1},
                     {"Label2", 2, "TRUCK", 270, 936, 2, 3, true}});
    print(w.form);
    EXPECT_EQ(slip(), w.expected);
    EXPECT_EQ(app().lastErrorNumber(), 0);
    EXPECT_FALSE(app().form(QString::fromLatin1(w.form)).loaded()); // it closed itself
    ASSERT_EQ(host.inputs().size(), 1u);
    EXPECT_EQ(host.inputs()[0].prompt, "Enter No of Copy:-");
    EXPECT_EQ(host.inputs()[0].defaultText, "1");
    EXPECT_EQ(host.inputs()[0].pos, QPoint(0, 0));
    EXPECT_EQ(started(), QStringList{"dprint.bat"});
}

INSTANTIATE_TEST_SUITE_P(
    Forms, WorkedTicket,
    ::testing::Values(WorkedCase{previewprint::Name, "prnvarprint", "No.   125" + CRLF + CRLF + CRSO + "  TRUCK" + CRLF},
                      WorkedCase{previewplain::Name, "prnvarplain", "No.   125" + CRLF + CRLF + CRSO + "TRUCK" + CRLF}),
    [](const auto &info) { return std::string(info.param.form); });

// One print line from a few labels.
struct LineCase {
    const char *what;
    const char *form;
    std::vector<LayoutRow> rows;
    QByteArray expected;
};

class OneLine : public Composer, public ::testing::WithParamInterface<LineCase>
{
};

TEST_P(OneLine, Composes)
{
    const LineCase &l = GetParam();
    setTotline(1);
    layout(QString::fromLatin1(l.form) == previewplain::Name ? "prnvarplain" : "prnvarprint", l.rows);
    print(l.form);
    EXPECT_EQ(slip(), l.expected + CRLF);
}

LayoutRow normal(int index, const char *text, int c) { return {"Label1", index, QString::fromUtf8(text), 135 * c, 312, c, 1}; }
LayoutRow wide(int index, const char *text, int c) { return {"Label2", index, QString::fromUtf8(text), 135 * c, 312, c, 1, true}; }

INSTANTIATE_TEST_SUITE_P(
    Lines, OneLine,
    ::testing::Values(
        // A label inside text already placed is pushed right by the overlap.
        LineCase{"overlap", previewprint::Name, {normal(0, "ABCDEFGHIJ", 0), normal(1, "X", 8)}, "ABCDEFGHIJ  X"},
        LineCase{"ascending_columns", previewprint::Name, {normal(1, "B", 5), normal(0, "A", 1)}, " A   B"},
        // Double-width text counts from the start of the line on its own.
        LineCase{"wide_after_normal", previewprint::Name, {normal(0, "AB", 0), wide(1, "W", 3)}, "AB" + CRSO + "   W"},
        LineCase{"two_wide", previewprint::Name, {wide(1, "W", 1), wide(2, "V", 4)}, CRSO + " W  V"},
        LineCase{"ansi", previewprint::Name, {normal(0, "Rs.\xc2\xa3 5\xc3\xa9", 0)}, "Rs.\xa3 5\xe9"},
        // On plain paper a double-width gap is a tenth, halves to even.
        LineCase{"plain_wide_15", previewplain::Name, {wide(1, "W", 15)}, CRSO + "  W"},
        LineCase{"plain_wide_25", previewplain::Name, {wide(1, "W", 25)}, CRSO + "  W"},
        LineCase{"plain_wide_14", previewplain::Name, {wide(1, "W", 14)}, CRSO + " W"},
        LineCase{"plain_wide_4", previewplain::Name, {wide(1, "W", 4)}, CRSO + "W"},
        LineCase{"plain_normal_full_gap", previewplain::Name, {normal(0, "N", 15)}, QByteArray(15, ' ') + "N"}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(Composer, PrintsExactlyTheLinesOfTheTicket)
{
    setTotline(3);
    layout("prnvarprint", {{"Label1", 0, "zero", 0, 0, 0, 0},
                           {"Label1", 1, "two", 0, 624, 0, 2},
                           {"Label1", 2, "four", 0, 1248, 0, 4},
                           {"Label2", 1, "nine", 0, 2808, 0, 9}});
    print(previewprint::Name);
    EXPECT_EQ(slip(), CRLF + "two" + CRLF + CRLF);
}

TEST_F(Composer, NoLinesGiveAnEmptyFileAndTheCopiesAreStillAsked)
{
    setTotline(0);
    QFile old("slip.prn");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier ticket\r\n");
    old.close();
    print(previewplain::Name, "2");
    EXPECT_EQ(slip(), QByteArray());
    EXPECT_EQ(host.inputs().size(), 1u);
    EXPECT_EQ(started(), (QStringList{"dprint.bat", "dprint.bat"}));
}

TEST_F(Composer, TheDeliveredPlainLayoutHasTheCompanyHeading)
{
    setTotline(20);
    print(previewplain::Name);
    const QList<QByteArray> lines = slip().split('\n');
    ASSERT_EQ(lines.size(), 21); // twenty lines, each ended by CR LF
    EXPECT_EQ(lines[0], QByteArray(28, ' ') + "SHREE BALAJI WEIGHBRIDGE\r");
}

// The copies answer and the printer port decide the batch file runs.
struct CopiesCase {
    const char *what;
    std::optional<QString> answer; // none: the default text comes back
    bool usb;
    QStringList expected;
};

class Copies : public Composer, public ::testing::WithParamInterface<CopiesCase>
{
};

TEST_P(Copies, StartTheBatchFileOncePerCopy)
{
    const CopiesCase &c = GetParam();
    setTotline(2);
    print(previewprint::Name, c.answer, c.usb);
    EXPECT_EQ(app().lastErrorNumber(), 0);
    EXPECT_EQ(started(), c.expected);
    EXPECT_FALSE(app().form(previewprint::Name).loaded());
}

const QString U = "uprint.bat", D = "dprint.bat";
INSTANTIATE_TEST_SUITE_P(
    Answers, Copies,
    ::testing::Values(CopiesCase{"default_one", std::nullopt, false, {D}},
                      CopiesCase{"two_parallel", QString("2"), false, {D, D}},
                      CopiesCase{"two_usb", QString("2"), true, {U, U}},
                      CopiesCase{"three_usb", QString("3"), true, {U, U, U}},
                      // Cancel answers the empty text as well.
                      CopiesCase{"empty_or_cancel", QString(""), false, {}},
                      CopiesCase{"empty_usb", QString(""), true, {}},
                      CopiesCase{"zero", QString("0"), false, {}},
                      CopiesCase{"negative", QString("-1"), true, {}},
                      CopiesCase{"fraction", QString("2.5"), false, {D, D}},
                      CopiesCase{"fraction_usb", QString("2.5"), true, {U, U}},
                      CopiesCase{"blanks_around", QString(" 2 "), false, {D, D}},
                      // Not a number: no copy.
                      CopiesCase{"letters", QString("two"), false, {}},
                      CopiesCase{"trailing_letters", QString("2x"), true, {}}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(Composer, AMissingBatchFileIsNamedAndTheFormStillCloses)
{
    host = {};
    vb::App::instance().setHost(&host); // no batch files this time
    setTotline(1);
    layout("prnvarprint", {{"Label1", 0, "ticket", 0, 312, 0, 1}});
    for (bool usb : {false, true}) {
        print(previewprint::Name, "2", usb);
        EXPECT_EQ(host.boxTexts(), QStringList{QString(usb ? "uprint.bat" : "dprint.bat") +
                                               " was not found: the ticket was not printed"})
            << "said once, not per copy";
        EXPECT_EQ(slip(), "ticket" + CRLF);
        EXPECT_FALSE(app().form(previewprint::Name).loaded());
    }
}

TEST_F(Composer, AnUnwritableFileIsNamedAndNothingIsPrinted)
{
    QDir().mkdir("slip.prn"); // a directory where the file should go
    setTotline(1);
    print(previewplain::Name, std::nullopt); // no copies are asked for
    ASSERT_EQ(host.boxes().size(), 1u);
    const QString box = host.boxes()[0].prompt;
    EXPECT_TRUE(box.startsWith("slip.prn cannot be written (")) << box.toStdString();
    EXPECT_TRUE(box.endsWith("): the ticket was not printed")) << box.toStdString();
    EXPECT_TRUE(host.inputs().empty());
    EXPECT_TRUE(host.started().empty());
    EXPECT_FALSE(app().form(previewplain::Name).loaded());
}

// Batch files that really run: the composer does not wait for them, and
// tells once the last copy has ended which failed and why.
struct HandOffCase {
    const char *what;
    const char *script; // the body of the batch file
    bool usb;
    const char *copies;
    const char *box; // nullptr: none
};

class HandOff : public Composer, public ::testing::WithParamInterface<HandOffCase>
{
};

TEST_P(HandOff, ReportsAFailingBatchFileWithItsReason)
{
    const HandOffCase &c = GetParam();
    const QString batch = c.usb ? "uprint.bat" : "dprint.bat";
    {
        QFile f(batch);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // Each copy waits a moment, so the hand-off is still running when
        // the form has closed.
        f.write(QByteArray("sleep 0.3\n") + c.script + "\n");
    }
    setTotline(1);
    layout("prnvarplain", {{"Label1", 0, "ticket", 0, 312, 0, 1}});
    print(previewplain::Name, QString(c.copies), c.usb);
    EXPECT_FALSE(app().form(previewplain::Name).loaded()) << "the screen is not held up";
    EXPECT_TRUE(host.boxes().empty());
    ASSERT_TRUE(host.waitForPrograms());
    if (c.box)
        EXPECT_EQ(host.boxTexts(), QStringList{QString(c.box)});
    else
        EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(app().lastErrorNumber(), 0);
    if (!c.box) {
        QFile printed("printer.out");
        ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
        EXPECT_EQ(printed.readAll(), slip() + slip()) << "each copy hands the ticket over";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batches, HandOff,
    ::testing::Values(
        HandOffCase{"printed", "cat slip.prn >> printer.out", false, "2", nullptr},
        // One that reads its input (lp without a file name) gets an empty one.
        HandOffCase{"reading_its_input", "cat > input.txt; test ! -s input.txt && cat slip.prn >> printer.out",
                    false, "2", nullptr},
        HandOffCase{"reading_its_input_and_failing", "cat; echo 'lp: no file and no input' >&2; exit 1", true,
                    "1", "uprint.bat failed, the ticket was not printed:\nlp: no file and no input"},
        HandOffCase{"usb_printer_missing",
                    "echo 'no USB printer set up: the ticket was not printed' >&2; exit 1", true, "1",
                    "uprint.bat failed, the ticket was not printed:\nno USB printer set up: the ticket was not printed"},
        HandOffCase{"every_copy_fails_alike", "echo 'printer LPT1 is offline' >&2; exit 2", false, "3",
                    "dprint.bat failed, the ticket was not printed:\nprinter LPT1 is offline"},
        HandOffCase{"no_reason_given", "exit 3", false, "1",
                    "dprint.bat failed, the ticket was not printed:\nit ended with exit code 3"},
        HandOffCase{"one_copy_of_two_fails",
                    "if mkdir copy.lock 2>/dev/null; then exit 0; fi; echo 'paper out' >&2; exit 1", false, "2",
                    "dprint.bat failed for 1 of 2 copies:\npaper out"}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(Composer, EachShowComposesAfresh)
{
    setTotline(1);
    layout("prnvarprint", {{"Label2", 1, "first", 0, 312, 0, 1}});
    print(previewprint::Name);
    EXPECT_EQ(slip(), "first" + CRLF);
    aminv::sharedCmd().setCommandText(Sql("update prnvarprint set caption=? where name='Label2'", {"second"}));
    aminv::sharedCmd().Execute();
    print(previewprint::Name);
    EXPECT_EQ(slip(), "second" + CRLF);
}

} // namespace
