#include "reportrows.h"

#include "reportdefinition.h"

#include "database/sql.h"
#include "runtime/errors.h"

#include <QSqlDatabase>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vb::report {

namespace {

// Rows of the first slice after a seek (a page or two, quickly), and of
// the slices that follow it while the pages are read in order.
constexpr int FirstSlice = 400, NextSlice = 20000;

// The first row of a finished query, values as stored; empty without one.
QVariantList storedRow(QSqlQuery &q)
{
    QVariantList row;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            row << (q.value(i).isNull() ? QVariant() : q.value(i));
    q.finish();
    return row;
}

QString engineText(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

quint64 mixed(quint64 h)
{
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    return h ^ (h >> 31);
}

// A row's sort values (as stored) in 64 bits: the rows of a report are
// known by these, a million of them in a few megabytes.
quint64 keyHash(const QVariantList &raw, const std::vector<int> &at)
{
    quint64 h = 0x6a09e667f3bcc908ULL;
    for (int i : at) {
        const QVariant &v = raw[i];
        quint64 one = 0;
        if (v.isNull()) {
            one = 0x9e3779b97f4a7c15ULL;
        } else {
            switch (v.typeId()) {
            case QMetaType::LongLong:
            case QMetaType::Int:
            case QMetaType::ULongLong:
            case QMetaType::UInt: one = quint64(v.toLongLong()); break;
            case QMetaType::Double: {
                const double d = v.toDouble();
                std::memcpy(&one, &d, sizeof one);
                one ^= 0x5555555555555555ULL;
                break;
            }
            case QMetaType::QByteArray: one = qHash(v.toByteArray(), 7); break;
            default: one = qHash(v.toString(), 11); break;
            }
        }
        h = mixed(h ^ mixed(one + quint64(v.typeId())));
    }
    return h;
}

} // namespace

// The reader thread of one stream and its connection, which only that
// thread uses. Reads run one after another in the order asked for; a read
// whose generation has passed (the stream moved elsewhere) stops early.
class RowStream::Reader
{
public:
    Reader(const RowStream &stream, QString file, Pinned pinned, std::vector<int> sortRaw, Statement everyKey)
        : m_stream(stream), m_file(std::move(file)), m_pinned(std::move(pinned)), m_sortRaw(std::move(sortRaw)),
          m_everyKey(std::move(everyKey))
    {
        static std::atomic<int> serial{0};
        m_name = QStringLiteral("vb_report_rows_%1").arg(++serial);
        m_thread = std::thread([this] { run(); });
    }
    ~Reader()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_stopping = true;
        ++generation;
        m_wake.notify_one();
        m_thread.join();
    }

    std::future<Slice> read(Statement st)
    {
        Job job{std::move(st), generation.load(), {}};
        std::future<Slice> result = job.result.get_future();
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_wake.notify_one();
        return result;
    }

    std::atomic<int> generation{0};

private:
    struct Job {
        Statement st;
        int generation = 0;
        std::promise<Slice> result;
    };

