#include "focusframe.h"

#include <QEvent>
#include <QPainter>

namespace vb {

FocusFrame::FocusFrame(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("focusFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void FocusFrame::follow(QWidget *target)
{
    if (m_target == target) {
        place();
        return;
    }
    if (m_target)
        m_target->removeEventFilter(this);
    m_target = target;
    if (m_target)
        m_target->installEventFilter(this);
    place();
}

void FocusFrame::place()
{
    QWidget *window = parentWidget();
    if (!m_target || !window || !m_target->isVisibleTo(window)) {
        hide();
        return;
    }
    const int m = Thickness + 1;
    QRect r(m_target->mapTo(window, QPoint(0, 0)), m_target->size());
    r.adjust(-m, -m, m, m);
    if (geometry() != r)
        setGeometry(r);
    // Only the border is ours: what lies inside stays visible and live.
    setMask(QRegion(rect()).subtracted(QRegion(rect().adjusted(m, m, -m, -m))));
    raise();
    show();
    update();
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ParentChange:
            place();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // A bright band between two dark lines reads on light and dark forms.
    p.fillRect(rect(), QColor(20, 20, 20));
    p.fillRect(rect().adjusted(1, 1, -1, -1), colour());
    p.fillRect(rect().adjusted(Thickness, Thickness, -Thickness, -Thickness), QColor(20, 20, 20));
}

} // namespace vb
