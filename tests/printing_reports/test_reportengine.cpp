// The report engine on the delivered report files: the rows each file and
// formula choose, the layout into pages, the PDF and the painted pixels.
#include "reportoffice.h"

#include "report/reportdefinition.h"
#include "report/reportdocument.h"

#include "runtime/errors.h"

#include <QImage>
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
