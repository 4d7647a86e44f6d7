#include "reportdocument.h"

#include "database/database.h"
#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

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

QFont font(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPixelSize(std::max(1, qRound(points * 3.528))); // 1 pt = 0.3528 mm
    f.setBold(bold);
    return f;
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

// Draws a text in a box, shortened with "..." when it does not fit.
void cell(QPainter &p, const QRectF &r, int flags, const QString &text)
{
    const QString shown = QFontMetricsF(p.font()).elidedText(text, Qt::ElideRight, r.width());
    p.drawText(r, flags | Qt::TextSingleLine, shown);
}

[[noreturn]] void invalid(const QString &file, const QString &why)
{
    throw RuntimeError(InvalidReport, QStringLiteral("The report file '%1' is not valid: %2").arg(file, why));
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

// ---- data -------------------------------------------------------------------------

QString reportText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate: return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime: return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm"));
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: return numText(value.toDouble());
    default: return value.toString().trimmed();
    }
}

Sql reportStatement(const ReportDefinition &definition, const Condition &condition)
{
    QString text = QStringLiteral("select * from %1").arg(quoted(definition.source));
    if (!condition.isEmpty())
        text += QStringLiteral(" where ") + condition.sql;
    QStringList order;
    if (!definition.group.isEmpty())
        order << quoted(definition.group);
    for (const QString &o : definition.order)
        order << quoted(o);
    if (!order.isEmpty())
        text += QStringLiteral(" order by ") + order.join(QStringLiteral(", "));
    return Sql(text, condition.values);
}

ReportData readReportData(const ReportDefinition &definition, const QString &selectionFormula)
{
    if (!QFileInfo::exists(definition.database))
        throw RuntimeError(CannotOpenReport,
                           QStringLiteral("The report file '%1' reads the database '%2', which is not there")
                               .arg(definition.fileName, definition.database));
    Connection db;
    db.Open(QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=") + definition.database);
    struct Closing {
        Connection &db;
        ~Closing() { db.Close(); }
    } closing{db};

    ReportData data;
    data.columns = db.columnNames(definition.source);
    if (data.columns.isEmpty())
        invalid(definition.fileName,
                QStringLiteral("the source %1 is not in the database").arg(definition.source));
    auto known = [&](const QString &name, const char *what) {
        for (const QString &c : data.columns)
            if (c.compare(name, Qt::CaseInsensitive) == 0)
                return;
        invalid(definition.fileName, QStringLiteral("the %1 %2 is not a column of %3")
                                         .arg(QLatin1String(what), name, definition.source));
    };
    for (const ReportColumn &c : definition.columns)
        known(c.field, "column");
    for (const QString &o : definition.order)
        known(o, "sort column");
    for (const QString &t : definition.totals)
        known(t, "total column");
    if (!definition.group.isEmpty())
        known(definition.group, "group column");

    FormulaScope scope;
    scope.source = definition.source;
    scope.columns = data.columns;
    if (!definition.parameters.isEmpty()) {
        data.parameterTable = definition.parameters;
        Recordset rs;
        rs.Open(Sql(QStringLiteral("select * from %1").arg(quoted(definition.parameters))), db,
                CursorType::Static, LockType::ReadOnly);
        if (!rs.Eof())
            for (int i = 0; i < rs.FieldCount(); ++i)
                data.parameterRow.insert(rs.Fields(i).Name(), rs.Fields(i).Value());
        rs.Close();
        scope.parameters[definition.parameters] = data.parameterRow;
    }

    const Condition condition = bothOf(parseSelectionFormula(definition.filter, scope),
                                       parseSelectionFormula(selectionFormula, scope));
    Recordset rs;
    rs.Open(reportStatement(definition, condition), db, CursorType::Static, LockType::ReadOnly);
    data.columns.clear();
    for (int i = 0; i < rs.FieldCount(); ++i)
        data.columns << rs.Fields(i).Name();
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList row;
        for (int i = 0; i < rs.FieldCount(); ++i)
            row << rs.Fields(i).Value();
        data.rows.push_back(row);
    }
    rs.Close();
    return data;
}

