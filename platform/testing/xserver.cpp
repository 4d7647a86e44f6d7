#include "xserver.h"

#include "ptypair.h"

#include <QStandardPaths>

namespace vb {

namespace {

// What the window manager needs that is not installed; empty when nothing.
QString windowManagerMissing()
{
    if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
        return QStringLiteral("openbox is not installed (tools/deps installs it)");
    if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        return QStringLiteral("xprop is not installed (x11-utils; tools/deps installs it)");
    return QString();
}

} // namespace

bool XServer::start(QSize screen, bool windowManager)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        m_skipped = QStringLiteral("Xvfb is not installed (tools/deps installs it)");
    else if (windowManager)
        m_skipped = windowManagerMissing();
    if (!m_skipped.isEmpty())
        return false;

    // The server picks a free display itself and names it on its output.
    // Without -noreset it resets each time its last client leaves (an X
    // tool asking it something), and a program or window manager that
    // connects during the reset is turned away.
    m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                          QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QByteArray display;
    if (m_server.waitForStarted())
        waitUntil(
            [&] {
                m_server.waitForReadyRead(50);
                display += m_server.readAllStandardOutput();
                return display.contains('\n') || m_server.state() == QProcess::NotRunning;
            },
            10000);
    m_display = QString::fromLatin1(display.trimmed());
    if (m_display.isEmpty()) {
        m_error = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    return !windowManager || startWindowManager(true);
}

bool XServer::startWindowManager(bool waitUntilManaging)
{
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
    m_skipped = windowManagerMissing();
    if (!m_skipped.isEmpty())
        return false;
    m_manager.setProcessEnvironment(environment());
    m_manager.start(openbox, {});
    if (!m_manager.waitForStarted()) {
        m_error = QStringLiteral("openbox did not start");
        return false;
    }
    if (!waitUntilManaging)
        return true;
    // Openbox names itself on the root window once it manages the screen.
    const bool managing = waitUntil(
        [&] {
            return tool(xprop, {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, 2000)
                .contains("window id");
        },
        30000);
    if (!managing)
        m_error = QStringLiteral("openbox did not take the screen (%1): ")
                      .arg(m_manager.state() == QProcess::NotRunning
                               ? QStringLiteral("it ended with status %1").arg(m_manager.exitCode())
                               : QStringLiteral("still running")) +
                  managerErrors() + QString::fromLocal8Bit(m_manager.readAllStandardOutput());
    return managing;
}

XServer::~XServer()
{
    for (QProcess *p : {&m_manager, &m_server})
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
}

QProcessEnvironment XServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + m_display);
    return env;
}

QByteArray XServer::tool(const QString &program, const QStringList &arguments, int timeoutMs) const
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        return QByteArray();
    }
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

QString XServer::managerErrors() { return QString::fromLocal8Bit(m_manager.readAllStandardError()); }

} // namespace vb
