#pragma once
// Keys the X server hands to a window that cannot take them.
//
// The server gives a key to the window that has the keyboard at the moment
// it is typed; the program reads it later. Keys typed ahead, while a box
// closes and the next opens, land on the form beneath; Qt drops a key for a
// window under a modal box, so they were lost. The router reads the keys as
// they come from the server: one that reached a window the host says may not
// have it is held, the keyboard is given to the window that should have it
// once that window is on the screen, and the key is sent on to it, in the
// order typed.
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <vector>

class QKeyEvent;
class QWidget;

namespace vb {

class KeyRouter : public QAbstractNativeEventFilter
{
public:
    // keyWindow: the window the keys belong to now. astray: whether a key
    // that reached this window must go to keyWindow instead.
    KeyRouter(std::function<QWidget *()> keyWindow, std::function<bool(QWidget *)> astray);
    ~KeyRouter() override;

    // Routes keys on X; elsewhere it does nothing.
    void install();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // A key Qt delivered to a window that has closed since the server sent
    // it: it goes to the window that has the keys once the program next
    // waits for input. False where keys are not routed.
    bool defer(const QKeyEvent &event);

private:
    void passHeld();

    std::function<QWidget *()> m_keyWindow;
    std::function<bool(QWidget *)> m_astray;
    bool m_installed = false;
    std::vector<QByteArray> m_held; // key events as the server sent them, oldest first
    size_t m_deferred = 0;          // keys at the front that Qt handed back
    int m_inFlight = 0;             // keys sent on that have not come back yet
    QElapsedTimer m_heldSince;
    QElapsedTimer m_sentAt;
    QTimer m_retry;
};

} // namespace vb
