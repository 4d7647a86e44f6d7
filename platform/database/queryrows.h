#pragma once
// The rows of a query over one table as a list view's row source. Only the
// keys of the rows are read when the list is built (a few bytes a row); the
// rows themselves are read by key, a page at a time, as they come into view,
// and only the last pages read are kept. Sorting by a column asks the
// database for the keys in the new order.
#include "connection.h"
#include "runtime/control.h"

#include <QStringList>
#include <functional>
#include <list>
#include <vector>

namespace vb {

class QueryRows : public ListRows
{
public:
    // The rows of `table` that `filter` (a clause such as " where sup like ?",
    // or empty for all) selects, in key order. `columns` are the table's
    // columns shown, the first as the row's text; `keyOf` names the row at a
    // 0-based position of that key order.
    QueryRows(Connection &db, const QString &table, const Sql &filter, const QStringList &columns,
              std::function<QString(int position)> keyOf);

    int count() override;
    ListItem row(int position) override;
    qint64 identity(int position) override;
    int positionOf(qint64 identity) override;
    void sort(int column, bool descending) override;

    // Rows read from the database so far, and rows kept now.
    qint64 rowsRead() const { return m_rowsRead; }
    int rowsKept() const;

    // The text the list shows for a column of this kind, as an SQL
    // expression, so that the database orders rows as the list shows them.
    static QString shownText(const QString &quotedColumn, db::ColumnKind kind);
    // One term of an "order by" on that text, without regard to case.
    static QString orderTerm(const QString &quotedColumn, db::ColumnKind kind, bool descending);

    static constexpr int PageRows = 64;
    static constexpr int PagesKept = 32;

private:
    struct Page {
        int index;
        std::vector<ListItem> rows;
    };
    // Reads the keys in the order the sorts asked for, once they asked.
    void settle();
    // Position in key order of the row at a shown position.
    int basePosition(int position);
    const Page &page(int index);

    Connection &m_db;
    QString m_table, m_key;
    Sql m_filter;
    QStringList m_columns;
    std::vector<db::ColumnKind> m_kinds;
    std::function<QString(int)> m_keyOf;
    // Keys in key order; the shown order as positions into them, empty
    // while the rows are in key order.
    std::vector<qint64> m_keys;
    std::vector<quint32> m_order;
    // The sort columns, the latest first, each with its direction.
    std::vector<std::pair<int, bool>> m_sorts;
    bool m_sortPending = false;
    std::list<Page> m_pages; // most recently used first
    qint64 m_rowsRead = 0;
};

} // namespace vb
