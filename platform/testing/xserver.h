#pragma once
// An X server of a test's own (Xvfb) at a given screen size, with the
// openbox window manager on it when asked: the desktop host and the
// programs run on it as on an office's screen, bare or managed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>

namespace vb {

class XServer
{
public:
    // Starts the server (and the window manager, waiting until it manages
    // the screen); false when something is missing (skipped() says what)
    // or did not start (error() says what).
    bool start(QSize screen, bool windowManager);
    // Starts the window manager on a running server; with waitUntilManaging,
    // returns once it manages the screen, else at once, while it starts up.
    bool startWindowManager(bool waitUntilManaging);
    ~XServer();
    // Why the server cannot run here (a program not installed); empty when it can.
    const QString &skipped() const { return m_skipped; }
    const QString &error() const { return m_error; }
    // The environment of a program shown on this server: DISPLAY, and Qt on X.
    QProcessEnvironment environment() const;
    // Runs an X tool (xdotool, xprop) on the server; its output, empty when
    // it failed.
    QByteArray tool(const QString &program, const QStringList &arguments, int timeoutMs = 10000) const;
    // What the window manager wrote to its error output so far.
    QString managerErrors();

private:
    QProcess m_server, m_manager;
    QString m_display, m_skipped, m_error;
};

} // namespace vb
