// The host's notices of work under way: the wait for a database another
// program holds, and the progress of a long task before the forms show.
#include "qthost.h"
#include "qthost_p.h"

#include "formwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

namespace vb {

using namespace detail;

void QtHost::waiting(const QString &text, int milliseconds)
{
    if (text.isEmpty()) {
        if (m_notice) {
            delete m_notice.data();
            QGuiApplication::restoreOverrideCursor();
        }
        return;
    }
    if (!m_notice) {
        auto *label = new QLabel(text, keyWindow(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        label->setObjectName(QStringLiteral("waitingNotice"));
        label->setAttribute(Qt::WA_ShowWithoutActivating);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setMargin(16);
        label->adjustSize();
        const QWidget *over = keyWindow();
        const QRect area = over ? over->geometry()
                                : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                                    : QRect(0, 0, 800, 600));
        label->move(area.center() - QPoint(label->width() / 2, label->height() / 2));
        label->show();
        m_notice = label;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (auto *label = qobject_cast<QLabel *>(m_notice.data()); label && label->text() != text) {
        label->setText(text);
        label->adjustSize();
    }
    // Paints and timers go on; keys and clicks wait until the program is
    // ready for them again.
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        if (clock.elapsed() < milliseconds)
            QThread::msleep(std::min<qint64>(10, milliseconds - clock.elapsed()));
    } while (clock.elapsed() < milliseconds);
}

// ---- progress -----------------------------------------------------------------------

namespace {

// Stays until the task is done: a window manager's close box does nothing.
class ProgressWindow : public QWidget
{
public:
    ProgressWindow() : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

} // namespace

void QtHost::progress(const QString &title, const QString &text, int done, int total)
{
    if (unattended()) {
        if (done == 0)
            fprintf(stderr, "[progress] %s: %s\n", qPrintable(title), qPrintable(text));
        return;
    }
    if (done >= total) {
        delete m_progress;
        return;
    }
    QProgressBar *bar = nullptr;
    if (!m_progress) {
        auto *window = new ProgressWindow;
        window->setObjectName(QStringLiteral("progress"));
        window->setWindowTitle(title);
        auto *layout = new QVBoxLayout(window);
        layout->setContentsMargins(18, 18, 18, 18);
        layout->setSpacing(12);
        auto *label = new QLabel(text, window);
        label->setWordWrap(true);
        layout->addWidget(label);
        bar = new QProgressBar(window);
        layout->addWidget(bar);
        window->setMinimumWidth(480);
        window->adjustSize();
        centreOnScreen(*window);
        window->show();
        window->raise();
        m_progress = window;
    } else {
        bar = m_progress->findChild<QProgressBar *>();
        if (auto *label = m_progress->findChild<QLabel *>(); label && label->text() != text)
            label->setText(text);
    }
    bar->setRange(0, total);
    bar->setValue(done);
    // The window paints; the operator's keys and clicks wait for the screen.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace vb
