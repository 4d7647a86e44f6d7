#include "recordset.h"

#include "connection.h"
#include "runtime/errors.h"

#include <QRegularExpression>
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

QString quoted(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// The table a query reads: the first name after FROM.
QString tableOf(const QString &query)
{
    static const QRegularExpression from(
        QStringLiteral("\\bfrom\\s+(?:\"([^\"]+)\"|\\[([^\\]]+)\\]|([A-Za-z_][A-Za-z0-9_]*))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(query);
    if (!m.hasMatch())
        return {};
    for (int i = 1; i <= 3; ++i)
        if (!m.captured(i).isEmpty())
            return m.captured(i);
    return {};
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

void Recordset::Open(const Sql &source, Connection &connection, int, int lockType, int)
{
    if (m_open)
        throw RuntimeError(3705, QStringLiteral("Operation is not allowed when the object is open."));
    QSqlQuery q = connection.run(source);

    std::vector<Column> columns;
    QHash<QString, int> byName;
    const QString target = tableOf(source.text());
    const QHash<QString, db::ColumnKind> targetKinds =
        target.isEmpty() ? QHash<QString, db::ColumnKind>() : connection.columnKinds(target);
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
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

    std::vector<Row> rows;
    while (q.next()) {
        Row r;
        r.raw.reserve(int(columns.size()));
        r.values.reserve(int(columns.size()));
        for (int i = 0; i < int(columns.size()); ++i) {
            QVariant raw = q.value(i);
            if (raw.isNull())
                raw = QVariant();
            r.values.append(db::fromStorage(raw, columns[size_t(i)].kind));
            r.raw.append(raw);
        }
        rows.push_back(std::move(r));
    }
    q.finish();

    m_connection = &connection;
    m_source = source.text();
    m_target = target;
    m_lockType = lockType;
    m_columns = std::move(columns);
    m_byName = std::move(byName);
    m_rows = std::move(rows);
    m_pos = 0;
    m_editing = m_adding = false;
    m_open = true;
}

void Recordset::Close()
{
    m_open = false;
    m_connection = nullptr;
    m_columns.clear();
    m_byName.clear();
    m_rows.clear();
    m_pos = 0;
    m_editing = m_adding = false;
    m_buffer = Row();
    m_changed.clear();
}

int Recordset::State() const
{
    return m_open ? 1 : 0;
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw RuntimeError(3704, QStringLiteral("Operation is not allowed when the object is closed."));
}

bool Recordset::Eof() const
{
    requireOpen();
    if (m_adding)
        return false;
    return m_rows.empty() || m_pos >= int(m_rows.size());
}

bool Recordset::Bof() const
{
    requireOpen();
    if (m_adding)
        return false;
    return m_rows.empty() || m_pos < 0;
}

int Recordset::RecordCount() const
{
    requireOpen();
    return int(m_rows.size());
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
    finishPendingEdit();
    m_pos = 0;
}

void Recordset::MoveLast()
{
    requireOpen();
    finishPendingEdit();
    m_pos = m_rows.empty() ? 0 : int(m_rows.size()) - 1;
}

void Recordset::MoveNext()
{
    requireOpen();
    if (Eof())
        throw noCurrentRecord();
    finishPendingEdit();
    ++m_pos;
}

void Recordset::MovePrevious()
{
    requireOpen();
    if (Bof())
        throw noCurrentRecord();
    finishPendingEdit();
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

void Recordset::requireCurrent() const
{
    if (!m_adding && (m_pos < 0 || m_pos >= int(m_rows.size())))
        throw noCurrentRecord();
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
    requireCurrent();
    if (m_editing)
        return m_buffer.values.at(index);
    return m_rows.at(size_t(m_pos)).values.at(index);
}

void Recordset::assign(int index, const QVariant &value)
{
    requireWritable();
    requireCurrent();
    const Column &c = m_columns.at(size_t(index));
    if (!c.writable || m_target.isEmpty())
        throw RuntimeError::database(QStringLiteral("The field '%1' cannot be updated.").arg(c.name));
    const QVariant raw = db::toStorage(value, c.writeKind);
    if (!m_editing) {
        m_buffer = m_rows.at(size_t(m_pos));
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

void Recordset::CancelUpdate()
{
    requireOpen();
    m_editing = m_adding = false;
    m_buffer = Row();
    m_changed.clear();
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
    QStringList names, marks;
    QVariantList values;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i])
            continue;
        names << quoted(m_columns[i].name);
        marks << QStringLiteral("?");
        values << m_buffer.raw.at(int(i));
    }
    const QString text = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_target))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(quoted(m_target), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    m_connection->run(Sql(text, values)).finish();
    m_rows.push_back(m_buffer);
    m_pos = int(m_rows.size()) - 1;
}

void Recordset::updateRow()
{
    QStringList sets;
    QVariantList values;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (!m_changed[i])
            continue;
        sets << quoted(m_columns[i].name) + QStringLiteral("=?");
        values << m_buffer.raw.at(int(i));
    }
    if (sets.isEmpty())
        return;
    const Row &original = m_rows.at(size_t(m_pos));

    // The row is found by its key when the table has one and the query
    // carries it, else by all its original values.
    QString where;
    const QString key = m_connection->keyColumn(m_target);
    int keyIndex = -1;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].writable && m_columns[i].name.compare(key, Qt::CaseInsensitive) == 0)
            keyIndex = int(i);
    if (!key.isEmpty() && keyIndex >= 0 && !original.raw.at(keyIndex).isNull()) {
        where = quoted(key) + QStringLiteral("=?");
        values << original.raw.at(keyIndex);
    } else {
        QStringList conditions;
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (!m_columns[i].writable)
                continue;
            conditions << quoted(m_columns[i].name) + QStringLiteral(" IS ?");
            values << original.raw.at(int(i));
        }
        where = QStringLiteral("rowid = (SELECT rowid FROM %1 WHERE %2 LIMIT 1)")
                    .arg(quoted(m_target), conditions.join(QStringLiteral(" AND ")));
    }
    const QString text = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                             .arg(quoted(m_target), sets.join(QLatin1Char(',')), where);
    QSqlQuery q = m_connection->run(Sql(text, values));
    const int affected = q.numRowsAffected();
    q.finish();
    if (affected == 0)
        m_connection->fail(QStringLiteral("Row cannot be located for updating. Some values may have been "
                                          "changed since it was last read."));
    m_rows[size_t(m_pos)] = m_buffer;
}

} // namespace vb
