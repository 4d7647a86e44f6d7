#include "reportrows.h"

#include "reportdefinition.h"

#include "runtime/errors.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <functional>

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

// The first row of a finished query, values as stored; empty without one.
QVariantList storedRow(QSqlQuery &q)
{
    QVariantList row;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            row << (q.value(i).isNull() ? QVariant() : q.value(i));
    q.finish();
    return row;
}

// Runs a slice's statement on a connection of its own, opened for it and
// closed again, and returns its rows as stored. Runs on any thread.
std::vector<QVariantList> readSlice(const QString &file, const QString &text, const QVariantList &values,
                                    int limit, const RowStream::Pinned &pinned)
{
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("vb_report_rows_%1").arg(++serial);
    auto engineText = [](const QSqlError &e) { return e.databaseText().isEmpty() ? e.text() : e.databaseText(); };
    std::vector<QVariantList> rows;
    QString failure;
    bool changed = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        // mode=rw: an existing file only, never an empty one in its place.
        db.setDatabaseName(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            failure = QStringLiteral("Cannot open the database file '%1': %2").arg(file, db.lastError().text());
        } else {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            // The pinned row and the slice are read in one transaction, so
            // the slice is read with the row as it was checked.
            const bool pin = !pinned.table.isEmpty();
            if (!q.exec(QStringLiteral("PRAGMA case_sensitive_like=OFF")) ||
                (pin && !q.exec(QStringLiteral("BEGIN")))) {
                failure = engineText(q.lastError());
            } else if (pin && !q.exec(QStringLiteral("select * from %1 limit 1").arg(quotedName(pinned.table)))) {
                failure = engineText(q.lastError());
            } else if (pin && storedRow(q) != pinned.row) {
                failure = QStringLiteral("The report settings in %1 were changed after this report was opened "
                                         "(another report was run): close this report and run it again")
                              .arg(pinned.table);
                changed = true;
            } else if (!q.prepare(text)) {
                failure = engineText(q.lastError());
            } else {
                for (const QVariant &v : values)
                    q.addBindValue(db::bindable(v));
                if (!q.exec()) {
                    failure = engineText(q.lastError());
                } else {
                    rows.reserve(size_t(std::min(limit, NextSlice * 2)));
                    const int count = q.record().count();
                    while (q.next()) {
                        QVariantList raw;
                        raw.reserve(count);
                        for (int i = 0; i < count; ++i) {
                            QVariant v = q.value(i);
                            raw << (v.isNull() ? QVariant() : v);
                        }
                        rows.push_back(std::move(raw));
                    }
                    // A read that stopped on an error (a damaged page) is
                    // no end of the rows.
                    if (q.lastError().isValid())
                        failure = engineText(q.lastError());
                }
            }
        }
        if (!pinned.table.isEmpty())
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); // read only: nothing to keep
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (changed)
        throw RuntimeError(CannotOpenReport, failure);
    if (failure.contains(QLatin1String("database is locked"), Qt::CaseInsensitive))
        failure = QStringLiteral("another program is using %1 (%2). Try again in a moment.")
                      .arg(QFileInfo(file).fileName(), failure);
    if (!failure.isEmpty())
        throw RuntimeError::database(failure);
    return rows;
}

} // namespace

