#pragma once
// Run-time errors as the forms see them: a number and a description.
// Handlers either let an error escape (the event dispatcher reports it),
// trap it and show the description, or skip each failing statement.
#include <QString>
#include <QByteArray>
#include <exception>
#include <functional>

namespace vb {

class RuntimeError : public std::exception
{
public:
    RuntimeError(int number, QString description);
    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

    static RuntimeError invalidCall();   // 5 "Invalid procedure call or argument"
    static RuntimeError overflow();      // 6 "Overflow"
    static RuntimeError typeMismatch();  // 13 "Type mismatch"
    static RuntimeError fileNotFound();  // 53 "File not found"
    static RuntimeError invalidNull();   // 94 "Invalid use of Null"
    // A database failure: the engine's own text.
    static RuntimeError database(const QString &engineText);

    enum : int { DatabaseErrorNumber = -2147467259 };

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// Thrown by End: unwinds the handler that ended the program; the dispatcher
// swallows it and no further form code runs.
struct ProgramEnded {};

// "On Error Resume Next": run one statement, pass over its failure.
// Returns false when the statement failed.
bool skipError(const std::function<void()> &statement);

// A handler whose trap shows the error's description (OK only, no title)
// and leaves the handler. Returns false when an error was trapped.
bool trapAndShow(const std::function<void()> &body);

// Runs an operator's action. A run-time error that stops it reaches the
// operator as "<failure>: <cause>" (OK only), after the error hooks have
// rolled back what it left open; the screen stays as the action left it.
// failure names the action, such as "The ticket list cannot be shown".
// Returns false when the action failed.
bool attempt(const QString &failure, const std::function<void()> &action);

// Runs a handler that lets its errors go to the event dispatcher: a
// database failure leaves it with the action named, "<failure>: <cause>";
// other errors pass unchanged.
void namingDatabaseFailure(const QString &failure, const std::function<void()> &action);

} // namespace vb
