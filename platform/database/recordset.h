#pragma once
// A query's rows, fetched whole when it opens (a static cursor): the count
// is known at once, the position moves freely, and the current row can be
// edited, or a new row added, and written back with Update.
#include "columntypes.h"
#include "sql.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <vector>

namespace vb {

class Connection;
class Recordset;

namespace CursorType {
constexpr int ForwardOnly = 0, Keyset = 1, Dynamic = 2, Static = 3;
}
namespace LockType {
constexpr int ReadOnly = 1, Pessimistic = 2, Optimistic = 3, BatchOptimistic = 4;
}

// One column of the current row.
class Field
{
public:
    Field(Recordset *recordset, int index) : m_rs(recordset), m_index(index) {}
    QString Name() const;
    // The value of the current row (the edited value while the row is
    // being edited); Null is a null QVariant.
    QVariant Value() const;
    // Assigns the value into the current row (or the row being added),
    // converted to the column's type; Update writes it.
    void setValue(const QVariant &value);
    bool isNull() const { return Value().isNull(); }
    int index() const { return m_index; }

private:
    Recordset *m_rs;
    int m_index;
};

class Recordset
{
public:
    Recordset() = default;
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // Runs the query and keeps its rows. A recordset that is already open
    // refuses (error 3705). Lock type 1 opens it read-only.
    void Open(const Sql &source, Connection &connection, int cursorType = CursorType::Static,
              int lockType = LockType::Optimistic, int options = -1);
    // Drops the rows and any edit not yet written. Closing a closed
    // recordset does nothing.
    void Close();
    int State() const;
    bool isOpen() const { return m_open; }
    const QString &Source() const { return m_source; }
    int LockType() const { return m_lockType; }

    // EOF and BOF of the original objects (EOF itself is a C macro).
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();

    // Fields by name (any case) or by position; an unknown one raises 3265.
    Field Fields(const QString &name) const;
    Field Fields(int index) const;
    Field operator()(const QString &name) const { return Fields(name); }
    int FieldCount() const { return int(m_columns.size()); }
    QVariant value(const QString &name) const { return Fields(name).Value(); }
    void setField(const QString &name, const QVariant &value) { Fields(name).setValue(value); }

    // Starts a new row (all Null); field assignments fill it; Update
    // inserts it into the table the query reads.
    void AddNew();
    // Writes the new row, or the edited fields of the current row.
    void Update();
    void CancelUpdate();
    bool editing() const { return m_editing; }

private:
    friend class Field;
    struct Column {
        QString name;
        QString table;
        db::ColumnKind kind = db::ColumnKind::Natural;
        bool writable = false;       // a column of the table written by Update
        db::ColumnKind writeKind = db::ColumnKind::Natural;
    };
    struct Row {
        QVariantList raw;    // as stored, to find the row again
        QVariantList values; // as the forms see them
    };

    void requireOpen() const;
    void requireCurrent() const;
    void requireWritable() const;
    void finishPendingEdit();
    QString fieldName(int index) const;
    QVariant fieldValue(int index) const;
    void assign(int index, const QVariant &value);
    void insertRow();
    void updateRow();

    Connection *m_connection = nullptr;
    bool m_open = false;
    QString m_source;
    QString m_target; // the table rows are written to
    int m_lockType = LockType::Optimistic;
    std::vector<Column> m_columns;
    QHash<QString, int> m_byName;
    std::vector<Row> m_rows;
    int m_pos = 0;
    bool m_editing = false;
    bool m_adding = false;
    Row m_buffer;
    std::vector<bool> m_changed;
};

} // namespace vb
