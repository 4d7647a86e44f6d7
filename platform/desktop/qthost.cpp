#include "qthost.h"
#include "qthost_p.h"

#include <algorithm>
#include <cstdio>

#include "focusframe.h"
#include "formwindow.h"
#include "keyrouter.h"
#include "printservice.h"
#include "reportpreview.h"
#include "report/printdocument.h"
#include "runtime/errors.h"
#include "runtime/programs.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

namespace vb {

using namespace detail;

QtHost::QtHost(QObject *parent) : QObject(parent)
{
    // Windows are hidden, never closed, when forms unload: the program's
    // life follows its forms, not its windows.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    App::instance().setHost(this);
    qApp->installEventFilter(this);
    m_keyRouter = std::make_unique<KeyRouter>([this] { return keyWindow(); },
                                              [this](QWidget *reached) { return keysAstray(reached); });
    m_keyRouter->install();
}

QtHost::~QtHost()
{
    delete m_progress;
    for (auto &[t, qt] : m_timers)
        delete qt;
    m_timers.clear();
    for (auto &[f, w] : m_windows)
        delete w;
    m_windows.clear();
    while (m_overrideCursors > 0) {
        QGuiApplication::restoreOverrideCursor();
        --m_overrideCursors;
    }
    App &a = App::instance();
    if (a.hasHost() && &a.host() == this)
        a.setHost(nullptr);
}

int QtHost::run(const std::function<void()> &start)
{
    App &a = App::instance();
    a.dispatch(start);
    if (a.ended() || !a.anyLoaded())
        return 0;
    return QApplication::exec();
}

FormWindow &QtHost::window(Form &form)
{
    auto it = m_windows.find(&form);
    if (it != m_windows.end())
        return *it->second;
    auto *w = new FormWindow(form);
    m_windows[&form] = w;
    return *w;
}

FormWindow *QtHost::findWindow(const Form &form) const
{
    auto it = m_windows.find(&form);
    return it == m_windows.end() ? nullptr : it->second;
}

QTimer *QtHost::qtimer(const Timer &timer) const
{
    auto it = m_timers.find(&timer);
    return it == m_timers.end() ? nullptr : it->second;
}

// ---- boxes ------------------------------------------------------------------------


// A box reads like the forms around it: on a screen where they grow, its
// text grows with them.
static void scaleBox(QDialog &box)
{
    const double scale = FormWindow::screenScale(box.screen());
    if (scale <= 1)
        return;
    QFont f = box.font();
    f.setPointSizeF(f.pointSizeF() * scale);
    box.setFont(f);
}

// A box shows where the focus is as the forms do, so the operator sees
// which button Enter presses.
static void frameFocus(QDialog &box)
{
    auto *frame = new FocusFrame(&box);
    QObject::connect(qApp, &QApplication::focusChanged, frame, [frame, &box](QWidget *, QWidget *now) {
        frame->follow(now && box.isAncestorOf(now) ? now : nullptr);
    });
}

// The prompt as plain text, its line breaks as the forms write them, and
// the icon that buttons asks for.
static void setIconAndText(QMessageBox &box, const QString &prompt, int buttons)
{
    box.setTextFormat(Qt::PlainText);
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(text);
    switch (buttons & 0x70) {
    case Msg::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Msg::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Msg::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Msg::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
}

int QtHost::msgBox(const QString &prompt, int buttons, const QString &title)
{
    if (unattended()) {
        fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(prompt));
        int kind = buttons & 7;
        return (kind == Msg::YesNo || kind == Msg::YesNoCancel) ? Msg::Yes : Msg::OK;
    }
    QMessageBox box(keyWindow());
    box.setWindowTitle(title);
    setIconAndText(box, prompt, buttons);
    // Buttons in the order the answers are numbered, and the answer the
    // box gives when it is closed without one.
    std::vector<std::pair<QMessageBox::StandardButton, int>> set;
    int escape = Msg::OK;
    switch (buttons & 7) {
    case Msg::OKCancel:
        set = {{QMessageBox::Ok, Msg::OK}, {QMessageBox::Cancel, Msg::Cancel}};
        escape = Msg::Cancel;
        break;
    case Msg::YesNoCancel:
        set = {{QMessageBox::Yes, Msg::Yes}, {QMessageBox::No, Msg::No}, {QMessageBox::Cancel, Msg::Cancel}};
        escape = Msg::Cancel;
        break;
    case Msg::YesNo:
        set = {{QMessageBox::Yes, Msg::Yes}, {QMessageBox::No, Msg::No}};
        escape = Msg::No;
        break;
    default:
        set = {{QMessageBox::Ok, Msg::OK}};
        break;
    }
    std::vector<QPushButton *> made;
    for (auto &[standard, answer] : set) {
        made.push_back(box.addButton(standard));
        if (answer == escape)
            box.setEscapeButton(made.back());
    }
    size_t defaultButton = size_t((buttons >> 8) & 3);
    box.setDefaultButton(made[defaultButton < made.size() ? defaultButton : 0]);
    scaleBox(box);
    frameFocus(box);
    box.exec();
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i])
            return set[i].second;
    return escape;
}

