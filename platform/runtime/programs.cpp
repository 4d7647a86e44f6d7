#include "programs.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

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

// A started run: waited for a while when its owner goes, so a ticket handed
// to the printer just before the program ends still reaches it.
class WatchedRun : public QProcess
{
public:
    using QProcess::QProcess;
    ~WatchedRun() override
    {
        // Nobody is left to hear how it ended.
        QObject::disconnect(this, nullptr, nullptr, nullptr);
        if (state() != NotRunning)
            waitForFinished(10000);
    }
};

} // namespace

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

void startWatched(const QString &path, const QStringList &arguments, QObject *owner,
                  std::function<void(const ProgramEnd &)> ended)
{
    auto *run = new WatchedRun(owner);
    run->setWorkingDirectory(QDir::currentPath());
    run->setStandardOutputFile(QProcess::nullDevice());
    auto report = [run, ended](ProgramEnd end) {
        if (run->property("reported").toBool())
            return;
        run->setProperty("reported", true);
        const QString output = QString::fromLocal8Bit(run->readAllStandardError()).trimmed();
        if (!output.isEmpty())
            end.errorOutput = output;
        run->deleteLater();
        ended(end);
    };
    QObject::connect(run, &QProcess::finished, run, [run, report](int code, QProcess::ExitStatus status) {
        ProgramEnd end;
        end.exitCode = code;
        end.failed = status != QProcess::NormalExit || code != 0;
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
    return QProcess::startDetached(program, args, QDir::currentPath());
}

} // namespace vb
