#pragma once
// A pseudo-terminal pair made by socat, standing in for the indicator
// cable: one end is linked under a given name (such as "COM1" in the
// current directory), the test plays the device on the other end.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <functional>

namespace vb {

class PtyPair
{
public:
    // Starts socat linking the program's end at portLink and the device's
    // end at peerLink; false when socat is missing or the links never
    // appear.
    bool start(const QString &portLink, const QString &peerLink);
    ~PtyPair();
    static bool available();
    // Pulls the cable: the device's end goes away, as an unplugged adapter.
    void unplug();

    // Writes bytes from the device's end.
    bool send(const QByteArray &bytes);
    // Reads what the program sent to the device, waiting until at least
    // atLeast bytes came or the deadline passed.
    QByteArray receive(int atLeast = 1, int timeoutMs = 5000);

private:
    QProcess m_socat;
    int m_peer = -1;
};

// Lets Qt's events run until done() or a generous deadline; true when done.
bool waitUntil(const std::function<bool()> &done, int deadlineMs = 5000);

} // namespace vb
