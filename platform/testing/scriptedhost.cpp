#include "scriptedhost.h"
#include <QElapsedTimer>

#include "report/printdocument.h"
#include "runtime/errors.h"
#include "runtime/input.h"
#include "runtime/programs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QDir>
#include <QFileInfo>

namespace vb {

ScriptedHost::ScriptedHost() : m_runs(std::make_shared<QObject>()), m_now(QDate(2024, 3, 5), QTime(10, 30, 0)) {}

ScriptedHost::~ScriptedHost()
{
    if (App::instance().hasHost() && &App::instance().host() == this)
        App::instance().setHost(nullptr);
}

void ScriptedHost::onModal(const QString &formName, std::function<void(Form &)> handler)
{
    m_modalHandlers[formName] = std::move(handler);
}

QStringList ScriptedHost::boxTexts() const
{
    QStringList out;
    for (const Box &b : m_boxes)
        out << b.prompt;
    return out;
}

void ScriptedHost::clearRecords()
{
    m_boxes.clear();
    m_inputs.clear();
    m_started.clear();
    m_printed.clear();
    m_modals.clear();
    m_waits.clear();
    m_progress.clear();
}

QStringList ScriptedHost::unusedAnswers() const
{
    QStringList out;
    for (int a : m_msgAnswers)
        out << QStringLiteral("message box: %1").arg(a);
    for (const QString &a : m_inputAnswers)
        out << QStringLiteral("input box: '%1'").arg(a);
    for (const QString &p : m_menuPicks)
        out << QStringLiteral("menu: '%1'").arg(p);
    return out;
}

int ScriptedHost::msgBox(const QString &prompt, int buttons, const QString &title)
{
    m_boxes.push_back({prompt, buttons, title});
    if (!m_msgAnswers.empty()) {
        int a = m_msgAnswers.front();
        m_msgAnswers.pop_front();
        return a;
    }
    int kind = buttons & 7;
    return (kind == Msg::YesNo || kind == Msg::YesNoCancel) ? Msg::Yes : Msg::OK;
}

void ScriptedHost::notice(const QString &prompt, int buttons, const QString &title)
{
    m_boxes.push_back({prompt, buttons, title, false});
}

QString ScriptedHost::inputBox(const QString &prompt, const QString &title, const QString &defaultText,
                               std::optional<QPoint> pos)
{
    m_inputs.push_back({prompt, title, defaultText, pos});
    if (!m_inputAnswers.empty()) {
        QString a = m_inputAnswers.front();
        m_inputAnswers.pop_front();
        return a;
    }
    return defaultText;
}

void ScriptedHost::shell(const QString &program, int windowStyle)
{
    if (!m_programs.count(program.toLower()) && !QFileInfo::exists(program))
        throw RuntimeError::fileNotFound();
    m_started.push_back({program, windowStyle});
}

void ScriptedHost::shellWatched(const QString &program, int windowStyle,
                                std::function<void(const ProgramEnd &)> ended)
{
    const QString path = findProgram(program);
    if (path.isEmpty() || !path.startsWith(QDir::currentPath())) {
        if (!m_programs.count(program.toLower()))
            throw RuntimeError::fileNotFound();
        m_started.push_back({program, windowStyle});
        ended(ProgramEnd{}); // a program that is only named ends at once, well
        return;
    }
    m_started.push_back({program, windowStyle});
    ++m_running;
    std::weak_ptr<QObject> alive = m_runs;
    startWatched(path, {}, [this, alive, ended](const ProgramEnd &end) {
        if (alive.expired())
            return; // the host has gone
        --m_running;
        App::instance().dispatch([&] { ended(end); });
    });
}

bool ScriptedHost::waitForPrograms(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_running > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    return m_running == 0;
}

void ScriptedHost::printReport(std::shared_ptr<const PrintDocument> document, int destination,
                               int copies)
{
    Printed p;
    p.title = document->title();
    p.destination = destination;
    p.copies = copies;
    p.pages = document->pageCount();
    const QDir dir(m_printDir.isEmpty() ? QDir::currentPath() : m_printDir);
    const QString file = dir.absoluteFilePath(QStringLiteral("report-%1.pdf").arg(++m_printSerial));
    if (document->writePdf(file))
        p.pdfFile = file;
    p.document = std::move(document);
    m_printed.push_back(std::move(p));
}

double ScriptedHost::rnd()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng);
}

void ScriptedHost::doEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void ScriptedHost::waiting(const QString &text, int milliseconds)
{
    if (text.isEmpty()) {
        m_waitingShown = false;
        return;
    }
    if (!m_waitingShown)
        m_waits << text;
    m_waitingShown = true;
    // Qt's events run meanwhile, as the desktop's do (a test's timers).
    QElapsedTimer clock;
    clock.start();
    do {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (clock.elapsed() < milliseconds)
            QThread::msleep(ulong(std::min<qint64>(5, milliseconds - clock.elapsed())));
    } while (clock.elapsed() < milliseconds);
}

void ScriptedHost::runModal(Form &form)
{
    m_modals << form.name();
    auto it = m_modalHandlers.find(form.name());
    if (it != m_modalHandlers.end())
        it->second(form);
    // A modal form the script left open is closed through its close box,
    // so a test never hangs on it.
    if (form.loaded() && form.visible())
        ui::close(form);
    if (form.loaded() && form.visible())
        form.Hide();
}

int ScriptedHost::popupMenu(Form &, Menu &menu)
{
    if (m_menuPicks.empty())
        return -1;
    QString pick = m_menuPicks.front();
    m_menuPicks.pop_front();
    for (size_t i = 0; i < menu.items().size(); ++i)
        if (menu.items()[i]->name() == pick)
            return int(i);
    return -1;
}

void ScriptedHost::fireTimers(const QString &name)
{
    for (Form *f : App::instance().instances()) {
        if (!f->loaded())
            continue;
        for (Control *c : std::vector<Control *>(f->controls())) {
            if (c->kind() != ControlKind::Timer || (!name.isEmpty() && c->name() != name))
                continue;
            static_cast<Timer *>(c)->tick();
        }
    }
}


} // namespace vb
