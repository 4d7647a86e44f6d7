// The six report selection forms, opened from the main screen's report
// menu: the parameters they write into the settings row, the report file
// and selection formula they give the report control, and the preview
// that results.
#include "reportoffice.h"

#include "printing/reportforms.h"

#include "report/reportcontrol.h"
#include "report/reportdocument.h"

#include <QFileInfo>
#include <QProcess>

using namespace vb;

namespace {

class ReportForms : public ReportOffice
{
protected:
    void SetUp() override
    {
        ReportOffice::SetUp();
        if (HasFatalFailure())
            return;
        storeDay();
    }

    // Opens a report form through the main screen's report menu (F2) and
    // acts inside it while it is shown.
    template <class F> void fromMenu(const char *item, const char *form, std::function<void(F &)> act)
    {
        host.onModal(form, [act](Form &f) { act(static_cast<F &>(f)); });
        host.pickMenu(item);
        ui::press(*form1, Key::F2);
    }
    ReportControl &crystal() { return form1->CrystalReport1; }
    int printedRows(size_t i = 0)
    {
        if (i >= host.printed().size())
            return -1;
        return std::static_pointer_cast<const report::ReportDocument>(host.printed()[i].document)->rowCount();
    }
};

struct Member {
    const char *menuItem;
    const char *form;
    const char *choiceLabel; // null: no choice
    QStringList list;        // the master's names
    const char *title;
    const char *file;
    const char *formula;
    int rows;
};

class EachMember : public ReportForms, public ::testing::WithParamInterface<Member> {};

TEST_P(EachMember, WritesParametersAndPreviewsItsReport)
{
    const Member &m = GetParam();
    start();
    bool stayedOpen = false;
    fromMenu<DateRangeReport>(m.menuItem, m.form, [&](DateRangeReport &f) {
        EXPECT_EQ(f.Caption(), "Print Date Wise");
        EXPECT_EQ(f.stdt.Value(), QDate(2024, 3, 5));
        EXPECT_EQ(f.endt.Value(), QDate(2024, 3, 5));
        EXPECT_EQ(f.Command2.Caption(), "Pre&view");
        EXPECT_EQ(f.Command3.Caption(), "&Close");
        EXPECT_EQ(f.Label1.Caption(), "Select Date");
        ASSERT_EQ(bool(f.Combo1), m.choiceLabel != nullptr);
        if (f.Combo1) {
            EXPECT_EQ(f.Label4->Caption(), m.choiceLabel);
            EXPECT_EQ(QStringList(f.Combo1->items().begin(), f.Combo1->items().end()), m.list);
            EXPECT_EQ(f.Combo1->Text(), m.list.first());
        }
        ui::setDate(f.stdt, QDate(2024, 3, 1));
        ui::click(f.Command2);
        stayedOpen = f.loaded() && f.visible();
        ui::click(f.Command3);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join('\n').toStdString();

    const QVariantMap settings = counterRow();
    EXPECT_EQ(settings["st_dt"], "2024-03-01");
    EXPECT_EQ(settings["en_dt"], "2024-03-05");
    EXPECT_EQ(settings["reptit"], m.title);
    EXPECT_EQ(settings["mstno"].toInt(), 1); // the number range is left alone
    EXPECT_EQ(settings["menno"].toInt(), 100);

    EXPECT_EQ(crystal().ReportFileName(), m.file);
    EXPECT_EQ(crystal().SelectionFormula(), m.formula);
    EXPECT_EQ(crystal().Destination(), 0);
    ASSERT_EQ(host.printed().size(), 1u);
    EXPECT_EQ(host.printed()[0].destination, 0);
    EXPECT_EQ(host.printed()[0].title, m.title);
    EXPECT_FALSE(host.printed()[0].pdfFile.isEmpty());
    EXPECT_EQ(printedRows(), m.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, EachMember,
    ::testing::Values(
        Member{"dw", "printpurdt", nullptr, {}, "Date wise Report", "list.rpt", "", 8},
        Member{"mw", "printmat", "Select Material", {"Sand", "Coal", "Cement", "Stone Aggregate", "Scrap Iron"},
               "Material Wise Report", "material.rpt", "{DAYREP.material}='Sand'", 3},
        Member{"rw", "printrece", "Select Receiver",
               {"Gujarat Infra Projects", "Halol Ready Mix", "Panchmahal Steels"}, "Receiver Wise Report",
               "RECEIVER.rpt", "{DAYREP.rece}='Gujarat Infra Projects'", 3},
        Member{"sw", "printsup", "Select Supplier",
               {"Mahi River Sand Suppliers", "Western Coalfields Agency", "Ambuja Cement Depot"},
               "Supplier Wise Report", "SUPPLIER.rpt", "{DAYREP.sup}='Mahi River Sand Suppliers'", 3},
        Member{"vw", "printturck", "Select Vehical", {"GJ17TT4521", "GJ06AX9087", "MP09HG3310", "RJ27GA1764"},
               "Vehical Wise Report", "vehical.rpt", "{DAYREP.truckno}='GJ17TT4521'", 2}),
    [](const auto &info) { return std::string(info.param.form); });

struct Typed {
    const char *form;
    const char *text;
    const char *formula;
    int rows;
};

class TypedChoice : public ReportForms, public ::testing::WithParamInterface<Typed> {};

TEST_P(TypedChoice, GoesIntoTheFormula)
{
    const Typed &t = GetParam();
    start();
    fromMenu<DateRangeReport>(t.form == QLatin1String("printturck") ? "vw" : "mw", t.form, [&](DateRangeReport &f) {
        f.Combo1->setText(QString());
        ui::typeInto(*f.Combo1, QString::fromUtf8(t.text));
        ui::click(f.Command2);
    });
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join('\n').toStdString();
    EXPECT_EQ(crystal().SelectionFormula(), t.formula);
    EXPECT_EQ(printedRows(), t.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, TypedChoice,
    ::testing::Values(Typed{"printturck", "gj06ax9087", "{DAYREP.truckno}='GJ06AX9087'", 2}, // upper-cased
                      Typed{"printmat", "Gravel", "{DAYREP.material}='Gravel'", 0},       // not in the list
                      Typed{"printmat", "coal", "{DAYREP.material}='coal'", 3},           // as typed, found without regard to case
                      Typed{"printmat", "D'Souza Mix", "{DAYREP.material}='D''Souza Mix'", 0}));

TEST_F(ReportForms, EmptyMasterLeavesTheBoxEmptyAndSelectsNothing)
{
    prepare({Sql("delete from matmast")});
    start();
    fromMenu<DateRangeReport>("mw", "printmat", [](DateRangeReport &f) {
        EXPECT_EQ(f.Combo1->ListCount(), 0);
        EXPECT_EQ(f.Combo1->Text(), "");
        ui::click(f.Command2);
    });
    EXPECT_EQ(crystal().SelectionFormula(), "{DAYREP.material}=''");
    EXPECT_EQ(printedRows(), 0);
}

TEST_F(ReportForms, StartAfterEndIsWrittenUnchanged)
{
    start();
    fromMenu<DateRangeReport>("dw", "printpurdt", [](DateRangeReport &f) {
        ui::setDate(f.stdt, QDate(2024, 3, 6));
        ui::click(f.Command2);
    });
    EXPECT_EQ(counterRow()["st_dt"], "2024-03-06");
    EXPECT_EQ(counterRow()["en_dt"], "2024-03-05");
    EXPECT_EQ(printedRows(), 0);
}

TEST_F(ReportForms, PreviewTwiceOpensTwoPreviews)
{
    start();
    fromMenu<DateRangeReport>("mw", "printmat", [](DateRangeReport &f) {
        ui::click(f.Command2);
        ui::pick(*f.Combo1, 1);
        ui::click(f.Command2);
    });
    ASSERT_EQ(host.printed().size(), 2u);
    EXPECT_EQ(printedRows(0), 3);
    EXPECT_EQ(printedRows(1), 3); // Coal
    EXPECT_EQ(crystal().SelectionFormula(), "{DAYREP.material}='Coal'");
}

TEST_F(ReportForms, MissingReportFileIsReportedByName)
{
    QFile::remove(m_dir.filePath("material.rpt"));
    expectUntrappedError(report::CannotOpenReport);
    start();
    bool stayedOpen = false;
    fromMenu<DateRangeReport>("mw", "printmat", [&](DateRangeReport &f) {
        ui::click(f.Command2);
        stayedOpen = f.loaded();
    });
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_TRUE(host.boxes()[0].prompt.contains("'material.rpt'")) << host.boxes()[0].prompt.toStdString();
    EXPECT_TRUE(host.printed().empty());
    EXPECT_EQ(counterRow()["reptit"], "Material Wise Report"); // written before the report ran
}

// ---- ticket-number range ------------------------------------------------------------

TEST_F(ReportForms, NumberRangeWritesTheRangeAndPreviewsIt)
{
    start();
    fromMenu<printno>("snw", "printno", [](printno &f) {
        EXPECT_EQ(f.Caption(), "Print Ticket no wise");
        EXPECT_EQ(f.Text1.Text(), "1");
        EXPECT_EQ(f.Text2.Text(), "9");
        EXPECT_EQ(f.stdt.Value(), QDate(2024, 3, 5));
        EXPECT_EQ(f.endt.Value(), QDate(2024, 3, 6));
        EXPECT_EQ(f.OKButton.Caption(), "Print");
        EXPECT_EQ(f.CancelButton.Caption(), "Cancel");
        f.Text1.setText("2");
        f.Text2.setText("5 ");
        ui::focus(f.Text1);
        ui::press(f, Key::Enter);
        EXPECT_TRUE(f.Text2.hasFocus());
        ui::press(f, Key::Enter);
        EXPECT_TRUE(f.OKButton.hasFocus());
        ui::click(f.OKButton);
        EXPECT_TRUE(f.loaded());
        ui::click(f.CancelButton);
        EXPECT_FALSE(f.loaded());
    });
    const QVariantMap settings = counterRow();
    EXPECT_EQ(settings["mstno"].toInt(), 2);
    EXPECT_EQ(settings["menno"].toInt(), 5);
    EXPECT_EQ(settings["reptit"], "Sr No wise Report");
    EXPECT_EQ(settings["st_dt"], "2025-04-01"); // the dates are left alone
    EXPECT_EQ(crystal().ReportFileName(), "nolist.rpt");
    EXPECT_EQ(crystal().SelectionFormula(), "");
    EXPECT_EQ(crystal().Destination(), 0);
    EXPECT_EQ(printedRows(), 4);
}

TEST_F(ReportForms, NumberRangeOfNonNumbersIsZero)
{
    start();
    fromMenu<printno>("snw", "printno", [](printno &f) {
        f.Text1.setText("abc");
        f.Text2.setText("");
        ui::click(f.OKButton);
    });
    EXPECT_EQ(counterRow()["mstno"].toInt(), 0);
    EXPECT_EQ(counterRow()["menno"].toInt(), 0);
    EXPECT_EQ(printedRows(), 0);
}

TEST_F(ReportForms, NumberRangeWithoutTicketsProposesOneAndToday)
{
    prepare({Sql("delete from emp")});
    start();
    fromMenu<printno>("snw", "printno", [](printno &f) {
        EXPECT_EQ(f.Text1.Text(), "1");
        EXPECT_EQ(f.Text2.Text(), "1");
        EXPECT_EQ(f.stdt.Value(), QDate(2024, 3, 5));
        EXPECT_EQ(f.endt.Value(), QDate(2024, 3, 5));
    });
}

} // namespace

// A report over pages that the engine finds broken is not shown short: the
// operator is told which report failed and why.
TEST_F(ReportForms, AReportOverDamagedPagesSaysSo)
{
    expectUntrappedError(RuntimeError::DatabaseErrorNumber);
    prepare({Sql("with recursive k(i) as (select 1 union all select i + 1 from k where i < 6000) "
                 "insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, grossdt, grosstime, "
                 "taredt, taretime, grossoral, tareoral, rupee, stage, amtword, dt) "
                 "select i + 100, 'MH' || i, 'Sand', 'Ram Traders', 'Shiv Quarry', 20000 + i, 8000, 12000 + i, "
                 "'05/03/2024', '09:15', '05/03/2024', '10:05', ' ', ' ', '0', 3, ' ', '2024-03-05' from k")});
    {
        QFile pattern("pattern.bin");
        ASSERT_TRUE(pattern.open(QIODevice::WriteOnly));
        pattern.write(QByteArray(4096 * 8, char(0x5a)));
    }
    const qint64 pages = QFileInfo("wt.mdb").size() / 4096;
    ASSERT_EQ(QProcess::execute("dd", {"if=pattern.bin", "of=wt.mdb", "bs=4096", "seek=" + QString::number(pages / 2),
                                       "conv=notrunc", "status=none"}),
              0);
    start();
    fromMenu<printno>("snw", "printno", [](printno &f) {
        f.Text1.setText("1");
        f.Text2.setText("7000");
        ui::click(f.OKButton);
        ui::click(f.CancelButton);
    });
    EXPECT_EQ(host.boxTexts(), QStringList{"The report cannot be shown: database disk image is malformed"});
    EXPECT_TRUE(host.printed().empty() || printedRows() < 0) << "no report is shown short: " << printedRows();
}
