#pragma once
// A print service (CUPS) of the test's own: cupsd started on a socket in a
// temporary directory with its own configuration, reached by this process
// and the programs it starts through CUPS_SERVER. Its queues are raw and
// print through a small backend that keeps each job's bytes (and its title,
// copies and options) in a folder per queue.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/prctl.h>

class PrivateCups
{
public:
    // What is missing for a private print service here; empty when nothing.
    static QString missing()
    {
        if (cupsd().isEmpty())
            return QStringLiteral("cupsd (apt-get install cups)");
        for (const char *tool : {"lpadmin", "lp", "lpstat", "cupsreject"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 (apt-get install cups-client)").arg(QString::fromLatin1(tool));
        return QString();
    }

    ~PrivateCups() { stop(); }

    // Starts the service and points this process (and the programs it
    // starts) at it; true once it answers.
    bool start()
    {
        if (!m_dir.isValid())
            return false;
        const QString root = m_dir.path();
        for (const char *sub : {"bin/backend", "cache", "state", "spool", "tmp", "log", "jobs"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        QFile::link(QStringLiteral("/usr/lib/cups/daemon"), root + "/bin/daemon");
        QFile::link(QStringLiteral("/usr/lib/cups/filter"), root + "/bin/filter");
        write("bin/backend/keep",
              "#!/bin/sh\n"
              "# Keeps each job: its bytes in job-<id>, title, copies and options in job-<id>.args.\n"
              "if [ $# -eq 0 ]; then echo 'direct keep \"Unknown\" \"Keeps jobs\"'; exit 0; fi\n"
              "dir=${DEVICE_URI#keep:}\n"
              "printf '%s\\n' \"$3\" \"$4\" \"$5\" > \"$dir/job-$1.args\"\n"
              "if [ -n \"$6\" ]; then cat \"$6\"; else cat; fi > \"$dir/job-$1.part\" && mv \"$dir/job-$1.part\" \"$dir/job-$1\"\n");
        // Run as the service's own user (root) only when nobody else may run it.
        QFile::setPermissions(root + "/bin/backend/keep", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        write("cupsd.conf", QStringLiteral("Listen %1\n"
                                           "Browsing No\n"
                                           "WebInterface No\n"
                                           "LogLevel warn\n"
                                           "DefaultAuthType None\n"
                                           "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                           "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                                .arg(socket()));
        write("cups-files.conf", QStringLiteral("ServerRoot %1\nServerBin %1/bin\nDataDir /usr/share/cups\n"
                                                "CacheDir %1/cache\nStateDir %1/state\nRequestRoot %1/spool\n"
                                                "TempDir %1/tmp\nAccessLog %1/log/access_log\n"
                                                "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                                                "Printcap %1/printcap\n")
                                     .arg(root));
        // Nothing from outside chooses a printer: no user options, no
        // printer named in the environment.
        qputenv("HOME", root.toLocal8Bit());
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        qputenv("CUPS_SERVER", socket().toLocal8Bit());
        cupsSetServer(socket().toLocal8Bit().constData());

        m_cupsd.setProgram(cupsd());
        m_cupsd.setArguments({"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
        m_cupsd.setStandardInputFile(QProcess::nullDevice());
        // The service goes with the test, also when the test crashes.
        m_cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start();
        if (!m_cupsd.waitForStarted(5000))
            return false;
        for (int i = 0; i < 500; ++i) {
            if (run("lpstat", {"-r"}) == 0 && m_output.contains("scheduler is running"))
                return true;
            if (m_cupsd.state() == QProcess::NotRunning)
                break;
            QThread::msleep(10);
        }
        return false;
    }

    // Stops the service; its queues stay in its configuration.
    void stop()
    {
        if (m_cupsd.state() == QProcess::NotRunning)
            return;
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(5000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }

    // What went wrong, for a failure message: the service's own log.
    QString log()
    {
        QFile f(m_dir.filePath("log/error_log"));
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(m_cupsd.readAll() + f.readAll());
    }

    QString socket() const { return m_dir.filePath("cups.sock"); }

    // A raw queue that keeps its jobs.
    void addQueue(const QString &name)
    {
        QDir(m_dir.path()).mkpath("jobs/" + name);
        EXPECT_EQ(run("lpadmin", {"-p", name, "-v", "keep:" + m_dir.filePath("jobs/" + name), "-E"}), 0) << m_output.toStdString();
    }
    void setDefault(const QString &name) { EXPECT_EQ(run("lpadmin", {"-d", name}), 0) << m_output.toStdString(); }
    void reject(const QString &name, const QString &reason)
    {
        EXPECT_EQ(run("cupsreject", {"-r", reason, name}), 0) << m_output.toStdString();
    }

    // The jobs a queue has printed, in order; waits for count of them.
    QList<QByteArray> jobs(const QString &queue, int count = 0)
    {
        const QDir dir(m_dir.filePath("jobs/" + queue));
        QList<QByteArray> out;
        for (int i = 0; i < 1000; ++i) {
            out.clear();
            for (int id = 1; id <= 100; ++id) {
                QFile f(dir.filePath(QStringLiteral("job-%1").arg(id)));
                if (f.open(QIODevice::ReadOnly))
                    out << f.readAll();
            }
            if (out.size() >= count)
                break;
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        return out;
    }
    // Title, copies and options of a queue's job by its order there.
    QStringList jobArgs(const QString &queue, int index)
    {
        const QDir dir(m_dir.filePath("jobs/" + queue));
        QStringList ids = dir.entryList({"job-*.args"}, QDir::Files, QDir::Name);
        std::sort(ids.begin(), ids.end(), [](const QString &a, const QString &b) {
            return a.mid(4).split('.')[0].toInt() < b.mid(4).split('.')[0].toInt();
        });
        QFile f(dir.filePath(ids.value(index)));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // Every job the service has been given, on any queue, printed or not.
    int jobsGiven()
    {
        cups_job_t *list = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, nullptr, 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(count, list);
        return count;
    }

    // Runs a client tool against the service; its output in output().
    int run(const QString &tool, const QStringList &args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(tool, args);
        if (!p.waitForFinished(10000))
            return -1;
        m_output = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    const QString &output() const { return m_output; }

private:
    static QString cupsd()
    {
        QString found = QStandardPaths::findExecutable("cupsd");
        if (found.isEmpty())
            found = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
        return found;
    }
    void write(const char *name, const QString &text)
    {
        QFile f(m_dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name;
        f.write(text.toUtf8());
    }

    QTemporaryDir m_dir{QDir::temp().filePath("cups-XXXXXX")};
    QProcess m_cupsd;
    QString m_output;
};
