#include "formwindow_p.h"

#include "listviewmodel.h"
#include "runtime/input.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>
#include <algorithm>
#include <cmath>

namespace vb {

using namespace detail;

namespace {

int shiftOf(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

int shiftOf(const QMouseEvent *e) { return shiftOf(e->modifiers()); }

int buttonOf(const QMouseEvent *e)
{
    switch (e->button()) {
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 1;
    }
}

// Key codes of the keys that are not characters.
int keyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_Escape:
        return Key::Esc;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Key::Tab;
    case Qt::Key_Backspace:
        return Key::Back;
    case Qt::Key_Delete:
        return Key::Delete;
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_Home:
        return Key::Home;
    case Qt::Key_End:
        return Key::End;
    case Qt::Key_PageUp:
        return Key::PageUp;
    case Qt::Key_PageDown:
        return Key::PageDown;
    default:
        if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
            return Key::F1 + (qtKey - Qt::Key_F1);
        return 0;
    }
}

bool isModifierKey(int qtKey)
{
    return qtKey == Qt::Key_Shift || qtKey == Qt::Key_Control || qtKey == Qt::Key_Alt ||
           qtKey == Qt::Key_Meta || qtKey == Qt::Key_AltGr || qtKey == Qt::Key_CapsLock ||
           qtKey == Qt::Key_NumLock;
}

bool printable(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar ch : text)
        if (ch.unicode() < 32 || ch.unicode() == 127)
            return false;
    return true;
}


int textPos(const QString &text, int displayed)
{
    int shown = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (shown == displayed)
            return i;
        if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        ++shown;
    }
    return int(text.size());
}

bool isButtonLike(ControlKind k)
{
    return k == ControlKind::CommandButton || k == ControlKind::OptionButton || k == ControlKind::CheckBox ||
           k == ControlKind::ToggleButton;
}
} // namespace

// ---- the operator's input -------------------------------------------------------

bool FormWindow::handleKey(QKeyEvent *event, Control *target)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int shift = shiftOf(mods);
    if (isModifierKey(key))
        return true;
    // Date pickers and the read-only text view keep their own editing and
    // scrolling; the keys that mean something to the form still reach it.
    const bool picker = target && target->kind() == ControlKind::DatePicker;
    const bool viewer = target && target->kind() == ControlKind::RichTextBox;

    // Clipboard keys (also the older Shift+Del, Ctrl+Ins, Shift+Ins) edit
    // the focused text through the runtime, so its KeyPress and Change run
    // as for typing; a password is never copied.
    const Qt::KeyboardModifiers held = mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrl = held == Qt::ControlModifier, shifted = held == Qt::ShiftModifier;
    const bool paste = (ctrl && key == Qt::Key_V) || (shifted && key == Qt::Key_Insert);
    const bool cut = (ctrl && key == Qt::Key_X) || (shifted && key == Qt::Key_Delete);
    const bool copy = ctrl && (key == Qt::Key_C || key == Qt::Key_Insert);
    if (paste && !picker) {
        QString text = QGuiApplication::clipboard()->text();
        text.remove(QLatin1Char('\r'));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        ui::type(m_form, text);
        return true;
    }
    if (cut && !picker) {
        const QString taken = ui::cut(m_form);
        if (!taken.isEmpty())
            QGuiApplication::clipboard()->setText(taken);
        return true;
    }
    if (copy) {
        Control *a = m_form.ActiveControl();
        if (a && (a->kind() == ControlKind::TextBox || a->kind() == ControlKind::ComboBox)) {
            auto *t = static_cast<TextEditable *>(a);
            bool hidden = a->kind() == ControlKind::TextBox && !static_cast<TextBox *>(a)->PasswordChar().isNull();
            if (!hidden && t->SelLength() > 0)
                QGuiApplication::clipboard()->setText(t->SelText());
            return true;
        }
        return viewer || picker ? false : true;
    }

    if (int code = keyCode(key)) {
        bool formKey = code == Key::Tab || code == Key::Enter || code == Key::Esc || (code >= Key::F1 && code <= Key::F12);
        if (picker && !formKey)
            return false;
        int s = key == Qt::Key_Backtab ? (shift | 1) : shift;
        ui::press(m_form, code, s);
        if (target && target->kind() == ControlKind::ComboBox && (code == Key::F4 || (code == Key::Down && (mods & Qt::AltModifier))))
            if (auto *cb = qobject_cast<QComboBox *>(widget(*target)))
                if (m_form.ActiveControl() == target)
                    cb->showPopup();
        if (viewer && !formKey)
            return false;
        if (target && target->kind() == ControlKind::ListView && m_form.ActiveControl() == target)
            pageList(static_cast<ListView &>(*target), code);
        return true;
    }

    const QString text = event->text();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier)) && printable(text)) {
        if (picker)
            return false;
        ui::type(m_form, text);
        return true;
    }
    if ((mods & (Qt::ControlModifier | Qt::AltModifier)) && key >= Qt::Key_A && key <= Qt::Key_Z) {
        ui::press(m_form, 'A' + (key - Qt::Key_A), shift);
        return true;
    }
    return !picker;
}

