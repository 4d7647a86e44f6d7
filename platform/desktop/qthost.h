#pragma once
// The host the programs run on: message and input boxes as Qt dialogs,
// forms as windows, timers as QTimers, modal forms in nested event loops,
// programs started detached.
//
//     QApplication app(argc, argv);
//     vb::QtHost host;                 // installs itself as the host
//     vb::app().registerForm(...);
//     return host.run([] { vb::app().form("Form1").Show(); });
#include "runtime/form.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QEventLoop;
class QWidget;
class QTimer;

namespace vb {

class FormWindow;
class KeyRouter;

class QtHost : public QObject, public Host
{
    Q_OBJECT
public:
    // Becomes the application's host; the destructor closes every window
    // and gives the host up.
    explicit QtHost(QObject *parent = nullptr);
    ~QtHost() override;

    // Runs the program's start (Sub Main, or showing the first form)
    // through the event dispatcher, then the event loop while any form is
    // loaded. Returns the application's exit code.
    int run(const std::function<void()> &start);

    // The window of a form, made on first use.
    FormWindow &window(Form &form);
    // The window if it exists.
    FormWindow *findWindow(const Form &form) const;
    // How many modal loops are running (the innermost form is waited for).
    int modalDepth() const { return int(m_modal.size()); }
    // The QTimer driving a runtime timer, if the host started one.
    QTimer *qtimer(const Timer &timer) const;

    int msgBox(const QString &prompt, int buttons, const QString &title) override;
    void notice(const QString &prompt, int buttons, const QString &title) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText,
                     std::optional<QPoint> pos) override;
    void shell(const QString &program, int windowStyle) override;
    void shellWatched(const QString &program, int windowStyle,
                      std::function<void(const ProgramEnd &)> ended) override;
    QDateTime now() override;
    double rnd() override;
    void doEvents() override;
    void endProgram() override;
    void setScreenMousePointer(int pointer) override;
    // A notice over the active window with the text and the wait cursor;
    // paints and timers run, the operator's input waits.
    void waiting(const QString &text, int milliseconds) override;
    // The notice while one shows (tests look at it).
    QWidget *waitingNotice() const { return m_notice; }
    // Printer: the print service's default printer with the copies; it
    // raises NoPrinterError with the reason when the report cannot be
    // handed over (no printer, no default printer, the service not
    // running, a printer that refuses the job). Window: a modeless preview
    // window.
    void printReport(std::shared_ptr<const PrintDocument> document, int destination,
                     int copies) override;
    // A small window without a close box, centred, painted on each update.
    void progress(const QString &title, const QString &text, int done, int total) override;
    std::optional<QSize> screenArea() override;
    void formShown(Form &form, bool modal) override;
    void formHidden(Form &form) override;
    void runModal(Form &form) override;
    int popupMenu(Form &form, Menu &menu) override;
    void timerChanged(Timer &timer) override;
    void allFormsUnloaded() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The window the operator's keys belong to: the innermost open box or
    // modal form, else the active (or last active) window.
    QWidget *keyWindow() const;
    // Whether keys that reached this window belong to keyWindow() instead.
    bool keysAstray(QWidget *reached) const;
    // Gives the keys to that window and its focused control.
    void handKeysBack();
    void syncTimers(Form &form);
    bool timerAlive(const Timer *timer) const;

    std::map<const Form *, FormWindow *> m_windows;
    std::map<const Timer *, QTimer *> m_timers;
    struct Modal {
        Form *form;
        QEventLoop *loop;
    };
    std::vector<Modal> m_modal;
    int m_overrideCursors = 0;
    QList<QPointer<QWidget>> m_activated; // windows in the order they were last active
    QPointer<QWidget> m_notice;
    QPointer<QWidget> m_progress;
    std::unique_ptr<KeyRouter> m_keyRouter;
};

} // namespace vb
