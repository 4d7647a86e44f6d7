#pragma once
// Rows of one table read by their rowids: the one way this layer reads rows
// it can find again. Its user holds the keys (read a chunk at a time, in
// whatever order it lists them); the reader reads the rows of a page of
// positions at once by one prepared statement that takes any set of
// rowids, and keeps the pages read last. The ticket list and a recordset
// over one table both read this way.
#include "connection.h"

#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace vb {

// The statement and the counts; the part that does not depend on the form
// a row takes.
class RowidStatement
{
public:
    // Keys read per step, rows per page, pages kept.
    static constexpr int KeyChunk = 1024;
    static constexpr int PageRows = 64;
    static constexpr int PagesKept = 32;

    // Reads the columns `columns` (a column list as a statement writes it)
    // of `table` (as the statement names it), the rowid after them, through
    // the connection `db` gives when a read is needed (it may raise instead:
    // rows kept stay readable). Rows read also count in `alsoCounted`.
    using ConnectionOf = std::function<Connection &()>;
    RowidStatement(QString table, QString columns, ConnectionOf db, qint64 *alsoCounted = nullptr);
    ~RowidStatement();
    RowidStatement(const RowidStatement &) = delete;
    RowidStatement &operator=(const RowidStatement &) = delete;

    // Rows read from the database so far.
    qint64 rowsRead() const { return m_rowsRead; }
    // Lets go of the prepared statement (the connection closes); the next
    // read prepares it again.
    void release();

protected:
    // Reads the rows of these keys and hands each, with its key, to `take`.
    void read(const std::vector<qint64> &keys,
              const std::function<void(qint64 key, const QSqlQuery &row)> &take);

private:
    QString m_text;
    ConnectionOf m_connectionOf;
    qint64 *m_alsoCounted;
    Connection *m_db = nullptr; // the connection the statement is prepared on
    std::unique_ptr<QSqlQuery> m_query;
    qint64 m_rowsRead = 0;
};

template <class Row>
class KeyedReader : public RowidStatement
{
public:
    using Convert = std::function<Row(const QSqlQuery &row)>;
    KeyedReader(QString table, QString columns, ConnectionOf db, Convert convert, qint64 *alsoCounted = nullptr)
        : RowidStatement(std::move(table), std::move(columns), std::move(db), alsoCounted),
          m_convert(std::move(convert))
    {
    }

    // The row at a position of `count`, whose key is keyAt(position) (a
    // negative key: none). Its page is read when it is not kept, or when a
    // key of it changed. Empty for a row the table no longer has.
    const std::optional<Row> &at(qint64 position, qint64 count, const std::function<qint64(qint64)> &keyAt)
    {
        const qint64 index = position / PageRows;
        const size_t i = size_t(position % PageRows);
        const qint64 key = keyAt(position);
        auto hit = std::find_if(m_pages.begin(), m_pages.end(), [index](const Page &p) { return p.index == index; });
        if (hit != m_pages.end() && i < hit->keys.size() && hit->keys[i] == key) {
            m_pages.splice(m_pages.begin(), m_pages, hit);
            return m_pages.front().rows[i];
        }
        if (hit != m_pages.end())
            m_pages.erase(hit);
        Page page{index, {}, {}};
        const qint64 first = index * PageRows, last = std::min(count, first + PageRows);
        for (qint64 p = first; p < last; ++p)
            page.keys.push_back(keyAt(p));
        std::vector<qint64> wanted;
        for (qint64 k : page.keys)
            if (k >= 0)
                wanted.push_back(k);
        QHash<qint64, Row> byKey;
        read(wanted, [&](qint64 k, const QSqlQuery &q) { byKey.insert(k, m_convert(q)); });
        page.rows.reserve(page.keys.size());
        for (qint64 k : page.keys) {
            auto found = byKey.find(k);
            page.rows.push_back(found == byKey.end() ? std::optional<Row>() : std::optional<Row>(*found));
        }
        keepPage(std::move(page));
        static const std::optional<Row> none;
        return i < m_pages.front().rows.size() ? m_pages.front().rows[i] : none;
    }

    // The row of one key, read alone and kept until it is forgotten (a row
    // whose position is not known yet).
    const std::optional<Row> &one(qint64 key)
    {
        if (!m_one || m_one->first != key) {
            std::optional<Row> row;
            read({key}, [&](qint64, const QSqlQuery &q) { row = m_convert(q); });
            m_one.emplace(key, std::move(row));
        }
        return m_one->second;
    }

    // Rows read with their keys elsewhere, as the page `index`.
    void keep(qint64 index, std::vector<qint64> keys, std::vector<Row> rows)
    {
        Page page{index, std::move(keys), {}};
        for (Row &r : rows)
            page.rows.emplace_back(std::move(r));
        std::erase_if(m_pages, [index](const Page &p) { return p.index == index; });
        keepPage(std::move(page));
    }

    // Every row kept is read again when next needed (the order changed).
    void forget()
    {
        m_pages.clear();
        m_one.reset();
    }
    // The row of this key is read again when next needed (it was written).
    void forget(qint64 key)
    {
        std::erase_if(m_pages, [key](const Page &p) { return std::find(p.keys.begin(), p.keys.end(), key) != p.keys.end(); });
        if (m_one && m_one->first == key)
            m_one.reset();
    }

    int rowsKept() const
    {
        int n = 0;
        for (const Page &p : m_pages)
            n += int(p.rows.size());
        return n;
    }

private:
    struct Page {
        qint64 index;
        std::vector<qint64> keys;
        std::vector<std::optional<Row>> rows;
    };
    void keepPage(Page page)
    {
        m_pages.push_front(std::move(page));
        if (m_pages.size() > size_t(PagesKept))
            m_pages.pop_back();
    }

    Convert m_convert;
    std::list<Page> m_pages; // most recently used first
    std::optional<std::pair<qint64, std::optional<Row>>> m_one;
};

} // namespace vb
