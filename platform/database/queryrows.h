#pragma once
// The rows of a query over one table as a list view's row source. Building
// the list counts the rows; their keys (rowids) are read a chunk at a time
// in key order (a few bytes a row), the rows themselves by the keyed reader,
// a page at a time, as they come into view, and only the last pages read
// are kept. Sorting by a column asks the database for every key in the new
// order.
#include "connection.h"
#include "keyedreader.h"
#include "runtime/listrows.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace vb {

class QueryRows : public ListRows
{
public:
    // The rows of `table` that `condition` (such as "sup like ?", or empty
    // for all) selects, in key (rowid) order: for a table whose declared
    // key is its rowid ("INTEGER PRIMARY KEY", as the ticket number is),
    // the order of that key; for any other, the order the rows were stored
    // in. `columns` are the table's columns shown, the first as the row's
    // text; `keyOf` names the row at a 0-based position of that key order.
    // A view, or a table without rowids, cannot be listed (a database error
    // says so).
    QueryRows(Connection &db, const QString &table, const Sql &condition, const QStringList &columns,
              std::function<QString(int position)> keyOf);

    int count() override;
    ListItem row(int position) override;
    qint64 identity(int position) override;
    int positionOf(qint64 identity) override;
    void sort(int column, bool descending) override;

    // Rows and keys read from the database so far, and rows kept now.
    qint64 rowsRead() const { return m_rows.rowsRead(); }
    qint64 keysRead() const { return m_keysRead; }
    int rowsKept() const { return m_rows.rowsKept(); }

    // The text the list shows for a column of this kind, as an SQL
    // expression, so that the database orders rows as the list shows them.
    static QString shownText(const QString &quotedColumn, db::ColumnKind kind);
    // One term of an "order by" on that text, without regard to case.
    static QString orderTerm(const QString &quotedColumn, db::ColumnKind kind, bool descending);

    static constexpr int KeyChunk = RowidStatement::KeyChunk;
    static constexpr int PageRows = RowidStatement::PageRows;
    static constexpr int PagesKept = RowidStatement::PagesKept;

private:
    struct Chunk {
        bool loaded = false;
        std::vector<qint64> keys;
    };
    // " where " with the condition and a further one, or nothing.
    QString where(const QString &andAlso = QString()) const;
    // A row as the list shows it, from the columns read.
    ListItem item(const QSqlQuery &row) const;
    void loadChunk(int chunk);
    void loadAllKeys();
    // The key at a position in key order (-1 for none), and back.
    qint64 baseKey(int basePosition);
    int basePositionOf(qint64 key);
    // Puts the rows in the order the sorts asked for, once they asked:
    // the first read after a sort reads every key in the new order.
    void applyPendingSort();
    void readSortedOrder();
    // Position in key order of the row at a shown position.
    int basePosition(int position);

    Connection &m_db;
    QString m_table, m_key; // quoted; the key is the table's rowid
    QString m_declaredKey;  // quoted, or empty
    Sql m_condition;
    QStringList m_columns;
    std::vector<db::ColumnKind> m_kinds;
    std::function<QString(int)> m_keyOf;
    // Keys in key order, by chunks; the shown order as positions in key
    // order, empty while the rows are in key order.
    int m_count = 0;
    std::vector<Chunk> m_chunks;
    bool m_allKeys = false;
    std::vector<quint32> m_order;
    // The sort columns, the latest first, each with its direction.
    std::vector<std::pair<int, bool>> m_sorts;
    bool m_sortPending = false;
    // The sorts the order in m_order follows.
    std::vector<std::pair<int, bool>> m_appliedSorts;
    KeyedReader<ListItem> m_rows;
    qint64 m_keysRead = 0;
};

} // namespace vb
