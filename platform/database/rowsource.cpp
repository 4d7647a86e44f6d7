#include "rowsource.h"

#include "connection.h"

#include <QSqlError>

namespace vb {

namespace {

// Rows read per step of a query not served by key (the keyed reader sets
// the steps of the keys and the pages of rows).
constexpr int RowBatch = 256;

} // namespace

RuntimeError recordseterrors::noCurrentRecord()
{
    return RuntimeError(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                             "deleted. Requested operation requires a current record."));
}

RuntimeError recordseterrors::closedObject()
{
    return RuntimeError(3704, QStringLiteral("Operation is not allowed when the object is closed."));
}

using recordseterrors::closedObject;
using recordseterrors::noCurrentRecord;

// The common part.

Connection &Recordset::RowSource::connection() const
{
    if (m_rs.m_detached || !m_rs.m_connection)
        throw closedObject();
    return *m_rs.m_connection;
}

void Recordset::RowSource::endQuery()
{
    if (m_query)
        m_query->finish();
    m_query.reset();
    m_complete = true;
}

bool Recordset::RowSource::nextRow()
{
    if (m_query->next()) {
        counted();
        return true;
    }
    const QSqlError error = m_query->lastError();
    endQuery();
    failed(error);
    return false;
}

void Recordset::RowSource::failed(const QSqlError &error) const
{
    if (error.isValid())
        connection().fail(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

qint64 Recordset::RowSource::recordCount()
{
    readAll();
    return known();
}

void Recordset::RowSource::settle(Change change, const QString &writtenTable)
{
    bool now = m_query != nullptr; // a half-read query holds the file's read lock
    if (change == Change::Any)
        now = true;
    else if (change == Change::Table)
        now = now || writtenTable.isEmpty() || writtenTable.compare(m_rs.m_target, Qt::CaseInsensitive) == 0;
    if (now)
        readAll();
}

void Recordset::RowSource::detach()
{
    m_query.reset();
}

const Recordset::Row &Recordset::RowSource::addedRow()
{
    throw noCurrentRecord();
}

// Keyed.

Recordset::KeyedRows::KeyedRows(Recordset &rs, const db::PlainSelect &plain, const QVariantList &values)
    : RowSource(rs),
      m_reader(
          plain.tableAsWritten, plain.columns, [this]() -> Connection & { return connection(); },
          [&rs](const QSqlQuery &q) { return rs.rowOf(q); }, &Recordset::s_rowsRead)
{
    // Both reads state the order of the whole rows (the engine may read
    // keys alone through another index), ties and unordered queries in
    // table (rowid) order, so the second goes on where the first stopped.
    const QString order =
        QStringLiteral("%1 %2 %3.rowid")
            .arg(plain.fromOn, plain.ordered ? QStringLiteral(",") : QStringLiteral("ORDER BY"), plain.tableAsWritten);
    m_firstPage = Sql(QStringLiteral("SELECT %1, %2.rowid %3 LIMIT %4")
                          .arg(plain.columns, plain.tableAsWritten, order)
                          .arg(RowidStatement::PageRows),
                      values);
    m_reading = Sql(QStringLiteral("SELECT %1.rowid %2 LIMIT -1 OFFSET %3")
                        .arg(plain.tableAsWritten, order)
                        .arg(RowidStatement::PageRows),
                    values);
    m_counting = Sql(QStringLiteral("SELECT count(*) %1").arg(plain.fromOn), values);
}

qint64 Recordset::KeyedRows::known() const
{
    return qint64(m_keys.size()) + (m_complete ? qint64(m_added.size()) : 0);
}

void Recordset::KeyedRows::readStep()
{
    if (m_complete)
        return;
    Connection &db = connection();
    if (!m_started) {
        QSqlQuery q = db.run(m_firstPage);
        m_started = true;
        const int keyColumn = int(m_rs.m_columns.size());
        int rows = 0;
        std::vector<Row> read;
        while (q.next()) {
            ++rows;
            counted();
            const qint64 key = q.value(keyColumn).toLongLong();
            if (m_addedSet.contains(key))
                continue;
            m_keys.push_back(key);
            read.push_back(m_rs.rowOf(q));
        }
        const QSqlError error = q.lastError();
        q.finish();
        // The first page's rows came with their keys: the reader keeps them.
        m_reader.keep(0, m_keys, std::move(read));
        if (rows < RowidStatement::PageRows)
            m_complete = true;
        failed(error);
        return;
    }
    if (!m_query)
        m_query = std::make_unique<QSqlQuery>(db.run(m_reading));
    for (int i = 0; i < RowidStatement::KeyChunk; ++i) {
        if (!nextRow())
            return;
        // A row this recordset added before its keys were read is already
        // listed after them.
        const qint64 key = m_query->value(0).toLongLong();
        if (!m_addedSet.contains(key))
            m_keys.push_back(key);
    }
}

qint64 Recordset::KeyedRows::keyAt(qint64 index) const
{
    if (index < qint64(m_keys.size()))
        return m_keys[size_t(index)];
    return m_added.at(size_t(index - qint64(m_keys.size())));
}

const Recordset::Row &Recordset::KeyedRows::row(qint64 index)
{
    const std::optional<Row> &row = m_reader.at(index, known(), [this](qint64 i) { return keyAt(i); });
    // A key the table no longer has: a row deleted since opening.
    if (!row)
        throw noCurrentRecord();
    return *row;
}

qint64 Recordset::KeyedRows::recordCount()
{
    // Keys not all read yet: the engine counts them. Until the table
    // changes (which first reads the rest of the keys) the count is the
    // keys'. Rows added here are counted with the keys read.
    if (!m_complete && !m_query && m_added.empty()) {
        if (m_count < 0) {
            QSqlQuery q = connection().run(m_counting);
            m_count = q.next() ? q.value(0).toLongLong() : 0;
        }
        return m_count;
    }
    return RowSource::recordCount();
}

void Recordset::KeyedRows::detach()
{
    RowSource::detach();
    m_reader.release();
}

void Recordset::KeyedRows::editing(qint64 position, bool onAdded)
{
    m_editKey = onAdded ? m_added.back() : keyAt(position);
}

std::optional<qint64> Recordset::KeyedRows::added(qint64 key, const Row &)
{
    m_added.push_back(key);
    m_addedSet.insert(key);
    m_reader.forget(key);
    if (!m_complete)
        return std::nullopt;
    return known() - 1;
}

const Recordset::Row &Recordset::KeyedRows::addedRow()
{
    const std::optional<Row> &row = m_reader.one(m_added.back());
    if (!row)
        throw noCurrentRecord();
    return *row;
}

void Recordset::KeyedRows::update(const QStringList &sets, QVariantList values)
{
    // The row is found by its rowid; a new key value moves the rowid with
    // it.
    values << m_editKey;
    const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=? RETURNING rowid")
                             .arg(db::quoted(m_rs.m_target), sets.join(QLatin1Char(',')));
    Connection &db = connection();
    QSqlQuery q = db.runWriting(Sql(text, values), &m_rs);
    const bool found = q.next();
    const qint64 key = found ? q.value(0).toLongLong() : m_editKey;
    q.finish();
    if (!found)
        db.fail(QStringLiteral("Row cannot be located for updating. Some values may have been "
                               "changed since it was last read."));
    m_reader.forget(m_editKey);
    if (key != m_editKey) {
        for (qint64 &k : m_keys)
            if (k == m_editKey)
                k = key;
        for (qint64 &k : m_added)
            if (k == m_editKey)
                k = key;
        if (m_addedSet.remove(m_editKey))
            m_addedSet.insert(key);
    }
}

// Buffered.

Recordset::BufferedRows::BufferedRows(Recordset &rs, Connection &connection, const Sql &source)
    : RowSource(rs), m_reading(source)
{
    m_query = std::make_unique<QSqlQuery>(connection.run(source));
    m_record = m_query->record();
}

void Recordset::BufferedRows::restart()
{
    m_query = std::make_unique<QSqlQuery>(connection().run(m_reading));
}

void Recordset::BufferedRows::readStep()
{
    if (m_complete)
        return;
    connection();
    if (!m_query) {
        restart();
        if (!m_query)
            return;
    }
    for (int i = 0; i < RowBatch; ++i) {
        if (!nextRow())
            return;
        m_rows.push_back(m_rs.rowOf(*m_query));
    }
}

const Recordset::Row &Recordset::BufferedRows::row(qint64 index)
{
    if (index < m_dropped)
        throw noCurrentRecord();
    return m_rows[size_t(index - m_dropped)];
}

std::optional<qint64> Recordset::BufferedRows::added(qint64, const Row &row)
{
    m_rows.push_back(row);
    return known() - 1;
}

void Recordset::BufferedRows::update(const QStringList &sets, QVariantList values)
{
    const Row &original = m_rs.currentRow();
    const std::vector<Column> &columns = m_rs.m_columns;
    Connection &db = connection();
    // The row is found by its key when the table has one and the query
    // carries it, else by all its original values.
    QString where;
    const QString key = db.keyColumn(m_rs.m_target);
    int keyIndex = -1;
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].writable && columns[i].name.compare(key, Qt::CaseInsensitive) == 0)
            keyIndex = int(i);
    if (!key.isEmpty() && keyIndex >= 0 && !original.raw.at(keyIndex).isNull()) {
        where = db::quoted(key) + QStringLiteral("=?");
        values << original.raw.at(keyIndex);
    } else {
        QStringList conditions;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (!columns[i].writable)
                continue;
            conditions << db::quoted(columns[i].name) + QStringLiteral(" IS ?");
            values << original.raw.at(int(i));
        }
        where = QStringLiteral("rowid = (SELECT rowid FROM %1 WHERE %2 LIMIT 1)")
                    .arg(db::quoted(m_rs.m_target), conditions.join(QStringLiteral(" AND ")));
    }
    const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                             .arg(db::quoted(m_rs.m_target), sets.join(QLatin1Char(',')), where);
    QSqlQuery q = db.runWriting(Sql(text, values), &m_rs);
    const int affected = q.numRowsAffected();
    q.finish();
    if (affected == 0)
        db.fail(QStringLiteral("Row cannot be located for updating. Some values may have been "
                               "changed since it was last read."));
    m_rows[size_t(m_rs.m_pos - m_dropped)] = m_rs.m_buffer;
}

// Forward-only.

void Recordset::ForwardRows::restart()
{
    BufferedRows::restart();
    // A query run again passes over the rows it gave.
    for (; m_skip > 0; --m_skip)
        if (!m_query->next()) {
            m_skip = 0;
            endQuery();
            return;
        }
}

void Recordset::ForwardRows::settle(Change, const QString &)
{
    // Promises no rows as at opening: it lets go of the file and runs its
    // query again when it reads on, passing the rows it gave.
    if (m_query) {
        m_query.reset();
        m_skip = known();
    }
}

void Recordset::ForwardRows::movedTo(qint64 position)
{
    while (m_dropped < position && !m_rows.empty()) {
        m_rows.pop_front();
        ++m_dropped;
    }
}

} // namespace vb
