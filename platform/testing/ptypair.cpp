#include "ptypair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

namespace vb {

bool waitUntil(const std::function<bool()> &done, int deadlineMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > deadlineMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

bool PtyPair::available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }

bool PtyPair::start(const QString &portLink, const QString &peerLink)
{
    if (!available())
        return false;
    m_socat.setProgram(QStringLiteral("socat"));
    m_socat.setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                          QStringLiteral("pty,raw,echo=0,link=") + portLink,
                          QStringLiteral("pty,raw,echo=0,link=") + peerLink});
    m_socat.start();
    if (!m_socat.waitForStarted())
        return false;
    if (!waitUntil([&] { return QFileInfo::exists(portLink) && QFileInfo::exists(peerLink); }))
        return false;
    m_peer = ::open(QFile::encodeName(peerLink).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    return m_peer >= 0;
}

PtyPair::~PtyPair() { unplug(); }

void PtyPair::unplug()
{
    if (m_peer >= 0)
        ::close(m_peer);
    m_peer = -1;
    if (m_socat.state() != QProcess::NotRunning) {
        m_socat.terminate();
        m_socat.waitForFinished(3000);
    }
}

bool PtyPair::send(const QByteArray &bytes)
{
    return m_peer >= 0 && ::write(m_peer, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray PtyPair::receive(int atLeast, int timeoutMs)
{
    QByteArray out;
    char buf[256];
    waitUntil(
        [&] {
            ssize_t n;
            while ((n = ::read(m_peer, buf, sizeof buf)) > 0)
                out.append(buf, n);
            return out.size() >= atLeast;
        },
        timeoutMs);
    return out;
}

} // namespace vb
