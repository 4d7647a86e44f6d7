#pragma once
// Stored rows as texts, so that a test compares what the database holds
// in one line: as the database holds the values, or as the forms read and
// show them (through a recordset).
#include "database/database.h"
#include "runtime/convert.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <map>

// The rows of a query as the database holds them, one text per row, cells
// joined by '|', a null as "<null>".
inline QStringList storedRows(vb::Connection &conn, const vb::Sql &query)
{
    QSqlQuery q = conn.run(query);
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// The rows of a query as the forms show them (vb::shown: a null is empty),
// read through a recordset on a connection of its own opened with the
// given connection string, one text per row, cells joined by separator.
inline QStringList shownRows(const char *connectionString, const vb::Sql &query,
                             QChar separator = QLatin1Char('|'))
{
    vb::Connection c;
    c.Open(QString::fromLatin1(connectionString), QString(), QString(), -1);
    vb::Recordset rs;
    rs.Open(query, c, 3, 1, -1);
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.FieldCount(); ++i)
            cells << vb::shown(rs.Fields(i).Value());
        out << cells.join(separator);
    }
    rs.Close();
    c.Close();
    return out;
}

// The first row of a query as the forms show it, by column name, a null as
// "Null"; empty when there is no row. Read as shownRows reads.
inline std::map<QString, QString> shownRow(const char *connectionString, const vb::Sql &query)
{
    vb::Connection c;
    c.Open(QString::fromLatin1(connectionString), QString(), QString(), -1);
    vb::Recordset rs;
    rs.Open(query, c, 3, 1, -1);
    std::map<QString, QString> row;
    if (!rs.Eof())
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const QVariant v = rs.Fields(i).Value();
            row[rs.Fields(i).Name()] = v.isNull() ? QStringLiteral("Null") : vb::textOf(v);
        }
    rs.Close();
    c.Close();
    return row;
}
