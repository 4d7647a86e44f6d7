#include "reportdocument.h"

#include "pdfwriter.h"
#include "textfit.h"

#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QRegularExpression>
#include <QThread>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <optional>

namespace vb::report {

namespace {

// Page geometry, in tenths of a millimetre.
constexpr int A4Short = 2100, A4Long = 2970;
constexpr int SideMargin = 120, BottomMargin = 100, FooterHeight = 70;
constexpr int RowHeight = 52, GroupHeaderHeight = 68, GroupFooterHeight = 64, GroupGap = 30;
constexpr int GrandTotalHeight = 80, NoDataHeight = 90, ColumnHeadHeight = 64, CellPad = 18;

const QColor Ink(0x20, 0x20, 0x20);
const QColor Rule(0x70, 0x70, 0x70);
const QColor HeadFill(0xdc, 0xe3, 0xea);
const QColor GroupFill(0xee, 0xf1, 0xf4);
const QColor ZebraFill(0xf7, 0xf8, 0xfa);

// A report's fonts, made once for each thread that lays out or paints
// (every row asks for one); a thread that painted drops them before it ends.
struct MadeFont {
    double points;
    bool bold;
    QFont font;
};
thread_local std::deque<MadeFont> madeFonts;

const QFont &font(double points, bool bold = false)
{
    for (const MadeFont &m : madeFonts)
        if (m.points == points && m.bold == bold)
            return m.font;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPixelSize(std::max(1, qRound(points * 3.528))); // 1 pt = 0.3528 mm
    f.setBold(bold);
    madeFonts.push_back({points, bold, f});
    return madeFonts.back().font;
}

int alignFlags(Align a)
{
    switch (a) {
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Centre: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

// ---- layout -----------------------------------------------------------------------

struct ReportDocument::Band {
    enum Kind { Row, GroupHeader, GroupFooter, GrandTotal, NoData } kind = Row;
    QStringList cells; // one per column (rows and totals)
    QString label;     // group headers, totals, the empty report
    bool shaded = false;
    int height = RowHeight;
};

struct ReportDocument::Ticket {
    QStringList heading;
    QString title;
    std::vector<QStringList> lines, weights;
    QStringList notes;
    QString footer;
    bool empty = false;
};

struct ReportDocument::Page {
    std::vector<Band> bands;
    std::optional<Ticket> ticket;
    bool isEmpty() const { return bands.empty() && !ticket; }
};

namespace {

// Where every sixteenth page starts is kept; a page dropped since it was
// laid out is laid out again from the last of those before it, and the
// pages on the way are kept too, so pages read in order are laid out once.
constexpr int MarkEvery = 16;
constexpr size_t KeptPages = 24;

QString plural(qint64 n)
{
    return n == 1 ? QStringLiteral("1 ticket") : QStringLiteral("%1 tickets").arg(n);
}

} // namespace

ReportDocument::ReportDocument(ReportDefinition definition, ReportData data, const QDateTime &printedAt)
    : m_def(std::move(definition)), m_columns(std::move(data.columns)),
      m_parameterTable(std::move(data.parameterTable)), m_parameterRow(std::move(data.parameterRow)),
      m_rows(std::move(data.rows)), m_printedAt(printedAt)
{
    Cursor start;
    if (m_def.kind == ReportDefinition::Kind::List) {
        for (const QString &h : m_def.heading)
            m_heading << expand(h, nullptr);
        m_title = expand(m_def.title, nullptr);
        m_subtitle = expand(m_def.subtitle, nullptr);

        // Column widths spread over the printable width, in proportion.
        const int width = pageSize().width() - 2 * SideMargin;
        double sum = 0;
        for (const ReportColumn &c : m_def.columns)
            sum += c.width;
        int x = SideMargin;
        for (size_t i = 0; i < m_def.columns.size(); ++i) {
            const int w = i + 1 == m_def.columns.size() ? SideMargin + width - x
                                                        : qRound(m_def.columns[i].width / sum * width);
            m_columnX.push_back(x);
            m_columnW.push_back(w);
            x += w;
        }
        for (const ReportColumn &c : m_def.columns)
            m_fieldOf.push_back(column(c.field));
        for (const QString &t : m_def.totals)
            m_totalOf.push_back(column(t));
        m_group = m_def.group.isEmpty() ? -1 : column(m_def.group);
        m_groupHeading = m_def.groupHeading;
        for (const ReportColumn &c : m_def.columns)
            if (m_groupHeading.isEmpty() && c.field.compare(m_def.group, Qt::CaseInsensitive) == 0)
                m_groupHeading = c.heading;
        if (m_groupHeading.isEmpty())
            m_groupHeading = m_def.group;
        start.groupSums.assign(m_totalOf.size(), 0);
        start.allSums.assign(m_totalOf.size(), 0);
    }
    m_frontier = std::move(start);
    layOutUntil(0);
}

ReportDocument::~ReportDocument() = default;

int ReportDocument::column(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString ReportDocument::expand(const QString &text, const QVariantList *row) const
{
    static const QRegularExpression field(QStringLiteral("\\{([^{}]*)\\}"));
    QString out;
    qsizetype at = 0;
    for (auto it = field.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        const QString name = m.captured(1).trimmed();
        const int dot = int(name.indexOf(QLatin1Char('.')));
        if (dot > 0) {
            const QString table = name.left(dot);
            const QString col = name.mid(dot + 1);
            if (table.compare(m_parameterTable, Qt::CaseInsensitive) == 0) {
                bool found = false;
                for (auto p = m_parameterRow.begin(); p != m_parameterRow.end(); ++p)
                    if (p.key().compare(col, Qt::CaseInsensitive) == 0) {
                        out += reportText(p.value());
                        found = true;
                        break;
                    }
                if (found || m_parameterRow.isEmpty())
                    continue; // an empty parameter table prints its fields empty
            } else if (row && table.compare(m_def.source, Qt::CaseInsensitive) == 0) {
                const int c = column(col);
                if (c >= 0) {
                    out += reportText(row->value(c));
                    continue;
                }
            }
        } else if (row) {
            const int c = column(name);
            if (c >= 0) {
                out += reportText(row->value(c));
                continue;
            }
        } else if (column(name) >= 0) {
            continue; // a row field in a text printed without a row
        }
        invalidReport(m_def.fileName, QStringLiteral("the field {%1} is not known").arg(name));
    }
    out += text.mid(at);
    return out;
}

int ReportDocument::headerHeight() const
{
    int h = 0;
    for (int i = 0; i < m_heading.size(); ++i)
        h += i == 0 ? 85 : 48;
    if (!m_heading.isEmpty())
        h += 45; // rule under the heading
    if (!m_title.isEmpty())
        h += 70;
    if (!m_subtitle.isEmpty())
        h += 52;
    return h + 30 + ColumnHeadHeight;
}

// Makes bands from the rows until ahead + 1 bands wait to be placed; false
// when the report ends before that.
bool ReportDocument::peekBand(Cursor &c, size_t ahead) const
{
    auto totalsBand = [&](Band::Kind kind, const std::vector<double> &sums, const QString &label) {
        Band b;
        b.kind = kind;
        b.label = label;
        b.height = kind == Band::GroupFooter ? GroupFooterHeight + GroupGap : GrandTotalHeight;
        for (size_t i = 0; i < m_def.columns.size(); ++i) {
            QString text;
            for (size_t t = 0; t < m_totalOf.size(); ++t)
                if (m_totalOf[t] == m_fieldOf[i])
                    text = numText(sums[t]);
            b.cells << text;
        }
        return b;
    };
    auto groupFooter = [&] {
        return totalsBand(Band::GroupFooter, c.groupSums,
                          QStringLiteral("Total %1 (%2)").arg(c.group, plural(c.groupCount)));
    };

    QVariantList row;
    while (c.pending.size() <= ahead) {
        if (c.ended)
            return false;
        if (!m_rows->next(row)) {
            c.ended = true;
            if (c.rows == 0) {
                Band b;
                b.kind = Band::NoData;
                b.label = QStringLiteral("No tickets for this selection.");
                b.height = NoDataHeight;
                c.pending.push_back(b);
            } else {
                if (c.inGroup)
                    c.pending.push_back(groupFooter());
                c.pending.push_back(
                    totalsBand(Band::GrandTotal, c.allSums, QStringLiteral("Grand Total (%1)").arg(plural(c.rows))));
            }
            continue;
        }
        c.pos = m_rows->position();
        if (m_group >= 0) {
            const QString value = reportText(row.value(m_group));
            if (!c.inGroup || value != c.group) {
                if (c.inGroup)
                    c.pending.push_back(groupFooter());
                c.inGroup = true;
                c.group = value;
                c.groupSums.assign(m_totalOf.size(), 0);
                c.groupCount = 0;
                c.shade = 0;
                Band h;
                h.kind = Band::GroupHeader;
                h.label = QStringLiteral("%1 : %2").arg(m_groupHeading, value.isEmpty() ? QStringLiteral("(none)") : value);
                h.height = GroupHeaderHeight;
                c.pending.push_back(h);
            }
        }
        Band b;
        b.kind = Band::Row;
        b.shaded = (c.shade++ % 2) == 1;
        int lines = 1;
        const QFont rowFont = font(8.5);
        for (size_t i = 0; i < m_fieldOf.size(); ++i) {
            b.cells << reportText(row.value(m_fieldOf[i]));
            lines = std::max(lines, lineCount(rowFont, m_columnW[i] - 2 * CellPad, b.cells.last()));
        }
        b.height = RowHeight + (lines - 1) * lineStep(rowFont);
        c.pending.push_back(b);
        for (size_t t = 0; t < m_totalOf.size(); ++t) {
            const QVariant v = row.value(m_totalOf[t]);
            const double n = v.isNull() ? 0.0 : val(reportText(v));
            c.groupSums[t] += n;
            c.allSums[t] += n;
        }
        ++c.groupCount;
        ++c.rows;
    }
    return true;
}

ReportDocument::Ticket ReportDocument::ticketOf(const QVariantList *row) const
{
    Ticket t;
    for (const QString &h : m_def.heading)
        t.heading << expand(h, row);
    t.title = expand(m_def.title, row);
    for (const QStringList &l : m_def.lines) {
        QStringList e;
        for (const QString &c : l)
            e << expand(c, row);
        t.lines.push_back(e);
    }
    for (const QStringList &w : m_def.weights) {
        QStringList e;
        for (const QString &c : w)
            e << expand(c, row);
        t.weights.push_back(e);
    }
    for (const QString &n : m_def.notes)
        t.notes << expand(n, row);
    t.footer = expand(m_def.footer, row);
    t.empty = row == nullptr;
    return t;
}

// Lays out the page that starts at the cursor and moves the cursor to where
// the next page starts. An empty page: the report has ended.
ReportDocument::Page ReportDocument::layOutPage(Cursor &c) const
{
    m_rows->seek(c.pos);
    Page page;
    if (m_def.kind == ReportDefinition::Kind::Ticket) {
        // One source row a page.
        if (c.ended)
            return page;
        QVariantList row;
        if (m_rows->next(row)) {
            c.pos = m_rows->position();
            ++c.rows;
            page.ticket = ticketOf(&row);
            return page;
        }
        c.ended = true;
        if (c.rows == 0) {
            // Texts that name the row print empty on the page of an empty source.
            Ticket t;
            t.title = m_def.title.contains(QLatin1Char('{')) ? QString() : m_def.title;
            t.empty = true;
            page.ticket = t;
        }
        return page;
    }

    // The heading on every page, bands as far as they fit; a group heading
    // is kept with its first row.
    const int top = qRound(m_def.top * 10) + headerHeight();
    const int bottom = pageSize().height() - BottomMargin - FooterHeight;
    int y = top;
    while (peekBand(c, 0)) {
        const Band &b = c.pending.front();
        int need = b.height;
        if (b.kind == Band::GroupHeader && peekBand(c, 1))
            need += c.pending[1].height;
        if (y + need > bottom && !page.bands.empty())
            break;
        y += c.pending.front().height;
        page.bands.push_back(std::move(c.pending.front()));
        c.pending.erase(c.pending.begin());
    }
    return page;
}

void ReportDocument::remember(int index, Page page) const
{
    m_recent.remove_if([index](const auto &kept) { return kept.first == index; });
    m_recent.emplace_front(index, std::make_shared<const Page>(std::move(page)));
    if (m_recent.size() > KeptPages)
        m_recent.pop_back();
}

void ReportDocument::layOutNext() const
{
    const bool mark = m_laid % MarkEvery == 0;
    if (mark)
        m_marks.push_back(m_frontier);
    Cursor c = m_frontier;
    Page p = layOutPage(c);
    if (p.isEmpty()) {
        if (mark)
            m_marks.pop_back();
        m_complete = true;
        m_rowTotal = c.rows;
        return;
    }
    remember(m_laid++, std::move(p));
    if (c.finished()) {
        m_complete = true;
        m_rowTotal = c.rows;
    } else {
        m_frontier = std::move(c);
    }
}

int ReportDocument::pagesLaidOut() const
{
    return m_laid;
}

bool ReportDocument::layOutUntil(int page) const
{
    while (!m_complete && pagesLaidOut() <= page)
        layOutNext();
    return page < pagesLaidOut();
}

bool ReportDocument::layOutMore(int milliseconds) const
{
    QElapsedTimer clock;
    clock.start();
    while (!m_complete && clock.elapsed() < milliseconds)
        layOutNext();
    return m_complete;
}

std::shared_ptr<const ReportDocument::Page> ReportDocument::page(int index) const
{
    for (auto it = m_recent.begin(); it != m_recent.end(); ++it)
        if (it->first == index) {
            m_recent.splice(m_recent.begin(), m_recent, it);
            return m_recent.front().second;
        }
    if (index < 0 || !layOutUntil(index))
        return nullptr;
    if (m_recent.front().first == index)
        return m_recent.front().second;
    // Laid out before and dropped since: its run of pages is laid out again
    // from the mark before it, and kept, so that the next pages are at hand.
    const int from = index / MarkEvery * MarkEvery;
    const int to = std::min(from + MarkEvery, m_laid);
    Cursor c = m_marks[size_t(index / MarkEvery)];
    std::shared_ptr<const Page> wanted;
    for (int i = from; i < to; ++i) {
        remember(i, layOutPage(c));
        if (i == index)
            wanted = m_recent.front().second;
    }
    return wanted;
}

int ReportDocument::rowCount() const
{
    layOutUntil(std::numeric_limits<int>::max());
    return int(m_rowTotal);
}

// ---- pages ------------------------------------------------------------------------

QString ReportDocument::title() const
{
    if (!m_title.isEmpty())
        return m_title;
    if (m_def.kind == ReportDefinition::Kind::Ticket)
        if (auto p = page(0); p && p->ticket && !p->ticket->title.isEmpty())
            return p->ticket->title;
    return QFileInfo(m_def.fileName).completeBaseName();
}

int ReportDocument::pageCount() const
{
    layOutUntil(std::numeric_limits<int>::max());
    return pagesLaidOut();
}

QStringList ReportDocument::pageTexts(int index) const
{
    QStringList out;
    const auto p = page(index);
    if (!p)
        return out;
    if (p->ticket) {
        const Ticket &t = *p->ticket;
        out << t.heading << t.title;
        for (const QStringList &l : t.lines)
            out << l.join(QStringLiteral(" | "));
        for (const QStringList &w : t.weights)
            out << w.join(QStringLiteral(" | "));
        out << t.notes << t.footer;
        return out;
    }
    for (const Band &b : p->bands) {
        QStringList parts;
        if (!b.label.isEmpty())
            parts << b.label;
        for (const QString &c : b.cells)
            if (b.kind == Band::Row || !c.isEmpty())
                parts << c;
        out << parts.join(QStringLiteral(" | "));
    }
    return out;
}

QSize ReportDocument::pageSize() const
{
    return m_def.landscape ? QSize(A4Long, A4Short) : QSize(A4Short, A4Long);
}

void ReportDocument::paintPage(QPainter &p, int index) const
{
    const auto pg = page(index);
    if (!pg)
        return;
    paintBody(p, *pg);
    // A slip carries no page footer: it may be printed on stationery.
    if (!pg->ticket)
        paintFooter(p, index, m_complete ? pagesLaidOut() : 0);
}

void ReportDocument::paintBody(QPainter &p, const Page &pg) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Ink);
    if (pg.ticket)
        paintTicketPage(p, *pg.ticket);
    else
        paintListPage(p, pg);
    p.restore();
}

void ReportDocument::paintHeader(QPainter &p, int &y) const
{
    const int left = SideMargin, width = pageSize().width() - 2 * SideMargin;
    for (int i = 0; i < m_heading.size(); ++i) {
        const int h = i == 0 ? 85 : 48;
        p.setFont(i == 0 ? font(17, true) : font(9.5));
        cell(p, QRectF(left, y, width, h), Qt::AlignHCenter | Qt::AlignVCenter, m_heading[i]);
        y += h;
    }
    if (!m_heading.isEmpty()) {
        y += 15;
        p.setPen(QPen(Rule, 6));
        p.drawLine(left, y, left + width, y);
        p.setPen(QPen(Rule, 2));
        p.drawLine(left, y + 12, left + width, y + 12);
        p.setPen(Ink);
        y += 30;
    }
    if (!m_title.isEmpty()) {
        p.setFont(font(13.5, true));
        cell(p, QRectF(left, y, width, 70), Qt::AlignHCenter | Qt::AlignVCenter, m_title);
        y += 70;
    }
    if (!m_subtitle.isEmpty()) {
        p.setFont(font(9.5));
        cell(p, QRectF(left, y, width, 52), Qt::AlignHCenter | Qt::AlignVCenter, m_subtitle);
        y += 52;
    }
    y += 30;
}

void ReportDocument::paintListPage(QPainter &p, const Page &page) const
{
    int y = qRound(m_def.top * 10);
    paintHeader(p, y);
    const int left = SideMargin, width = pageSize().width() - 2 * SideMargin;

    // Column headings.
    p.fillRect(QRectF(left, y, width, ColumnHeadHeight), HeadFill);
    p.setPen(QPen(Rule, 3));
    p.drawLine(left, y, left + width, y);
    p.drawLine(left, y + ColumnHeadHeight, left + width, y + ColumnHeadHeight);
    p.setPen(Ink);
    p.setFont(font(8.5, true));
    for (size_t c = 0; c < m_def.columns.size(); ++c)
        cell(p, QRectF(m_columnX[c] + CellPad, y, m_columnW[c] - 2 * CellPad, ColumnHeadHeight),
             alignFlags(m_def.columns[c].align), m_def.columns[c].heading);
    y += ColumnHeadHeight;

    auto totals = [&](const Band &b, int top, int height, bool grand) {
        p.setPen(QPen(Rule, grand ? 4 : 2));
        p.drawLine(left, top + 6, left + width, top + 6);
        if (grand)
            p.drawLine(left, top + height - 4, left + width, top + height - 4);
        p.setPen(Ink);
        p.setFont(font(grand ? 9.5 : 8.5, true));
        // The label runs across the columns up to the first total.
        int labelEnd = left + width;
        for (size_t c = 0; c < m_def.columns.size(); ++c)
            if (!b.cells.value(int(c)).isEmpty()) {
                labelEnd = m_columnX[c];
                break;
            }
        cell(p, QRectF(left + CellPad, top + 6, labelEnd - left - 2 * CellPad, height - 10),
             Qt::AlignLeft | Qt::AlignVCenter, b.label);
        for (size_t c = 0; c < m_def.columns.size(); ++c)
            if (!b.cells.value(int(c)).isEmpty())
                cell(p, QRectF(m_columnX[c] + CellPad, top + 6, m_columnW[c] - 2 * CellPad, height - 10),
                     alignFlags(m_def.columns[c].align), b.cells[int(c)]);
    };

    for (const Band &b : page.bands) {
        switch (b.kind) {
        case Band::Row:
            if (b.shaded)
                p.fillRect(QRectF(left, y, width, b.height), ZebraFill);
            p.setFont(font(8.5));
            for (size_t c = 0; c < m_def.columns.size(); ++c)
                wrappedCell(p, QRectF(m_columnX[c] + CellPad, y, m_columnW[c] - 2 * CellPad, RowHeight),
                            alignFlags(m_def.columns[c].align), b.cells.value(int(c)));
            p.setPen(QPen(QColor(0xd8, 0xd8, 0xd8), 1));
            p.drawLine(left, y + b.height, left + width, y + b.height);
            p.setPen(Ink);
            break;
        case Band::GroupHeader:
            p.fillRect(QRectF(left, y + 12, width, GroupHeaderHeight - 16), GroupFill);
            p.setFont(font(9.5, true));
            cell(p, QRectF(left + CellPad, y + 12, width - 2 * CellPad, GroupHeaderHeight - 16),
                 Qt::AlignLeft | Qt::AlignVCenter, b.label);
            break;
        case Band::GroupFooter: totals(b, y, GroupFooterHeight, false); break;
        case Band::GrandTotal: totals(b, y + 10, GrandTotalHeight - 14, true); break;
        case Band::NoData:
            p.setFont(font(10));
            cell(p, QRectF(left, y, width, NoDataHeight), Qt::AlignHCenter | Qt::AlignVCenter, b.label);
            break;
        }
        y += b.height;
    }
}

void ReportDocument::paintTicketPage(QPainter &p, const Ticket &t) const
{
    const int left = 180, width = pageSize().width() - 2 * left;
    const int top = qRound(m_def.top * 10);
    int y = top + 30;

    for (int i = 0; i < t.heading.size(); ++i) {
        const int h = i == 0 ? 95 : 50;
        p.setFont(i == 0 ? font(18, true) : font(10));
        cell(p, QRectF(left + 30, y, width - 60, h), Qt::AlignHCenter | Qt::AlignVCenter, t.heading[i]);
        y += h;
    }
    if (!t.heading.isEmpty())
        y += 25;
    if (!t.title.isEmpty()) {
        p.fillRect(QRectF(left, y, width, 80), HeadFill);
        p.setPen(QPen(Rule, 3));
        p.drawLine(left, y, left + width, y);
        p.drawLine(left, y + 80, left + width, y + 80);
        p.setPen(Ink);
        p.setFont(font(13, true));
        cell(p, QRectF(left, y, width, 80), Qt::AlignHCenter | Qt::AlignVCenter, t.title);
        y += 80;
    }
    y += 30;
    if (t.empty) {
        p.setFont(font(10));
        cell(p, QRectF(left, y, width, 90), Qt::AlignHCenter | Qt::AlignVCenter,
             QStringLiteral("No ticket to print."));
        y += 120;
    }

    // Label and value pairs, two to a line; a long value goes on to further
    // lines and the line grows with it.
    const int half = width / 2;
    const QFont labelFont = font(10, true), valueFont = font(10);
    const int step = lineStep(valueFont);
    for (const QStringList &l : t.lines) {
        int lines = 1;
        for (int pair = 0; pair * 2 + 1 < l.size(); ++pair) {
            const int x = left + 40 + pair * half;
            p.setFont(labelFont);
            lines = std::max(lines, wrappedCell(p, QRectF(x, y, 330, 72), Qt::AlignLeft | Qt::AlignVCenter,
                                                l[pair * 2]));
            p.setFont(valueFont);
            lines = std::max(lines, wrappedCell(p, QRectF(x + 340, y, half - 400, 72),
                                                Qt::AlignLeft | Qt::AlignVCenter, l[pair * 2 + 1]));
        }
        y += 72 + (lines - 1) * step;
    }

    // Weights in large print, in a box of their own.
    if (!t.weights.empty()) {
        y += 30;
        const int boxTop = y;
        const int lineH = 100;
        p.setPen(QPen(Rule, 3));
        p.drawRect(QRectF(left + 25, boxTop, width - 50, lineH * int(t.weights.size()) + 30));
        p.setPen(Ink);
        y += 15;
        for (const QStringList &w : t.weights) {
            p.setFont(font(12, true));
            cell(p, QRectF(left + 60, y, 420, lineH), Qt::AlignLeft | Qt::AlignVCenter, w[0]);
            p.setFont(font(16, true));
            cell(p, QRectF(left + 480, y, 420, lineH), Qt::AlignRight | Qt::AlignVCenter, w[1]);
            p.setFont(font(10));
            cell(p, QRectF(left + 960, y, width - 1000, lineH), Qt::AlignLeft | Qt::AlignVCenter,
                 w.value(2));
            y += lineH;
        }
        y += 45;
    }

    for (const QString &n : t.notes) {
        p.setFont(valueFont);
        const int lines = wrappedCell(p, QRectF(left + 40, y, width - 80, 70), Qt::AlignLeft | Qt::AlignVCenter, n);
        y += 70 + (lines - 1) * step;
    }
    if (!t.footer.isEmpty()) {
        y += 140;
        p.setPen(QPen(Rule, 2));
        p.drawLine(left + width - 700, y, left + width - 60, y);
        p.setPen(Ink);
        p.setFont(font(9.5));
        cell(p, QRectF(left + width - 700, y + 5, 640, 60), Qt::AlignHCenter | Qt::AlignVCenter, t.footer);
        y += 70;
    }
    y += 30;
    if (m_def.frame) {
        p.setPen(QPen(Ink, 5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(left, top, width, y - top));
        p.setPen(Ink);
    }
}

void ReportDocument::paintFooter(QPainter &p, int page, int pages) const
{
    const int left = SideMargin, width = pageSize().width() - 2 * SideMargin;
    const int y = pageSize().height() - BottomMargin - FooterHeight + 20;
    p.save();
    p.setPen(QPen(Rule, 2));
    p.drawLine(left, y, left + width, y);
    p.setPen(Ink);
    p.setFont(font(8));
    const QRectF r(left, y + 5, width, FooterHeight - 20);
    cell(p, r, Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("Printed on %1").arg(m_printedAt.toString(QStringLiteral("dd/MM/yyyy hh:mm"))));
    cell(p, r, Qt::AlignRight | Qt::AlignVCenter,
         pages ? QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages) : QStringLiteral("Page %1").arg(page + 1));
    p.restore();
}

// ---- devices ----------------------------------------------------------------------

bool ReportDocument::writePdf(const QString &fileName, const Progress &progress, QString *why) const
{
    // One pass: each page is laid out here and painted on a thread of its
    // own while the next pages are laid out; a few pages at most wait
    // between the two. While the page count is not known yet, a page's
    // footer (which gives it) is kept back and painted after the last page.
    PdfWriter pdf(fileName, pageSize(), title(), QStringLiteral("Varnock report engine"));
    if (!pdf.error().isEmpty()) {
        if (why)
            *why = pdf.error();
        return false;
    }
    struct Laid {
        int index;
        std::shared_ptr<const Page> page;
        int pages; // 0 while not known
    };
    constexpr size_t Waiting = 16;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Laid> laid;
    bool ended = false;
    int pages = 0;
    bool written = false;

    std::unique_ptr<QThread> painter(QThread::create([&] {
        {
            std::vector<std::pair<int, int>> later; // page, kept part
            QPainter p(&pdf);
            for (;;) {
                Laid next;
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return !laid.empty() || ended; });
                    if (laid.empty())
                        break;
                    next = std::move(laid.front());
                    laid.pop_front();
                }
                changed.notify_all();
                if (next.index > 0)
                    pdf.newPage();
                paintBody(p, *next.page);
                if (!next.page->ticket) {
                    if (next.pages)
                        paintFooter(p, next.index, next.pages);
                    else
                        later.emplace_back(next.index, pdf.keepPart());
                }
            }
            for (const auto &[index, part] : later) {
                pdf.beginPart(part);
                paintFooter(p, index, pages);
                pdf.endPart();
            }
        }
        written = pdf.finish();
        madeFonts.clear();
        forgetTexts();
    }));
    const auto end = [&] {
        {
            std::lock_guard lock(mutex);
            ended = true;
            pages = m_complete ? pagesLaidOut() : 0;
        }
        changed.notify_all();
        painter->wait();
    };
    painter->start();
    try {
        for (int i = 0;; ++i) {
            auto pg = page(i);
            if (!pg)
                break;
            const int known = m_complete ? pagesLaidOut() : 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return laid.size() < Waiting; });
                laid.push_back({i, std::move(pg), known});
            }
            changed.notify_all();
            if (progress && !progress(i + 1, known))
                break;
        }
    } catch (...) {
        end();
        throw;
    }
    end();
    if (!written && why)
        *why = pdf.error();
    return written;
}

QImage ReportDocument::pageImage(int page, int dpi) const
{
    const QSize size = pageSize();
    QImage image(qRound(size.width() * dpi / 254.0), qRound(size.height() * dpi / 254.0),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setViewport(image.rect());
    p.setWindow(QRect(QPoint(0, 0), size));
    paintPage(p, page);
    p.end();
    return image;
}

} // namespace vb::report
