#include "keyrouter.h"

#include "xdisplay.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cstring>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace vb {

namespace {

// How long keys wait for their window to come on the screen, and for keys
// sent on to come back, before they go on regardless.
constexpr int HoldMs = 2000;
constexpr int InFlightMs = 500;

} // namespace

KeyRouter::KeyRouter(std::function<QWidget *()> keyWindow, std::function<bool(QWidget *)> astray)
    : m_keyWindow(std::move(keyWindow)), m_astray(std::move(astray))
{
    m_retry.setSingleShot(true);
    QObject::connect(&m_retry, &QTimer::timeout, [this] { passHeld(); });
}

KeyRouter::~KeyRouter()
{
    if (m_installed && qApp)
        qApp->removeNativeEventFilter(this);
}

void KeyRouter::install()
{
#if QT_CONFIG(xcb)
    if (!m_installed && xdisplay::available()) {
        qApp->installNativeEventFilter(this);
        m_installed = true;
    }
#endif
}

bool KeyRouter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
#if QT_CONFIG(xcb)
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (event->response_type & 0x80) {
        // One of the keys sent on, back from the server.
        if (m_inFlight > 0 && --m_inFlight == 0 && !m_held.empty())
            m_retry.start(0);
        return false;
    }
    const auto hold = [&] {
        if (m_held.empty())
            m_heldSince.start();
        m_held.emplace_back(reinterpret_cast<const char *>(key), int(sizeof(xcb_key_press_event_t)));
        passHeld();
        return true;
    };
    // Keys keep their order: behind a held key, every key waits.
    if (!m_held.empty() || m_inFlight > 0)
        return hold();
    if (QApplication::activePopupWidget())
        return false;
    QWidget *reached = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->internalWinId() == WId(key->event)) {
            reached = top;
            break;
        }
    if (!reached || !m_astray(reached))
        return false;
    return hold();
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
#endif
}

bool KeyRouter::defer(const QKeyEvent &event)
{
#if QT_CONFIG(xcb)
    if (!m_installed || (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease))
        return false;
    // Rebuilt from what Qt kept of the server's event: the key, the state
    // of the modifiers and the time.
    xcb_key_press_event_t key{};
    key.response_type = event.type() == QEvent::KeyPress ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
    key.detail = xcb_keycode_t(event.nativeScanCode());
    key.time = xcb_timestamp_t(event.timestamp());
    key.state = uint16_t(event.nativeModifiers());
    key.same_screen = 1;
    // It came after the keys deferred before it, before every key held.
    m_held.insert(m_held.begin() + qsizetype(m_deferred), QByteArray(reinterpret_cast<const char *>(&key), int(sizeof key)));
    ++m_deferred;
    m_heldSince.start();
    m_retry.start(0);
    return true;
#else
    Q_UNUSED(event);
    return false;
#endif
}

void KeyRouter::passHeld()
{
#if QT_CONFIG(xcb)
    if (m_held.empty())
        return;
    if (m_inFlight > 0) {
        if (m_sentAt.elapsed() < InFlightMs) {
            m_retry.start(10);
            return;
        }
        m_inFlight = 0; // lost on the way: the window went
    }
    xcb_connection_t *c = xdisplay::connection();
    QWidget *target = m_keyWindow();
    const xcb_window_t window = target && target->isVisible() ? xcb_window_t(target->internalWinId()) : XCB_NONE;
    const bool ready = c && window != XCB_NONE && xdisplay::viewable(*target);
    if (!ready && m_heldSince.elapsed() < HoldMs) {
        m_retry.start(10);
        return;
    }
    if (!c || window == XCB_NONE) {
        m_held.clear(); // no window left to type into
        m_deferred = 0;
        return;
    }
    if (ready)
        xdisplay::giveKeyboard(*target);
    // One key press at a time, with the releases before it: the next goes
    // once Qt has dealt with this one, to the window that has the keys
    // then. A key that closes a box leaves the keys after it for the next.
    size_t sent = 0;
    while (sent < m_held.size()) {
        xcb_key_press_event_t key;
        std::memcpy(&key, m_held[sent].constData(), sizeof key);
        ++sent;
        key.event = window;
        key.child = XCB_NONE;
        xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&key));
        ++m_inFlight;
        if ((key.response_type & 0x7f) == XCB_KEY_PRESS)
            break;
    }
    m_held.erase(m_held.begin(), m_held.begin() + qsizetype(sent));
    m_deferred = sent >= m_deferred ? 0 : m_deferred - sent;
    m_heldSince.start();
    m_sentAt.start();
    xcb_flush(c);
#endif
}

} // namespace vb
