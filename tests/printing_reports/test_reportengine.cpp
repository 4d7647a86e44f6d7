// The report engine on the delivered report files: the rows each file and
// formula choose, the layout into pages, the PDF and the painted pixels.
#include "drawntext.h"
#include "reportoffice.h"

#include "report/reportcontrol.h"
#include "report/reportdefinition.h"
#include "report/reportdocument.h"
#include "report/textfit.h"

#include "runtime/errors.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

using namespace vb;
using namespace vb::report;

namespace {

class Engine : public ReportOffice
{
protected:
    void SetUp() override
    {
        ReportOffice::SetUp();
        storeDay();
        prepare({Sql("update counter set st_dt='2024-03-05', en_dt='2024-03-05', reptit='Test Report', "
                     "mstno=2, menno=5")});
        // The ticket copy of ticket 3, as the print-data refill leaves it.
        prepare({Sql("delete from slip"),
                 Sql("insert into slip select num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,"
                     "grossoral,tareoral,grossdt,taredt,stage,grosswt,tarewt,netwt,bag,amtword,"
                     "'SHREE BALAJI WEIGHBRIDGE','Plot 14, GIDC Estate','Halol' from emp where num=3")});
    }

    std::shared_ptr<ReportDocument> document(const QString &file, const QString &formula = QString())
    {
        ReportDefinition d = ReportDefinition::load(file);
        ReportData data = readReportData(d, formula);
        return std::make_shared<ReportDocument>(d, data, QDateTime(QDate(2024, 3, 5), QTime(10, 30)));
    }

    // Share of the page's pixels that are not white.
    static double inked(const QImage &image)
    {
        qint64 dark = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (qGray(line[x]) < 200)
                    ++dark;
        }
        return double(dark) / (double(image.width()) * image.height());
    }

    // Writes a report file into the office.
    void reportFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Everything a page puts on paper, one text after another.
    static QString drawn(const ReportDocument &doc, int page)
    {
        return DrawnText::of(doc.pageSize(), [&](QPainter &p) { doc.paintPage(p, page); }).join(' ');
    }

    static int pdfPages(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray bytes = f.readAll();
        if (!bytes.startsWith("%PDF"))
            return -1;
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
        return int(QString::fromLatin1(bytes).count(page));
    }
};

struct Delivered {
    const char *file;
    const char *formula;
    int rows;
    int pages;
};

class DeliveredReport : public Engine, public ::testing::WithParamInterface<Delivered> {};

TEST_P(DeliveredReport, ChoosesItsRowsAndRendersAPdf)
{
    const Delivered &c = GetParam();
    auto doc = document(c.file, c.formula);
    EXPECT_EQ(doc->rowCount(), c.rows);
    EXPECT_EQ(doc->pageCount(), c.pages);

    const QString pdf = m_dir.filePath(QStringLiteral("%1.pdf").arg(c.file));
    ASSERT_TRUE(doc->writePdf(pdf));
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
    EXPECT_EQ(pdfPages(pdf), c.pages);

    const QImage page = doc->pageImage(0, 60);
    EXPECT_EQ(page.width() > page.height(), doc->definition().landscape);
    EXPECT_GT(inked(page), 0.004) << "page 1 is blank";
}

INSTANTIATE_TEST_SUITE_P(
    Files, DeliveredReport,
    ::testing::Values(Delivered{"list.rpt", "", 8, 1},
                      Delivered{"material.rpt", "{DAYREP.material}='Sand'", 3, 1},
                      Delivered{"material.rpt", "", 8, 1},
                      Delivered{"RECEIVER.rpt", "{DAYREP.rece}='Halol Ready Mix'", 3, 1},
                      Delivered{"SUPPLIER.rpt", "{DAYREP.sup}='Western Coalfields Agency'", 3, 1},
                      Delivered{"vehical.rpt", "{DAYREP.truckno}='GJ17TT4521'", 2, 1},
                      Delivered{"vehical.rpt", "{DAYREP.truckno}='gj17tt4521'", 2, 1}, // names ignore case
                      Delivered{"nolist.rpt", "", 4, 1},
                      Delivered{"slip.rpt", "", 1, 1},
                      Delivered{"plainslip.rpt", "", 1, 1}),
    [](const auto &info) {
        return QString::fromLatin1(info.param.file).section('.', 0, 0).toStdString() + "_" +
               std::to_string(info.index);
    });

