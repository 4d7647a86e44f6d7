#include "reportrows.h"

#include "database/database.h"

#include <QSqlQuery>
#include <functional>
#include <QSqlRecord>

namespace vb::report {

namespace {

// Rows of the first slice after a seek (a page or two, quickly), and of
// the slices that follow it while the pages are read in order.
constexpr int FirstSlice = 400, NextSlice = 20000;

QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

RowStream::RowStream(QString databaseFile, QString source, QStringList columns,
                     std::vector<db::ColumnKind> kinds, Condition condition, QStringList sortColumns)
    : m_file(std::move(databaseFile)), m_source(std::move(source)), m_columns(std::move(columns)),
      m_condition(std::move(condition)), m_sort(std::move(sortColumns)), m_kinds(std::move(kinds))
{
    for (const QString &s : m_sort)
        for (int i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].compare(s, Qt::CaseInsensitive) == 0) {
                m_sortAt.push_back(i);
                break;
            }
    m_kinds.resize(size_t(m_columns.size()), db::ColumnKind::Natural);
}

QVariantList RowStream::keyOf(const QVariantList &raw) const
{
    QVariantList key;
    for (int at : m_sortAt)
        key << raw.value(at);
    return key;
}

void RowStream::seek(const RowPosition &position)
{
    if (m_fetched && position.row >= m_sliceStart.row &&
        position.row <= m_sliceStart.row + qint64(m_slice.size())) {
        m_next = size_t(position.row - m_sliceStart.row);
        m_pos = position;
        return;
    }
    m_slice.clear();
    m_fetched = false;
    m_sliceSize = 0;
    m_pos = position;
}

bool RowStream::next(QVariantList &row)
{
    if (!m_fetched || m_next >= m_slice.size()) {
        if (m_fetched && m_sliceIsLast)
            return false;
        fetch();
        if (m_slice.empty())
            return false;
    }
    const QVariantList &raw = m_slice[m_next++];
    const QVariantList key = keyOf(raw);
    if (m_pos.row > 0 && key == m_pos.key) {
        ++m_pos.ties;
    } else {
        m_pos.key = key;
        m_pos.ties = 1;
    }
    ++m_pos.row;
    row.clear();
    row.reserve(raw.size());
    for (int i = 0; i < raw.size(); ++i)
        row << db::fromStorage(raw[i], m_kinds[size_t(i)]);
    return true;
}

void RowStream::fetch()
{
    m_sliceSize = m_sliceSize == 0 ? FirstSlice : NextSlice;
    QString text = QStringLiteral("select * from ") + quotedName(m_source);
    QStringList where;
    QVariantList values;
    if (!m_condition.isEmpty()) {
        where << QLatin1Char('(') + m_condition.sql + QLatin1Char(')');
        values << m_condition.values;
    }
    const bool keyed = !m_sortAt.empty();
    int limit = m_sliceSize;
    if (keyed && m_pos.row > 0) {
        // Rows whose sort values are at or after the last row read, written
        // out column by column so that Null (first in the order) compares.
        const QVariantList &key = m_pos.key;
        auto column = [&](int i) { return quotedName(m_columns[m_sortAt[size_t(i)]]); };
        std::function<QString(int)> atOrAfter = [&](int i) -> QString {
            QString after, equal;
            if (key[i].isNull()) {
                after = column(i) + QStringLiteral(" is not null");
                equal = column(i) + QStringLiteral(" is null");
            } else {
                after = column(i) + QStringLiteral(" > ?");
                equal = column(i) + QStringLiteral(" = ?");
                values << key[i] << key[i];
            }
            if (i + 1 == key.size())
                return QStringLiteral("(%1 or %2)").arg(after, equal);
            return QStringLiteral("(%1 or (%2 and %3))").arg(after, equal, atOrAfter(i + 1));
        };
        if (!key[0].isNull()) {
            // The same bound once more, plainly, so an index on the first
            // sort column can serve it.
            where << column(0) + QStringLiteral(" >= ?");
            values << key[0];
        }
        where << atOrAfter(0);
        limit += m_pos.ties;
    }
    if (!where.isEmpty())
        text += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
    if (keyed) {
        QStringList order;
        for (int at : m_sortAt)
            order << quotedName(m_columns[at]);
        text += QStringLiteral(" order by ") + order.join(QStringLiteral(", "));
    }
    text += QStringLiteral(" limit ?");
    values << limit;
    if (!keyed) {
        text += QStringLiteral(" offset ?");
        values << m_pos.row;
    }

    m_slice.clear();
    m_next = 0;
    m_sliceStart = m_pos;
    int read = 0, skip = keyed ? m_pos.ties : 0;
    Connection db;
    db.Open(QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=") + m_file);
    {
        QSqlQuery q = db.run(Sql(text, values));
        const int count = q.record().count();
        while (q.next()) {
            ++read;
            QVariantList raw;
            raw.reserve(count);
            for (int i = 0; i < count; ++i) {
                QVariant v = q.value(i);
                raw << (v.isNull() ? QVariant() : v);
            }
            // Rows with the last key that were already read come first.
            if (skip > 0 && keyOf(raw) == m_pos.key) {
                --skip;
                continue;
            }
            skip = 0;
            m_slice.push_back(std::move(raw));
        }
    }
    db.Close();
    m_sliceIsLast = read < limit;
    m_fetched = true;
}

} // namespace vb::report
