#include "startup.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/errors.h"
#include "runtime/form.h"

#include <memory>

namespace earlier {

void Main()
{
    auto conn = std::make_unique<vb::Connection>();
    vb::skipError([&] { conn->setCursorLocation(3); });
    vb::skipError([&] { conn->Open(QString::fromLatin1(ConnectionString), QString(), QString(), -1); });

    auto main = std::make_unique<vb::Recordset>();
    auto aux = std::make_unique<vb::Recordset>();
    auto cmd = std::make_unique<vb::Command>();
    vb::skipError([&] { cmd->setActiveConnection(conn.get()); });
    aminv::adoptShared(std::move(conn), std::move(main), std::move(aux), std::move(cmd));

    vb::skipError([] { vb::app().form(QStringLiteral("Form1")).Show(false); });
}

} // namespace earlier
