#pragma once
// A statement that returns no rows (delete, insert, update), run on its
// connection.
#include "sql.h"

namespace vb {

class Connection;

class Command
{
public:
    void setActiveConnection(Connection *connection) { m_connection = connection; }
    void setActiveConnection(Connection &connection) { m_connection = &connection; }

    void setCommandText(const Sql &text) { m_text = text; }

    // Runs the statement and returns the number of rows it changed. A
    // failure inside a transaction rolls the transaction back.
    int Execute();

private:
    Connection *m_connection = nullptr;
    Sql m_text;
};

} // namespace vb
