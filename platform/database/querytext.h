#pragma once
// What a statement's text says about the rows it reads or the table it
// writes, found by reading its words (quotes, brackets and parentheses
// respected). Only the shapes the recordset can serve by key are
// recognised; anything else is reported as not plain.
#include <QString>

namespace vb::db {

// "select <columns> from <table> [where ...] [order by ...]": one table,
// plain column names or "*", no grouping, joins, limits or set operations.
struct PlainSelect {
    bool plain = false;
    QString columns; // the column list as written
    QString table;   // the table's name (unquoted)
    QString tableAsWritten;
    QString fromOn;  // the text from "from" to the end
    bool ordered = false; // it has an "order by"
};

PlainSelect plainSelect(const QString &statement);

// The table a query reads: the first name after "from"; empty when none.
QString readTable(const QString &statement);

// A statement that changes data (anything but select, pragma and explain).
bool isWriting(const QString &statement);
// The table an insert, update or delete writes; empty when not plain.
QString writtenTable(const QString &statement);

} // namespace vb::db
