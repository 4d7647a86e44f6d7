#pragma once
// What the forms ask of the machine they run on: boxes, programs, the
// clock, random numbers, modal waiting and the event loop. The desktop host
// answers with Qt; the scripted host answers from a test's script.
#include <QDateTime>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace vb {

class Form;
class Menu;
class Timer;
struct ProgramEnd;

// Message box buttons and answers.
namespace Msg {
constexpr int OKOnly = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4;
constexpr int Critical = 16, Question = 32, Exclamation = 48, Information = 64;
constexpr int OK = 1, Cancel = 2, Yes = 6, No = 7;
} // namespace Msg

// Window styles for starting a program.
namespace WinStyle {
constexpr int Hide = 0, NormalFocus = 1, MinimizedFocus = 2, Maximized = 3;
}

// Report destinations.
namespace Destination {
constexpr int Window = 0, Printer = 1;
}

// The run-time error a report sent to the printer raises when it cannot be
// handed over: no printer to print on, or one that refuses it ("Printer
// error"); its description says why.
constexpr int NoPrinterError = 482;

// A document (a report) that the host prints or previews; the report
// layer defines it (report/printdocument.h).
class PrintDocument;

// While a view reads rows to paint them, or the program already waits,
// nothing may wait again with the screen running: a read that would wait
// on a lock fails at once instead (the view shows the row empty).
class NoWaiting
{
public:
    NoWaiting();
    ~NoWaiting();
    NoWaiting(const NoWaiting &) = delete;
    NoWaiting &operator=(const NoWaiting &) = delete;
    static bool active();
};

class Host
{
public:
    virtual ~Host() = default;

    // Returns Msg::OK, Cancel, Yes or No.
    virtual int msgBox(const QString &prompt, int buttons, const QString &title) = 0;
    // An OK-only message box that is not waited for: the caller goes on at
    // once, so a box raised by an event (port data, a timer) holds up
    // neither that event nor a modal form's wait beneath it. Only the icon
    // of buttons counts.
    virtual void notice(const QString &prompt, int buttons, const QString &title) = 0;
    // Returns the typed text, or "" when cancelled. pos is in twips.
    virtual QString inputBox(const QString &prompt, const QString &title,
                             const QString &defaultText, std::optional<QPoint> pos) = 0;
    // Starts a program by its name relative to the current directory, not
    // waiting for it. A program that cannot be found raises error 53.
    virtual void shell(const QString &program, int windowStyle) = 0;
    // Starts a program as shell does, and once it has ended runs ended as
    // an event of its own (the screen is not held up meanwhile).
    virtual void shellWatched(const QString &program, int windowStyle,
                              std::function<void(const ProgramEnd &)> ended) = 0;
    virtual QDateTime now() = 0;
    // A random number in [0, 1).
    virtual double rnd() = 0;
    // Lets pending events (timers, port data, repaints) run.
    virtual void doEvents() = 0;
    // The program ends at once; no further form code runs.
    virtual void endProgram() = 0;
    virtual void setScreenMousePointer(int pointer) = 0;
    // The program waits on something outside it (a database file another
    // program holds): shows what (text) and lets the screen repaint and the
    // timers run for about the given time, without taking the operator's
    // keys or clicks. An empty text ends the showing.
    virtual void waiting(const QString &text, int milliseconds);
    // Sends a document to the printer (Destination::Printer, with the
    // number of copies) or into a preview window (Destination::Window,
    // not waited for: several previews may be open at once).
    virtual void printReport(std::shared_ptr<const PrintDocument> document, int destination,
                             int copies) = 0;

    // A long task of the program's own before its screen comes (preparing
    // the database): a small window with the title, the text and done of
    // total steps, which the task updates as it goes on; updating it lets
    // the screen repaint. done >= total closes it.
    virtual void progress(const QString &title, const QString &text, int done, int total)
    {
        (void)title, (void)text, (void)done, (void)total;
    }

    // The screen's working area in twips, where forms are centred; none
    // when there is no screen (forms then keep their Left and Top).
    virtual std::optional<QSize> screenArea() { return std::nullopt; }

    // Forms and controls tell the host what it must mirror.
    virtual void formShown(Form &form, bool modal) = 0;
    virtual void formHidden(Form &form) = 0;
    // Waits until the modal form is hidden or unloaded.
    virtual void runModal(Form &form) = 0;
    // Shows a popup menu and returns the picked item's position, -1 for none.
    virtual int popupMenu(Form &form, Menu &menu) = 0;
    // A timer's running state or interval changed.
    virtual void timerChanged(Timer &timer) = 0;
    // The last form unloaded.
    virtual void allFormsUnloaded() = 0;
};

} // namespace vb
