#include "keyedreader.h"

namespace vb {

RowidStatement::RowidStatement(QString table, QString columns, ConnectionOf db, qint64 *alsoCounted)
    : m_text(QStringLiteral("SELECT %1, %2.rowid FROM %2 WHERE %2.rowid IN (SELECT value FROM json_each(?))")
                 .arg(columns, table)),
      m_connectionOf(std::move(db)), m_alsoCounted(alsoCounted)
{
}

RowidStatement::~RowidStatement()
{
    release();
}

void RowidStatement::release()
{
    m_query.reset();
    if (m_db) {
        std::erase(m_db->m_statements, this);
        m_db = nullptr;
    }
}

void RowidStatement::read(const std::vector<qint64> &keys, const std::function<void(qint64, const QSqlQuery &)> &take)
{
    if (keys.empty())
        return;
    Connection &db = m_connectionOf();
    // Prepared once on its connection, and let go of when that closes.
    if (!m_query || m_db != &db) {
        release();
        m_query = std::make_unique<QSqlQuery>(db.prepared(m_text));
        m_db = &db;
        db.m_statements.push_back(this);
    }
    QByteArray list = "[";
    for (qint64 k : keys) {
        if (list.size() > 1)
            list += ',';
        list += QByteArray::number(k);
    }
    list += ']';
    QSqlQuery &q = *m_query;
    q.bindValue(0, QString::fromLatin1(list));
    if (!db.whileLocked([&] { return q.exec(); }, [&] { return q.lastError(); })) {
        const QSqlError error = q.lastError();
        q.finish();
        db.fail(error.databaseText().isEmpty() ? error.text() : error.databaseText());
    }
    int keyColumn = -1;
    while (q.next()) {
        if (keyColumn < 0)
            keyColumn = q.record().count() - 1;
        take(q.value(keyColumn).toLongLong(), q);
        ++m_rowsRead;
        if (m_alsoCounted)
            ++*m_alsoCounted;
    }
    // A read that stopped on an error raises it; the statement never holds
    // the file's read lock after it.
    const QSqlError error = q.lastError();
    q.finish();
    if (error.isValid())
        db.fail(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

} // namespace vb
