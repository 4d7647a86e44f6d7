#include "recordset.h"

#include "connection.h"
#include "keyedreader.h"
#include "querytext.h"
#include "runtime/errors.h"

#include <QSqlError>
#include <algorithm>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vb {

namespace {

RuntimeError noCurrentRecord()
{
    return RuntimeError(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                             "deleted. Requested operation requires a current record."));
}

RuntimeError notFound()
{
    return RuntimeError(3265, QStringLiteral("Item cannot be found in the collection corresponding to "
                                             "the requested name or ordinal."));
}

} // namespace

QString Field::Name() const
{
    return m_rs->fieldName(m_index);
}

QVariant Field::Value() const
{
    return m_rs->fieldValue(m_index);
}

void Field::setValue(const QVariant &value)
{
    m_rs->assign(m_index, value);
}

namespace {

RuntimeError closedObject()
{
    return RuntimeError(3704, QStringLiteral("Operation is not allowed when the object is closed."));
}

RuntimeError notInThisContext()
{
    return RuntimeError(3219, QStringLiteral("Operation is not allowed in this context."));
}

// Rows read per step of a query not served by key (the keyed reader sets
// the steps of the keys and the pages of rows).
constexpr int RowBatch = 256;
constexpr int PageRows = RowidStatement::PageRows;

} // namespace

Recordset::Recordset() = default;

Recordset::~Recordset()
{
    Close();
}

void Recordset::setUpColumns(const QSqlRecord &rec, Connection &connection, const QString &target)
{
    std::vector<Column> columns;
    QHash<QString, int> byName;
    const QHash<QString, db::ColumnKind> targetKinds =
        target.isEmpty() ? QHash<QString, db::ColumnKind>() : connection.columnKinds(target);
    // A keyed recordset's column query ends with the rowid it reads by.
    const int count = m_keyed ? rec.count() - 1 : rec.count();
    for (int i = 0; i < count; ++i) {
        const QSqlField f = rec.field(i);
        Column c;
        c.name = f.name();
        c.table = f.tableName();
        const QString lower = c.name.toLower();
        if (!c.table.isEmpty())
            c.kind = connection.columnKinds(c.table).value(lower, db::ColumnKind::Natural);
        auto t = targetKinds.find(lower);
        if (t != targetKinds.end() && !c.table.isEmpty()) {
            c.writable = true;
            c.writeKind = *t;
        }
        if (!byName.contains(lower))
            byName.insert(lower, i);
        columns.push_back(c);
    }
    m_columns = std::move(columns);
    m_byName = std::move(byName);
}

Recordset::Row Recordset::rowOf(const QSqlQuery &q) const
{
    Row r;
    r.raw.reserve(int(m_columns.size()));
    r.values.reserve(int(m_columns.size()));
    for (int i = 0; i < int(m_columns.size()); ++i) {
        QVariant raw = q.value(i);
        if (raw.isNull())
            raw = QVariant();
        r.values.append(db::fromStorage(raw, m_columns[size_t(i)].kind));
        r.raw.append(raw);
    }
    return r;
}

