#pragma once
// How a recordset's rows are read: one of three kinds behind one interface.
// The recordset keeps the position, the edit buffer and the rule that its
// rows stay those of the opening; a source only reads rows (or keys) and
// writes an edited row back where it found it. Private to the database
// layer.
#include "keyedreader.h"
#include "querytext.h"
#include "recordset.h"
#include "runtime/errors.h"

#include <QSet>
#include <deque>
#include <optional>

namespace vb {

namespace recordseterrors {
RuntimeError noCurrentRecord();
RuntimeError closedObject();
} // namespace recordseterrors

class Recordset::RowSource
{
public:
    explicit RowSource(Recordset &rs) : m_rs(rs) {}
    virtual ~RowSource() = default;
    RowSource(const RowSource &) = delete;
    RowSource &operator=(const RowSource &) = delete;

    virtual bool keyed() const { return false; }
    virtual bool forwardOnly() const { return false; }
    // Keys or rows read so far; all of them once the query is read out.
    virtual qint64 known() const = 0;
    bool complete() const { return m_complete; }
    // Reads one step further (the query runs when first needed).
    virtual void readStep() = 0;
    // The row at a position already reached; 3021 for one that is gone.
    virtual const Row &row(qint64 index) = 0;
    // The count RecordCount gives.
    virtual qint64 recordCount();
    // The file is about to change: reads the rest when these rows could
    // change or a half-read query holds the file's read lock.
    virtual void settle(Change change, const QString &writtenTable);
    // The connection is closing: a half-read query is abandoned.
    virtual void detach();
    // The position moved on to `position`.
    virtual void movedTo(qint64) {}
    // True when rows before the position were let go (no way back).
    virtual bool passedRowsGone() const { return false; }

    // Writing. The row being edited (the position, or the row just added
    // when `onAdded`) is about to change.
    virtual void editing(qint64, bool) {}
    // A row was inserted with this rowid: the position of the new row, or
    // none while the keys before it are not all read.
    virtual std::optional<qint64> added(qint64 key, const Row &row) = 0;
    // The row just added whose position is not known yet.
    virtual const Row &addedRow();
    // Writes the edited columns (`sets`, their values) to the row being
    // edited, then keeps the edited row.
    virtual void update(const QStringList &sets, QVariantList values) = 0;
    // Rows read by key so far.
    virtual qint64 rowsReadByKey() const { return 0; }

    void readAll()
    {
        while (!m_complete)
            readStep();
    }
    // A half-read query is read out before this recordset writes.
    void readOutHalfRead()
    {
        if (m_query)
            readAll();
    }

protected:
    Connection &connection() const;
    void endQuery();
    // Raises the error a read stopped on.
    void failed(const QSqlError &error) const;
    // Moves the query to its next row and counts it; at the end the query
    // ends, and a read that stopped on an error raises it.
    bool nextRow();
    void counted() const
    {
        ++m_rs.m_rowsRead;
        ++Recordset::s_rowsRead;
    }

    Recordset &m_rs;
    bool m_complete = false;
    // The query being read: keys or whole rows; it ends once read out.
    std::unique_ptr<QSqlQuery> m_query;
};

// A plain query of one table: the first page of rows with their keys
// (rowids), the other keys a chunk at a time, their rows by the keyed
// reader.
class Recordset::KeyedRows : public Recordset::RowSource
{
public:
    KeyedRows(Recordset &rs, const db::PlainSelect &plain, const QVariantList &values);
    bool keyed() const override { return true; }
    qint64 known() const override;
    void readStep() override;
    const Row &row(qint64 index) override;
    qint64 recordCount() override;
    void detach() override;
    void editing(qint64 position, bool onAdded) override;
    std::optional<qint64> added(qint64 key, const Row &row) override;
    const Row &addedRow() override;
    void update(const QStringList &sets, QVariantList values) override;
    qint64 rowsReadByKey() const override { return m_reader.rowsRead(); }

private:
    qint64 keyAt(qint64 index) const;

    Sql m_firstPage; // the first page of rows with their keys
    Sql m_reading;   // the other keys
    Sql m_counting;  // the count of the keys
    bool m_started = false;
    qint64 m_count = -1;
    std::vector<qint64> m_keys;
    std::vector<qint64> m_added; // rows this recordset added, after the query's
    QSet<qint64> m_addedSet;
    qint64 m_editKey = 0; // the rowid of the row being edited
    KeyedReader<Row> m_reader;
};

// Any other query: read a batch of rows at a time, the rows read kept.
class Recordset::BufferedRows : public Recordset::RowSource
{
public:
    BufferedRows(Recordset &rs, Connection &connection, const Sql &source);
    const QSqlRecord &columns() const { return m_record; }
    qint64 known() const override { return m_dropped + qint64(m_rows.size()); }
    void readStep() override;
    const Row &row(qint64 index) override;
    std::optional<qint64> added(qint64 key, const Row &row) override;
    void update(const QStringList &sets, QVariantList values) override;

protected:
    // Runs the query again (a forward-only one after letting it go).
    virtual void restart();

    Sql m_reading;
    QSqlRecord m_record;
    std::deque<Row> m_rows;
    qint64 m_dropped = 0; // rows let go of before the first kept
};

// Read straight through, only the rows not yet passed kept; when the file
// changes it lets go of the query and runs it again where it left off.
class Recordset::ForwardRows : public Recordset::BufferedRows
{
public:
    using BufferedRows::BufferedRows;
    bool forwardOnly() const override { return true; }
    qint64 recordCount() override { return -1; }
    void settle(Change change, const QString &writtenTable) override;
    void movedTo(qint64 position) override;
    bool passedRowsGone() const override { return m_dropped > 0; }

protected:
    void restart() override;

private:
    qint64 m_skip = 0; // rows to pass over when run again
};

} // namespace vb