    void run()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
                if (m_stop)
                    break;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            try {
                serve(job);
            } catch (...) {
                try {
                    job.result.set_exception(std::current_exception());
                } catch (const std::future_error &) {
                    // The slice was handed over; taking the sort values
                    // failed: they are taken again at the next read.
                }
            }
        }
        {
            std::lock_guard lock(m_mutex);
            for (Job &job : m_jobs)
                job.result.set_value({});
            m_jobs.clear();
        }
        if (m_open)
            QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    // A statement's failure as the operator reads it: another program's
    // lock says who holds the file and that it can be tried again.
    [[noreturn]] void fail(const QSqlError &e) const
    {
        QString why = engineText(e);
        if (why.contains(QLatin1String("database is locked"), Qt::CaseInsensitive))
            why = QStringLiteral("another program is using %1 (%2). Try again in a moment.")
                      .arg(QFileInfo(m_file).fileName(), why);
        throw RuntimeError::database(why);
    }

    QSqlDatabase connection()
    {
        if (m_open)
            return QSqlDatabase::database(m_name, false);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        // mode=rw: an existing file only, never an empty one in its place.
        db.setDatabaseName(QUrl::fromLocalFile(m_file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            throw RuntimeError::database(
                QStringLiteral("Cannot open the database file '%1': %2").arg(m_file, db.lastError().text()));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA case_sensitive_like=OFF"))) {
            const QSqlError why = q.lastError();
            q = QSqlQuery();
            db.close();
            fail(why);
        }
        m_open = true;
        return db;
    }

    // One read transaction: the pinned row checked, the slice read and, the
    // first time, the sort values of every row taken.
    void serve(Job &job)
    {
        QSqlDatabase db = connection();
        const bool capture = !m_captured && job.st.keyed;
        const bool transaction = capture || !m_pinned.table.isEmpty();
        struct Ended {
            QSqlDatabase &db;
            bool open;
            ~Ended()
            {
                if (open)
                    QSqlQuery(db).exec(QStringLiteral("ROLLBACK")); // read only: nothing to keep
            }
        } ended{db, false};
        if (transaction) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("BEGIN")))
                fail(q.lastError());
            ended.open = true;
        }
        if (!m_pinned.table.isEmpty()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("select * from %1 limit 1").arg(db::quoted(m_pinned.table))))
                fail(q.lastError());
            if (storedRow(q) != m_pinned.row)
                throw RuntimeError(CannotOpenReport,
                                   QStringLiteral("The report settings in %1 were changed after this report was "
                                                  "opened (another report was run): close this report and run "
                                                  "it again")
                                       .arg(m_pinned.table));
        }
        job.result.set_value(readSlice(db, job));
        if (capture)
            takeEveryKey(db);
    }

    // The sort values of every row, under the read lock the first slice was
    // read with; the slice has gone to the layout meanwhile. They are
    // counted first so that they take one block of memory of their size.
    void takeEveryKey(QSqlDatabase &db)
    {
        auto run = [&](QSqlQuery &q, const QString &text) {
            q.setForwardOnly(true);
            if (!q.prepare(text))
                fail(q.lastError());
            for (const QVariant &v : m_everyKey.values)
                q.addBindValue(db::bindable(v));
            if (!q.exec())
                fail(q.lastError());
        };
        QSqlQuery count(db);
        run(count, QStringLiteral("select count(*) from (%1)").arg(m_everyKey.text));
        count.next();
        std::vector<quint64> keys;
        keys.reserve(size_t(count.value(0).toLongLong()));
        count.finish();
        QSqlQuery q(db);
        run(q, m_everyKey.text);
        std::vector<int> all(m_sortRaw.size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = int(i);
        QVariantList key(qsizetype(all.size()));
        while (q.next()) {
            if ((keys.size() & 4095) == 0 && m_stopping.load())
                return;
            for (size_t i = 0; i < all.size(); ++i) {
                const QVariant v = q.value(int(i));
                key[qsizetype(i)] = v.isNull() ? QVariant() : v;
            }
            keys.push_back(keyHash(key, all));
        }
        if (q.lastError().isValid())
            fail(q.lastError());
        q.finish();
        std::sort(keys.begin(), keys.end());
        m_keys = std::move(keys);
        m_captured = true;
    }

    bool known(const QVariantList &raw) const
    {
        return !m_captured || std::binary_search(m_keys.begin(), m_keys.end(), keyHash(raw, m_sortRaw));
    }

    // The rows of a slice. A sorted slice is read in statements of limited
    // size (an unlimited one would have the database sort every row after
    // the position, each time); when rows that came meanwhile took up some
    // of one, the next goes on after the last row it read.
    Slice readSlice(QSqlDatabase &db, const Job &job)
    {
        Slice slice;
        slice.rows.reserve(size_t(std::min(job.st.limit, NextSlice * 2)));
        Statement st = job.st;
        QVariantList lastKey; // sort values of the last row read, and how
        int lastTies = 0;     // many rows read had them
        bool more = false;
        for (;;) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.prepare(st.text))
                fail(q.lastError());
            for (const QVariant &v : st.values)
                q.addBindValue(db::bindable(v));
            if (!q.exec())
                fail(q.lastError());
            const int count = q.record().count();
            int read = 0;
            int seen = lastTies; // rows with lastKey this statement gives again
            bool full = false;
            while (q.next()) {
                if ((++read & 511) == 0 && generation.load() != job.generation) {
                    full = true; // not wanted any more: the rows so far do
                    break;
                }
                QVariantList raw;
                raw.reserve(count);
                for (int i = 0; i < count; ++i) {
                    QVariant v = q.value(i);
                    raw << (v.isNull() ? QVariant() : v);
                }
                if (st.keyed) {
                    const QVariantList key = m_stream.keyOf(raw);
                    if (key == lastKey && seen > 0) {
                        --seen;
                        continue;
                    }
                    seen = 0;
                    if (key == lastKey) {
                        ++lastTies;
                    } else {
                        lastKey = key;
                        lastTies = 1;
                    }
                    if (!known(raw))
                        continue;
                }
                slice.rows.push_back(std::move(raw));
                if (int(slice.rows.size()) == job.st.limit) {
                    full = true;
                    break;
                }
            }
            // A read that stopped on an error (a damaged page) is no end of
            // the rows.
            if (!full && q.lastError().isValid())
                fail(q.lastError());
            q.finish();
            if (full || (st.keyed && read == st.limit && !lastKey.isEmpty())) {
                more = true;
                if (full)
                    break;
                // The statement's rows ran out before the slice was full.
                st = m_stream.statementFrom(RowPosition{1, lastKey, lastTies}, NextSlice);
                continue;
            }
            break;
        }
        slice.last = !more;
        return slice;
    }

    // Its statements and sort values, which stay as they were made.
    const RowStream &m_stream;
    QString m_file, m_name;
    const Pinned m_pinned;
    const std::vector<int> m_sortRaw;
    const Statement m_everyKey;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stop = false;
    std::atomic<bool> m_stopping{false};
    // Used on the reader thread only.
    bool m_open = false;
    bool m_captured = false;
    std::vector<quint64> m_keys;
};