RowStream::RowStream(QString databaseFile, QString source, QStringList columns,
                     std::vector<db::ColumnKind> kinds, Condition condition, QStringList sortColumns,
                     const QStringList &readColumns)
    : m_file(std::move(databaseFile)), m_source(std::move(source)), m_columns(std::move(columns)),
      m_condition(std::move(condition)), m_sort(std::move(sortColumns)), m_kinds(std::move(kinds))
{
    auto at = [&](const QString &name) {
        for (int i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    for (const QString &s : m_sort)
        if (at(s) >= 0)
            m_sortAt.push_back(at(s));
    for (int i = 0; i < m_columns.size(); ++i) {
        const bool wanted = readColumns.isEmpty() ||
                            std::any_of(readColumns.begin(), readColumns.end(),
                                        [&](const QString &c) { return at(c) == i; }) ||
                            std::find(m_sortAt.begin(), m_sortAt.end(), i) != m_sortAt.end();
        if (wanted)
            m_read.push_back(i);
    }
    m_selectAll = int(m_read.size()) == m_columns.size();
    for (int full : m_sortAt)
        m_sortRaw.push_back(int(std::find(m_read.begin(), m_read.end(), full) - m_read.begin()));
    m_kinds.resize(size_t(m_columns.size()), db::ColumnKind::Natural);
}

void RowStream::pinParameters(const QString &table, const QVariantList &storedRow)
{
    m_pinned = {table, storedRow};
}

QVariantList RowStream::keyOf(const QVariantList &raw) const
{
    QVariantList key;
    for (int at : m_sortRaw)
        key << raw.value(at);
    return key;
}

void RowStream::step(RowPosition &position, const QVariantList &raw) const
{
    const QVariantList key = keyOf(raw);
    if (position.row > 0 && key == position.key) {
        ++position.ties;
    } else {
        position.key = key;
        position.ties = 1;
    }
    ++position.row;
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
    step(m_pos, raw);
    // Columns the report does not print stay Null.
    row = QVariantList(m_columns.size());
    for (int i = 0; i < raw.size() && i < int(m_read.size()); ++i)
        row[m_read[size_t(i)]] = db::fromStorage(raw[i], m_kinds[size_t(m_read[size_t(i)])]);
    return true;
}

RowStream::Statement RowStream::statementFrom(const RowPosition &start, int size) const
{
    Statement st;
    QStringList read;
    for (int i : m_read)
        read << quotedName(m_columns[i]);
    st.text = QStringLiteral("select %1 from ").arg(m_selectAll ? QStringLiteral("*") : read.join(QStringLiteral(", "))) +
              quotedName(m_source);
    QStringList where;
    if (!m_condition.isEmpty()) {
        where << QLatin1Char('(') + m_condition.sql + QLatin1Char(')');
        st.values << m_condition.values;
    }
    const bool keyed = !m_sortAt.empty();
    st.limit = size;
    if (keyed && start.row > 0) {
        // Rows whose sort values are at or after the last row read, written
        // out column by column so that Null (first in the order) compares.
        const QVariantList &key = start.key;
        auto column = [&](int i) { return quotedName(m_columns[m_sortAt[size_t(i)]]); };
        std::function<QString(int)> atOrAfter = [&](int i) -> QString {
            QString after, equal;
            if (key[i].isNull()) {
                after = column(i) + QStringLiteral(" is not null");
                equal = column(i) + QStringLiteral(" is null");
            } else {
                after = column(i) + QStringLiteral(" > ?");
                equal = column(i) + QStringLiteral(" = ?");
                st.values << key[i] << key[i];
            }
            if (i + 1 == key.size())
                return QStringLiteral("(%1 or %2)").arg(after, equal);
            return QStringLiteral("(%1 or (%2 and %3))").arg(after, equal, atOrAfter(i + 1));
        };
        if (!key[0].isNull()) {
            // The same bound once more, plainly, so an index on the first
            // sort column can serve it.
            where << column(0) + QStringLiteral(" >= ?");
            st.values << key[0];
        }
        where << atOrAfter(0);
        // The rows with the last key that were read already come first.
        st.limit += start.ties;
    }
    if (!where.isEmpty())
        st.text += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
    if (keyed) {
        QStringList order;
        for (int at : m_sortAt)
            order << quotedName(m_columns[at]);
        st.text += QStringLiteral(" order by ") + order.join(QStringLiteral(", "));
    }
    st.text += QStringLiteral(" limit ?");
    st.values << st.limit;
    if (!keyed) {
        st.text += QStringLiteral(" offset ?");
        st.values << start.row;
    }
    return st;
}

void RowStream::fetch()
{
    std::vector<QVariantList> raw;
    int limit = 0;
    if (m_ahead.valid() && m_aheadFrom == m_pos.row) {
        raw = m_ahead.get(); // raises the reading's failure here
        limit = m_aheadLimit;
        m_sliceSize = NextSlice;
    } else {
        m_sliceSize = m_sliceSize == 0 ? FirstSlice : NextSlice;
        const Statement st = statementFrom(m_pos, m_sliceSize);
        raw = readSlice(m_file, st.text, st.values, st.limit, m_pinned);
        limit = st.limit;
    }

    m_slice.clear();
    m_next = 0;
    m_sliceStart = m_pos;
    const qsizetype read = qsizetype(raw.size());
    int skip = m_sortAt.empty() ? 0 : m_pos.ties;
    for (QVariantList &row : raw) {
        if (skip > 0 && keyOf(row) == m_pos.key) {
            --skip;
            continue;
        }
        skip = 0;
        m_slice.push_back(std::move(row));
    }
    m_sliceIsLast = read < limit;
    m_fetched = true;
    if (!m_sliceIsLast)
        readAhead();
}

// Starts reading the slice after this one on a worker thread.
void RowStream::readAhead()
{
    RowPosition end = m_sliceStart;
    for (const QVariantList &row : m_slice)
        step(end, row);
    const Statement st = statementFrom(end, NextSlice);
    m_aheadFrom = end.row;
    m_aheadLimit = st.limit;
    m_ahead = std::async(std::launch::async, readSlice, m_file, st.text, st.values, st.limit, m_pinned);
}

} // namespace vb::report
