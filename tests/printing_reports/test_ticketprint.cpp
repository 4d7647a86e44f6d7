// The report-file ticket (the "Window" print style) and the duplicate
// ticket reprint, driven from the main screen.
#include "reportoffice.h"

#include "printing/preview.h"
#include "printing/printdupno.h"

#include "report/reportcontrol.h"
#include "report/reportdocument.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

class TicketPrint : public ReportOffice
{
protected:
    void SetUp() override
    {
        ReportOffice::SetUp();
        if (HasFatalFailure())
            return;
        storeDay();
    }
    // "Window" style on the given paper, then F6 on stored ticket 3; the
    // preview is printed with the copies answer (none: Cancel pressed).
    void printTicket(bool plain, std::optional<QString> answer)
    {
        form1->mprintstyle = false;
        form1->mprintformat = plain;
        // Ticket 3 recalled by its number: only a stored ticket prints.
        ui::focus(form1->num);
        form1->num.setText("3");
        ui::focus(form1->cmdPrint);
        host.onModal("preview", [answer](Form &f) {
            auto &p = static_cast<preview &>(f);
            if (!answer) {
                ui::click(p.CancelButton);
                return;
            }
            ui::click(p.OKButton);
        });
        if (answer)
            host.answerInput(*answer);
        ui::press(*form1, Key::F6);
    }
    ReportControl &crystal() { return form1->CrystalReport1; }
};

TEST_F(TicketPrint, WindowStylePrintsTheTicketCopyOnThePrinter)
{
    start();
    printTicket(true, "2");
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join('\n').toStdString();
    ASSERT_EQ(host.started().size(), 1u);
    EXPECT_EQ(host.started()[0].program, "print.exe");
    EXPECT_EQ(host.started()[0].windowStyle, WinStyle::MinimizedFocus);
    ASSERT_EQ(host.inputs().size(), 1u);
    EXPECT_EQ(host.inputs()[0].prompt, "Enter No of Copy:-");
    EXPECT_EQ(host.inputs()[0].defaultText, "1");
    EXPECT_FALSE(host.inputs()[0].pos.has_value());

    EXPECT_EQ(crystal().ReportFileName(), "plainslip.rpt");
    EXPECT_EQ(crystal().SelectionFormula(), "");
    EXPECT_EQ(crystal().Destination(), 1);
    EXPECT_EQ(crystal().CopiesToPrinter(), 2);
    ASSERT_EQ(host.printed().size(), 1u);
    const auto &printed = host.printed()[0];
    EXPECT_EQ(printed.destination, 1);
    EXPECT_EQ(printed.copies, 2);
    EXPECT_EQ(printed.pages, 1);
    EXPECT_TRUE(QFileInfo(printed.pdfFile).size() > 0);
    auto doc = std::static_pointer_cast<const report::ReportDocument>(printed.document);
    EXPECT_TRUE(doc->pageTexts(0).contains("Slip No. | 3 | Date | 05/03/2024"));
    EXPECT_FALSE(app().form("preview").loaded());
}

TEST_F(TicketPrint, PrePrintedStationeryUsesTheSlipReport)
{
    start();
    printTicket(false, "1");
    EXPECT_EQ(crystal().ReportFileName(), "slip.rpt");
    ASSERT_EQ(host.printed().size(), 1u);
}

struct Copies {
    const char *earlier; // a first print's answer, or null
    const char *answer;
    int copies;
};

class CopiesAnswer : public TicketPrint, public ::testing::WithParamInterface<Copies> {};

