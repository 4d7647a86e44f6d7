#pragma once
// The preview window of a report: shows one page at a time, fitted to the
// window's width, as soon as that page is laid out. While the rest of the
// report is laid out a little at a time between the operator's events, the
// window shows how many pages are known so far and a busy bar; then the
// page count. It keeps only the page in view painted.
#include "runtime/host.h"
#include "report/printdocument.h"

#include <QImage>
#include <QWidget>
#include <memory>

class QLabel;
class QPrinter;
class QProgressBar;
class QScrollArea;
class QTimer;
class QToolButton;

namespace vb {

class ReportPreview : public QWidget
{
    Q_OBJECT
public:
    explicit ReportPreview(std::shared_ptr<const PrintDocument> document, QWidget *parent = nullptr);
    ~ReportPreview() override;

    int currentPage() const { return m_page; }
    // Shows a page (0-based); one not laid out yet is laid out first.
    void showPage(int page);
    // Whether the background layout has finished (or stopped on a failure).
    bool layoutDone() const;
    // Prints the whole report on a printer already set up (what the print
    // dialog leads to), with a progress window that can cancel it.
    void printTo(QPrinter &printer);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOutSome();
    // The last page, at once when the layout is done, otherwise once it is.
    void showLastPage();
    // A page the operator asks for, in place of a pending move to the last.
    void goTo(int page);
    void render();
    // The width a page is drawn at, from the room the scroll area gives.
    int sheetWidth() const;
    void updateStatus();
    void print();
    void failed(const QString &why);

    std::shared_ptr<const PrintDocument> m_document;
    int m_page = 0;
    double m_zoom = 1.0; // of the window's width
    int m_renderedFor = -1; // the sheet width the page was last drawn at
    bool m_stopped = false;
    bool m_toLast = false; // the last page was asked for before it was known
    QTimer *m_layout;
    QScrollArea *m_scroll;
    QLabel *m_sheet;
    QLabel *m_status;
    QProgressBar *m_busy;
    QToolButton *m_first, *m_previous, *m_next, *m_last;
};

} // namespace vb