void Recordset::Open(const Sql &source, Connection &connection, int cursorType, int lockType, int)
{
    if (m_open)
        throw RuntimeError(3705, QStringLiteral("Operation is not allowed when the object is open."));
    const db::PlainSelect plain = db::plainSelect(source.text());
    // A forward-only recordset is read straight through: keys would buy it
    // nothing.
    m_keyed = cursorType != CursorType::ForwardOnly && plain.plain && connection.hasRowids(plain.table);
    try {
        if (m_keyed) {
            // Nothing is read yet: the columns are those of the query by
            // key; the first page of rows (with their keys) is read when
            // the rows are first looked at, the other keys in batches after.
            m_columnList = plain.columns;
            m_tableAsWritten = plain.tableAsWritten;
            m_target = plain.table;
            setUpColumns(connection.columnsOf(m_columnList, m_tableAsWritten), connection, m_target);
            // Both reads state the order of the whole rows (the engine may
            // read keys alone through another index), ties and unordered
            // queries in table (rowid) order, so the second goes on where
            // the first stopped.
            const QString order = QStringLiteral("%1 %2 %3.rowid")
                                      .arg(plain.fromOn, plain.ordered ? QStringLiteral(",") : QStringLiteral("ORDER BY"),
                                           m_tableAsWritten);
            m_firstPage = Sql(QStringLiteral("SELECT %1, %2.rowid %3 LIMIT %4")
                                  .arg(m_columnList, m_tableAsWritten, order)
                                  .arg(PageRows),
                              source.values());
            m_reading = Sql(QStringLiteral("SELECT %1.rowid %2 LIMIT -1 OFFSET %3").arg(m_tableAsWritten, order).arg(PageRows),
                            source.values());
            m_counting = Sql(QStringLiteral("SELECT count(*) %1").arg(plain.fromOn), source.values());
            m_reader = std::make_unique<KeyedReader<Row>>(
                m_tableAsWritten, m_columnList,
                [this]() -> Connection & {
                    if (m_detached || !m_connection)
                        throw closedObject();
                    return *m_connection;
                },
                [this](const QSqlQuery &q) { return rowOf(q); }, &s_rowsRead);
        } else {
            m_target = db::readTable(source.text());
            m_reading = source;
            m_query = std::make_unique<QSqlQuery>(connection.run(source));
            m_started = true;
            setUpColumns(m_query->record(), connection, m_target);
        }
    } catch (...) {
        m_query.reset();
        m_reader.reset();
        m_keyed = m_started = false;
        m_columns.clear();
        m_byName.clear();
        throw;
    }

    m_connection = &connection;
    m_source = source.text();
    m_lockType = lockType;
    m_forwardOnly = cursorType == CursorType::ForwardOnly;
    m_pos = 0;
    m_editing = m_adding = m_onAdded = false;
    m_detached = m_complete = false;
    m_rowsRead = 0;
    m_open = true;
    connection.m_readers.push_back(this);
}

void Recordset::Close()
{
    if (m_connection && !m_detached) {
        auto &r = m_connection->m_readers;
        r.erase(std::remove(r.begin(), r.end(), this), r.end());
    }
    m_query.reset();
    m_reader.reset();
    m_open = false;
    m_connection = nullptr;
    m_detached = m_started = m_complete = m_keyed = m_onAdded = false;
    m_columns.clear();
    m_byName.clear();
    m_reading = Sql();
    m_firstPage = Sql();
    m_counting = Sql();
    m_count = -1;
    m_keys.clear();
    m_keys.shrink_to_fit();
    m_added.clear();
    m_addedSet.clear();
    m_rows.clear();
    m_dropped = 0;
    m_skip = 0;
    m_pos = 0;
    m_editing = m_adding = false;
    m_buffer = Row();
    m_changed.clear();
}

void Recordset::detach()
{
    m_query.reset();
    if (m_reader)
        m_reader->release();
    m_detached = true;
    m_connection = nullptr;
}

int Recordset::State() const
{
    return m_open ? 1 : 0;
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw closedObject();
}

qint64 Recordset::known() const
{
    if (m_keyed)
        return qint64(m_keys.size()) + (m_complete ? qint64(m_added.size()) : 0);
    return m_dropped + qint64(m_rows.size());
}

