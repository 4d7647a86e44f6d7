#pragma once
// A report laid out into A4 pages: the rows a report file and a selection
// formula choose, resolved to texts when the document is built, so painting
// never fails. Pages are drawn in tenths of a millimetre on any painter,
// which lets the same pages go to a printer, a PDF file or an image.
#include "reportdefinition.h"
#include "selectionformula.h"

#include "runtime/host.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <vector>

class QPainter;

namespace vb {
class Sql;
}

namespace vb::report {

// The rows a report prints, with the parameter row its texts may name.
struct ReportData {
    QStringList columns;
    std::vector<QVariantList> rows;
    QString parameterTable;
    QVariantMap parameterRow;
};

// The statement that reads a report's rows: its source, restricted by the
// condition, sorted by the group column and then the order columns.
Sql reportStatement(const ReportDefinition &definition, const Condition &condition);

// Reads the report's rows from its database (a connection of its own,
// like the report engine of old): the parameter row first, then the
// source restricted by the report's filter and the selection formula.
ReportData readReportData(const ReportDefinition &definition, const QString &selectionFormula);

// A value as a report prints it: dates DD/MM/YYYY, numbers in general
// form, yes/no as Yes/No, texts without surrounding blanks, Null empty.
QString reportText(const QVariant &value);

class ReportDocument : public PrintDocument
{
public:
    // Lays out the rows; raises InvalidReport for a text or column of the
    // definition that names a field the data does not have.
    ReportDocument(ReportDefinition definition, ReportData data, const QDateTime &printedAt);
    ~ReportDocument() override;

    QString title() const override;
    int pageCount() const override;
    void paint(QPagedPaintDevice &device) const override;
    bool writePdf(const QString &fileName) const override;

    // The page in tenths of a millimetre (A4, portrait or landscape).
    QSize pageSize() const;
    // Paints one page (0-based) on a painter whose window is pageSize().
    void paintPage(QPainter &painter, int page) const;
    // One page as an image at the given resolution, white background.
    QImage pageImage(int page, int dpi = 100) const;

    // What each band of a list page prints, cells joined by " | " (a
    // ticket page: its lines); for checking a layout without pixels.
    QStringList pageTexts(int page) const;

    const ReportDefinition &definition() const { return m_def; }
    int rowCount() const { return int(m_data.rows.size()); }

private:
    struct Band;
    struct Ticket;
    void layOutList();
    void layOutTickets();
    QString expand(const QString &text, const QVariantList *row) const;
    int column(const QString &name) const;
    void paintListPage(QPainter &p, int page) const;
    void paintTicketPage(QPainter &p, int page) const;
    void paintFooter(QPainter &p, int page) const;
    int headerHeight() const;
    void paintHeader(QPainter &p, int &y) const;

    ReportDefinition m_def;
    ReportData m_data;
    QDateTime m_printedAt;
    QStringList m_heading;
    QString m_title, m_subtitle;
    std::vector<std::vector<Band>> m_pages;
    std::vector<Ticket> m_tickets;
    std::vector<int> m_columnX, m_columnW; // list columns spread over the page
};

} // namespace vb::report