TEST_P(CopiesAnswer, SetsOrKeepsTheCopyCount)
{
    const Copies &c = GetParam();
    start();
    if (c.earlier)
        printTicket(true, QString::fromUtf8(c.earlier));
    printTicket(true, QString::fromUtf8(c.answer));
    // The report prints whatever the answer.
    ASSERT_EQ(host.printed().size(), c.earlier ? 2u : 1u);
    EXPECT_EQ(host.printed().back().copies, c.copies);
    EXPECT_TRUE(host.boxTexts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Answers, CopiesAnswer,
                         ::testing::Values(Copies{nullptr, "2", 2}, Copies{"3", "0", 3}, Copies{nullptr, "", 1},
                                           Copies{nullptr, "many", 1}, Copies{nullptr, "2.5", 2},
                                           Copies{nullptr, "3.5", 4}, Copies{"3", "-1", 3},
                                           Copies{"3", "99999", 3}));

TEST_F(TicketPrint, CancelClosesWithoutPrinting)
{
    start();
    printTicket(true, std::nullopt);
    EXPECT_TRUE(host.printed().empty());
    EXPECT_FALSE(app().form("preview").loaded());
}

TEST_F(TicketPrint, ShowsTheComposedTextTicket)
{
    QFile f(m_dir.filePath("slip.prn"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("  SHREE BALAJI\r\n  Ticket No. : 3 \x80\r\n");
    f.close();
    start();
    form1->mprintstyle = false;
    QString shown;
    QString caption;
    host.onModal("preview", [&](Form &form) {
        auto &p = static_cast<preview &>(form);
        shown = p.RichTextBox1.Text();
        EXPECT_EQ(p.Top(), 0);
        EXPECT_EQ(p.Left(), 0);
        EXPECT_EQ(p.Caption(), "Preview");
        ui::press(p, Key::Enter);
        caption = p.Caption();
        ui::click(p.CancelButton);
    });
    app().dispatch([] { app().form("preview").Show(true); });
    EXPECT_EQ(shown, QString::fromUtf8("  SHREE BALAJI\r\n  Ticket No. : 3 \u20ac\r\n"));
    EXPECT_EQ(caption, "13"); // the released key's code
}

TEST_F(TicketPrint, WithoutComposedTicketTheBoxIsEmptyAndPrintWorks)
{
    start();
    QString shown = "unset";
    host.onModal("preview", [&](Form &form) {
        auto &p = static_cast<preview &>(form);
        shown = p.RichTextBox1.Text();
        ui::click(p.OKButton);
    });
    form1->mprintstyle = false;
    app().dispatch([] { app().form("preview").Show(true); });
    EXPECT_EQ(shown, "");
    EXPECT_EQ(host.printed().size(), 1u);
    EXPECT_TRUE(host.boxTexts().isEmpty());
}

TEST_F(TicketPrint, DosStyleOnlyCloses)
{
    start();
    form1->mprintstyle = true;
    host.onModal("preview", [](Form &f) { ui::click(static_cast<preview &>(f).OKButton); });
    app().dispatch([] { app().form("preview").Show(true); });
    EXPECT_TRUE(host.started().empty());
    EXPECT_TRUE(host.inputs().empty());
    EXPECT_TRUE(host.printed().empty());
    EXPECT_FALSE(app().form("preview").loaded());
}

TEST_F(TicketPrint, MissingReportFileIsReportedAndTheFormCloses)
{
    QFile::remove(m_dir.filePath("plainslip.rpt"));
    start();
    printTicket(true, "1");
    EXPECT_TRUE(host.printed().empty());
    EXPECT_EQ(host.boxTexts(), QStringList{"plainslip.rpt was not found: the ticket was not printed"});
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].buttons, Msg::OKOnly | Msg::Exclamation);
    EXPECT_FALSE(app().form("preview").loaded());
}

TEST_F(TicketPrint, FaultyReportFileIsReportedWithItsFault)
{
    QFile f(m_dir.filePath("plainslip.rpt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[report]\nkind = ticket\n");
    f.close();
    start();
    printTicket(true, "1");
    EXPECT_TRUE(host.printed().empty());
    EXPECT_EQ(host.boxTexts(), QStringList{"The report file 'plainslip.rpt' is not valid: line 3: the report names "
                                           "no source: the ticket was not printed"});
    EXPECT_FALSE(app().form("preview").loaded());
}

// ---- the reprint --------------------------------------------------------------------

class Reprint : public TicketPrint
{
protected:
    // Opens the reprint from the menu and prints the given numbers.
    void reprint(const QStringList &numbers, QString *proposed = nullptr)
    {
        host.onModal("printdupno", [=](Form &f) {
            auto &r = static_cast<printdupno &>(f);
            if (proposed)
                *proposed = r.Text1.Text();
            for (const QString &n : numbers) {
                r.Text1.setText(n);
                ui::click(r.OKButton);
                EXPECT_TRUE(r.loaded() && r.visible()) << "closed after " << n.toStdString();
                EXPECT_EQ(r.Text1.Text(), n);
            }
            ui::click(r.CancelButton);
        });
        host.pickMenu("dupslip");
        ui::press(*form1, Key::F2);
    }
    // The text-ticket composers close themselves while they are shown:
    // each one that ran asked for its copies once.
    QStringList composersRun()
    {
        QStringList out;
        for (const auto &in : host.inputs())
            if (in.prompt == "Enter No of Copy:-" && in.pos == QPoint(0, 0))
                out << "composer";
        return out;
    }
    bool created(const char *form)
    {
        for (Form *f : app().instances())
            if (f->name() == form)
                return true;
        return false;
    }
    QString caption(const char *table, const char *name, int index)
    {
        return rows(QStringLiteral("select caption from %1 where name=? and \"index\"=?").arg(table), {name, index})
            .at(0)["caption"]
            .toString();
    }
};

TEST_F(Reprint, ProposesTheLatestTicket)
{
    for (int n = 10; n <= 40; ++n)
        ticket(n, "GJ17TT4521", "Sand", "Halol Ready Mix", "Mahi River Sand Suppliers", 20000, 6000);
    start();
    QString proposed;
    reprint({}, &proposed);
    EXPECT_EQ(proposed, "40");
}

TEST_F(Reprint, ProposesOneWithoutTickets)
{
    prepare({Sql("delete from emp")});
    start();
    QString proposed;
    reprint({}, &proposed);
    EXPECT_EQ(proposed, "1");
}

TEST_F(Reprint, WindowStyleCopiesTheStoredTicketWithTheScreensCompany)
{
    prepare({Sql("update counter set compnm='  SHREE BALAJI  '")});
    start(); // the screen reads the settings row: "Dos", plain paper
    // The reprint reads the print style afresh.
    prepare({Sql("update counter set printstyle=0")});
    reprint({"3"});
    EXPECT_EQ(host.modalsShown(), (QStringList{"printdupno", "preview"}));
    const auto slip = rows("select * from slip");
    ASSERT_EQ(slip.size(), 1u);
    EXPECT_EQ(slip[0]["num"].toInt(), 3);
    EXPECT_EQ(slip[0]["truckno"], "GJ17TT4521");
    EXPECT_EQ(slip[0]["grosswt"].toDouble(), 22980);
    EXPECT_EQ(slip[0]["compnm"], "SHREE BALAJI");
    EXPECT_EQ(slip[0]["address"], "Plot 14, GIDC Estate, Near Highway Check Post");
    // The plain-paper company rows are rewritten in every style, untrimmed.
    EXPECT_EQ(caption("prnvarplain", "Label1", 14), "  SHREE BALAJI  ");
}

TEST_F(Reprint, DosPlainRefillsThePlainLayoutFromTheStoredRow)
{
    start();
    reprint({"3"});
    EXPECT_TRUE(created("previewplain"));
    EXPECT_FALSE(created("previewprint"));
    EXPECT_EQ(composersRun().size(), 1);
    EXPECT_EQ(caption("prnvarplain", "Label1", 14), "SHREE BALAJI WEIGHBRIDGE");
    EXPECT_EQ(caption("prnvarplain", "Label1", 16), "Halol, Dist. Panchmahal, Gujarat");
    EXPECT_EQ(caption("prnvarplain", "Label2", 1), "3");
    EXPECT_EQ(caption("prnvarplain", "Label2", 2), "GJ17TT4521");
    EXPECT_EQ(caption("prnvarplain", "Label2", 9), "*"); // tare typed by hand
    EXPECT_EQ(caption("prnvarplain", "Label2", 10), " ");
    EXPECT_EQ(caption("prnvarplain", "Label2", 13), " 22980");
    EXPECT_EQ(caption("prnvarplain", "Label2", 14), "  6250");
    EXPECT_EQ(caption("prnvarplain", "Label2", 15), " 16730");
}

TEST_F(Reprint, DosPrePrintedRefillsThePrePrintedLayout)
{
    prepare({Sql("update counter set printformat=0, oral=0"),
             Sql("update prnvarplain set caption='old' where name='Label1' and \"index\"=15")});
    start();
    reprint({"2", "5"});
    EXPECT_TRUE(created("previewprint"));
    EXPECT_FALSE(created("previewplain"));
    EXPECT_EQ(composersRun().size(), 2);
    EXPECT_EQ(caption("prnvarplain", "Label1", 15), "Plot 14, GIDC Estate, Near Highway Check Post");
    EXPECT_EQ(caption("prnvarprint", "Label2", 1), "5"); // the second print's ticket
    EXPECT_EQ(caption("prnvarprint", "Label2", 9), "  ");
    EXPECT_EQ(caption("prnvarprint", "Label2", 10), "  ");
    EXPECT_EQ(caption("prnvarprint", "Label2", 15), " 20790");
}

TEST_F(Reprint, RefusesNumbersWithoutATicket)
{
    prepare({Sql("update counter set printstyle=0")});
    start();
    reprint({"99", "abc", ""});
    EXPECT_EQ(host.boxTexts(), (QStringList{"Slip No 99 is not stored", "Enter a Slip No", "Enter a Slip No"}));
    EXPECT_EQ(host.modalsShown(), QStringList{"printdupno"});
}

} // namespace
