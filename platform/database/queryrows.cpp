#include "queryrows.h"

#include "runtime/convert.h"

#include <algorithm>

namespace vb {

namespace {

QString columnList(const QStringList &columns)
{
    QStringList quoted;
    for (const QString &c : columns)
        quoted << db::quoted(c);
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QueryRows::QueryRows(Connection &db, const QString &table, const Sql &condition, const QStringList &columns,
                     std::function<QString(int)> keyOf)
    : m_db(db), m_table(db::quoted(table)), m_key(m_table + QStringLiteral(".rowid")), m_condition(condition),
      m_columns(columns), m_keyOf(std::move(keyOf)),
      m_rows(m_table, columnList(columns), [&db]() -> Connection & { return db; },
             [this](const QSqlQuery &q) { return item(q); })
{
    // Rows are found by their rowids, which every table of the file has
    // whether or not it declares a key.
    if (!db.hasRowids(table))
        throw RuntimeError::database(QStringLiteral("The rows of %1 cannot be listed: it has no rowids").arg(table));
    if (const QString key = db.keyColumn(table); !key.isEmpty())
        m_declaredKey = db::quoted(key);
    const auto &kinds = db.columnKinds(table);
    for (const QString &c : m_columns)
        m_kinds.push_back(kinds.value(c.toLower(), db::ColumnKind::Natural));
    QSqlQuery q = m_db.run(Sql(QStringLiteral("select count(*) from %1%2").arg(m_table, where()), m_condition.values()));
    m_count = q.next() ? q.value(0).toInt() : 0;
    m_db.checkRead(q);
    m_chunks.resize(size_t((m_count + KeyChunk - 1) / KeyChunk));
}

ListItem QueryRows::item(const QSqlQuery &q) const
{
    ListItem item;
    for (int c = 0; c < m_columns.size(); ++c) {
        const QString text = shown(db::fromStorage(q.value(c), m_kinds[size_t(c)]));
        if (c == 0)
            item.text = text;
        else
            item.subItems.push_back(text);
    }
    return item;
}

QString QueryRows::where(const QString &andAlso) const
{
    QStringList parts;
    if (!m_condition.isEmpty())
        parts << QLatin1Char('(') + m_condition.text() + QLatin1Char(')');
    if (!andAlso.isEmpty())
        parts << andAlso;
    return parts.isEmpty() ? QString() : QStringLiteral(" where ") + parts.join(QStringLiteral(" and "));
}

void QueryRows::loadChunk(int c)
{
    // Keys are read a chunk at a time: after or before a neighbouring chunk
    // by seeking on the key, otherwise counted from the nearer end, so that
    // Home, End and the keys between cost one short query each.
    Chunk &chunk = m_chunks[size_t(c)];
    const int first = c * KeyChunk;
    const int size = std::min(KeyChunk, m_count - first);
    QVariantList values = m_condition.values();
    QString text;
    bool backwards = false;
    const Chunk *before = c > 0 ? &m_chunks[size_t(c - 1)] : nullptr;
    const Chunk *after = c + 1 < int(m_chunks.size()) ? &m_chunks[size_t(c + 1)] : nullptr;
    if (before && before->loaded && !before->keys.empty()) {
        text = QStringLiteral("select %1 from %2%3 order by %1 limit ?").arg(m_key, m_table, where(m_key + QStringLiteral(" > ?")));
        values << before->keys.back() << size;
    } else if (after && after->loaded && !after->keys.empty()) {
        text = QStringLiteral("select %1 from %2%3 order by %1 desc limit ?").arg(m_key, m_table, where(m_key + QStringLiteral(" < ?")));
        values << after->keys.front() << size;
        backwards = true;
    } else if (first + size / 2 > m_count / 2) {
        text = QStringLiteral("select %1 from %2%3 order by %1 desc limit ? offset ?").arg(m_key, m_table, where());
        values << size << m_count - first - size;
        backwards = true;
    } else {
        text = QStringLiteral("select %1 from %2%3 order by %1 limit ? offset ?").arg(m_key, m_table, where());
        values << size << first;
    }
    QSqlQuery q = m_db.run(Sql(text, values));
    chunk.keys.clear();
    chunk.keys.reserve(size_t(size));
    while (q.next())
        chunk.keys.push_back(q.value(0).toLongLong());
    m_db.checkRead(q);
    if (backwards)
        std::reverse(chunk.keys.begin(), chunk.keys.end());
    chunk.loaded = true;
    m_keysRead += qint64(chunk.keys.size());
}

void QueryRows::loadAllKeys()
{
    if (m_allKeys)
        return;
    QSqlQuery q = m_db.run(Sql(QStringLiteral("select %1 from %2%3 order by %1").arg(m_key, m_table, where()),
                               m_condition.values()));
    std::vector<Chunk> chunks;
    int n = 0;
    while (q.next()) {
        if (n % KeyChunk == 0) {
            chunks.emplace_back();
            chunks.back().loaded = true;
            chunks.back().keys.reserve(KeyChunk);
        }
        chunks.back().keys.push_back(q.value(0).toLongLong());
        ++n;
    }
    m_db.checkRead(q);
    m_chunks = std::move(chunks);
    m_allKeys = true;
    m_count = n;
    m_keysRead += n;
    m_rows.forget();
}

qint64 QueryRows::baseKey(int basePosition)
{
    if (basePosition < 0 || basePosition >= m_count)
        return -1;
    Chunk &chunk = m_chunks[size_t(basePosition / KeyChunk)];
    if (!chunk.loaded)
        loadChunk(basePosition / KeyChunk);
    const size_t i = size_t(basePosition % KeyChunk);
    // A row deleted since the count leaves its chunk short.
    return i < chunk.keys.size() ? chunk.keys[i] : -1;
}

int QueryRows::basePositionOf(qint64 key)
{
    loadAllKeys(); // once
    int low = 0, high = m_count;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (m_chunks[size_t(mid / KeyChunk)].keys[size_t(mid % KeyChunk)] < key)
            low = mid + 1;
        else
            high = mid;
    }
    return low < m_count && m_chunks[size_t(low / KeyChunk)].keys[size_t(low % KeyChunk)] == key ? low : -1;
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
    m_sortPending = m_sorts != m_appliedSorts;
}

void QueryRows::applyPendingSort()
{
    if (!m_sortPending)
        return;
    // A sort that cannot be read (the file locked, a damaged page) is
    // dropped: the rows keep the order they had, and its error is raised.
    try {
        readSortedOrder();
    } catch (const RuntimeError &) {
        m_sorts = m_appliedSorts;
        m_sortPending = false;
        throw;
    }
    m_appliedSorts = m_sorts;
    m_sortPending = false;
}

void QueryRows::readSortedOrder()
{
    // The sorted order names rows by their place in key order, so every key
    // is read first.
    loadAllKeys();
    // Each sort was stable over the order before it, so the latest sort
    // decides first, the one before it among its equal texts, and so on
    // down to the key order the list began with.
    QStringList terms;
    for (const auto &[column, descending] : m_sorts) {
        terms << orderTerm(db::quoted(m_columns[column]), m_kinds[size_t(column)], descending);
        // The declared key's text is the row's own: no two rows tie on it.
        if (!m_declaredKey.isEmpty() && db::quoted(m_columns[column]).compare(m_declaredKey, Qt::CaseInsensitive) == 0)
            break;
    }
    terms << m_key;
    QSqlQuery q = m_db.run(Sql(QStringLiteral("select %1 from %2%3 order by %4")
                                   .arg(m_key, m_table, where(), terms.join(QStringLiteral(", "))),
                               m_condition.values()));
    std::vector<quint32> order;
    order.reserve(size_t(m_count));
    while (q.next()) {
        const int base = basePositionOf(q.value(0).toLongLong());
        if (base >= 0)
            order.push_back(quint32(base));
    }
    m_db.checkRead(q);
    // A row added since the keys were read is not listed; one deleted since
    // is left out of the new order and the list shrinks by it.
    m_order = std::move(order);
    m_rows.forget();
}

int QueryRows::count()
{
    applyPendingSort();
    return m_sorts.empty() ? m_count : int(m_order.size());
}

int QueryRows::basePosition(int position)
{
    applyPendingSort();
    return m_sorts.empty() ? position : int(m_order[size_t(position)]);
}

qint64 QueryRows::identity(int position) { return baseKey(basePosition(position)); }

int QueryRows::positionOf(qint64 identity)
{
    applyPendingSort();
    const int base = basePositionOf(identity);
    if (base < 0 || m_sorts.empty())
        return base;
    auto at = std::find(m_order.begin(), m_order.end(), quint32(base));
    return at == m_order.end() ? -1 : int(at - m_order.begin());
}

ListItem QueryRows::row(int position)
{
    applyPendingSort();
    const std::optional<ListItem> &kept =
        m_rows.at(position, count(), [this](qint64 p) { return baseKey(basePosition(int(p))); });
    // A row deleted since the count shows empty.
    ListItem item = kept ? *kept : ListItem{};
    item.key = m_keyOf(basePosition(position));
    return item;
}

} // namespace vb
