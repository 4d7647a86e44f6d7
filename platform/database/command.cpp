#include "command.h"

#include "connection.h"
#include "runtime/errors.h"

#include <QSqlQuery>

namespace vb {

int Command::Execute()
{
    if (!m_connection || !m_connection->isOpen())
        throw RuntimeError(3709, QStringLiteral("The connection cannot be used to perform this operation. "
                                                "It is either closed or invalid in this context."));
    if (m_text.isEmpty())
        throw RuntimeError(3708, QStringLiteral("The command has no command text."));
    QSqlQuery q = m_connection->run(m_text);
    const int affected = q.numRowsAffected();
    q.finish();
    return affected;
}

} // namespace vb