RowStream::RowStream(QString databaseFile, QString source, QStringList columns,
                     std::vector<db::ColumnKind> kinds, Condition condition, QStringList sortColumns,
                     const QStringList &readColumns)
    : m_file(std::move(databaseFile)), m_source(std::move(source)), m_columns(std::move(columns)),
      m_condition(std::move(condition)), m_sort(std::move(sortColumns)), m_kinds(std::move(kinds))
{
    auto at = [&](const QString &name) {
        for (int i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    for (const QString &s : m_sort)
        if (at(s) >= 0)
            m_sortAt.push_back(at(s));
    for (int i = 0; i < m_columns.size(); ++i) {
        const bool wanted = readColumns.isEmpty() ||
                            std::any_of(readColumns.begin(), readColumns.end(),
                                        [&](const QString &c) { return at(c) == i; }) ||
                            std::find(m_sortAt.begin(), m_sortAt.end(), i) != m_sortAt.end();
        if (wanted)
            m_read.push_back(i);
    }
    m_selectAll = int(m_read.size()) == m_columns.size();
    for (int full : m_sortAt)
        m_sortRaw.push_back(int(std::find(m_read.begin(), m_read.end(), full) - m_read.begin()));
    m_kinds.resize(size_t(m_columns.size()), db::ColumnKind::Natural);
}

RowStream::~RowStream() = default;

RowStream::Reader &RowStream::reader()
{
    if (!m_reader) {
        // Every row's sort values, in no order: what the report lists.
        Statement every;
        QStringList sort;
        for (int at : m_sortAt)
            sort << db::quoted(m_columns[at]);
        every.text = QStringLiteral("select %1 from %2").arg(sort.join(QStringLiteral(", ")), db::quoted(m_source));
        if (!m_condition.isEmpty()) {
            every.text += QStringLiteral(" where (") + m_condition.sql + QLatin1Char(')');
            every.values = m_condition.values;
        }
        m_reader = std::make_unique<Reader>(*this, m_file, m_pinned, m_sortRaw, every);
    }
    return *m_reader;
}

void RowStream::dropReadAhead()
{
    if (m_reader && m_ahead.valid())
        ++m_reader->generation; // its rows are not wanted: it stops early
    m_ahead = {};
    m_aheadFrom = -1;
}

void RowStream::pinParameters(const QString &table, const QVariantList &storedRow)
{
    m_pinned = {table, storedRow};
}

QVariantList RowStream::keyOf(const QVariantList &raw) const
{
    QVariantList key;
    for (int at : m_sortRaw)
        key << raw.value(at);
    return key;
}

void RowStream::step(RowPosition &position, const QVariantList &raw) const
{
    const QVariantList key = keyOf(raw);
    if (position.row > 0 && key == position.key) {
        ++position.ties;
    } else {
        position.key = key;
        position.ties = 1;
    }
    ++position.row;
}

void RowStream::seek(const RowPosition &position)
{
    if (m_fetched && position.row >= m_sliceStart.row &&
        position.row <= m_sliceStart.row + qint64(m_slice.size())) {
        m_next = size_t(position.row - m_sliceStart.row);
        m_pos = position;
        return;
    }
    m_slice.clear();
    m_fetched = false;
    m_sliceSize = 0;
    if (position.row != m_aheadFrom)
        dropReadAhead();
    m_pos = position;
}

bool RowStream::next(QVariantList &row)
{
    while (!m_fetched || m_next >= m_slice.size()) {
        if (m_fetched && m_sliceIsLast)
            return false;
        fetch();
    }
    const QVariantList &raw = m_slice[m_next++];
    step(m_pos, raw);
    // Columns the report does not print stay Null.
    row = QVariantList(m_columns.size());
    for (int i = 0; i < raw.size() && i < int(m_read.size()); ++i)
        row[m_read[size_t(i)]] = db::fromStorage(raw[i], m_kinds[size_t(m_read[size_t(i)])]);
    return true;
}

RowStream::Statement RowStream::statementFrom(const RowPosition &start, int size) const
{
    Statement st;
    QStringList read;
    for (int i : m_read)
        read << db::quoted(m_columns[i]);
    st.text = QStringLiteral("select %1 from ").arg(m_selectAll ? QStringLiteral("*") : read.join(QStringLiteral(", "))) +
              db::quoted(m_source);
    QStringList where;
    if (!m_condition.isEmpty()) {
        where << QLatin1Char('(') + m_condition.sql + QLatin1Char(')');
        st.values << m_condition.values;
    }
    const bool keyed = !m_sortAt.empty();
    st.limit = size;
    if (keyed && start.row > 0) {
        // Rows whose sort values are at or after the last row read, written
        // out column by column so that Null (first in the order) compares.
        const QVariantList &key = start.key;
        auto column = [&](int i) { return db::quoted(m_columns[m_sortAt[size_t(i)]]); };
        std::function<QString(int)> atOrAfter = [&](int i) -> QString {
            QString after, equal;
            if (key[i].isNull()) {
                after = column(i) + QStringLiteral(" is not null");
                equal = column(i) + QStringLiteral(" is null");
            } else {
                after = column(i) + QStringLiteral(" > ?");
                equal = column(i) + QStringLiteral(" = ?");
                st.values << key[i] << key[i];
            }
            if (i + 1 == key.size())
                return QStringLiteral("(%1 or %2)").arg(after, equal);
            return QStringLiteral("(%1 or (%2 and %3))").arg(after, equal, atOrAfter(i + 1));
        };
        if (!key[0].isNull()) {
            // The same bound once more, plainly, so an index on the first
            // sort column can serve it.
            where << column(0) + QStringLiteral(" >= ?");
            st.values << key[0];
        }
        where << atOrAfter(0);
        // The rows with the last key that were read already come first.
        st.limit += start.ties;
    }
    if (!where.isEmpty())
        st.text += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
    if (keyed) {
        QStringList order;
        for (int at : m_sortAt)
            order << db::quoted(m_columns[at]);
        st.text += QStringLiteral(" order by ") + order.join(QStringLiteral(", "));
    }
    st.keyed = keyed;
    st.text += QStringLiteral(" limit ?");
    st.values << st.limit;
    if (!keyed) {
        st.text += QStringLiteral(" offset ?");
        st.values << start.row;
    }
    return st;
}

void RowStream::fetch()
{
    Slice slice;
    if (m_ahead.valid() && m_aheadFrom == m_pos.row) {
        slice = m_ahead.get(); // raises the reading's failure here
        m_sliceSize = NextSlice;
    } else {
        dropReadAhead();
        m_sliceSize = m_sliceSize == 0 ? FirstSlice : NextSlice;
        slice = reader().read(statementFrom(m_pos, m_sliceSize)).get();
    }
    m_ahead = {};
    m_aheadFrom = -1;

    m_slice.clear();
    m_next = 0;
    m_sliceStart = m_pos;
    int skip = m_sortAt.empty() ? 0 : m_pos.ties;
    for (QVariantList &row : slice.rows) {
        if (skip > 0 && keyOf(row) == m_pos.key) {
            --skip;
            continue;
        }
        skip = 0;
        m_slice.push_back(std::move(row));
    }
    m_sliceIsLast = slice.last;
    m_fetched = true;
    if (!m_sliceIsLast)
        readAhead();
}

// Starts reading the slice after this one on the reader thread.
void RowStream::readAhead()
{
    RowPosition end = m_sliceStart;
    for (const QVariantList &row : m_slice)
        step(end, row);
    m_aheadFrom = end.row;
    m_ahead = reader().read(statementFrom(end, NextSlice));
}

} // namespace vb::report
