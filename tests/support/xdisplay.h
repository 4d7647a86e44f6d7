#pragma once
// A real X display for a test: Xvfb at a given size, with the openbox
// window manager or without one, and the operator's keys sent with
// xdotool. Header only: the tests that start the real programs use it.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

namespace xdisplay {

class Display
{
public:
    // What is missing for a display with (or without) a window manager;
    // empty when everything is installed.
    static QString missing(bool windowManager)
    {
        QStringList tools{QStringLiteral("Xvfb"), QStringLiteral("xdotool")};
        if (windowManager)
            tools << QStringLiteral("openbox");
        QStringList gone;
        for (const QString &t : tools)
            if (QStandardPaths::findExecutable(t).isEmpty())
                gone << t;
        return gone.join(QStringLiteral(", "));
    }

    bool start(QSize size, bool windowManager)
    {
        // The server picks a free display itself and says which.
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        if (!m_server.waitForStarted() || !waitFor([this] { return m_server.canReadLine(); }, 20000))
            return false;
        m_number = m_server.readLine().trimmed().toInt();
        if (windowManager) {
            m_wm.setProcessEnvironment(environment());
            m_wm.start(QStringLiteral("openbox"), {});
            // Openbox manages the screen once it announces its desktops.
            m_wm.setStandardErrorFile(QProcess::nullDevice());
            if (!m_wm.waitForStarted() ||
                !waitFor([this] { return run({QStringLiteral("get_num_desktops")}).toInt() > 0; }))
                return false;
        }
        return true;
    }

    ~Display()
    {
        for (QProcess *p : {&m_wm, &m_server})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished(1000);
            }
    }

    QString name() const { return QStringLiteral(":%1").arg(m_number); }

    // The environment of a program shown on this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), name());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("VARNOCK_UNATTENDED"));
        return env;
    }

    // Runs xdotool with these arguments; its output.
    QString run(const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    // Real key presses, to whichever window has the keyboard.
    void keys(const QStringList &names) const { run(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20")} + names); }
    void type(const QString &text) const { run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text}); }

    // How many windows with a title matching the pattern are on the screen.
    int shown(const QString &titlePattern) const
    {
        const QString ids = run({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern});
        return ids.isEmpty() ? 0 : int(ids.split(QLatin1Char('\n')).size());
    }

    // Lets the test's own events run while it waits.
    static bool waitFor(const std::function<bool()> &done, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(20);
        }
        return true;
    }

private:
    int m_number = 0;
    QProcess m_server;
    QProcess m_wm;
};

} // namespace xdisplay
