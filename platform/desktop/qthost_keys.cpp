// Where the operator's keys go. A window manager may stack a new window
// under a maximized one, or hand the focus back to a window while a modal
// one is still up; without one, nobody hands a window the focus at all.
// The host does not leave this to either: the window the keys belong to is
// worked out here, keys that reach another of our windows are passed to it
// (on X, by the key router, before Qt drops those for a window under a box),
// and a closing window hands the keys back.
#include "qthost.h"

#include "formwindow.h"
#include "keyrouter.h"
#include "xdisplay.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

namespace vb {

namespace {

// The widget of a top-level window, for the Qt window an event reached.
QWidget *widgetOf(QObject *receiver)
{
    if (auto *w = qobject_cast<QWidget *>(receiver))
        return w->window();
    if (receiver->isWindowType())
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->windowHandle() == receiver)
                return top;
    return nullptr;
}

// True when `window` is `owner` or one of the windows opened over it.
bool ownedBy(const QWidget *window, const QWidget *owner)
{
    for (const QWidget *w = window; w; w = w->parentWidget())
        if (w == owner)
            return true;
    return false;
}

// A window of the program's own: a form, a box, a preview; not a menu,
// a combo box's list or a tip.
bool isOwnWindow(QObject *o)
{
    auto *w = qobject_cast<QWidget *>(o);
    return w && w->isWindow() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip &&
           w->windowType() != Qt::Desktop;
}

bool isKeyEvent(QEvent::Type t)
{
    return t == QEvent::KeyPress || t == QEvent::KeyRelease || t == QEvent::ShortcutOverride;
}

} // namespace

QWidget *QtHost::keyWindow() const
{
    // A box or a modal form has the keys while it is open; the innermost
    // first.
    if (QWidget *m = QApplication::activeModalWidget(); m && m->isVisible())
        return m;
    for (auto it = m_modal.rbegin(); it != m_modal.rend(); ++it)
        if (FormWindow *w = findWindow(*it->form); w && w->isVisible())
            return w;
    if (QWidget *a = QApplication::activeWindow(); a && a->isVisible())
        return a;
    for (auto it = m_activated.rbegin(); it != m_activated.rend(); ++it)
        if (*it && (*it)->isVisible())
            return *it;
    for (auto &[f, w] : m_windows)
        if (w->isVisible())
            return w;
    return nullptr;
}

bool QtHost::keysAstray(QWidget *reached) const
{
    // A window that is gone, or one waiting under a modal box.
    QWidget *modal = QApplication::activeModalWidget();
    return !reached->isVisible() || (modal && !ownedBy(reached, modal));
}

void QtHost::handKeysBack()
{
    QWidget *w = keyWindow();
    if (!w)
        return;
    QWidget *active = QApplication::activeWindow();
    if (active != w || !active->isVisible()) {
        w->raise();
        w->activateWindow();
    }
    if (auto *fw = qobject_cast<FormWindow *>(w))
        fw->syncFocus();
}

bool QtHost::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate) {
        if (auto *w = qobject_cast<QWidget *>(watched); w && w->isWindow()) {
            m_activated.removeAll(w);
            m_activated.append(w);
            if (m_activated.size() > 16)
                m_activated.removeFirst();
        }
        return false;
    }
    if (type == QEvent::Hide) {
        // A window that closes hands the keys on once Qt has settled who is
        // active: to the box or form under it, or the form it was opened from.
        if (!isOwnWindow(watched))
            return false;
        // The window that had the keyboard is gone: the one under it takes
        // it at once, so that keys the operator types ahead, before the next
        // box is up, are not lost on the bare screen.
        auto *closing = static_cast<QWidget *>(watched);
        const QWindow *focused = QGuiApplication::focusWindow();
        if (QGuiApplication::applicationState() == Qt::ApplicationActive &&
            (!focused || focused == closing->windowHandle() || !focused->isVisible()))
            if (QWidget *next = keyWindow(); next && next != closing)
                xdisplay::giveKeyboard(*next);
        QMetaObject::invokeMethod(this, [this] { handKeysBack(); }, Qt::QueuedConnection);
        return false;
    }
    if (type == QEvent::Show) {
        // Every window is seen to reach the screen. A box or modal form takes
        // the keys when it opens; a window manager may not hand them over,
        // and without one nobody does.
        if (!isOwnWindow(watched))
            return false;
        auto *w = static_cast<QWidget *>(watched);
        xdisplay::watchShown(*w);
        if (w->isModal()) {
            w->raise();
            w->activateWindow();
        }
        return false;
    }
    // Keys are looked at once, where Qt delivers them to a window.
    if (!isKeyEvent(type) || !watched->isWindowType() || QApplication::activePopupWidget())
        return false;
    QWidget *reached = widgetOf(watched);
    QWidget *target = keyWindow();
    if (!reached || !target || reached == target)
        return false;
    if (!keysAstray(reached))
        return false;
    // A key read in one go with the one that closed its window: like every
    // key typed ahead, it belongs to the window that has the keys when the
    // program next waits for input, maybe a box not open yet.
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && !reached->isVisible() &&
        m_keyRouter->defer(*static_cast<QKeyEvent *>(event)))
        return true;
    // The keys reached a window that is gone or waits under a modal one:
    // they belong to the window the operator sees on top.
    if (type == QEvent::KeyPress) {
        target->raise();
        target->activateWindow();
    }
    auto *key = static_cast<QKeyEvent *>(event);
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                   key->nativeModifiers(), key->text(), key->isAutoRepeat(), key->count(), key->device());
    if (QWindow *handle = target->windowHandle())
        QCoreApplication::sendEvent(handle, &copy);
    event->setAccepted(copy.isAccepted());
    return true;
}

} // namespace vb
