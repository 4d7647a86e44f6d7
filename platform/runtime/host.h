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

class QPagedPaintDevice;
class QPainter;

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

// The run-time error a report sent to the printer raises when there is no
// printer to print on ("Printer error").
constexpr int NoPrinterError = 482;

// A document (a report) that the host prints or previews. The report
// engine makes it; the host decides how it reaches paper or screen. Its
// pages are laid out as they are asked for, so a long report shows its
// first page at once; a preview lays out the rest a little at a time.
class PrintDocument
{
public:
    virtual ~PrintDocument() = default;
    // Shown as the print job's name and the preview window's title.
    virtual QString title() const = 0;
    // The number of pages; lays out the whole document first.
    virtual int pageCount() const = 0;
    // Paints every page on a paged device (printer, PDF writer), starting
    // a new device page for each page after the first. After each page,
    // progress (when given) hears how many of how many are done; false
    // from it stops the printing there.
    using Progress = std::function<bool(int done, int pages)>;
    virtual void paint(QPagedPaintDevice &device, const Progress &progress = {}) const = 0;
    // Writes the document as a PDF file; false when the file can't be written.
    virtual bool writePdf(const QString &fileName) const = 0;

    // Pages laid out so far, and whether that is all of them.
    virtual int pagesLaidOut() const = 0;
    virtual bool complete() const = 0;
    // Lays out further pages for about the given time; true when complete.
    virtual bool layOutMore(int milliseconds) const = 0;
    // The page size in the painter's units (tenths of a millimetre) and
    // one page (0-based) painted on a painter whose window is that size.
    virtual QSize pageSize() const = 0;
    virtual void paintPage(QPainter &painter, int page) const = 0;
};

class Host
{
public:
    virtual ~Host() = default;

    // Returns Msg::OK, Cancel, Yes or No.
    virtual int msgBox(const QString &prompt, int buttons, const QString &title) = 0;
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
