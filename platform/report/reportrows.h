#pragma once
// The rows of a report, read from its database in slices in the report's
// order. Each stream has one reader thread with one connection of its own,
// opened at the first read and closed with the stream; each slice is read
// in a read transaction of its own, so no read lock is held between slices
// and the office can save tickets while a long report is previewed. While
// one slice is laid out, the next is read on the reader thread. A position
// in the rows is small (the sort values of the last row read and how many
// rows with exactly those values were read), so a page can be found again
// without keeping its rows.
//
// A sorted report lists the rows that were there when it was opened: the
// first read also takes the sort values of every row (in the same read
// transaction), and later slices leave out a row whose sort values were
// not among them. A ticket saved or completed meanwhile (its date moves to
// today) is thus not listed a second time further on, nor is a new one.
#include "selectionformula.h"

#include "database/columntypes.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <future>
#include <memory>
#include <vector>

namespace vb::report {

struct RowPosition {
    qint64 row = 0;   // rows before it
    QVariantList key; // stored sort values of the last row read; empty at the start
    int ties = 0;     // rows read so far whose sort values equal key
};

class RowStream
{
public:
    // Rows of source that meet the condition, sorted by the sort columns
    // (without any: in the order the database gives, found again by count).
    // databaseFile is an absolute path; columns and kinds are the source's.
    // Only readColumns (and the sort columns) are read when some are named;
    // the other columns of a row are Null.
    RowStream(QString databaseFile, QString source, QStringList columns,
              std::vector<db::ColumnKind> kinds, Condition condition, QStringList sortColumns,
              const QStringList &readColumns = {});
    ~RowStream();
    RowStream(const RowStream &) = delete;
    RowStream &operator=(const RowStream &) = delete;

    // The source reads this table's row itself (a view over it): every
    // slice checks that the row is still as the report opened with, and
    // raises an error when another report has changed it since. Called
    // before the first row is read.
    void pinParameters(const QString &table, const QVariantList &storedRow);

    const QStringList &columns() const { return m_columns; }
    // The position before the next row next() returns.
    const RowPosition &position() const { return m_pos; }
    void seek(const RowPosition &position);
    // The next row with its values as the forms see them; false at the end.
    // A database failure raises the engine's text.
    bool next(QVariantList &row);

    // A table whose one row must stay as it was.
    struct Pinned {
        QString table;
        QVariantList row;
    };

    // A slice's statement: with sort columns, rows from a position on,
    // limit of them (rows that came meanwhile are passed over, and the
    // reading goes on until limit rows of the report's own are in);
    // without, by limit and offset.
    struct Statement {
        QString text;
        QVariantList values;
        int limit = 0;
        bool keyed = false;
    };
    // The rows of a slice, values as stored, and whether it is the last.
    struct Slice {
        std::vector<QVariantList> rows;
        bool last = false;
    };
    class Reader;

private:
    Statement statementFrom(const RowPosition &start, int size) const;
    Reader &reader();
    void fetch();
    void readAhead();
    void dropReadAhead();
    QVariantList keyOf(const QVariantList &raw) const;
    // Moves a position past a row read (values as stored).
    void step(RowPosition &position, const QVariantList &raw) const;

    QString m_file, m_source;
    QStringList m_columns;
    Condition m_condition;
    QStringList m_sort;
    std::vector<int> m_sortAt;                // sort columns among the columns
    std::vector<int> m_read;                  // the columns read, in the order read
    std::vector<int> m_sortRaw;               // sort columns among those read
    bool m_selectAll = true;
    std::vector<db::ColumnKind> m_kinds;      // per column
    Pinned m_pinned;
    std::vector<QVariantList> m_slice;        // raw values of the current slice
    RowPosition m_sliceStart;                 // position before m_slice[0]
    size_t m_next = 0;
    bool m_sliceIsLast = false;
    bool m_fetched = false;
    int m_sliceSize = 0;
    RowPosition m_pos;
    std::unique_ptr<Reader> m_reader;
    // The next slice being read on the reader thread, and where it starts.
    std::future<Slice> m_ahead;
    qint64 m_aheadFrom = -1;
};

} // namespace vb::report
