#pragma once
// The one database connection of the program: opened with the connection
// string of the original program, it reaches the named database file with
// SQLite through Qt SQL.
#include "columntypes.h"
#include "sql.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "runtime/errors.h"

namespace vb {

class Recordset;
class RowidStatement;

// Object states of the database objects.
namespace ObjectState {
constexpr int Closed = 0, Open = 1;
}

// What a connection string names.
struct ConnectionTarget {
    QString driver;   // the DRIVER value without braces, or empty
    QString provider; // the PROVIDER value, or empty
    QString file;     // DBQ or Data Source, as written
};

// Parses "KEY=value; KEY=value" (keys case-insensitive, blanks around keys
// and values ignored, braces around a value dropped). Raises a run-time
// error naming an unknown driver or provider, or a string naming no file.
ConnectionTarget parseConnectionString(const QString &connectionString);

class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Every recordset here reads on the client side: the forms' setting is
    // accepted and changes nothing.
    void setCursorLocation(int) {}

    // Opens the database file the connection string names, relative to the
    // current directory, its name matched without regard to case. A file
    // that does not exist, or one that holds no database (such as an empty
    // one), raises an error naming it; no file is ever created. Until the
    // next Open or Close, using the connection raises that error again.
    void Open(const QString &connectionString, const QString &user = QString(),
              const QString &password = QString(), int options = -1);
    // Rolls back an open transaction, then closes.
    void Close();
    int State() const { return isOpen() ? ObjectState::Open : ObjectState::Closed; }
    bool isOpen() const { return m_open; }
    // The absolute path of the open database file.
    const QString &fileName() const { return m_fileName; }

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool inTransaction() const { return m_inTransaction; }

    // Runs one statement with its values bound and returns the finished
    // query positioned before its first row. A failure inside a transaction
    // rolls the transaction back; every failure raises the engine's text.
    QSqlQuery run(const Sql &statement);
    // After a query's rows were read to the end: a read that stopped on an
    // error (a damaged page, a lock) raises it instead of passing for the
    // end of the rows.
    void checkRead(const QSqlQuery &query);

    // How long a statement waits while another program holds the file
    // before it fails with the engine's "database is locked" (milliseconds;
    // 5000 unless set). The host shows meanwhile that the program waits.
    static int lockWait();
    static void setLockWait(int milliseconds);
    // The text shown while waiting, and the cause a failure gives.
    QString waitingText() const;

    // Declared kinds of the columns of a table or view (lower-case names).
    const QHash<QString, db::ColumnKind> &columnKinds(const QString &table);
    // Columns of a table or view in their order, and its key column if it has one.
    QStringList columnNames(const QString &table);
    QString keyColumn(const QString &table);
    // True for a table whose rows have rowids a recordset can read them by
    // (not a view, not WITHOUT ROWID, no column named like the rowid).
    bool hasRowids(const QString &table);
    // The columns a column list gives on a table (as a query of it with
    // its rowid last would), kept: the program never alters a table.
    QSqlRecord columnsOf(const QString &columnList, const QString &table);

    // Calls progress about every `steps` steps of the engine while a
    // statement runs, so a long one (building an index on a large file)
    // can keep a window painting; an empty progress removes it. It holds
    // until the connection closes.
    void setProgressHandler(std::function<void()> progress, int steps = 20000);

    // The open connections of the process (the error hook rolls back theirs).
    static const std::vector<Connection *> &openConnections();

private:
    friend class Recordset;
    friend class RowidStatement;
    struct TableInfo {
        QStringList names;
        QHash<QString, db::ColumnKind> kinds;
        QString key;
        bool rowids = false;
    };
    const TableInfo &tableInfo(const QString &table);
    void requireOpen() const;
    [[noreturn]] void fail(const QString &engineText);
    // A statement that writes, run by a recordset that settles itself.
    QSqlQuery runWriting(const Sql &statement, const Recordset *writer);
    QSqlQuery execute(const Sql &statement);
    // Runs an attempt again while the file is locked by another program,
    // until it succeeds, fails otherwise, or the lock wait is over.
    bool whileLocked(const std::function<bool()> &attempt, const std::function<QSqlError()> &error);
    // A reading statement prepared to be run many times.
    QSqlQuery prepared(const QString &text);
    // Lets the open recordsets of every connection to this file read what
    // they still need before the file changes (see Recordset).
    void settleReaders(int change, const QString &table, const Recordset *writer);
    void openFile(const QString &connectionString, const QString &user, const QString &password,
                  int options);
    // The engine's text, with the cause when it can be told.
    QString explained(const QString &engineText) const;

    QString m_name;
    QString m_fileName;
    QString m_shownName; // the file as the connection string names it
    std::optional<RuntimeError> m_openFailure;
    bool m_open = false;
    bool m_inTransaction = false;
    QHash<QString, TableInfo> m_tables;
    std::vector<Recordset *> m_readers; // open recordsets on this connection
    std::vector<RowidStatement *> m_statements; // statements prepared on it
    QHash<QString, QSqlRecord> m_columnRecords;
    std::unique_ptr<std::function<void()>> m_progress;
};

} // namespace vb