// Paging keys of a list view pick the row they land on, as the arrows do.
void FormWindow::pageList(ListView &list, int code)
{
    if (code != Key::PageUp && code != Key::PageDown && code != Key::Home && code != Key::End)
        return;
    if (list.count() == 0)
        return;
    auto *tv = static_cast<QTreeView *>(widget(list));
    int rowHeight = std::max(1, tv->sizeHintForRow(0));
    int page = std::max(1, tv->viewport()->height() / rowHeight - 1);
    int row = list.selectedRow();
    switch (code) {
    case Key::PageUp:
        row -= page;
        break;
    case Key::PageDown:
        row += page;
        break;
    case Key::Home:
        row = 0;
        break;
    default:
        row = list.count() - 1;
        break;
    }
    row = std::clamp(row, 0, list.count() - 1);
    if (row != list.selectedRow())
        ui::pickRow(list, row);
}

bool FormWindow::handleMouse(QObject *watched, QMouseEvent *event, Control &c)
{
    if (!c.effectivelyEnabled())
        return true;
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool dbl = event->type() == QEvent::MouseButtonDblClick;
    QPointF at = event->position();
    const auto twips = [&] {
        return toTwips(static_cast<QWidget *>(watched)->mapTo(widget(c), at.toPoint()));
    };
    if (press) {
        QPointF t = twips();
        int button = buttonOf(event), shift = shiftOf(event);
        run([&] { Control::raise(c.onMouseDown, button, shift, t.x(), t.y()); });
    }
    const bool left = event->button() == Qt::LeftButton;

    switch (c.kind()) {
    case ControlKind::CommandButton:
        if ((press || dbl) && left)
            ui::click(c); // a double click is a second click
        refresh(c);
        return true;
    case ControlKind::OptionButton:
    case ControlKind::CheckBox:
    case ControlKind::ToggleButton:
    case ControlKind::Label:
    case ControlKind::Frame:
        if (press && left)
            ui::click(c);
        else if (dbl && left)
            run([&] { Control::raise(c.onDblClick); });
        refresh(c);
        return true;
    case ControlKind::TextBox:
    case ControlKind::ComboBox: {
        auto &box = static_cast<TextEditable &>(c);
        int caret = -1;
        if (auto *e = qobject_cast<QLineEdit *>(watched))
            caret = e->cursorPositionAt(at.toPoint());
        else if (auto *pe = qobject_cast<QPlainTextEdit *>(watched->parent()))
            caret = textPos(box.Text(), pe->cursorForPosition(at.toPoint()).position());
        if (caret < 0) {
            // The arrow of a combo box: it takes the focus, Qt drops the list.
            if (press)
                ui::focus(c);
            return false;
        }
        if (press && left) {
            ui::click(c);
            if (c.hasFocus())
                ui::select(box, caret);
        } else if (dbl && left) {
            run([&] { Control::raise(c.onDblClick); });
        } else if (press) {
            ui::focus(c);
        }
        return true;
    }
    case ControlKind::ListView: {
        auto &list = static_cast<ListView &>(c);
        auto *tv = static_cast<QTreeView *>(widget(c));
        int row = tv->indexAt(at.toPoint()).row();
        if (press) {
            if (row >= 0)
                ui::pickRow(list, row);
            else
                ui::focus(c);
        } else if (dbl && row >= 0) {
            run([&] { Control::raise(c.onDblClick); });
        }
        return true;
    }
    case ControlKind::DatePicker:
    case ControlKind::RichTextBox:
        if (press)
            ui::focus(c);
        else if (dbl)
            run([&] { Control::raise(c.onDblClick); });
        return false;
    default:
        return false;
    }
}