void Recordset::readBatch()
{
    if (m_complete)
        return;
    if (m_detached || !m_connection)
        throw closedObject();
    auto failed = [this](const QSqlError &error) {
        if (error.isValid())
            m_connection->fail(error.databaseText().isEmpty() ? error.text() : error.databaseText());
    };
    if (m_keyed && !m_started) {
        QSqlQuery q = m_connection->run(m_firstPage);
        m_started = true;
        const int keyColumn = int(m_columns.size());
        int rows = 0;
        std::vector<Row> read;
        while (q.next()) {
            ++rows;
            ++m_rowsRead;
            ++s_rowsRead;
            const qint64 key = q.value(keyColumn).toLongLong();
            if (m_addedSet.contains(key))
                continue;
            m_keys.push_back(key);
            read.push_back(rowOf(q));
        }
        const QSqlError error = q.lastError();
        q.finish();
        // The first page's rows came with their keys: the reader keeps them.
        m_reader->keep(0, m_keys, std::move(read));
        if (rows < PageRows)
            m_complete = true;
        failed(error);
        return;
    }
    if (!m_query) {
        m_query = std::make_unique<QSqlQuery>(m_connection->run(m_reading));
        m_started = true;
        // A forward-only query run again passes over the rows it gave.
        for (; m_skip > 0; --m_skip)
            if (!m_query->next()) {
                m_skip = 0;
                endQuery();
                return;
            }
    }
    const int batch = m_keyed ? RowidStatement::KeyChunk : RowBatch;
    for (int i = 0; i < batch; ++i) {
        if (!m_query->next()) {
            const QSqlError error = m_query->lastError();
            endQuery();
            failed(error);
            return;
        }
        ++m_rowsRead;
        ++s_rowsRead;
        if (m_keyed) {
            // A row this recordset added before its keys were read is
            // already listed after them.
            const qint64 key = m_query->value(0).toLongLong();
            if (!m_addedSet.contains(key))
                m_keys.push_back(key);
        } else {
            m_rows.push_back(rowOf(*m_query));
        }
    }
}

void Recordset::endQuery()
{
    if (m_query)
        m_query->finish();
    m_query.reset();
    m_complete = true;
}

bool Recordset::reach(qint64 index)
{
    while (!m_complete && known() <= index)
        readBatch();
    return index < known();
}

void Recordset::readAll()
{
    while (!m_complete)
        readBatch();
}

qint64 Recordset::count()
{
    readAll();
    return known();
}

void Recordset::settle(Change change, const QString &writtenTable)
{
    if (!m_open || m_complete || m_detached)
        return;
    if (m_forwardOnly) {
        // Promises no rows as at opening: it lets go of the file and runs
        // its query again when it reads on, passing the rows it gave.
        if (m_query) {
            m_query.reset();
            m_skip = known();
        }
        return;
    }
    bool now = m_query != nullptr; // a half-read query holds the file's read lock
    if (change == Change::Any)
        now = true;
    else if (change == Change::Table)
        now = now || writtenTable.isEmpty() || writtenTable.compare(m_target, Qt::CaseInsensitive) == 0;
    if (now)
        readAll();
}

void Recordset::placeOnAdded()
{
    if (!m_onAdded)
        return;
    readAll();
    m_onAdded = false;
    m_pos = known() - 1;
}

qint64 Recordset::keyAt(qint64 index) const
{
    if (index < qint64(m_keys.size()))
        return m_keys[size_t(index)];
    return m_added.at(size_t(index - qint64(m_keys.size())));
}

const Recordset::Row &Recordset::keyedRow(qint64 index)
{
    const std::optional<Row> &row = m_reader->at(index, known(), [this](qint64 i) { return keyAt(i); });
    // A key the table no longer has: a row deleted since opening.
    if (!row)
        throw noCurrentRecord();
    return *row;
}

const Recordset::Row &Recordset::currentRow()
{
    if (m_onAdded) {
        const std::optional<Row> &row = m_reader->one(m_added.back());
        if (!row)
            throw noCurrentRecord();
        return *row;
    }
    if (m_pos < 0 || !reach(m_pos))
        throw noCurrentRecord();
    if (m_keyed)
        return keyedRow(m_pos);
    if (m_pos < m_dropped)
        throw noCurrentRecord();
    return m_rows[size_t(m_pos - m_dropped)];
}

bool Recordset::Eof() const
{
    requireOpen();
    if (m_adding || m_onAdded)
        return false;
    auto *self = const_cast<Recordset *>(this);
    return !self->reach(std::max<qint64>(m_pos, 0));
}

bool Recordset::Bof() const
{
    requireOpen();
    if (m_adding || m_onAdded)
        return false;
    auto *self = const_cast<Recordset *>(this);
    return m_pos < 0 || !self->reach(0);
}

