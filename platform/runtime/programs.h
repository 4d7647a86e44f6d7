#pragma once
// Outside programs (the printer batch files, the calculator) found by their
// relative names and started in the current directory. The hosts start
// them; a watched start tells how the program ended.
#include <QString>
#include <QStringList>
#include <functional>

namespace vb {

// How a watched program ended.
struct ProgramEnd {
    bool failed = false; // it did not run, crashed, or ended with a status other than 0
    bool killed = false; // a signal ended it (closed from outside), not the program itself
    int exitCode = 0;
    QString errorOutput; // what it wrote to its error output, trimmed
};

// Why a program failed, in its own words when it gave any.
QString reasonOf(const ProgramEnd &end);

// The file a program name stands for: in the current directory, matched
// without regard to case ("Calc.exe" finds "calc.exe"), or for a bare name
// along the path. Empty when there is none.
QString findProgram(const QString &name);

// Starts a found program (an executable file as itself, any other file as a
// shell script) in the current directory without waiting, with an empty
// input, and calls ended from the event loop once it has ended. A program
// still running when this one ends runs on.
void startWatched(const QString &path, const QStringList &arguments,
                  std::function<void(const ProgramEnd &)> ended);

// Starts a found program the same way and leaves it to itself.
bool startDetached(const QString &path, const QStringList &arguments);

} // namespace vb