// ---- layout -----------------------------------------------------------------------

struct ReportDocument::Band {
    enum Kind { Row, GroupHeader, GroupFooter, GrandTotal, NoData } kind = Row;
    QStringList cells; // one per column (rows and totals)
    QString label;     // group headers, totals, the empty report
    bool shaded = false;
    int height() const
    {
        switch (kind) {
        case Row: return RowHeight;
        case GroupHeader: return GroupHeaderHeight;
        case GroupFooter: return GroupFooterHeight + GroupGap;
        case GrandTotal: return GrandTotalHeight;
        case NoData: return NoDataHeight;
        }
        return RowHeight;
    }
};

struct ReportDocument::Ticket {
    QStringList heading;
    QString title;
    std::vector<QStringList> lines, weights;
    QStringList notes;
    QString footer;
    bool empty = false;
};

ReportDocument::ReportDocument(ReportDefinition definition, ReportData data, const QDateTime &printedAt)
    : m_def(std::move(definition)), m_data(std::move(data)), m_printedAt(printedAt)
{
    if (m_def.kind == ReportDefinition::Kind::Ticket) {
        layOutTickets();
        return;
    }
    for (const QString &h : m_def.heading)
        m_heading << expand(h, nullptr);
    m_title = expand(m_def.title, nullptr);
    m_subtitle = expand(m_def.subtitle, nullptr);
    layOutList();
}

ReportDocument::~ReportDocument() = default;

