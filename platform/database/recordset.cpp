#include "recordset.h"

#include "connection.h"
#include "rowsource.h"

#include <QSqlError>
#include <algorithm>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vb {

namespace {

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

RuntimeError notInThisContext()
{
    return RuntimeError(3219, QStringLiteral("Operation is not allowed in this context."));
}

} // namespace

using recordseterrors::closedObject;
using recordseterrors::noCurrentRecord;

Recordset::Recordset() = default;

Recordset::~Recordset()
{
    Close();
}

void Recordset::setUpColumns(const QSqlRecord &rec, Connection &connection, const QString &target, bool rowidLast)
{
    std::vector<Column> columns;
    QHash<QString, int> byName;
    const QHash<QString, db::ColumnKind> targetKinds =
        target.isEmpty() ? QHash<QString, db::ColumnKind>() : connection.columnKinds(target);
    const int count = rowidLast ? rec.count() - 1 : rec.count();
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
    const bool keyed = cursorType != CursorType::ForwardOnly && plain.plain && connection.hasRowids(plain.table);
    m_detached = false;
    try {
        if (keyed) {
            // Nothing is read yet: the columns are those of the query by
            // key; the first page of rows (with their keys) is read when
            // the rows are first looked at, the other keys in batches after.
            m_target = plain.table;
            setUpColumns(connection.columnsOf(plain.columns, plain.tableAsWritten), connection, m_target, true);
            m_from = std::make_unique<KeyedRows>(*this, plain, source.values());
        } else {
            m_target = db::readTable(source.text());
            std::unique_ptr<BufferedRows> from;
            if (cursorType == CursorType::ForwardOnly)
                from = std::make_unique<ForwardRows>(*this, connection, source);
            else
                from = std::make_unique<BufferedRows>(*this, connection, source);
            setUpColumns(from->columns(), connection, m_target, false);
            m_from = std::move(from);
        }
    } catch (...) {
        m_from.reset();
        m_columns.clear();
        m_byName.clear();
        throw;
    }

    m_connection = &connection;
    m_source = source.text();
    m_lockType = lockType;
    m_pos = 0;
    m_editing = m_adding = m_onAdded = false;
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
    m_from.reset();
    m_open = false;
    m_connection = nullptr;
    m_detached = m_onAdded = false;
    m_columns.clear();
    m_byName.clear();
    m_pos = 0;
    m_editing = m_adding = false;
    m_buffer = Row();
    m_changed.clear();
}

void Recordset::detach()
{
    if (m_from)
        m_from->detach();
    m_detached = true;
    m_connection = nullptr;
}

bool Recordset::isKeyed() const
{
    return m_from && m_from->keyed();
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
    return m_from->known();
}

bool Recordset::reach(qint64 index)
{
    while (!m_from->complete() && known() <= index)
        m_from->readStep();
    return index < known();
}

void Recordset::readAll()
{
    m_from->readAll();
}

qint64 Recordset::count()
{
    readAll();
    return known();
}

void Recordset::settle(Change change, const QString &writtenTable)
{
    if (!m_open || m_from->complete() || m_detached)
        return;
    m_from->settle(change, writtenTable);
}

void Recordset::placeOnAdded()
{
    if (!m_onAdded)
        return;
    readAll();
    m_onAdded = false;
    m_pos = known() - 1;
}

const Recordset::Row &Recordset::currentRow()
{
    if (m_onAdded)
        return m_from->addedRow();
    if (m_pos < 0 || !reach(m_pos))
        throw noCurrentRecord();
    return m_from->row(m_pos);
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
    return int(m_from->recordCount());
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
    if (m_from->passedRowsGone())
        throw notInThisContext();
    finishPendingEdit();
    m_onAdded = false;
    m_pos = 0;
}

void Recordset::MoveLast()
{
    requireOpen();
    if (m_from->forwardOnly())
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
    m_from->movedTo(m_pos);
}

void Recordset::MovePrevious()
{
    requireOpen();
    if (m_from->forwardOnly())
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
        m_from->editing(m_pos, m_onAdded);
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
    m_from->readOutHalfRead();
    QSqlQuery q = m_connection->runWriting(Sql(text, values), this);
    const qint64 key = q.lastInsertId().toLongLong();
    q.finish();
    // On the new row; by key, its position is known once every key before
    // it is read.
    if (const std::optional<qint64> position = m_from->added(key, m_buffer)) {
        m_onAdded = false;
        m_pos = *position;
    } else {
        m_onAdded = true;
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
    m_from->update(sets, values);
}

qint64 Recordset::rowsRead() const
{
    return m_rowsRead + (m_from ? m_from->rowsReadByKey() : 0);
}

} // namespace vb