int Recordset::RecordCount() const
{
    requireOpen();
    if (m_forwardOnly)
        return -1;
    auto *self = const_cast<Recordset *>(this);
    // Keys not all read yet: the engine counts them. Until the table
    // changes (which first reads the rest of the keys) the count is the
    // keys'. Rows added here are counted with the keys read.
    if (m_keyed && !m_complete && !m_query && m_added.empty()) {
        if (m_count < 0) {
            if (m_detached || !m_connection)
                throw closedObject();
            QSqlQuery q = m_connection->run(m_counting);
            self->m_count = q.next() ? q.value(0).toLongLong() : 0;
        }
        return int(m_count);
    }
    return int(self->count());
}

void Recordset::finishPendingEdit()
{
    // Moving off an edited row writes it, as the original objects did.
    if (m_editing)
        Update();
}

void Recordset::MoveFirst()
{
    requireOpen();
    if (m_forwardOnly && m_dropped > 0)
        throw notInThisContext();
    finishPendingEdit();
    m_onAdded = false;
    m_pos = 0;
}

void Recordset::MoveLast()
{
    requireOpen();
    if (m_forwardOnly)
        throw notInThisContext();
    finishPendingEdit();
    m_onAdded = false;
    const qint64 n = count();
    m_pos = n == 0 ? 0 : n - 1;
}

void Recordset::MoveNext()
{
    requireOpen();
    if (Eof())
        throw noCurrentRecord();
    finishPendingEdit();
    placeOnAdded();
    ++m_pos;
    if (m_forwardOnly) {
        while (m_dropped < m_pos && !m_rows.empty()) {
            m_rows.pop_front();
            ++m_dropped;
        }
    }
}

void Recordset::MovePrevious()
{
    requireOpen();
    if (m_forwardOnly)
        throw notInThisContext();
    if (Bof())
        throw noCurrentRecord();
    finishPendingEdit();
    placeOnAdded();
    --m_pos;
}

Field Recordset::Fields(const QString &name) const
{
    requireOpen();
    auto it = m_byName.find(name.toLower());
    if (it == m_byName.end())
        throw notFound();
    return Field(const_cast<Recordset *>(this), *it);
}

Field Recordset::Fields(int index) const
{
    requireOpen();
    if (index < 0 || index >= int(m_columns.size()))
        throw notFound();
    return Field(const_cast<Recordset *>(this), index);
}

QString Recordset::fieldName(int index) const
{
    requireOpen();
    return m_columns.at(size_t(index)).name;
}

void Recordset::requireWritable() const
{
    requireOpen();
    if (m_lockType == LockType::ReadOnly)
        throw RuntimeError(3251, QStringLiteral("Current Recordset does not support updating. This may "
                                                "be a limitation of the provider, or of the selected "
                                                "locktype."));
}

QVariant Recordset::fieldValue(int index) const
{
    requireOpen();
    if (m_editing)
        return m_buffer.values.at(index);
    return const_cast<Recordset *>(this)->currentRow().values.at(index);
}

void Recordset::assign(int index, const QVariant &value)
{
    requireWritable();
    if (!m_editing) {
        const Row &current = currentRow();
        if (m_keyed)
            m_editKey = m_onAdded ? m_added.back() : keyAt(m_pos);
        m_buffer = current;
    }
    const Column &c = m_columns.at(size_t(index));
    if (!c.writable || m_target.isEmpty())
        throw RuntimeError::database(QStringLiteral("The field '%1' cannot be updated.").arg(c.name));
    const QVariant raw = db::toStorage(value, c.writeKind);
    if (!m_editing) {
        m_changed.assign(m_columns.size(), false);
        m_editing = true;
    }
    m_buffer.raw[index] = raw;
    m_buffer.values[index] = db::fromStorage(raw, c.writeKind);
    m_changed[size_t(index)] = true;
}

void Recordset::AddNew()
{
    requireWritable();
    if (m_target.isEmpty())
        throw RuntimeError::database(QStringLiteral("This query names no table to add a row to."));
    finishPendingEdit();
    m_buffer = Row();
    for (size_t i = 0; i < m_columns.size(); ++i) {
        m_buffer.raw.append(QVariant());
        m_buffer.values.append(QVariant());
    }
    m_changed.assign(m_columns.size(), false);
    m_editing = m_adding = true;
}