int ReportDocument::column(const QString &name) const
{
    for (int i = 0; i < m_data.columns.size(); ++i)
        if (m_data.columns[i].compare(name, Qt::CaseInsensitive) == 0)
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
            if (table.compare(m_data.parameterTable, Qt::CaseInsensitive) == 0) {
                bool found = false;
                for (auto p = m_data.parameterRow.begin(); p != m_data.parameterRow.end(); ++p)
                    if (p.key().compare(col, Qt::CaseInsensitive) == 0) {
                        out += reportText(p.value());
                        found = true;
                        break;
                    }
                if (found || m_data.parameterRow.isEmpty())
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
        invalid(m_def.fileName, QStringLiteral("the field {%1} is not known").arg(name));
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

void ReportDocument::layOutList()
{
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

    std::vector<int> fieldOf;
    for (const ReportColumn &c : m_def.columns)
        fieldOf.push_back(column(c.field));
    std::vector<int> totalOf;
    for (const QString &t : m_def.totals)
        totalOf.push_back(column(t));
    const int group = m_def.group.isEmpty() ? -1 : column(m_def.group);
    QString groupHeading = m_def.groupHeading;
    for (const ReportColumn &c : m_def.columns)
        if (groupHeading.isEmpty() && c.field.compare(m_def.group, Qt::CaseInsensitive) == 0)
            groupHeading = c.heading;
    if (groupHeading.isEmpty())
        groupHeading = m_def.group;

    auto totalsBand = [&](Band::Kind kind, const std::vector<double> &sums, const QString &label) {
        Band b;
        b.kind = kind;
        b.label = label;
        for (size_t i = 0; i < m_def.columns.size(); ++i) {
            QString text;
            for (size_t t = 0; t < totalOf.size(); ++t)
                if (totalOf[t] == fieldOf[i])
                    text = numText(sums[t]);
            b.cells << text;
        }
        return b;
    };
    auto plural = [](int n) {
        return n == 1 ? QStringLiteral("1 ticket") : QStringLiteral("%1 tickets").arg(n);
    };

    std::vector<Band> bands;
    std::vector<double> groupSums(totalOf.size()), allSums(totalOf.size());
    int groupCount = 0, shade = 0;
    QString current;
    for (size_t r = 0; r < m_data.rows.size(); ++r) {
        const QVariantList &row = m_data.rows[r];
        if (group >= 0) {
            const QString value = reportText(row.value(group));
            if (r == 0 || value != current) {
                if (r > 0)
                    bands.push_back(totalsBand(Band::GroupFooter, groupSums,
                                               QStringLiteral("Total %1 (%2)").arg(current, plural(groupCount))));
                current = value;
                groupSums.assign(totalOf.size(), 0);
                groupCount = 0;
                shade = 0;
                Band h;
                h.kind = Band::GroupHeader;
                h.label = QStringLiteral("%1 : %2").arg(groupHeading, value.isEmpty() ? QStringLiteral("(none)") : value);
                bands.push_back(h);
            }
        }
        Band b;
        b.kind = Band::Row;
        b.shaded = (shade++ % 2) == 1;
        for (int f : fieldOf)
            b.cells << reportText(row.value(f));
        bands.push_back(b);
        for (size_t t = 0; t < totalOf.size(); ++t) {
            const QVariant v = row.value(totalOf[t]);
            const double n = v.isNull() ? 0.0 : val(reportText(v));
            groupSums[t] += n;
            allSums[t] += n;
        }
        ++groupCount;
    }
    if (m_data.rows.empty()) {
        Band b;
        b.kind = Band::NoData;
        b.label = QStringLiteral("No tickets for this selection.");
        bands.push_back(b);
    } else {
        if (group >= 0)
            bands.push_back(totalsBand(Band::GroupFooter, groupSums,
                                       QStringLiteral("Total %1 (%2)").arg(current, plural(groupCount))));
        bands.push_back(totalsBand(Band::GrandTotal, allSums,
                                   QStringLiteral("Grand Total (%1)").arg(plural(int(m_data.rows.size())))));
    }

    // Pages: the heading on every page, bands as far as they fit; a group
    // heading is kept with its first row.
    const int top = qRound(m_def.top * 10) + headerHeight();
    const int bottom = pageSize().height() - BottomMargin - FooterHeight;
    m_pages.emplace_back();
    int y = top;
    for (size_t i = 0; i < bands.size(); ++i) {
        int need = bands[i].height();
        if (bands[i].kind == Band::GroupHeader && i + 1 < bands.size())
            need += bands[i + 1].height();
        if (y + need > bottom && !m_pages.back().empty()) {
            m_pages.emplace_back();
            y = top;
        }
        m_pages.back().push_back(bands[i]);
        y += bands[i].height();
    }
}

void ReportDocument::layOutTickets()
{
    auto ticketOf = [&](const QVariantList *row) {
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
    };
    for (const QVariantList &row : m_data.rows)
        m_tickets.push_back(ticketOf(&row));
    if (m_tickets.empty()) {
        // Texts that name the row print empty on the page of an empty source.
        Ticket t;
        t.title = m_def.title.contains(QLatin1Char('{')) ? QString() : m_def.title;
        t.empty = true;
        m_tickets.push_back(t);
    }
}

// ---- pages ------------------------------------------------------------------------

QString ReportDocument::title() const
{
    if (!m_title.isEmpty())
        return m_title;
    if (!m_tickets.empty() && !m_tickets.front().title.isEmpty())
        return m_tickets.front().title;
    return QFileInfo(m_def.fileName).completeBaseName();
}

int ReportDocument::pageCount() const
{
    return m_def.kind == ReportDefinition::Kind::Ticket ? int(m_tickets.size()) : int(m_pages.size());
}

QStringList ReportDocument::pageTexts(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount())
        return out;
    if (m_def.kind == ReportDefinition::Kind::Ticket) {
        const Ticket &t = m_tickets[size_t(page)];
        out << t.heading << t.title;
        for (const QStringList &l : t.lines)
            out << l.join(QStringLiteral(" | "));
        for (const QStringList &w : t.weights)
            out << w.join(QStringLiteral(" | "));
        out << t.notes << t.footer;
        return out;
    }
    for (const Band &b : m_pages[size_t(page)]) {
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

void ReportDocument::paintPage(QPainter &p, int page) const
{
    if (page < 0 || page >= pageCount())
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Ink);
    // A slip carries no page footer: it may be printed on stationery.
    if (m_def.kind == ReportDefinition::Kind::Ticket) {
        paintTicketPage(p, page);
    } else {
        paintListPage(p, page);
        paintFooter(p, page);
    }
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

void ReportDocument::paintListPage(QPainter &p, int page) const
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

    for (const Band &b : m_pages[size_t(page)]) {
        switch (b.kind) {
        case Band::Row:
            if (b.shaded)
                p.fillRect(QRectF(left, y, width, RowHeight), ZebraFill);
            p.setFont(font(8.5));
            for (size_t c = 0; c < m_def.columns.size(); ++c)
                cell(p, QRectF(m_columnX[c] + CellPad, y, m_columnW[c] - 2 * CellPad, RowHeight),
                     alignFlags(m_def.columns[c].align), b.cells.value(int(c)));
            p.setPen(QPen(QColor(0xd8, 0xd8, 0xd8), 1));
            p.drawLine(left, y + RowHeight, left + width, y + RowHeight);
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
        y += b.height();
    }
}

void ReportDocument::paintTicketPage(QPainter &p, int page) const
{
    const Ticket &t = m_tickets[size_t(page)];
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

    // Label and value pairs, two to a line.
    const int half = width / 2;
    for (const QStringList &l : t.lines) {
        for (int pair = 0; pair * 2 + 1 < l.size(); ++pair) {
            const int x = left + 40 + pair * half;
            p.setFont(font(10, true));
            cell(p, QRectF(x, y, 330, 72), Qt::AlignLeft | Qt::AlignVCenter, l[pair * 2]);
            p.setFont(font(10));
            cell(p, QRectF(x + 340, y, half - 400, 72), Qt::AlignLeft | Qt::AlignVCenter,
                 l[pair * 2 + 1]);
        }
        y += 72;
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
        p.setFont(font(10));
        cell(p, QRectF(left + 40, y, width - 80, 70), Qt::AlignLeft | Qt::AlignVCenter, n);
        y += 70;
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

void ReportDocument::paintFooter(QPainter &p, int page) const
{
    const int left = SideMargin, width = pageSize().width() - 2 * SideMargin;
    const int y = pageSize().height() - BottomMargin - FooterHeight + 20;
    p.setPen(QPen(Rule, 2));
    p.drawLine(left, y, left + width, y);
    p.setPen(Ink);
    p.setFont(font(8));
    const QRectF r(left, y + 5, width, FooterHeight - 20);
    cell(p, r, Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("Printed on %1").arg(m_printedAt.toString(QStringLiteral("dd/MM/yyyy hh:mm"))));
    cell(p, r, Qt::AlignRight | Qt::AlignVCenter,
         QStringLiteral("Page %1 of %2").arg(page + 1).arg(pageCount()));
}

// ---- devices ----------------------------------------------------------------------

void ReportDocument::paint(QPagedPaintDevice &device) const
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(m_def.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    QPainter p;
    if (!p.begin(&device))
        return;
    // The page drawn whole; a printer that keeps margins has its origin
    // inside them, so the page is moved back by the margin.
    const int dpi = device.logicalDpiX();
    const QPageLayout layout = device.pageLayout();
    const QRect full = layout.fullRectPixels(dpi);
    const QRect inner = layout.paintRectPixels(dpi);
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0)
            device.newPage();
        p.setViewport(QRect(full.topLeft() - inner.topLeft(), full.size()));
        p.setWindow(QRect(QPoint(0, 0), pageSize()));
        paintPage(p, i);
    }
    p.end();
}

bool ReportDocument::writePdf(const QString &fileName) const
{
    {
        QPdfWriter pdf(fileName);
        pdf.setResolution(300);
        pdf.setTitle(title());
        pdf.setCreator(QStringLiteral("Varnock report engine"));
        paint(pdf);
    }
    return QFileInfo(fileName).size() > 0;
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
