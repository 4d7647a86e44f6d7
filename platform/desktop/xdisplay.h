#pragma once
// The few calls the host makes to the X server itself, where Qt's own way
// falls short. Elsewhere (no X server) they fall back to Qt or do nothing.
#include <QtGlobal>

class QWidget;
struct xcb_connection_t;

namespace vb::xdisplay {

// Whether the program's windows are on an X server.
bool available();

// Qt's connection to the X server; null without one.
xcb_connection_t *connection();

// Gives the keyboard to the window now. Qt asks the server with the time
// of the last event it read, and the server ignores a request older than
// its last change of focus: after a window has closed, that is always the
// case. The server's own time always counts.
void giveKeyboard(QWidget &window);

// Whether the window is on the screen: mapped, and its parents mapped.
bool viewable(QWidget &window);

// A window manager that is still starting up when a window opens may lose
// the request to show it: the window stays off the screen for good. For a
// while after a window opens, one that is still unmapped is asked for again.
void watchShown(QWidget &window);

} // namespace vb::xdisplay
