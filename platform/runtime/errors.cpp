#include "errors.h"
#include "form.h"

namespace vb {

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description))
{
    m_what = (QString::number(m_number) + QStringLiteral(": ") + m_description).toUtf8();
}

RuntimeError RuntimeError::invalidCall()
{
    return RuntimeError(5, QStringLiteral("Invalid procedure call or argument"));
}

RuntimeError RuntimeError::overflow()
{
    return RuntimeError(6, QStringLiteral("Overflow"));
}

RuntimeError RuntimeError::typeMismatch()
{
    return RuntimeError(13, QStringLiteral("Type mismatch"));
}

RuntimeError RuntimeError::fileNotFound()
{
    return RuntimeError(53, QStringLiteral("File not found"));
}

RuntimeError RuntimeError::invalidNull()
{
    return RuntimeError(94, QStringLiteral("Invalid use of Null"));
}

RuntimeError RuntimeError::database(const QString &engineText)
{
    return RuntimeError(DatabaseErrorNumber, engineText);
}

bool skipError(const std::function<void()> &statement)
{
    try {
        statement();
    } catch (const RuntimeError &) {
        return false;
    }
    return true;
}

bool trapAndShow(const std::function<void()> &body)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        // The handler is left: a transaction it opened is not finished.
        App::instance().runErrorHooks();
        MsgBox(error.description(), Msg::OKOnly, QString());
        return false;
    }
    return true;
}

bool attempt(const QString &failure, const std::function<void()> &action)
{
    try {
        action();
    } catch (const RuntimeError &error) {
        App::instance().runErrorHooks();
        MsgBox(QStringLiteral("%1: %2").arg(failure, error.description()), Msg::OKOnly, QString());
        return false;
    }
    return true;
}

void namingDatabaseFailure(const QString &failure, const std::function<void()> &action)
{
    try {
        action();
    } catch (const RuntimeError &error) {
        if (error.number() != RuntimeError::DatabaseErrorNumber)
            throw;
        throw RuntimeError(error.number(), QStringLiteral("%1: %2").arg(failure, error.description()));
    }
}

} // namespace vb
