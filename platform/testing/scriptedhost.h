#pragma once
// A host for tests: message and input boxes answered from queues, every box
// recorded, a handler per modal form name, a settable clock, seeded random
// numbers, started programs recorded, timers fired on demand.
#include "runtime/form.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace vb {

class ScriptedHost : public Host
{
public:
    ScriptedHost();
    ~ScriptedHost() override;

    struct Box {
        QString prompt;
        int buttons = 0;
        QString title;
        bool waited = true; // false for a notice, which nobody waits for
    };
    struct Input {
        QString prompt, title, defaultText;
        std::optional<QPoint> pos;
    };
    struct Started {
        QString program;
        int windowStyle;
    };
    // A report sent to the printer or a preview: written as a PDF file.
    struct Printed {
        QString title;
        int destination = 0;
        int copies = 0;
        int pages = 0;
        QString pdfFile; // absolute path, empty when it could not be written
        std::shared_ptr<const PrintDocument> document;
    };

    // Answers for the next boxes; without one a message box answers OK (or
    // Yes for a yes/no box) and an input box its default text.
    void answerMsg(int answer) { m_msgAnswers.push_back(answer); }
    void answerInput(const QString &text) { m_inputAnswers.push_back(text); }
    // Picks for the next popup menus, by item name ("" picks nothing).
    void pickMenu(const QString &itemName) { m_menuPicks.push_back(itemName); }
    // The scripted answers and picks no box or menu has asked for yet, as
    // texts ("message box: 6", "input box: 'abc'", "menu: 'mnuX'").
    QStringList unusedAnswers() const;
    // Acts inside a modal form when it is shown. Without a handler the
    // modal form is closed through its close box at once.
    void onModal(const QString &formName, std::function<void(Form &)> handler);
    // Programs the shell finds (relative names) without running them: a
    // watched one ends at once with success. A file of the name in the
    // current directory is found too, and a watched start really runs it.
    // Others raise error 53.
    void addProgram(const QString &name) { m_programs.insert(name.toLower()); }
    // Lets events run until every program really run has ended and been
    // reported; false when some still run after timeoutMs.
    bool waitForPrograms(int timeoutMs = 20000);

    const std::vector<Box> &boxes() const { return m_boxes; }
    QStringList boxTexts() const;
    const std::vector<Input> &inputs() const { return m_inputs; }
    const std::vector<Started> &started() const { return m_started; }
    const std::vector<Printed> &printed() const { return m_printed; }
    // Where reports are written as "report-<n>.pdf" (n counts from 1 over
    // the host's life); empty (the default) is the current directory.
    void setPrintDirectory(const QString &dir) { m_printDir = dir; }
    const QStringList &modalsShown() const { return m_modals; }
    bool programEnded() const { return m_ended; }
    void clearRecords();

    void setNow(const QDateTime &t) { m_now = t; }
    void advance(int ms) { m_now = m_now.addMSecs(ms); }
    void seed(unsigned s) { m_rng.seed(s); }

    // Fires every running timer of every loaded form once (timers named
    // name only, when given), in form and control order.
    void fireTimers(const QString &name = QString());
    // Every progress shown, in order, and whether any form was loaded then.
    struct Progress {
        QString title, text;
        int done = 0, total = 0;
        bool formsLoaded = false;
    };
    const std::vector<Progress> &progressShown() const { return m_progress; }


    // Host
    int msgBox(const QString &prompt, int buttons, const QString &title) override;
    void notice(const QString &prompt, int buttons, const QString &title) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText,
                     std::optional<QPoint> pos) override;
    void shell(const QString &program, int windowStyle) override;
    void shellWatched(const QString &program, int windowStyle,
                      std::function<void(const ProgramEnd &)> ended) override;
    QDateTime now() override { return m_now; }
    double rnd() override;
    void doEvents() override; // lets Qt's events run too (serial port data)
    // Records each text shown while waiting (once per wait) and sleeps.
    void waiting(const QString &text, int milliseconds) override;
    const QStringList &waits() const { return m_waits; }
    bool waitingShown() const { return m_waitingShown; }
    void progress(const QString &title, const QString &text, int done, int total) override
    {
        m_progress.push_back({title, text, done, total, App::instance().anyLoaded()});
    }
    void endProgram() override { m_ended = true; }
    void setScreenMousePointer(int p) override { m_mousePointer = p; }
    void printReport(std::shared_ptr<const PrintDocument> document, int destination,
                     int copies) override;
    void formShown(Form &, bool) override {}
    void formHidden(Form &) override {}
    void runModal(Form &form) override;
    int popupMenu(Form &form, Menu &menu) override;
    void timerChanged(Timer &) override {}
    void allFormsUnloaded() override { m_allUnloaded = true; }
    bool allUnloaded() const { return m_allUnloaded; }
    int screenMousePointer() const { return m_mousePointer; }

private:
    std::deque<int> m_msgAnswers;
    std::deque<QString> m_inputAnswers;
    std::deque<QString> m_menuPicks;
    std::map<QString, std::function<void(Form &)>> m_modalHandlers;
    std::set<QString> m_programs;
    std::shared_ptr<QObject> m_runs; // alive while the host is (programs' ends check it)
    int m_running = 0;
    std::vector<Box> m_boxes;
    std::vector<Input> m_inputs;
    std::vector<Started> m_started;
    std::vector<Printed> m_printed;
    QString m_printDir;
    int m_printSerial = 0;
    QStringList m_modals;
    QDateTime m_now;
    std::mt19937 m_rng{12345};
    bool m_ended = false;
    bool m_allUnloaded = false;
    std::vector<Progress> m_progress;
    int m_mousePointer = 0;
    QStringList m_waits;
    bool m_waitingShown = false;
};

} // namespace vb
