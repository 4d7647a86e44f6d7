// The report preview window on the offscreen platform: the first page in
// view at once, the rest laid out between events, and what the operator
// reads meanwhile; and a report sent to the printer on a machine without one.
#include "desktop/qthost.h"
#include "desktop/reportpreview.h"
#include "runtime/errors.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vb;

namespace {

// A document of a given number of pages that lays out one page per call,
// as a long report does a slice at a time.
class SlowDocument : public PrintDocument
{
public:
    explicit SlowDocument(int pages, QSize size = QSize(2100, 2970)) : m_pages(pages), m_size(size) {}
    QString title() const override { return QStringLiteral("Long report"); }
    int pageCount() const override
    {
        m_laid = m_pages;
        return m_pages;
    }
    // Every page in a PDF file, laid out as it is written, as a long report is.
    bool writePdf(const QString &fileName, const Progress &progress, QString *) const override
    {
        QPdfWriter pdf(fileName);
        QPainter p(&pdf);
        for (int page = 0; page < m_pages; ++page) {
            if (page > 0)
                pdf.newPage();
            m_laid = std::max(m_laid, page + 1);
            p.setWindow(QRect(QPoint(0, 0), pageSize()));
            paintPage(p, page);
            if (progress && !progress(page + 1, complete() ? m_pages : 0))
                break;
        }
        return true;
    }
    int pagesLaidOut() const override { return m_laid; }
    bool complete() const override { return m_laid == m_pages; }
    bool layOutMore(int) const override
    {
        if (m_laid < m_pages)
            ++m_laid;
        return complete();
    }
    QSize pageSize() const override { return m_size; }
    void paintPage(QPainter &p, int page) const override
    {
        painted.push_back(page);
        p.drawText(QRect(0, 0, 2100, 300), Qt::AlignCenter, QString::number(page + 1));
    }
    mutable std::vector<int> painted;

private:
    int m_pages;
    QSize m_size;
    mutable int m_laid = 1; // the first page comes laid out
};

class Preview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App::instance().reset();
        host = std::make_unique<QtHost>();
    }
    void TearDown() override
    {
        host.reset();
        App::instance().reset();
    }
    static QString status(ReportPreview &w)
    {
        for (QLabel *l : w.findChildren<QLabel *>())
            if (l->text().startsWith("Page"))
                return l->text();
        return QString();
    }
    // A preview of the document on the screen.
    static std::unique_ptr<ReportPreview> shown(std::shared_ptr<const PrintDocument> doc)
    {
        auto window = std::make_unique<ReportPreview>(std::move(doc));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    std::unique_ptr<QtHost> host;
};

TEST_F(Preview, ShowsTheFirstPageWhileTheRestIsLaidOut)
{
    auto doc = std::make_shared<SlowDocument>(200);
    auto *window = new ReportPreview(doc);
    QPointer<ReportPreview> alive(window);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), "Long report");
    ASSERT_FALSE(doc->painted.empty());
    EXPECT_EQ(doc->painted.front(), 0);
    EXPECT_FALSE(doc->complete());
    EXPECT_TRUE(status(*window).startsWith("Page 1 of ")) << status(*window).toStdString();
    EXPECT_TRUE(status(*window).endsWith(" so far...")) << status(*window).toStdString();
    EXPECT_TRUE(window->findChild<QProgressBar *>()->isVisible());

    // Keys reach pages laid out and beyond them.
    QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_EQ(window->currentPage(), 1);

    EXPECT_TRUE(QTest::qWaitFor([&] { return doc->complete(); }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(status(*window), "Page 2 of 200");
    EXPECT_FALSE(window->findChild<QProgressBar *>()->isVisible());
    QTest::keyClick(window, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(window->currentPage(), 199);
    EXPECT_EQ(doc->painted.back(), 199);
    QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_EQ(window->currentPage(), 199) << "stays on the last page";

    // Closing it lets the document go.
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 2000));
    EXPECT_EQ(doc.use_count(), 1);
}

TEST_F(Preview, TheLastPageOfALongReportIsReachedWithoutHoldingUpTheWindow)
{
    auto doc = std::make_shared<SlowDocument>(150);
    auto preview = shown(doc);
    ReportPreview &window = *preview;

    // Ctrl+End before the page count is known: the window answers at once,
    // shows where the layout is, and moves to the last page when it is done.
    QTest::keyClick(&window, Qt::Key_End, Qt::ControlModifier);
    EXPECT_FALSE(doc->complete()) << "the whole layout was made before the window answered";
    EXPECT_TRUE(status(window).endsWith("so far, going to the last...")) << status(window).toStdString();
    EXPECT_TRUE(window.findChild<QProgressBar *>()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.currentPage() == 149; }, 10000));
    EXPECT_TRUE(doc->complete());
    EXPECT_EQ(doc->painted.back(), 149);
    EXPECT_EQ(status(window), "Page 150 of 150");
}

TEST_F(Preview, AnotherPageAskedForWhileGoingToTheLastOneWins)
{
    auto doc = std::make_shared<SlowDocument>(150);
    auto preview = shown(doc);
    ReportPreview &window = *preview;
    QTest::keyClick(&window, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_PageDown);
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc->complete(); }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(status(window), "Page 2 of 150");
}

// A landscape page that fits the window's height only when drawn a scroll
// bar narrower: the page keeps its size and the window goes quiet, at every
// height around that one (it was drawn again and again, the bar shown and
// hidden in turn, and the layout behind it slowed to a crawl).
TEST_F(Preview, APageThatJustFitsTheHeightIsDrawnOnce)
{
    auto doc = std::make_shared<SlowDocument>(1, QSize(2970, 2100));
    auto preview = shown(doc);
    auto *scroll = preview->findChild<QScrollArea *>();
    ASSERT_TRUE(scroll);
    preview->resize(1000, 700);
    QTest::qWait(30);
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll->verticalScrollBar());
    const int room = scroll->maximumViewportSize().width(), around = preview->height() - scroll->maximumViewportSize().height();
    const auto pageHeight = [](int width) { return (width - 24) * 2100 / 2970; };
    for (int height = pageHeight(room - bar) - 2; height <= pageHeight(room) + 2; ++height) {
        preview->resize(1000, around + height);
        // Once the resize has been dealt with, the page is not drawn again.
        size_t drawn = doc->painted.size();
        for (int tries = 0; tries < 20; ++tries) {
            QTest::qWait(30);
            if (std::exchange(drawn, doc->painted.size()) == drawn)
                break;
        }
        QTest::qWait(100);
        EXPECT_EQ(doc->painted.size(), drawn) << "drawn over and over with room for a page " << height << " high";
    }
}

TEST_F(Preview, PrintsTheWholeReportToAPdfFile)
{
    auto doc = std::make_shared<SlowDocument>(120);
    auto preview = shown(doc);
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("report.pdf"));
    // The rest of the report is laid out as it is printed.
    preview->printTo(printer);
    EXPECT_TRUE(doc->complete());
    EXPECT_EQ(status(*preview), "Page 1 of 120");
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    EXPECT_EQ(QString::fromLatin1(pdf.readAll()).count(page), 120);
}

TEST_F(Preview, PrintingWithoutAPrinterRaisesAnError)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    auto doc = std::make_shared<SlowDocument>(3);
    try {
        host->printReport(doc, Destination::Printer, 1);
        FAIL() << "no error";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), NoPrinterError);
        // Why, as the machine's print service stands (a private one in the
        // CUPS tests shows each case).
        EXPECT_TRUE(e.description() == "No printer is installed" ||
                    e.description() == "The print service (CUPS) is not running")
            << e.description().toStdString();
    }
}

} // namespace