void FormWindow::focusFromQt(Control &c, QWidget *)
{
    if (m_syncing || m_form.ActiveControl() == &c)
        return;
    // Qt moved its focus by itself (a popup closing, the window coming
    // back): the runtime's focused control keeps it.
    QMetaObject::invokeMethod(this, [this] { syncFocus(); }, Qt::QueuedConnection);
}

bool FormWindow::eventFilter(QObject *watched, QEvent *event)
{
    Control *c = m_parts.value(watched, nullptr);
    if (!c)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent *>(event), c);
    case QEvent::KeyRelease:
        return !(c->kind() == ControlKind::DatePicker || c->kind() == ControlKind::RichTextBox);
    case QEvent::ShortcutOverride: {
        // Keys the widget would edit with are ours, not the window's shortcuts.
        auto *k = static_cast<QKeyEvent *>(event);
        if (!(k->modifiers() & Qt::AltModifier)) {
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return handleMouse(watched, static_cast<QMouseEvent *>(event), *c);
    case QEvent::MouseMove:
        // Drag selections would bypass the runtime's caret.
        return c->kind() == ControlKind::TextBox || c->kind() == ControlKind::ComboBox ||
               isButtonLike(c->kind()) || c->kind() == ControlKind::ListView;
    case QEvent::Wheel:
        // The wheel must not change a combo's pick behind the runtime.
        return c->kind() == ControlKind::ComboBox || c->kind() == ControlKind::DatePicker;
    case QEvent::FocusIn:
        focusFromQt(*c, static_cast<QWidget *>(watched));
        return false;
    case QEvent::InputMethod: {
        auto *im = static_cast<QInputMethodEvent *>(event);
        if (!im->commitString().isEmpty())
            ui::type(m_form, im->commitString());
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void FormWindow::keyPressEvent(QKeyEvent *event)
{
    // Keys with no control widget focused: the form itself has them.
    if (!handleKey(event, nullptr))
        QWidget::keyPressEvent(event);
}

void FormWindow::keyReleaseEvent(QKeyEvent *event) { event->accept(); }

void FormWindow::mousePressEvent(QMouseEvent *event)
{
    const QPointF p = toTwips(event->position());
    ui::clickForm(m_form, p.x(), p.y(), buttonOf(event), shiftOf(event));
    event->accept();
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    // The runtime unloads the form (its Unload may refuse); the host hides
    // the window when it does.
    event->ignore();
    if (m_form.loaded())
        ui::close(m_form);
    else
        hide();
}

void FormWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (updateScale())
        refreshAll();
    // Only the normal size is the form's: a restored window gets it back.
    if (m_syncing || !isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) ||
        !m_form.loaded())
        return;
    // The size the operator gave, in the form's twips (a scaled window
    // that keeps its size leaves the form's as it was).
    if (size() == normalSize())
        return;
    const double s = normalScale();
    int w = int(std::lround(width() * TwipsPerPixel / s)), h = int(std::lround(height() * TwipsPerPixel / s));
    if (w == m_form.Width() && h == m_form.Height())
        return;
    run([&] {
        m_form.setWidth(w);
        m_form.setHeight(h);
    });
}

void FormWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (updateScale())
        refreshAll();
    if (m_syncing || !m_form.loaded())
        return;
    Qt::WindowStates ws = windowState();
    int state = ws & Qt::WindowMinimized ? WindowState::Minimized
                : ws & Qt::WindowMaximized ? WindowState::Maximized
                                           : WindowState::Normal;
    if (state != m_form.WindowState())
        run([&] { m_form.setWindowState(state); });
}

} // namespace vb
