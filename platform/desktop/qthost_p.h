#pragma once
// Shared by the files of QtHost.
#include <QtGlobal>

class QWidget;

namespace vb::detail {

// With VARNOCK_UNATTENDED set (a run with nobody at the screen, such as a
// check of the installed program), boxes are written to the error output
// and answered at once: message boxes with their first button, input boxes
// with their default text.
inline bool unattended() { return qEnvironmentVariableIsSet("VARNOCK_UNATTENDED"); }

// A window of a set size is made to fit the screen's free area, room left
// for a title bar (a 1366 x 768 screen is shorter than a report preview),
// and centred on it. It is placed before it is shown, so that a window
// manager takes the place as the program's own and does not choose one.
void centreOnScreen(QWidget &window);

} // namespace vb::detail