void QtHost::notice(const QString &prompt, int buttons, const QString &title)
{
    if (unattended()) {
        fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(prompt));
        return;
    }
    // Modal to the operator, but no loop of its own: the event that raised
    // it ends at once, and a modal form's wait beneath it ends when its form
    // closes. Like every box it takes the keys when it opens and hands them
    // back when it closes.
    auto *box = new QMessageBox(keyWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowTitle(title);
    setIconAndText(*box, prompt, buttons);
    box->setDefaultButton(box->addButton(QMessageBox::Ok));
    box->setEscapeButton(box->defaultButton());
    frameFocus(*box);
    box->show();
}

QString QtHost::inputBox(const QString &prompt, const QString &title, const QString &defaultText,
                         std::optional<QPoint> pos)
{
    if (unattended()) {
        fprintf(stderr, "%s: %s [%s]\n", qPrintable(title), qPrintable(prompt), qPrintable(defaultText));
        return defaultText;
    }
    QInputDialog dialog(keyWindow());
    dialog.setWindowTitle(title);
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    dialog.setLabelText(text);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(defaultText);
    scaleBox(dialog);
    if (pos) {
        // The place asked for, scaled as the forms are, kept on the screen.
        const QScreen *screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
        const double scale = FormWindow::screenScale(screen);
        QPoint at(int(pos->x() * scale / FormWindow::TwipsPerPixel), int(pos->y() * scale / FormWindow::TwipsPerPixel));
        if (screen) {
            const QRect area = screen->availableGeometry();
            const QSize size = dialog.sizeHint();
            at = area.topLeft() + at;
            at.setX(std::max(area.left(), std::min(at.x(), area.right() - size.width())));
            at.setY(std::max(area.top(), std::min(at.y(), area.bottom() - size.height())));
        }
        dialog.move(at);
    }
    frameFocus(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

// ---- programs, clock, events --------------------------------------------------------

void QtHost::shell(const QString &program, int windowStyle)
{
    Q_UNUSED(windowStyle); // the programs started here open no windows of ours
    QStringList words = QProcess::splitCommand(program.trimmed());
    const QString path = words.isEmpty() ? QString() : findProgram(words.takeFirst());
    if (path.isEmpty() || !startDetached(path, words))
        throw RuntimeError::fileNotFound();
}

void QtHost::shellWatched(const QString &program, int windowStyle,
                          std::function<void(const ProgramEnd &)> ended)
{
    Q_UNUSED(windowStyle);
    QStringList words = QProcess::splitCommand(program.trimmed());
    const QString path = words.isEmpty() ? QString() : findProgram(words.takeFirst());
    if (path.isEmpty())
        throw RuntimeError::fileNotFound();
    QPointer<QtHost> alive(this);
    startWatched(path, words, [alive, ended](const ProgramEnd &end) {
        if (alive)
            App::instance().dispatch([&] { ended(end); });
    });
}

QDateTime QtHost::now() { return QDateTime::currentDateTime(); }

double QtHost::rnd() { return QRandomGenerator::global()->generateDouble(); }

void QtHost::doEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtHost::endProgram()
{
    for (auto &[t, qt] : m_timers)
        if (qt)
            qt->stop();
    for (Modal &m : m_modal)
        m.loop->quit();
    for (auto &[f, w] : m_windows)
        w->hide();
    QCoreApplication::exit(0);
}

void QtHost::setScreenMousePointer(int pointer)
{
    if (pointer == 11 || pointer == 13) {
        if (m_overrideCursors == 0) {
            QGuiApplication::setOverrideCursor(pointer == 11 ? Qt::WaitCursor : Qt::BusyCursor);
            m_overrideCursors = 1;
        } else {
            QGuiApplication::changeOverrideCursor(pointer == 11 ? Qt::WaitCursor : Qt::BusyCursor);
        }
        return;
    }
    while (m_overrideCursors > 0) {
        QGuiApplication::restoreOverrideCursor();
        --m_overrideCursors;
    }
}

// ---- reports ------------------------------------------------------------------------

void detail::centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize room = area.size() - QSize(16, 48);
    window.resize(window.size().boundedTo(room));
    const QSize outside = window.size() + FormWindow::frameExtra();
    window.move(area.x() + std::max(0, (area.width() - outside.width()) / 2),
                area.y() + std::max(0, (area.height() - outside.height()) / 2));
}

void QtHost::printReport(std::shared_ptr<const PrintDocument> document, int destination,
                         int copies)
{
    if (unattended()) {
        std::fprintf(stderr, "[report] %s: %d page(s), destination %d, %d copies\n",
                     qPrintable(document->title()), document->pageCount(), destination, copies);
        return;
    }
    if (destination == Destination::Printer) {
        // To the office's default printer only, never to whichever queue
        // comes first (a raw ticket printer would print PDF source); a
        // queue that refuses the job is told with CUPS's reason.
        QString why;
        printservice::Job job;
        job.queue = printservice::defaultQueue(&why);
        if (job.queue.isEmpty())
            throw RuntimeError(NoPrinterError, why);
        job.copies = std::max(1, copies);
        why = printservice::print(*document, job);
        if (!why.isEmpty())
            throw RuntimeError(NoPrinterError, why);
        return;
    }
    // The preview stays open beside the forms, like the report engine's
    // own window; it keeps the document alive until it closes.
    QWidget *opener = keyWindow();
    auto *preview = new ReportPreview(std::move(document), opener);
    centreOnScreen(*preview);
    preview->show();
    // The operator's keys go to the preview (Esc closes it), also where no
    // window manager hands a new window the focus; when it closes they go
    // back to the form it was opened from, whose access keys (Alt+C) would
    // otherwise answer to nothing.
    preview->raise();
    preview->activateWindow();
    if (opener)
        connect(preview, &QObject::destroyed, opener, [opener] {
            if (opener->isVisible() && QApplication::activeWindow() != opener) {
                opener->raise();
                opener->activateWindow();
            }
        });
}

// ---- forms --------------------------------------------------------------------------

std::optional<QSize> QtHost::screenArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    // In the forms' own twips: a window that grows with the screen's scale
    // is placed in an area shrunk by it, so a centred form stays centred.
    return screen->availableGeometry().size() * FormWindow::TwipsPerPixel / FormWindow::screenScale(screen);
}