TEST_F(Engine, GroupsCarrySubtotalsAndTheGrandTotal)
{
    auto doc = document("material.rpt");
    const QStringList lines = doc->pageTexts(0);
    // Groups in name order; each ends with its totals of gross, tare, net.
    EXPECT_EQ(lines.first(), "Material : Cement");
    EXPECT_TRUE(lines.contains("Total Cement (2 tickets) | 56050 | 22960 | 33090")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Total Sand (3 tickets) | 73090 | 21440 | 51650"));
    EXPECT_EQ(lines.last(), "Grand Total (8 tickets) | 220360 | 71980 | 148380");
    EXPECT_TRUE(lines.contains("1 | 05/03/2024 | GJ17TT4521 | Mahi River Sand Suppliers | Gujarat Infra Projects "
                               "| 24350 | 6250 | 18100 | 150"));
}

TEST_F(Engine, TextsTakeTheSettingsRowAndTheTicketCopy)
{
    auto list = document("nolist.rpt");
    EXPECT_EQ(list->title(), "Test Report");
    auto slip = document("plainslip.rpt");
    const QStringList lines = slip->pageTexts(0);
    EXPECT_EQ(lines.mid(0, 4), (QStringList{"SHREE BALAJI WEIGHBRIDGE", "Plot 14, GIDC Estate", "Halol", "WEIGHMENT SLIP"}));
    EXPECT_TRUE(lines.contains("Slip No. | 3 | Date | 05/03/2024"));
    EXPECT_TRUE(lines.contains("Tare Weight | 6250 Kg | 05/03/2024   10:05   Oral"));
}

TEST_F(Engine, ManyTicketsRunOverSeveralPages)
{
    for (int n = 10; n < 62; ++n)
        ticket(n, "GJ17TT4521", "Coal", "Halol Ready Mix", "Western Coalfields Agency", 20000 + n, 6250);
    auto doc = document("list.rpt");
    ASSERT_EQ(doc->rowCount(), 60);
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_TRUE(doc->pageTexts(2).last().startsWith("Grand Total (60 tickets)"));
    int rows = 0;
    for (int p = 0; p < doc->pageCount(); ++p)
        rows += int(doc->pageTexts(p).size());
    EXPECT_EQ(rows, 61); // every ticket once, and the total
    const QString pdf = m_dir.filePath("long.pdf");
    ASSERT_TRUE(doc->writePdf(pdf));
    EXPECT_EQ(pdfPages(pdf), 3);
    EXPECT_GT(inked(doc->pageImage(2, 60)), 0.002);
}

// What a tool of poppler's prints about a PDF file.
QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess run;
    run.start(tool, arguments);
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        ADD_FAILURE() << tool.toStdString() << " failed: " << run.readAllStandardError().toStdString();
    return QString::fromUtf8(run.readAllStandardOutput());
}