void Recordset::Update()
{
    requireWritable();
    if (!m_editing)
        return;
    if (m_adding)
        insertRow();
    else
        updateRow();
    m_editing = m_adding = false;
    m_buffer = Row();
    m_changed.clear();
}

void Recordset::insertRow()
{
    if (!m_connection)
        throw closedObject();
    QStringList names, marks;
    QVariantList values;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i])
            continue;
        names << db::quoted(m_columns[i].name);
        marks << QStringLiteral("?");
        values << m_buffer.raw.at(int(i));
    }
    const QString text = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(db::quoted(m_target))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(db::quoted(m_target), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    // A half-read query is read out first; keys not yet read stay unread:
    // they will leave out the row added here, which follows them.
    if (m_query)
        readAll();
    QSqlQuery q = m_connection->runWriting(Sql(text, values), this);
    const qint64 key = q.lastInsertId().toLongLong();
    q.finish();
    if (m_keyed) {
        m_added.push_back(key);
        m_addedSet.insert(key);
        m_reader->forget(key);
        m_onAdded = true;
        if (m_complete)
            placeOnAdded();
    } else {
        m_rows.push_back(m_buffer);
        m_pos = known() - 1;
    }
}

void Recordset::updateRow()
{
    QStringList sets;
    QVariantList values;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i])
            continue;
        sets << db::quoted(m_columns[i].name) + QStringLiteral("=?");
        values << m_buffer.raw.at(int(i));
    }
    if (sets.isEmpty())
        return;
    if (!m_connection)
        throw closedObject();
    readAll();

    if (m_keyed) {
        // The row is found by its rowid; a new key value moves the rowid
        // with it.
        values << m_editKey;
        const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=? RETURNING rowid")
                                 .arg(db::quoted(m_target), sets.join(QLatin1Char(',')));
        QSqlQuery q = m_connection->runWriting(Sql(text, values), this);
        const bool found = q.next();
        const qint64 key = found ? q.value(0).toLongLong() : m_editKey;
        q.finish();
        if (!found)
            m_connection->fail(QStringLiteral("Row cannot be located for updating. Some values may have been "
                                              "changed since it was last read."));
        m_reader->forget(m_editKey);
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
        return;
    }

    const Row &original = currentRow();
    // The row is found by its key when the table has one and the query
    // carries it, else by all its original values.
    QString where;
    const QString key = m_connection->keyColumn(m_target);
    int keyIndex = -1;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].writable && m_columns[i].name.compare(key, Qt::CaseInsensitive) == 0)
            keyIndex = int(i);
    if (!key.isEmpty() && keyIndex >= 0 && !original.raw.at(keyIndex).isNull()) {
        where = db::quoted(key) + QStringLiteral("=?");
        values << original.raw.at(keyIndex);
    } else {
        QStringList conditions;
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (!m_columns[i].writable)
                continue;
            conditions << db::quoted(m_columns[i].name) + QStringLiteral(" IS ?");
            values << original.raw.at(int(i));
        }
        where = QStringLiteral("rowid = (SELECT rowid FROM %1 WHERE %2 LIMIT 1)")
                    .arg(db::quoted(m_target), conditions.join(QStringLiteral(" AND ")));
    }
    const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                             .arg(db::quoted(m_target), sets.join(QLatin1Char(',')), where);
    QSqlQuery q = m_connection->runWriting(Sql(text, values), this);
    const int affected = q.numRowsAffected();
    q.finish();
    if (affected == 0)
        m_connection->fail(QStringLiteral("Row cannot be located for updating. Some values may have been "
                                          "changed since it was last read."));
    m_rows[size_t(m_pos - m_dropped)] = m_buffer;
}

qint64 Recordset::rowsRead() const
{
    return m_rowsRead + (m_reader ? m_reader->rowsRead() : 0);
}

} // namespace vb
