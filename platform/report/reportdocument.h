#pragma once
// A report laid out into A4 pages, as the pages are asked for: the first
// page is laid out when the document is made, the others as they are
// viewed, printed or laid out in the background (layOutMore). Only a few
// laid-out pages are kept, and where every sixteenth page starts, so a
// page that was dropped is laid out again from the rows it was made of.
// Group and grand totals are added up as the rows go by. Pages are drawn
// in tenths of a millimetre on any painter, which lets the same pages go
// to a printer, a PDF file or an image.
#include "printdocument.h"
#include "reportdata.h"
#include "reportdefinition.h"
#include "reportrows.h"
#include "selectionformula.h"

#include "runtime/host.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QVariantList>
#include <QVariantMap>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <vector>

class QPainter;

namespace vb::report {

class ReportDocument : public PrintDocument
{
public:
    // Lays out the first page; raises InvalidReport for a text or column of
    // the definition that names a field the data does not have, and the
    // database's error when the rows cannot be read.
    ReportDocument(ReportDefinition definition, ReportData data, const QDateTime &printedAt);
    ~ReportDocument() override;

    QString title() const override;
    // The number of pages; lays out the rest of the report first.
    int pageCount() const override;
    // Streams the pages: each is laid out, painted and dropped.
    bool writePdf(const QString &fileName, const Progress &progress = {}, QString *why = nullptr) const override;

    int pagesLaidOut() const override;
    bool complete() const override { return m_complete; }
    bool layOutMore(int milliseconds) const override;
    // Lays out pages up to the given one (0-based); false when the report
    // has fewer pages.
    bool layOutUntil(int page) const;

    // The page in tenths of a millimetre (A4, portrait or landscape).
    QSize pageSize() const override;
    // Paints one page (0-based) on a painter whose window is pageSize().
    // While the page count is not known yet the footer gives the page
    // number alone.
    void paintPage(QPainter &painter, int page) const override;
    // One page as an image at the given resolution, white background.
    QImage pageImage(int page, int dpi = 100) const;

    // What each band of a list page prints, cells joined by " | " (a
    // ticket page: its lines); for checking a layout without pixels.
    QStringList pageTexts(int page) const;

    const ReportDefinition &definition() const { return m_def; }
    // The rows of the report; lays out the whole report first.
    int rowCount() const;

private:
    struct Band;
    struct Ticket;
    struct Page;
    // The layout's state where a page starts: the next row, the group
    // being printed with its sums, and bands made but not yet placed.
    struct Cursor {
        RowPosition pos;
        qint64 rows = 0;
        bool inGroup = false;
        QString group;
        std::vector<double> groupSums, allSums;
        int groupCount = 0, shade = 0;
        bool ended = false;        // every row read
        std::vector<Band> pending; // a few at most; nothing while empty
        bool finished() const { return ended && pending.empty(); }
    };

    std::shared_ptr<const Page> page(int index) const;
    Page layOutPage(Cursor &cursor) const;
    bool peekBand(Cursor &c, size_t ahead) const;
    void layOutNext() const;
    void remember(int index, Page page) const;
    Ticket ticketOf(const QVariantList *row) const;
    QString expand(const QString &text, const QVariantList *row) const;
    int column(const QString &name) const;
    void paintBody(QPainter &p, const Page &page) const;
    void paintListPage(QPainter &p, const Page &page) const;
    void paintTicketPage(QPainter &p, const Ticket &t) const;
    // The footer of a page of a report of so many pages (0: not known yet).
    void paintFooter(QPainter &p, int page, int pages) const;
    int headerHeight() const;
    void paintHeader(QPainter &p, int &y) const;

    ReportDefinition m_def;
    QStringList m_columns;
    QString m_parameterTable;
    QVariantMap m_parameterRow;
    std::shared_ptr<RowStream> m_rows;
    QDateTime m_printedAt;
    QStringList m_heading;
    QString m_title, m_subtitle;
    std::vector<int> m_columnX, m_columnW; // list columns spread over the page
    std::vector<int> m_fieldOf, m_totalOf;
    int m_group = -1;
    QString m_groupHeading;

    // Pages laid out so far and where the next one starts, where every
    // sixteenth page starts, the last pages laid out, most recent first,
    // and how many rows the whole report had.
    mutable int m_laid = 0;
    mutable Cursor m_frontier;
    mutable std::deque<Cursor> m_marks;
    mutable std::list<std::pair<int, std::shared_ptr<const Page>>> m_recent;
    mutable bool m_complete = false;
    mutable qint64 m_rowTotal = 0;
};

} // namespace vb::report