// Pages written before the page count was known have it in their footers
// all the same; the text reads back from the file, in fonts embedded as
// subsets; and a page looks as the same page painted on the screen.
TEST_F(Engine, APdfReadsBackAndLooksAsThePagesOnScreen)
{
    for (int n = 10; n < 62; ++n)
        ticket(n, "GJ17TT4521", "Coal", "Halol Ready Mix", "Western Coalfields Agency", 20000 + n, 6250);
    auto doc = document("list.rpt");
    ASSERT_FALSE(doc->complete());
    const QString pdf = m_dir.filePath("long.pdf");
    std::vector<std::pair<int, int>> told;
    ASSERT_TRUE(doc->writePdf(pdf, [&](int done, int pages) {
        told.emplace_back(done, pages);
        return true;
    }));
    EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 0}, {2, 0}, {3, 3}}));
    EXPECT_TRUE(doc->complete());

    const QString text = poppler("pdftotext", {"-layout", pdf, "-"});
    for (const char *expected : {"Page 1 of 3", "Page 2 of 3", "Page 3 of 3", "Printed on 05/03/2024 10:30",
                                 "Grand Total (60 tickets)", "GJ17TT4521", "Western Coalfields Agency", "Test Report"})
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected << " not in:\n" << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("GJ17TT4521")), 52 + 2) << "each of the tickets once"; // and tickets 1 and 3
    EXPECT_TRUE(poppler("pdfinfo", {pdf}).contains(QRegularExpression("Title:\\s+Test Report")));
    const QStringList fonts = poppler("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    for (const QString &font : fonts)
        EXPECT_TRUE(font.contains(QRegularExpression("^[A-Z]{6}\\+DejaVuSans\\S* +CID TrueType +Identity-H +yes yes yes")))
            << font.toStdString();

    // Each page as poppler draws it from the file, beside the same page
    // painted on the screen, both in cells of about 2.5 mm: where either
    // has ink, both mostly have (poppler smooths the letters' edges its own
    // way); a text out of place or missing makes them as far apart as two
    // different pages.
    auto blurred = [](QImage image) {
        image = image.convertToFormat(QImage::Format_Grayscale8);
        return image.scaled(image.width() / 6, image.height() / 6, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    auto apart = [](const QImage &a, const QImage &b) {
        int either = 0, one = 0;
        for (int y = 0; y < std::min(a.height(), b.height()); ++y)
            for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
                const bool inkA = qGray(a.pixel(x, y)) < 235, inkB = qGray(b.pixel(x, y)) < 235;
                either += inkA || inkB;
                one += inkA != inkB;
            }
        return double(one) / std::max(either, 1);
    };
    std::vector<QImage> paper, screen;
    for (int page : {0, 2}) {
        const QString base = m_dir.filePath(QStringLiteral("page%1").arg(page));
        poppler("pdftoppm", {"-r", "60", "-gray", "-singlefile", "-f", QString::number(page + 1), "-l",
                             QString::number(page + 1), "-png", pdf, base});
        paper.push_back(blurred(QImage(base + ".png")));
        screen.push_back(blurred(doc->pageImage(page, 60)));
        ASSERT_FALSE(paper.back().isNull());
        ASSERT_LE(std::abs(paper.back().width() - screen.back().width()), 1);
        ASSERT_LE(std::abs(paper.back().height() - screen.back().height()), 1);
    }
    const double otherPage = apart(screen[0], screen[1]);
    for (size_t i = 0; i < paper.size(); ++i)
        EXPECT_LT(apart(paper[i], screen[i]), otherPage / 2) << "page " << (i ? 3 : 1) << ", another page "
                                                               << otherPage;
}

// A writing stopped from its progress leaves a file of the pages so far,
// their footers without the count that was never reached; so does one that
// an error stops (it reaches the caller once the pages so far are painted);
// a file that can't be written says why.
TEST_F(Engine, APdfStoppedHalfwayHoldsThePagesSoFarAndAnUnwritableOneSaysWhy)
{
    for (int n = 10; n < 62; ++n)
        ticket(n, "GJ17TT4521", "Coal", "Halol Ready Mix", "Western Coalfields Agency", 20000 + n, 6250);
    const QString pdf = m_dir.filePath("stopped.pdf");
    ASSERT_TRUE(document("list.rpt")->writePdf(pdf, [](int done, int) { return done < 2; }));
    EXPECT_EQ(pdfPages(pdf), 2);
    EXPECT_TRUE(poppler("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2\\n")));
    const QString text = poppler("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(text.contains(QRegularExpression("Page 2\\s*\\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains("Page 3"));

    const QString failed = m_dir.filePath("failed.pdf");
    EXPECT_THROW(document("list.rpt")->writePdf(failed,
                                                [](int done, int) {
                                                    if (done == 2)
                                                        throw RuntimeError::database("disk I/O error");
                                                    return true;
                                                }),
                 RuntimeError);
    EXPECT_EQ(pdfPages(failed), 2);

    QString why;
    EXPECT_FALSE(document("list.rpt")->writePdf(m_dir.filePath("no such folder/report.pdf"), {}, &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST_F(Engine, EmptySelectionPrintsOnePageSayingSo)
{
    auto doc = document("material.rpt", "{DAYREP.material}=''");
    EXPECT_EQ(doc->pageCount(), 1);
    EXPECT_EQ(doc->pageTexts(0), QStringList{"No tickets for this selection."});
}

TEST_F(Engine, SavesScreenshotsOfAListAndATicket)
{
    QDir().mkpath(SCREENSHOT_DIR);
    EXPECT_TRUE(document("material.rpt")->pageImage(0, 110).save(SCREENSHOT_DIR "/material-report.png"));
    EXPECT_TRUE(document("plainslip.rpt")->pageImage(0, 110).save(SCREENSHOT_DIR "/plainslip.png"));
}

// ---- faults of report files ---------------------------------------------------------

TEST_F(Engine, MissingReportFileNamesIt)
{
    try {
        ReportDefinition::load("nosuch.rpt");
        FAIL();
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), CannotOpenReport);
        EXPECT_TRUE(e.description().contains("'nosuch.rpt'")) << e.description().toStdString();
    }
}

struct Faulty {
    const char *text;
    const char *says;
};

class FaultyReport : public Engine, public ::testing::WithParamInterface<Faulty> {};

TEST_P(FaultyReport, IsRefusedWithWhatIsWrong)
{
    QFile f(m_dir.filePath("bad.rpt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GetParam().text);
    f.close();
    try {
        ReportDefinition d = ReportDefinition::load("bad.rpt");
        ReportDocument(d, readReportData(d, QString()), QDateTime());
        FAIL();
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), InvalidReport);
        EXPECT_TRUE(e.description().contains(GetParam().says)) << e.description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, FaultyReport,
    ::testing::Values(
        Faulty{"[report]\nsource = emp\ncolour = red\n[columns]\ncolumn = num | No | 10\n", "line 3: unknown key 'colour'"},
        Faulty{"[report]\n[columns]\ncolumn = num | No | 10\n", "names no source"},
        Faulty{"[report]\nsource = emp\n[columns]\ncolumn = num | No\n", "line 4"},
        Faulty{"[report]\nsource = emp\n[columns]\ncolumn = num | No | wide\n", "'wide' is not a width"},
        Faulty{"[report]\nsource = emp; drop\n", "is not a name"},
        Faulty{"[report]\nsource = nosuch\n[columns]\ncolumn = num | No | 10\n", "nosuch is not in the database"},
        Faulty{"[report]\nsource = emp\n[columns]\ncolumn = colour | No | 10\n", "column colour is not a column of emp"},
        Faulty{"[report]\nsource = emp\ntitle = {counter.reptit}\n[columns]\ncolumn = num | No | 10\n",
               "the field {counter.reptit} is not known"}));

// ---- long reports -----------------------------------------------------------------

class LongReport : public Engine
{
protected:
    // Tickets numbered from 1000 on, on the report's day, with the three
    // materials in turn.
    void manyTickets(int count)
    {
        prepare({Sql("with recursive n(i) as (select 1000 union all select i + 1 from n where i < ?) "
                     "insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, grossdt, "
                     "grosstime, taredt, taretime, grossoral, tareoral, rupee, stage, amtword, dt) "
                     "select i, 'GJ17TT' || i, case i % 3 when 0 then 'Sand' when 1 then 'Coal' else 'Cement' end, "
                     "'Halol Ready Mix', 'Mahi Sand', 20000 + i, 6000, 14000 + i, '05/03/2024', '09:15', "
                     "'05/03/2024', '10:05', ' ', 'Oral', '150', 3, 'x', '2024-03-05' from n",
                     {999 + count})});
    }
    // The first cell of every row band of every page, page by page.
    static QStringList firstCells(const ReportDocument &doc)
    {
        QStringList out;
        for (int p = 0; p < doc.pageCount(); ++p)
            for (const QString &line : doc.pageTexts(p))
                if (!line.startsWith("Grand Total") && !line.startsWith("Total ") && !line.contains(" : "))
                    out << line.section(" | ", 0, 0);
        return out;
    }
};

TEST_F(LongReport, FirstPageIsReadyBeforeTheLastIsLaidOut)
{
    manyTickets(1500);
    start();
    ReportControl &report = form1->CrystalReport1;
    report.setReportFileName("list.rpt");
    report.setDestination(Destination::Window);
    int laidOut = -1;
    bool complete = true;
    QStringList firstPage;
    report.onFirstPage = [&](const ReportDocument &doc) {
        laidOut = doc.pagesLaidOut();
        complete = doc.complete();
        firstPage = doc.pageTexts(0);
    };
    report.PrintReport();
    EXPECT_EQ(laidOut, 1);
    EXPECT_FALSE(complete);
    ASSERT_FALSE(firstPage.isEmpty());
    EXPECT_TRUE(firstPage.first().startsWith("1 | 05/03/2024 | GJ17TT4521")) << firstPage.first().toStdString();

    // The host then had the whole report, streamed into a PDF page by page.
    ASSERT_EQ(host.printed().size(), 1u);
    const auto &printed = host.printed()[0];
    EXPECT_GT(printed.pages, 40);
    EXPECT_EQ(pdfPages(printed.pdfFile), printed.pages);
    auto doc = std::static_pointer_cast<const ReportDocument>(printed.document);
    EXPECT_TRUE(doc->complete());
    EXPECT_EQ(doc->rowCount(), 1508);
    EXPECT_TRUE(doc->pageTexts(printed.pages - 1).last().startsWith("Grand Total (1508 tickets)"));
}

TEST_F(LongReport, TicketsCanBeSavedWhileALongReportIsOpen)
{
    manyTickets(1500);
    auto doc = document("list.rpt");
    ASSERT_FALSE(doc->complete());
    // No read of the report's rows is left open between pages: a save on
    // the program's connection goes through at once.
    Connection db;
    db.Open(QString::fromLatin1(aminv::DefaultConnection));
    db.BeginTrans();
    db.run(Sql("update emp set rupee='200' where num=1"));
    EXPECT_NO_THROW(db.CommitTrans());
    db.Close();
    EXPECT_TRUE(doc->layOutUntil(5));
}

// A ticket completed while a long Date Wise report is open moves to today,
// further on in the report's order, and more tickets than the report reads
// at once are saved there: the report lists the tickets as they were when
// it opened, the completed one once and the new ones not at all, and its
// count holds.
TEST_F(LongReport, ListsTheTicketsAsTheyWereWhenItOpened)
{
    manyTickets(25000); // more than the rows read at once
    prepare({Sql("update counter set st_dt='2024-03-05', en_dt='2024-03-06'")});
    auto doc = document("list.rpt");
    ASSERT_FALSE(doc->complete());
    prepare({Sql("update emp set dt='2024-03-06', stage=3 where num=1000"),
             Sql("with recursive n(i) as (select 26000 union all select i + 1 from n where i < 46499) "
                 "insert into emp (num, truckno, dt, grosswt, stage) select i, 'GJ01NEW', '2024-03-05', 5000, 1 from n")});
    EXPECT_EQ(doc->rowCount(), 25009);
    const int pages = doc->pageCount();
    EXPECT_TRUE(doc->pageTexts(pages - 1).last().startsWith("Grand Total (25009 tickets)"));
    // The last pages, laid out after the change: none of those tickets.
    for (int p = pages - 10; p < pages; ++p)
        for (const QString &line : doc->pageTexts(p)) {
            const int num = line.section(" | ", 0, 0).toInt();
            EXPECT_NE(num, 1000) << "listed again on page " << p + 1;
            EXPECT_LT(num, 26000) << "saved after the report opened, on page " << p + 1;
        }
}

// Another report run meanwhile rewrites the settings row. A report whose
// source reads that row itself cannot go on with the new range; one that
// took its values when it opened goes on.
struct LaterReport {
    const char *file;
    bool stops;
};

class SettingsChangedMeanwhile : public LongReport, public ::testing::WithParamInterface<LaterReport> {};

TEST_P(SettingsChangedMeanwhile, StopsOnlyAReportThatReadsThemItself)
{
    manyTickets(1500);
    prepare({Sql("update counter set mstno=1, menno=3000")});
    auto doc = document(GetParam().file);
    const QStringList first = doc->pageTexts(0);
    ASSERT_GT(doc->pageCount(), 30); // page 1 is dropped by now
    prepare({Sql("update counter set st_dt='2024-03-06', en_dt='2024-03-06', mstno=9, menno=9")});
    if (!GetParam().stops) {
        EXPECT_EQ(doc->pageTexts(0), first);
        return;
    }
    try {
        doc->pageTexts(0);
        FAIL() << "laid out again with the other report's settings";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.description(), "The report settings in counter were changed after this report was opened "
                                   "(another report was run): close this report and run it again");
    }
}

INSTANTIATE_TEST_SUITE_P(Reports, SettingsChangedMeanwhile,
                         ::testing::Values(LaterReport{"list.rpt", true}, LaterReport{"nolist.rpt", false}));

TEST_F(LongReport, FooterGivesThePageCountOnceItIsKnown)
{
    manyTickets(1500);
    auto doc = document("list.rpt");
    EXPECT_TRUE(drawn(*doc, 0).endsWith("Page 1")) << drawn(*doc, 0).toStdString();
    const int pages = doc->pageCount();
    EXPECT_TRUE(drawn(*doc, 0).endsWith(QStringLiteral("Page 1 of %1").arg(pages)));
}

// Reports sorted on unique and on repeated values, and unsorted: every row
// is printed once, in the report's order, however the rows are read in
// slices and the pages laid out again.
struct Sorting {
    const char *name;
    const char *order;
};

class SortedRows : public LongReport, public ::testing::WithParamInterface<Sorting> {};

TEST_P(SortedRows, EveryRowOnceAcrossSlicesAndPages)
{
    manyTickets(1500);
    QByteArray text = "[report]\nsource = emp\n";
    text += GetParam().order;
    text += "\ntotals = netwt\n[columns]\ncolumn = num | No | 10\ncolumn = material | Material | 20\n"
            "column = netwt | Net | 10 | right\n";
    reportFile("rows.rpt", text);
    auto doc = document("rows.rpt");
    ASSERT_EQ(doc->pagesLaidOut(), 1);
    const QStringList page3 = doc->pageTexts(3);
    const QStringList cells = firstCells(*doc);
    ASSERT_EQ(cells.size(), 1509); // the day's nine tickets and the many
    std::vector<int> numbers;
    for (const QString &c : cells)
        numbers.push_back(c.toInt());
    if (QByteArray(GetParam().order).contains("material")) {
        // Materials in order, each material's tickets together.
        QStringList materials;
        for (int p = 0; p < doc->pageCount(); ++p)
            for (const QString &line : doc->pageTexts(p))
                if (!line.startsWith("Grand"))
                    materials << line.section(" | ", 1, 1);
        EXPECT_TRUE(std::is_sorted(materials.begin(), materials.end()));
    } else if (QByteArray(GetParam().order).contains("num")) {
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end()) << "a row printed twice";
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 2499);
    // A page dropped since it was laid out comes back the same.
    EXPECT_GT(doc->pageCount(), 20);
    EXPECT_EQ(doc->pageTexts(3), page3);
    double net = 0;
    for (const auto &row : rows("select netwt from emp"))
        net += row["netwt"].toDouble();
    EXPECT_EQ(doc->pageTexts(doc->pageCount() - 1).last(),
              QStringLiteral("Grand Total (1509 tickets) | %1").arg(qint64(net)));
}

