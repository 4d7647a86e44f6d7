#include "reportpreview.h"

#include "printservice.h"

#include "runtime/errors.h"
#include "runtime/form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QDir>
#include <QElapsedTimer>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QProgressDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vb {

namespace {

// Layout between the operator's events: short enough that keys and
// repaints are not held up.
constexpr int SliceMs = 12;

} // namespace

ReportPreview::ReportPreview(std::shared_ptr<const PrintDocument> document, QWidget *parent)
    : QWidget(parent, Qt::Window), m_document(std::move(document)), m_layout(new QTimer(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_document->title());
    resize(1000, 760);

    auto button = [this](QStyle::StandardPixmap icon, const QString &tip, auto slot) {
        auto *b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    m_first = button(QStyle::SP_MediaSkipBackward, tr("First page"), [this] { goTo(0); });
    m_previous = button(QStyle::SP_MediaSeekBackward, tr("Previous page"), [this] { goTo(m_page - 1); });
    m_next = button(QStyle::SP_MediaSeekForward, tr("Next page"), [this] { goTo(m_page + 1); });
    m_last = button(QStyle::SP_MediaSkipForward, tr("Last page"), [this] { showLastPage(); });
    auto *zoomOut = new QToolButton(this);
    zoomOut->setText(QStringLiteral("-"));
    zoomOut->setToolTip(tr("Smaller"));
    connect(zoomOut, &QToolButton::clicked, this, [this] {
        m_zoom = std::max(0.3, m_zoom / 1.25);
        render();
    });
    auto *zoomIn = new QToolButton(this);
    zoomIn->setText(QStringLiteral("+"));
    zoomIn->setToolTip(tr("Larger"));
    connect(zoomIn, &QToolButton::clicked, this, [this] {
        m_zoom = std::min(4.0, m_zoom * 1.25);
        render();
    });
    auto *printButton = new QToolButton(this);
    printButton->setText(tr("Print..."));
    connect(printButton, &QToolButton::clicked, this, [this] { print(); });

    m_status = new QLabel(this);
    m_status->setMinimumWidth(220);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0); // busy: the page count is not known yet
    m_busy->setMaximumWidth(160);
    m_busy->setTextVisible(false);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    for (QWidget *w : std::initializer_list<QWidget *>{m_first, m_previous, m_status, m_next, m_last})
        bar->addWidget(w);
    bar->addWidget(m_busy);
    bar->addStretch();
    bar->addWidget(zoomOut);
    bar->addWidget(zoomIn);
    bar->addWidget(printButton);

    m_sheet = new QLabel;
    m_sheet->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_sheet);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidgetResizable(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);

    // The page is fitted to the width of the area that shows it.
    m_scroll->viewport()->installEventFilter(this);
    connect(m_layout, &QTimer::timeout, this, [this] { layOutSome(); });
    if (!m_document->complete())
        m_layout->start(0);
    updateStatus();
}

ReportPreview::~ReportPreview() = default;

bool ReportPreview::layoutDone() const
{
    return m_stopped || m_document->complete();
}

void ReportPreview::layOutSome()
{
    try {
        const bool wasComplete = m_document->complete();
        if (m_document->layOutMore(SliceMs) && !wasComplete) {
            m_layout->stop();
            if (m_toLast) {
                m_toLast = false;
                showPage(m_document->pagesLaidOut() - 1);
            }
            render(); // the footer now gives the page count
        }
    } catch (const RuntimeError &e) {
        failed(e.description());
    }
    updateStatus();
}

void ReportPreview::showLastPage()
{
    if (layoutDone()) {
        showPage(m_document->pagesLaidOut() - 1);
        return;
    }
    // The last page needs the whole layout, which may take a while on a
    // long report: it goes on between the operator's events, with the
    // count so far in view, and the window moves there when it is done.
    m_toLast = true;
    if (!m_layout->isActive())
        m_layout->start(0);
    updateStatus();
}

void ReportPreview::goTo(int page)
{
    m_toLast = false;
    showPage(page);
}

void ReportPreview::failed(const QString &why)
{
    m_toLast = false;
    m_layout->stop();
    m_stopped = true;
    updateStatus();
    host().msgBox(why, Msg::OKOnly | Msg::Exclamation, App::instance().title());
}

void ReportPreview::showPage(int page)
{
    if (page < 0)
        return;
    // A page beyond the ones laid out is laid out now, and the window stays
    // on the last page when the report is shorter.
    try {
        while (page >= m_document->pagesLaidOut() && !m_document->complete())
            m_document->layOutMore(SliceMs);
    } catch (const RuntimeError &e) {
        failed(e.description());
    }
    page = std::min(page, m_document->pagesLaidOut() - 1);
    if (page < 0 || page == m_page) {
        updateStatus();
        return;
    }
    m_page = page;
    render();
    m_scroll->verticalScrollBar()->setValue(0);
    updateStatus();
}

// The scroll area's room less its vertical scroll bar, shown or not: a page
// that the bar's width decides whether it fits the height would otherwise
// be drawn smaller, then fit and lose the bar, be drawn larger, no longer
// fit, and so on, for as long as the window is open.
int ReportPreview::sheetWidth() const
{
    const int bar = m_scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll->verticalScrollBar());
    return std::max(200, int((m_scroll->maximumViewportSize().width() - bar - 24) * m_zoom));
}