void QtHost::formShown(Form &form, bool modal)
{
    FormWindow &w = window(form);
    // A modal form is a dialog of the window it was opened from: a window
    // manager keeps it above that window, also above a maximized one.
    const Qt::WindowModality wanted = modal ? Qt::ApplicationModal : Qt::NonModal;
    const Qt::WindowType kind = modal ? Qt::Dialog : Qt::Window;
    if (w.windowModality() != wanted || w.windowType() != kind) {
        if (w.isVisible())
            w.hide(); // modality takes effect on the next show
        w.setWindowModality(wanted);
        w.setWindowFlags((w.windowFlags() & ~Qt::WindowType_Mask) | kind);
    }
    if (modal && !w.isVisible()) {
        QWidget *opener = keyWindow();
        w.winId();
        if (QWindow *handle = w.windowHandle())
            handle->setTransientParent(opener && opener != &w ? opener->windowHandle() : nullptr);
    }
    w.showForm();
    syncTimers(form);
}

void QtHost::formHidden(Form &form)
{
    if (FormWindow *w = findWindow(form))
        w->hide();
    for (Modal &m : m_modal)
        if (m.form == &form)
            m.loop->quit();
}

void QtHost::runModal(Form &form)
{
    QEventLoop loop;
    m_modal.push_back({&form, &loop});
    App &a = App::instance();
    // The loop is left when the form hides or unloads, or the program ends.
    while (form.loaded() && form.visible() && !a.ended() && !QCoreApplication::closingDown())
        loop.exec(QEventLoop::DialogExec);
    m_modal.erase(std::remove_if(m_modal.begin(), m_modal.end(), [&](const Modal &m) { return m.loop == &loop; }),
                  m_modal.end());
}

