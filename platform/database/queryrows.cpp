#include "queryrows.h"

#include "runtime/convert.h"

#include <QHash>
#include <algorithm>

namespace vb {

namespace {

QString quoted(const QString &name) { return QLatin1Char('"') + QString(name).replace(u'"', QLatin1String("\"\"")) + QLatin1Char('"'); }

} // namespace

QueryRows::QueryRows(Connection &db, const QString &table, const Sql &filter, const QStringList &columns,
                     std::function<QString(int)> keyOf)
    : m_db(db), m_table(table), m_key(db.keyColumn(table)), m_filter(filter), m_columns(columns),
      m_keyOf(std::move(keyOf))
{
    const auto &kinds = db.columnKinds(table);
    for (const QString &c : m_columns)
        m_kinds.push_back(kinds.value(c.toLower(), db::ColumnKind::Natural));
    QSqlQuery q = m_db.run(Sql(QStringLiteral("select %1 from %2%3 order by %1").arg(quoted(m_key), quoted(m_table), m_filter.text()),
                               m_filter.values()));
    while (q.next())
        m_keys.push_back(q.value(0).toLongLong());
    m_keys.shrink_to_fit();
}

QString QueryRows::shownText(const QString &c, db::ColumnKind kind)
{
    switch (kind) {
    case db::ColumnKind::Text:
        return QStringLiteral("coalesce(%1, '')").arg(c);
    case db::ColumnKind::Date:
        // Stored as ISO text (or a day number); shown as DD/MM/YYYY.
        return QStringLiteral("case when %1 is null then '' "
                              "when typeof(%1) = 'text' and substr(%1, 5, 1) = '-' "
                              "then substr(%1, 9, 2) || '/' || substr(%1, 6, 2) || '/' || substr(%1, 1, 4) "
                              "when typeof(%1) in ('integer', 'real') "
                              "then strftime('%d/%m/%Y', julianday('1899-12-30') + %1) "
                              "else cast(%1 as text) end")
            .arg(c);
    case db::ColumnKind::YesNo:
        return QStringLiteral("case when %1 is null then '' when %1 then 'True' else 'False' end").arg(c);
    case db::ColumnKind::Integer:
    case db::ColumnKind::Number:
    case db::ColumnKind::Natural:
        break;
    }
    return QStringLiteral("coalesce(cast(%1 as text), '')").arg(c);
}

QString QueryRows::orderTerm(const QString &c, db::ColumnKind kind, bool descending)
{
    // Only texts hold letters; dates and numbers sort quicker without
    // folding case.
    const bool letters = kind == db::ColumnKind::Text || kind == db::ColumnKind::Natural;
    return shownText(c, kind) + (letters ? QLatin1String(IgnoringCase) : QLatin1String())
           + (descending ? QLatin1String(" desc") : QLatin1String());
}

void QueryRows::sort(int column, bool descending)
{
    if (column < 0 || column >= m_columns.size())
        return;
    // Sorting again by a column makes its earlier sort irrelevant: rows
    // equal in it were equal then too.
    std::erase_if(m_sorts, [column](const auto &s) { return s.first == column; });
    m_sorts.insert(m_sorts.begin(), {column, descending});
    m_sortPending = true;
}

void QueryRows::settle()
{
    if (!m_sortPending)
        return;
    m_sortPending = false;
    // Each sort was stable over the order before it, so the latest sort
    // decides first, the one before it among its equal texts, and so on
    // down to the key order the list began with.
    QStringList terms;
    for (const auto &[column, descending] : m_sorts) {
        terms << orderTerm(quoted(m_columns[column]), m_kinds[size_t(column)], descending);
        // The key's text is the row's own: no two rows tie on it.
        if (m_columns[column].compare(m_key, Qt::CaseInsensitive) == 0)
            break;
    }
    terms << quoted(m_key);
    QSqlQuery q = m_db.run(Sql(QStringLiteral("select %1 from %2%3 order by %4")
                                   .arg(quoted(m_key), quoted(m_table), m_filter.text(), terms.join(QStringLiteral(", "))),
                               m_filter.values()));
    std::vector<quint32> order;
    order.reserve(m_keys.size());
    while (q.next()) {
        const qint64 key = q.value(0).toLongLong();
        auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
        if (it != m_keys.end() && *it == key)
            order.push_back(quint32(it - m_keys.begin()));
    }
    // A row added since the list was built is not listed; one deleted since
    // is left out of the new order and the list shrinks by it.
    m_order = std::move(order);
    m_pages.clear();
}

int QueryRows::count()
{
    settle();
    return int(m_sorts.empty() ? m_keys.size() : m_order.size());
}

int QueryRows::basePosition(int position)
{
    settle();
    return m_sorts.empty() ? position : int(m_order[size_t(position)]);
}

qint64 QueryRows::identity(int position) { return m_keys[size_t(basePosition(position))]; }

int QueryRows::positionOf(qint64 identity)
{
    settle();
    auto it = std::lower_bound(m_keys.begin(), m_keys.end(), identity);
    if (it == m_keys.end() || *it != identity)
        return -1;
    const quint32 base = quint32(it - m_keys.begin());
    if (m_sorts.empty())
        return int(base);
    auto at = std::find(m_order.begin(), m_order.end(), base);
    return at == m_order.end() ? -1 : int(at - m_order.begin());
}

ListItem QueryRows::row(int position)
{
    const Page &p = page(position / PageRows);
    const size_t i = size_t(position % PageRows);
    return i < p.rows.size() ? p.rows[i] : ListItem{};
}

int QueryRows::rowsKept() const
{
    int n = 0;
    for (const Page &p : m_pages)
        n += int(p.rows.size());
    return n;
}

const QueryRows::Page &QueryRows::page(int index)
{
    settle();
    auto hit = std::find_if(m_pages.begin(), m_pages.end(), [index](const Page &p) { return p.index == index; });
    if (hit != m_pages.end()) {
        m_pages.splice(m_pages.begin(), m_pages, hit);
        return m_pages.front();
    }
    const int first = index * PageRows;
    const int last = std::min(count(), first + PageRows);
    QVariantList keys;
    QStringList marks;
    for (int pos = first; pos < last; ++pos) {
        keys << m_keys[size_t(basePosition(pos))];
        marks << QStringLiteral("?");
    }
    QStringList selected{quoted(m_key)};
    for (const QString &c : m_columns)
        selected << quoted(c);
    QHash<qint64, ListItem> byKey;
    if (!keys.isEmpty()) {
        QSqlQuery q = m_db.run(Sql(QStringLiteral("select %1 from %2 where %3 in (%4)")
                                       .arg(selected.join(QStringLiteral(", ")), quoted(m_table), quoted(m_key),
                                            marks.join(QLatin1Char(','))),
                                   keys));
        while (q.next()) {
            ListItem item;
            for (int c = 0; c < m_columns.size(); ++c) {
                const QString text = shown(db::fromStorage(q.value(c + 1), m_kinds[size_t(c)]));
                if (c == 0)
                    item.text = text;
                else
                    item.subItems.push_back(text);
            }
            byKey.insert(q.value(0).toLongLong(), std::move(item));
            ++m_rowsRead;
        }
    }
    Page p{index, {}};
    p.rows.reserve(size_t(last - first));
    for (int pos = first; pos < last; ++pos) {
        const int base = basePosition(pos);
        ListItem item = byKey.value(m_keys[size_t(base)]);
        item.key = m_keyOf(base);
        p.rows.push_back(std::move(item));
    }
    m_pages.push_front(std::move(p));
    if (m_pages.size() > size_t(PagesKept))
        m_pages.pop_back();
    return m_pages.front();
}

} // namespace vb