void ReportPreview::render()
{
    const QSize size = m_document->pageSize();
    const int width = sheetWidth();
    m_renderedFor = width;
    const qreal ratio = devicePixelRatioF();
    QImage image(QSize(width, width * size.height() / size.width()) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setViewport(image.rect());
    p.setWindow(QRect(QPoint(0, 0), size));
    try {
        m_document->paintPage(p, m_page);
    } catch (const RuntimeError &e) {
        p.end();
        failed(e.description());
        return;
    }
    p.end();
    m_sheet->setPixmap(QPixmap::fromImage(image));
    m_sheet->resize(m_sheet->sizeHint());
}

void ReportPreview::updateStatus()
{
    const int known = m_document->pagesLaidOut();
    if (m_document->complete())
        m_status->setText(tr("Page %1 of %2").arg(m_page + 1).arg(known));
    else if (m_stopped)
        m_status->setText(tr("Page %1 of %2 (not laid out further)").arg(m_page + 1).arg(known));
    else if (m_toLast)
        m_status->setText(tr("Page %1 of %2 so far, going to the last...").arg(m_page + 1).arg(known));
    else
        m_status->setText(tr("Page %1 of %2 so far...").arg(m_page + 1).arg(known));
    m_busy->setVisible(!layoutDone());
    m_first->setEnabled(m_page > 0);
    m_previous->setEnabled(m_page > 0);
    const bool more = m_page + 1 < known || !layoutDone();
    m_next->setEnabled(more);
    m_last->setEnabled(more && !m_stopped);
}

// The job options the print dialog keeps for the print service (pages,
// pages per sheet, banners, ...), as name and value pairs on the printer's
// engine under Qt's own key for them.
static QList<std::pair<QByteArray, QByteArray>> dialogOptions(QPrinter &printer)
{
    using Option = std::pair<QByteArray, QByteArray>;
    QList<Option> options;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone: options.append(Option("sides", "one-sided")); break;
    case QPrinter::DuplexLongSide: options.append(Option("sides", "two-sided-long-edge")); break;
    case QPrinter::DuplexShortSide: options.append(Option("sides", "two-sided-short-edge")); break;
    default: break;
    }
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0)
        options.append(Option("page-ranges", QByteArray::number(printer.fromPage()) + '-' + QByteArray::number(printer.toPage())));
    constexpr auto CupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    const QStringList pairs = printer.printEngine()->property(CupsOptions).toStringList();
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        options.append(Option(pairs[i].toUtf8(), pairs[i + 1].toUtf8()));
    return options;
}

void ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_document->title());
    QString why;
    const bool noDefault = printservice::defaultQueue(&why).isEmpty();
    if (QPrinterInfo::availablePrinters().isEmpty())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintDialog dialog(&printer, this);
    // Without a default printer the dialog opens on printing to a file (the
    // last entry of its printer list, which Qt names "printers"), not on the
    // first queue, which may well be a raw ticket
    // printer that would print PDF source: a report goes to a printer only
    // when the operator picks one.
    if (noDefault)
        QTimer::singleShot(0, &dialog, [&dialog] {
            if (auto *printers = dialog.findChild<QComboBox *>(QStringLiteral("printers")))
                printers->setCurrentIndex(printers->count() - 1);
        });
    if (dialog.exec() != QDialog::Accepted)
        return;
    printTo(printer);
}

void ReportPreview::printTo(QPrinter &printer)
{
    // Printed page by page as the pages are laid out; either can be
    // cancelled.
    QProgressDialog progress(tr("Printing..."), tr("Cancel"), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // Told ten times a second: the window is kept up to date (and Cancel
    // heard) without costing the pages of a long report their speed.
    QElapsedTimer told;
    told.start();
    const auto pagePrinted = [&](int done, int pages) {
        if (told.elapsed() < 100 && done != pages)
            return true;
        told.restart();
        progress.setMaximum(pages);
        progress.setValue(pages ? done : 0);
        progress.setLabelText(pages ? tr("Printing page %1 of %2...").arg(done).arg(pages)
                                    : tr("Printing page %1...").arg(done));
        return !progress.wasCanceled();
    };
    try {
        m_layout->stop();
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            QString why;
            if (!m_document->writePdf(printer.outputFileName(), pagePrinted, &why)) {
                progress.reset();
                host().msgBox(QStringLiteral("The report cannot be written to %1 (%2)")
                                  .arg(QDir::toNativeSeparators(printer.outputFileName()), why),
                              Msg::OKOnly | Msg::Exclamation, App::instance().title());
            }
        } else {
            // Handed to the print service here, so that a printer that
            // refuses the report is told rather than the report lost.
            printservice::Job job;
            job.queue = printer.printerName();
            job.title = m_document->title();
            job.copies = printer.copyCount();
            job.collate = printer.collateCopies();
            job.options = dialogOptions(printer);
            const QString why = printservice::print(*m_document, job, pagePrinted);
            if (!why.isEmpty()) {
                progress.reset();
                host().msgBox(why + QStringLiteral(": the report was not printed"), Msg::OKOnly | Msg::Exclamation,
                              App::instance().title());
            }
        }
    } catch (const RuntimeError &e) {
        failed(e.description());
    }
    // A print that was cancelled leaves the rest of the layout to the background.
    if (m_document->complete()) {
        if (m_toLast) {
            m_toLast = false;
            showPage(m_document->pagesLaidOut() - 1);
        }
        render();
    } else if (!m_stopped) {
        m_layout->start(0);
    }
    updateStatus();
}

void ReportPreview::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown: goTo(m_page + 1); break;
    case Qt::Key_PageUp: goTo(m_page - 1); break;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier)
            goTo(0);
        else
            m_scroll->verticalScrollBar()->setValue(0);
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier)
            m_last->click();
        else
            m_scroll->verticalScrollBar()->setValue(m_scroll->verticalScrollBar()->maximum());
        break;
    case Qt::Key_Escape: close(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

bool ReportPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && sheetWidth() != m_renderedFor)
        render();
    return QWidget::eventFilter(watched, event);
}

} // namespace vb