INSTANTIATE_TEST_SUITE_P(Orders, SortedRows,
                         ::testing::Values(Sorting{"unique", "order = num"},
                                           Sorting{"repeated", "order = material"},
                                           Sorting{"repeatedThenUnique", "order = material, num"},
                                           Sorting{"none", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(LongReport, GroupTotalsHoldOnPagesLaidOutAgain)
{
    manyTickets(1500);
    auto doc = document("material.rpt");
    const int pages = doc->pageCount();
    std::vector<QStringList> first;
    for (int p = 0; p < pages; ++p)
        first.push_back(doc->pageTexts(p));
    for (int p = pages - 1; p >= 0; p -= 7)
        EXPECT_EQ(doc->pageTexts(p), first[size_t(p)]) << "page " << p + 1;
    QStringList all;
    for (const QStringList &page : first)
        all << page;
    // 500 of each material besides the day's eight tickets.
    EXPECT_TRUE(all.contains("Total Coal (503 tickets) | 10965470 | 3027580 | 7937890")) << all.filter("Total").join('\n').toStdString();
}

// ---- values on paper ----------------------------------------------------------------

struct LongValue {
    const char *file;
    const char *setup; // a statement that stores the long value
    const char *value;
};

class LongValueOnPaper : public Engine, public ::testing::WithParamInterface<LongValue> {};

TEST_P(LongValueOnPaper, IsWrappedNotCut)
{
    prepare({Sql(GetParam().setup)});
    auto doc = document(GetParam().file);
    const QString paper = drawn(*doc, 0);
    // Lines may break inside a word too long for the width.
    EXPECT_TRUE(QString(paper).remove(' ').contains(QString::fromUtf8(GetParam().value).remove(' ')))
        << paper.toStdString();
    EXPECT_FALSE(paper.contains(QChar(0x2026))) << paper.toStdString();
    EXPECT_FALSE(paper.contains("...")) << paper.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Values, LongValueOnPaper,
    ::testing::Values(
        LongValue{"plainslip.rpt", "update slip set sup='Shree Mahalaxmi Sand and Stone Crushing Suppliers Private Limited'",
                  "Shree Mahalaxmi Sand and Stone Crushing Suppliers Private Limited"},
        LongValue{"plainslip.rpt", "update slip set truckno='GJ17TT4521GJ17TT4521GJ17TT4521GJ17TT4521'",
                  "GJ17TT4521GJ17TT4521GJ17TT4521GJ17TT4521"},
        LongValue{"plainslip.rpt", "update slip set material='Crushed Black Trap Stone Aggregate 20mm'",
                  "Crushed Black Trap Stone Aggregate 20mm"},
        LongValue{"list.rpt", "update emp set rece='Gujarat State Road and Infrastructure Development Corporation' where num=1",
                  "Gujarat State Road and Infrastructure Development Corporation"},
        LongValue{"list.rpt", "update emp set sup='Western Coalfields Agency' where num=1", "Western Coalfields Agency"},
        LongValue{"list.rpt", "update emp set grosswt=987654321987 where num=1", "987654517997"}, // the total
        LongValue{"material.rpt",
                  "update emp set material='Crushed Black Trap Stone Aggregate 20mm Washed and Graded' where num in (4, 7)",
                  "Total Crushed Black Trap Stone Aggregate 20mm Washed and Graded (2 tickets)"}));

TEST_F(Engine, AValueTooLongToShrinkGoesOnToFurtherLines)
{
    const QString value = "Gujarat State Road and Infrastructure Development Corporation Limited Halol Division";
    prepare({Sql("update emp set rece=? where num=1", {value})});
    auto doc = document("list.rpt");
    EXPECT_EQ(doc->pageCount(), 1);
    const QStringList texts = DrawnText::of(doc->pageSize(), [&](QPainter &p) { doc->paintPage(p, 0); });
    EXPECT_FALSE(texts.contains(value)) << "drawn on one line";
    EXPECT_TRUE(texts.join(' ').contains(value)) << texts.join('|').toStdString();
}

// ---- report files -------------------------------------------------------------------

struct Encoding {
    const char *name;
    QByteArray bytes;
};

class ReportFileText : public Engine, public ::testing::WithParamInterface<Encoding> {};

TEST_P(ReportFileText, PrintsTheTitleAsWritten)
{
    reportFile("enc.rpt", GetParam().bytes + "[report]\nkind = ticket\nsource = slip\ntitle = Weighment \xE2\x80\x94 "
                                             "Caf\xC3\xA9 \xE2\x82\xB9\n[ticket]\nline = Slip No. | {num}\n");
    auto doc = document("enc.rpt");
    const QString title = QString::fromUtf8("Weighment \u2014 Caf\u00e9 \u20b9");
    EXPECT_EQ(doc->definition().title, title);
    EXPECT_TRUE(drawn(*doc, 0).contains(title)) << drawn(*doc, 0).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Utf8, ReportFileText,
                         ::testing::Values(Encoding{"plain", QByteArray()}, Encoding{"withMark", "\xEF\xBB\xBF"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Engine, TheRunDirectoryDescribesTheReportFiles)
{
    if (!PROGRAMS_BUILT)
        GTEST_SKIP() << "built without the desktop: no programs, no run directory beside them";
    QFile description(BUILT_RUN_DIR "/reports.txt");
    ASSERT_TRUE(description.open(QIODevice::ReadOnly)) << "reports.txt is not in the run directory";
    const QString text = QString::fromUtf8(description.readAll());
    for (QDirIterator it(QStringLiteral(REPORT_FILES_DIR), {"*.rpt"}); it.hasNext();) {
        const QString name = QFileInfo(it.next()).fileName();
        EXPECT_TRUE(text.contains(name)) << name.toStdString();
        EXPECT_TRUE(QFile::exists(BUILT_RUN_DIR "/" + name)) << name.toStdString();
    }
}

TEST_F(Engine, ReportFilesAreWindows1252)
{
    QFile f(m_dir.filePath("ansi.rpt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[report]\nsource = emp\ntitle = Caf\xe9 \x80 \x96 Report\n[columns]\ncolumn = num | N\xba | 10\n");
    f.close();
    const ReportDefinition d = ReportDefinition::load("ansi.rpt");
    EXPECT_EQ(d.title, QString::fromUtf8("Caf\u00e9 \u20ac \u2013 Report"));
    EXPECT_EQ(d.columns.at(0).heading, QString::fromUtf8("N\u00ba"));
}

} // namespace

// A report's texts are shaped once and drawn again from the shape kept: the
// pixels are those QPainter::drawText gives the same text in the same box,
// whatever the alignment, size, weight or blanks, and a text wider than its
// box is cut at the box as drawText cuts it.
TEST(KeptTextShape, DrawsAsQPainterDrawsTheText)
{
    const QStringList texts = {QStringLiteral("12345"), QStringLiteral("10/12/2026"),
                               QStringLiteral("Page 3 of 38462"), QStringLiteral("AVFVAWAY To."),
                               QStringLiteral("  two leading blanks"), QStringLiteral("two trailing blanks  "),
                               QStringLiteral("line\nbreak"),
                               QStringLiteral("a text far wider than its box, which drawText cuts at the box")};
    const int alignments[] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignRight | Qt::AlignVCenter,
                              Qt::AlignHCenter | Qt::AlignVCenter, Qt::AlignHCenter | Qt::AlignBottom};
    const QSize size(620, 190); // 150 dpi, the page in tenths of a millimetre below
    for (int pixels : {28, 30, 34, 48, 60})
        for (bool bold : {false, true})
            for (int flags : alignments) {
                QFont f(QStringLiteral("DejaVu Sans"));
                f.setHintingPreference(QFont::PreferNoHinting);
                f.setPixelSize(pixels);
                f.setBold(bold);
                QImage drawn(size, QImage::Format_RGB32), kept(size, QImage::Format_RGB32);
                for (QImage *image : {&drawn, &kept}) {
                    image->fill(Qt::white);
                    QPainter p(image);
                    p.setViewport(image->rect());
                    p.setWindow(0, 0, 2100, 640);
                    p.setRenderHint(QPainter::TextAntialiasing);
                    p.setFont(f);
                    for (int i = 0; i < texts.size(); ++i) {
                        const QRectF box(120.5 + i % 3, i * 78, 900, 70);
                        if (image == &drawn)
                            p.drawText(box, flags | Qt::TextSingleLine, texts[i]);
                        else
                            drawLine(p, box, flags, texts[i]);
                    }
                }
                EXPECT_TRUE(drawn == kept) << pixels << " px, bold " << bold << ", flags " << flags;
            }
}
