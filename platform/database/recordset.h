#pragma once
// A query's rows as a static cursor: the rows are those the query had when
// it opened, the position moves freely, and the current row can be edited,
// or a new row added, and written back with Update.
//
// The cost follows what the form touches, not the size of the result:
// - A plain query of one table ("select * from emp where ... order by ...")
//   is served by key: opening reads nothing; the first look at the rows
//   reads the first page of rows with their keys (rowids); the other keys
//   are read a batch at a time as the position moves, and their rows by
//   the keyed reader (keyedreader.h), a page at a time, the last pages
//   kept. Memory is the keys read (8 bytes each) and a few pages of rows.
//   A new row added and written reads no rows at all.
// - Any other query (views, joins, aggregates, grouping, limits) is read a
//   batch of rows at a time as the position moves, and the rows read are
//   kept.
// - A forward-only recordset reads its query straight through and keeps
//   only the rows not yet passed; when the file changes under it, it lets
//   go of the query and runs it again where it left off (it promises no
//   rows as at opening).
// Each of the three is a row source of its own (rowsource.h).
// The rows stay those of the moment of opening: before anything changes
// the database file (a statement that writes, on any connection to the
// same file, or a rollback) every recordset that could be affected reads
// the rest of its keys (or rows), and a query left half-read never holds
// the file's read lock across a write or a commit. (One gap: a recordset
// that adds rows before it has read any key reads its keys at the next
// change of its table, so that change's rows are among them.) Keyed rows show their
// values when first read; a row deleted since opening whose values were
// not yet read stays counted and raises 3021 when its fields are read.
#include "columntypes.h"
#include "sql.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>
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
    Recordset();
    ~Recordset();
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
    // True when the rows are served by key (a plain query of one table).
    bool isKeyed() const;
    // Rows read from the database so far (keyed pages and batches), for
    // checks that an operation reads no rows.
    qint64 rowsRead() const;
    // The same over every recordset of the process so far.
    static qint64 rowsReadByAll() { return s_rowsRead; }
    const QString &Source() const { return m_source; }

    // EOF and BOF of the original objects (EOF itself is a C macro).
    bool Eof() const;
    bool Bof() const;
    // The number of rows: keys not yet read are counted by the engine,
    // other rows are read to count them; -1 on a forward-only recordset.
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

private:
    friend class Field;
    friend class Connection;
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
    // How the rows are read (rowsource.h): by key, buffered, forward-only.
    class RowSource;
    class KeyedRows;
    class BufferedRows;
    class ForwardRows;

    // `rowidLast`: the columns' query ends with the rowid it reads by.
    void setUpColumns(const QSqlRecord &record, Connection &connection, const QString &target, bool rowidLast);
    Row rowOf(const QSqlQuery &query) const;
    // The keys or rows read so far; all of them once the query is read out.
    qint64 known() const;
    // Reads until index is known or the query ends; true when it exists.
    bool reach(qint64 index);
    void readAll();
    qint64 count();
    // Called by the connection before the file changes: reads the rest
    // when this recordset's rows could change or it holds a read lock.
    enum class Change { Table, Any, LockOnly };
    void settle(Change change, const QString &writtenTable);
    // The connection is closing: a half-read query is abandoned.
    void detach();
    const Row &currentRow();
    void placeOnAdded();
    void requireOpen() const;
    void requireWritable() const;
    void finishPendingEdit();
    QString fieldName(int index) const;
    QVariant fieldValue(int index) const;
    void assign(int index, const QVariant &value);
    void insertRow();
    void updateRow();

    Connection *m_connection = nullptr;
    bool m_open = false;
    bool m_detached = false;
    QString m_source;
    QString m_target; // the table rows are written to
    int m_lockType = LockType::Optimistic;
    std::vector<Column> m_columns;
    QHash<QString, int> m_byName;
    std::unique_ptr<RowSource> m_from;
    qint64 m_rowsRead = 0;
    static inline qint64 s_rowsRead = 0;

    qint64 m_pos = 0;
    // Keyed: on the row just added, its position not yet known.
    bool m_onAdded = false;
    bool m_editing = false;
    bool m_adding = false;
    Row m_buffer;
    std::vector<bool> m_changed;
};

} // namespace vb
