#include "programs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vb {

namespace {

// The program and arguments that run a found file.
std::pair<QString, QStringList> command(const QString &path, const QStringList &arguments)
{
    if (QFileInfo(path).isExecutable())
        return {path, arguments};
    // Batch files named for Windows are shell scripts here.
    return {QStringLiteral("/bin/sh"), QStringList{path} + arguments};
}

} // namespace

QString reasonOf(const ProgramEnd &end)
{
    return end.errorOutput.isEmpty() ? QStringLiteral("it ended with exit code %1").arg(end.exitCode)
                                     : end.errorOutput;
}

QString findProgram(const QString &name)
{
    QString file = name.trimmed();
    if (file.isEmpty())
        return QString();
    if (!file.contains(QLatin1Char('/')) && !QFileInfo::exists(file)) {
        const QStringList entries = QDir::current().entryList(QDir::Files);
        for (const QString &e : entries)
            if (e.compare(file, Qt::CaseInsensitive) == 0) {
                file = e;
                break;
            }
    }
    const QFileInfo info(QDir::current().absoluteFilePath(file));
    if (info.isFile())
        return info.absoluteFilePath();
    if (!file.contains(QLatin1Char('/')) && !file.contains(QLatin1Char('\\')))
        return QStandardPaths::findExecutable(file);
    return QString();
}

void startWatched(const QString &path, const QStringList &arguments,
                  std::function<void(const ProgramEnd &)> ended)
{
    // The run is not owned by anything that goes with the program: one
    // still running when the program ends runs on (a calculator, a ticket
    // on its way to the printer), as a program started without waiting
    // does. Its error output goes to a file rather than a pipe, which
    // would break when the program ends.
    auto *run = new QProcess;
    QTemporaryFile errors(QDir::temp().filePath(QStringLiteral("varnock-XXXXXX.err")));
    errors.setAutoRemove(false);
    const bool haveErrors = errors.open();
    const QString errorFile = errors.fileName();
    errors.close();
    run->setWorkingDirectory(QDir::currentPath());
    // Nothing is ever written to a program's input: it gets an empty one,
    // so one that reads it (lp without a file, cat) ends rather than waits.
    run->setStandardInputFile(QProcess::nullDevice());
    run->setStandardOutputFile(QProcess::nullDevice());
    run->setStandardErrorFile(haveErrors ? errorFile : QProcess::nullDevice());
    auto report = [run, ended, errorFile](ProgramEnd end) {
        if (run->property("reported").toBool())
            return;
        run->setProperty("reported", true);
        QFile file(errorFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QString output = QString::fromLocal8Bit(file.readAll()).trimmed();
            if (!output.isEmpty())
                end.errorOutput = output;
        }
        file.remove();
        run->deleteLater();
        ended(end);
    };
    QObject::connect(run, &QProcess::finished, run, [report](int code, QProcess::ExitStatus status) {
        ProgramEnd end;
        end.exitCode = code;
        end.failed = status != QProcess::NormalExit || code != 0;
        end.killed = status != QProcess::NormalExit;
        report(end);
    });
    QObject::connect(run, &QProcess::errorOccurred, run, [run, report](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash also ends the run: finished reports it
        ProgramEnd end;
        end.failed = true;
        end.exitCode = -1;
        end.errorOutput = run->errorString();
        report(end);
    });
    const auto [program, args] = command(path, arguments);
    run->start(program, args);
}

bool startDetached(const QString &path, const QStringList &arguments)
{
    const auto [program, args] = command(path, arguments);
    // An empty input, as for a watched program; the rest is inherited.
    QProcess run;
    run.setProgram(program);
    run.setArguments(args);
    run.setWorkingDirectory(QDir::currentPath());
    run.setStandardInputFile(QProcess::nullDevice());
    return run.startDetached();
}

} // namespace vb