int QtHost::popupMenu(Form &form, Menu &menu)
{
    FormWindow &w = window(form);
    QMenu popup(&w);
    // The menu reads like the screen it pops up on: its buttons' font.
    for (Control *c : form.controls())
        if (c->kind() == ControlKind::CommandButton)
            if (QWidget *b = w.widget(*c)) {
                popup.setFont(b->font());
                break;
            }
    const auto &items = menu.items();
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem &item = *items[i];
        if (!item.Visible())
            continue;
        if (item.Caption() == QLatin1String("-")) {
            popup.addSeparator();
            continue;
        }
        QAction *action = popup.addAction(item.Caption());
        action->setEnabled(item.Enabled());
        action->setData(int(i));
    }
    QAction *picked = popup.exec(QCursor::pos());
    return picked ? picked->data().toInt() : -1;
}

// ---- timers -------------------------------------------------------------------------

bool QtHost::timerAlive(const Timer *timer) const
{
    for (Form *f : App::instance().instances())
        for (Control *c : f->controls())
            if (c == timer)
                return true;
    return false;
}

void QtHost::timerChanged(Timer &timer)
{
    QTimer *&qt = m_timers[&timer];
    if (!timer.running()) {
        if (qt)
            qt->stop();
        return;
    }
    if (!qt) {
        qt = new QTimer(this);
        const Timer *key = &timer;
        connect(qt, &QTimer::timeout, this, [this, key] {
            QTimer *self = m_timers[key];
            if (!timerAlive(key)) {
                self->stop();
                return;
            }
            // A handler that lets events run (DoEvents, a box, a modal
            // form) does not see its own timer again until it returns.
            if (self->property("ticking").toBool())
                return;
            self->setProperty("ticking", true);
            const_cast<Timer *>(key)->tick();
            if (m_timers.count(key))
                self->setProperty("ticking", false);
        });
    }
    qt->start(timer.Interval()); // a new interval counts from now
}

void QtHost::syncTimers(Form &form)
{
    for (Control *c : form.controls())
        if (c->kind() == ControlKind::Timer) {
            auto *t = static_cast<Timer *>(c);
            QTimer *qt = qtimer(*t);
            if (t->running() != (qt && qt->isActive()))
                timerChanged(*t);
        }
}

void QtHost::allFormsUnloaded()
{
    // Checked once the current event is done: its code may load a form yet.
    QMetaObject::invokeMethod(
        this,
        [] {
            if (!App::instance().anyLoaded())
                QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
}

} // namespace vb
