#include "xdisplay.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace vb::xdisplay {

namespace {

#if QT_CONFIG(xcb)
// The server's map state of a window, or -1 when it cannot be read.
int mapState(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t *reply =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const int state = reply ? reply->map_state : -1;
    free(reply);
    return state;
}
#endif

// When an opened window is looked at again, in milliseconds after it opened.
constexpr int LookAgainMs[] = {500, 1500, 3500};

void lookAgain(QPointer<QWidget> window, size_t attempt)
{
#if QT_CONFIG(xcb)
    if (attempt >= std::size(LookAgainMs))
        return;
    const int wait = LookAgainMs[attempt] - (attempt ? LookAgainMs[attempt - 1] : 0);
    QTimer::singleShot(wait, window.data(), [window, attempt] {
        xcb_connection_t *c = connection();
        if (!c || !window || !window->isVisible() || (window->windowState() & Qt::WindowMinimized) ||
            !window->internalWinId())
            return;
        const auto id = xcb_window_t(window->internalWinId());
        if (mapState(c, id) == XCB_MAP_STATE_UNMAPPED) {
            xcb_map_window(c, id);
            xcb_flush(c);
        }
        lookAgain(window, attempt + 1);
    });
#else
    Q_UNUSED(window);
    Q_UNUSED(attempt);
#endif
}

} // namespace

xcb_connection_t *connection()
{
#if QT_CONFIG(xcb)
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
#else
    return nullptr;
#endif
}

bool available()
{
    return connection() != nullptr;
}

void giveKeyboard(QWidget &window)
{
#if QT_CONFIG(xcb)
    if (xcb_connection_t *c = connection(); c && window.isVisible() && window.internalWinId()) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, xcb_window_t(window.internalWinId()), XCB_CURRENT_TIME);
        xcb_flush(c);
        return;
    }
#endif
    window.activateWindow();
}

bool viewable(QWidget &window)
{
#if QT_CONFIG(xcb)
    if (xcb_connection_t *c = connection(); c && window.isVisible() && window.internalWinId())
        return mapState(c, xcb_window_t(window.internalWinId())) == XCB_MAP_STATE_VIEWABLE;
#endif
    return window.isVisible();
}

void watchShown(QWidget &window)
{
    if (available())
        lookAgain(&window, 0);
}

} // namespace vb::xdisplay
