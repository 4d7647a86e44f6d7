#include "formwindow_p.h"

#include "focusframe.h"
#include "listviewmodel.h"
#include "runtime/input.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalBlocker>
#include <QTreeView>
#include <algorithm>

namespace vb {

using namespace detail;

namespace {

// A caption with '&' marking its access key, as a label shows it.
QString labelText(const QString &caption, bool &rich)
{
    rich = caption.contains(QLatin1Char('&'));
    if (!rich)
        return caption;
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        QChar ch = caption[i];
        if (ch == QLatin1Char('&') && i + 1 < caption.size()) {
            QChar next = caption[++i];
            if (next == QLatin1Char('&'))
                out += QStringLiteral("&amp;");
            else
                out += QStringLiteral("<u>%1</u>").arg(QString(next).toHtmlEscaped());
            continue;
        }
        out += QString(ch).toHtmlEscaped();
    }
    out.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return out;
}

// Multi-line boxes keep CR LF; the editor shows a bare line feed.
int displayPos(const QString &text, int pos)
{
    return pos - int(text.left(pos).count(QStringLiteral("\r\n")));
}

// Black or white, whichever contrasts more with the background.
QColor readableOn(const QColor &back)
{
    const double luminance = 0.2126 * back.redF() + 0.7152 * back.greenF() + 0.0722 * back.blueF();
    return luminance < 0.45 ? QColor(Qt::white) : QColor(Qt::black);
}

// The grey of a disabled control's text: dimmed, as on the system the forms
// were made for, yet still readable, since a locked box often holds the very
// value the operator reads (a recalled weight, the computed net).
QColor dimmedOn(const QColor &back)
{
    const double luminance = 0.2126 * back.redF() + 0.7152 * back.greenF() + 0.0722 * back.blueF();
    return luminance < 0.45 ? QColor(0xb4, 0xb4, 0xb4) : QColor(0x59, 0x59, 0x59);
}

// A box that lies mostly beyond the form's left or top edge is one the
// operator is not meant to see (it only receives); it keeps working.
bool shown(const Control &c)
{
    if (!c.Visible())
        return false;
    if (c.kind() == ControlKind::Label || c.kind() == ControlKind::Shape)
        return true;
    return c.Left() + c.Width() / 2 >= 0 && c.Top() + c.Height() / 2 >= 0;
}

// A single word wider than its label cannot wrap: its font shrinks until it
// fits, so a reading is never cut.
void shrinkToFit(QLabel *label, const QString &text)
{
    if (text.isEmpty() || text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return;
    QFont f = label->font();
    const int room = label->contentsRect().width() - 2 * label->margin() - 2;
    for (int i = 0; i < 40 && f.pointSizeF() > 4; ++i) {
        const int wide = QFontMetrics(f).horizontalAdvance(text);
        if (wide <= room)
            break;
        f.setPointSizeF(std::max(4.0, f.pointSizeF() * std::max(0.5, double(room) / wide) * 0.98));
    }
    if (label->font() != f)
        label->setFont(f);
}

} // namespace

// ---- mirroring ----------------------------------------------------------------

void FormWindow::observe(Control *c, Change what)
{
    if (!c) {
        if (what == Change::Items)
            refreshAll();
        else
            refreshForm();
        return;
    }
    switch (what) {
    case Change::Property:
        refresh(*c);
        break;
    case Change::Items:
        if (c->kind() == ControlKind::ListView)
            reloadList(*c);
        else
            refresh(*c);
        break;
    case Change::Selection:
        refreshSelection(*c);
        break;
    }
}

void FormWindow::reloadList(Control &c)
{
    // A list filled row by row tells of every row; the view reads them all
    // once the filling code is done.
    auto *model = m_models.count(&c) ? m_models[&c] : nullptr;
    if (!model || model->property("pending").toBool())
        return;
    model->setProperty("pending", true);
    QMetaObject::invokeMethod(
        this,
        [this, &c] {
            auto *m = m_models.count(&c) ? m_models[&c] : nullptr;
            if (m && m->property("pending").toBool())
                refresh(c);
        },
        Qt::QueuedConnection);
}

void FormWindow::refreshAll()
{
    Syncing s(m_syncing);
    refreshForm();
    for (auto &[c, model] : m_models)
        model->setProperty("pending", true);
    for (auto &[c, w] : m_widgets)
        refresh(*const_cast<Control *>(c));
    if (isVisible())
        syncFocus();
}

void FormWindow::refreshForm()
{
    Syncing s(m_syncing);
    if (windowTitle() != m_form.Caption())
        setWindowTitle(m_form.Caption());
    QPalette pal = QApplication::palette();
    QColor back = colour(m_form.BackColor(), pal);
    if (!back.isValid() || m_form.BackColor() == ButtonFace)
        back = pal.color(QPalette::Window);
    pal.setColor(QPalette::Window, back);
    setPalette(pal);
    if (m_form.MousePointer() == 11)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();

    // The state first: Qt drops a maximized state when the window moves.
    const int state = m_form.WindowState();
    if (isVisible()) {
        Qt::WindowStates ws = windowState();
        if (state == WindowState::Maximized && !(ws & Qt::WindowMaximized))
            maximize();
        else if (state == WindowState::Minimized && !(ws & Qt::WindowMinimized))
            showMinimized();
        else if (state == WindowState::Normal && (ws & (Qt::WindowMaximized | Qt::WindowMinimized)))
            showNormal();
    }
    if (state == WindowState::Normal && !isMaximized() && !isMinimized()) {
        if (updateScale()) {
            refreshAll(); // every control at the new scale, then back here
            return;
        }
        const QSize size = normalSize();
        if (this->size() != size)
            resize(size);
        const QPoint at = normalPosition();
        if (pos() != at)
            move(at);
    }
}

void FormWindow::applyPalette(Control &c, QWidget *w)
{
    QPalette pal = QApplication::palette(w);
    QPalette::ColorRole backRole = QPalette::Window, foreRole = QPalette::WindowText;
    bool fill = false;
    switch (c.kind()) {
    case ControlKind::TextBox:
    case ControlKind::ComboBox:
    case ControlKind::ListView:
    case ControlKind::DatePicker:
    case ControlKind::RichTextBox:
        backRole = QPalette::Base;
        foreRole = QPalette::Text;
        break;
    case ControlKind::CommandButton:
    case ControlKind::ToggleButton:
        backRole = QPalette::Button;
        foreRole = QPalette::ButtonText;
        break;
    case ControlKind::Label:
        fill = !static_cast<Label &>(c).Transparent();
        break;
    default:
        fill = true;
        break;
    }
    // System colours keep the style's own look; a label or a box in the
    // form's colour shows through.
    bool ownBack = !(c.BackColor() & 0x80000000u);
    if (ownBack) {
        QColor back = colour(c.BackColor(), pal);
        pal.setColor(backRole, back);
        if (backRole == QPalette::Window)
            pal.setColor(QPalette::Button, back);
    }
    const bool painted = ownBack && (fill || backRole != QPalette::Window);
    if (!(c.ForeColor() & 0x80000000u) || painted) {
        // A text in the system's colour over a colour of the form's own
        // takes black or white, whichever reads on it.
        QColor fore = !(c.ForeColor() & 0x80000000u) ? colour(c.ForeColor(), pal)
                                                      : readableOn(pal.color(backRole));
        pal.setColor(foreRole, fore);
        pal.setColor(QPalette::WindowText, fore);
        pal.setColor(QPalette::Text, fore);
        pal.setColor(QPalette::ButtonText, fore);
    }
    const QColor dimmed = dimmedOn(pal.color(QPalette::Disabled, backRole));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, dimmed);
    if (w->palette() != pal)
        w->setPalette(pal);
    w->setAutoFillBackground(fill && ownBack);
}

void FormWindow::refresh(Control &c)
{
    QWidget *w = widget(c);
    if (!w)
        return;
    Syncing s(m_syncing);
    QSignalBlocker block(w);

    QRect geometry = toPixels(c.Left(), c.Top(), c.Width(), c.Height());
    if (w->geometry() != geometry)
        w->setGeometry(geometry);
    if (w->isVisibleTo(w->parentWidget()) != shown(c))
        w->setVisible(shown(c));
    if (w->isEnabledTo(w->parentWidget()) != c.Enabled())
        w->setEnabled(c.Enabled());
    if (c.kind() != ControlKind::RichTextBox) {
        QFont f = font(c.FontName(), c.FontSize() * fontScale(), c.FontBold());
        if (w->font() != f)
            w->setFont(f);
    }
    if (w->toolTip() != c.ToolTipText())
        w->setToolTip(c.ToolTipText());
    if (c.kind() != ControlKind::Shape)
        applyPalette(c, w);

    switch (c.kind()) {
    case ControlKind::TextBox: {
        auto &box = static_cast<TextBox &>(c);
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            // A password shows one PasswordChar per character, as typed.
            const QString shown = box.PasswordChar().isNull()
                                      ? box.Text()
                                      : QString(box.Text().size(), box.PasswordChar());
            e->setReadOnly(box.Locked());
            if (e->text() != shown)
                e->setText(shown);
        } else if (auto *e = qobject_cast<QPlainTextEdit *>(w)) {
            e->setReadOnly(box.Locked());
            QString shown = box.Text();
            shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (e->toPlainText() != shown)
                e->setPlainText(shown);
        }
        refreshSelection(c);
        break;
    }
    case ControlKind::Label: {
        auto &l = static_cast<Label &>(c);
        auto *ql = static_cast<QLabel *>(w);
        // Values written at run time show as stored, "&" and all.
        bool rich = false;
        QString text = l.designCaption() ? labelText(l.Caption(), rich) : l.Caption();
        ql->setTextFormat(rich ? Qt::RichText : Qt::PlainText);
        if (ql->text() != text)
            ql->setText(text);
        Qt::Alignment h = l.Alignment() == 1 ? Qt::AlignRight : l.Alignment() == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
        ql->setAlignment(h | Qt::AlignTop);
        shrinkToFit(ql, rich ? QString() : text);
        break;
    }
    case ControlKind::ComboBox: {
        auto &combo = static_cast<ComboBox &>(c);
        auto *cb = static_cast<QComboBox *>(w);
        bool editable = combo.Style() != 2;
        if (cb->isEditable() != editable) {
            cb->setEditable(editable);
            if (QLineEdit *e = cb->lineEdit())
                watchComboEdit(e, c);
        }
        const auto &items = combo.items();
        bool same = cb->count() == int(items.size());
        for (int i = 0; same && i < cb->count(); ++i)
            same = cb->itemText(i) == items[size_t(i)];
        if (!same) {
            cb->clear();
            for (const QString &item : items)
                cb->addItem(item);
        }
        if (cb->currentIndex() != combo.ListIndex())
            cb->setCurrentIndex(combo.ListIndex());
        if (editable) {
            if (cb->lineEdit()->text() != combo.Text())
                cb->lineEdit()->setText(combo.Text());
            if (QLineEdit *e = cb->lineEdit())
                e->setReadOnly(combo.Locked());
        }
        refreshSelection(c);
        break;
    }
    case ControlKind::CommandButton: {
        auto &b = static_cast<CommandButton &>(c);
        auto *pb = static_cast<QPushButton *>(w);
        if (pb->text() != b.Caption())
            pb->setText(b.Caption());
        pb->setDefault(b.Default());
        break;
    }
    case ControlKind::OptionButton: {
        auto &o = static_cast<OptionButton &>(c);
        auto *rb = static_cast<QRadioButton *>(w);
        if (rb->text() != o.Caption())
            rb->setText(o.Caption());
        rb->setChecked(o.Value());
        break;
    }
    case ControlKind::CheckBox: {
        auto &b = static_cast<CheckBox &>(c);
        auto *cb = static_cast<QCheckBox *>(w);
        if (cb->text() != b.Caption())
            cb->setText(b.Caption());
        cb->setChecked(b.Value() != 0);
        break;
    }
    case ControlKind::ToggleButton: {
        auto &t = static_cast<ToggleButton &>(c);
        auto *pb = static_cast<QPushButton *>(w);
        if (pb->text() != t.Caption())
            pb->setText(t.Caption());
        pb->setChecked(t.Value());
        break;
    }
    case ControlKind::Frame: {
        auto &f = static_cast<Frame &>(c);
        auto *g = static_cast<QGroupBox *>(w);
        if (g->title() != f.Caption())
            g->setTitle(f.Caption());
        break;
    }
    case ControlKind::ListView: {
        auto &list = static_cast<ListView &>(c);
        auto *tv = static_cast<QTreeView *>(w);
        ListViewModel *model = m_models[&c];
        const auto &cols = list.columns();
        if (model->property("pending").toBool() || model->rowCount() != list.count() ||
            model->columnCount() != std::max(1, int(cols.size()))) {
            model->setProperty("pending", false);
            model->reload();
        }
        tv->setHeaderHidden(cols.empty());
        tv->header()->setSortIndicatorShown(list.Sorted());
        if (list.Sorted())
            tv->header()->setSortIndicator(list.SortKey(), list.SortOrder() ? Qt::DescendingOrder : Qt::AscendingOrder);
        for (size_t i = 0; i < cols.size(); ++i)
            tv->setColumnWidth(int(i), toPixels(0, 0, cols[i].width, 0).width());
        refreshSelection(c);
        break;
    }
    case ControlKind::DatePicker: {
        auto &p = static_cast<DatePicker &>(c);
        auto *d = static_cast<QDateEdit *>(w);
        QDate value = p.Value().isValid() ? p.Value() : QDate::currentDate();
        if (d->date() != value)
            d->setDate(value);
        break;
    }
    case ControlKind::RichTextBox: {
        auto &r = static_cast<RichTextBox &>(c);
        auto *e = static_cast<QPlainTextEdit *>(w);
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSizeF((c.FontSize() > 0 ? c.FontSize() : 9) * fontScale());
        if (e->font() != mono)
            e->setFont(mono);
        QString shown = r.Text();
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (e->toPlainText() != shown)
            e->setPlainText(shown);
        break;
    }
    default:
        break;
    }
}

void FormWindow::refreshSelection(Control &c)
{
    QWidget *w = widget(c);
    if (!w)
        return;
    Syncing s(m_syncing);
    if (c.kind() == ControlKind::TextBox || c.kind() == ControlKind::ComboBox) {
        auto &t = static_cast<TextEditable &>(c);
        QLineEdit *e = qobject_cast<QLineEdit *>(w);
        if (auto *cb = qobject_cast<QComboBox *>(w))
            e = cb->lineEdit();
        if (e) {
            QSignalBlocker block(e);
            // A box draws its selection only while it has the focus; it
            // keeps it, and shows it again when the focus comes back.
            // A text written by the program starts at the beginning, so a
            // value longer than the box shows its start, not its end.
            if (m_form.ActiveControl() != &c) {
                if (e->hasSelectedText() || e->cursorPosition() != t.SelStart())
                    e->setCursorPosition(t.SelStart());
            } else if (t.SelLength() > 0 && t.caret() == t.SelStart())
                e->setSelection(t.SelStart() + t.SelLength(), -t.SelLength());
            else if (t.SelLength() > 0)
                e->setSelection(t.SelStart(), t.SelLength());
            else if (e->cursorPosition() != t.SelStart() || e->hasSelectedText())
                e->setCursorPosition(t.SelStart());
        } else if (auto *pe = qobject_cast<QPlainTextEdit *>(w)) {
            QSignalBlocker block(pe);
            QTextCursor cursor = pe->textCursor();
            cursor.setPosition(displayPos(t.Text(), t.SelStart()));
            if (t.SelLength() > 0)
                cursor.setPosition(displayPos(t.Text(), t.SelStart() + t.SelLength()), QTextCursor::KeepAnchor);
            pe->setTextCursor(cursor);
        }
    } else if (c.kind() == ControlKind::ListView) {
        auto &list = static_cast<ListView &>(c);
        ListViewModel *model = m_models[&c];
        if (model->property("pending").toBool()) {
            refresh(c); // reads the rows, then comes back here
            return;
        }
        auto *tv = static_cast<QTreeView *>(w);
        QSignalBlocker block(tv->selectionModel());
        int row = list.selectedRow();
        if (row >= 0 && row < model->rowCount()) {
            QModelIndex index = model->index(row, 0);
            tv->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
            tv->scrollTo(index);
        } else {
            tv->selectionModel()->clearSelection();
        }
        tv->viewport()->update();
    }
    if (&c == m_form.ActiveControl() && !w->hasFocus() && w->isVisible())
        w->setFocus(Qt::OtherFocusReason);
    Control *active = m_form.ActiveControl();
    m_focusFrame->follow(active ? widget(*active) : nullptr);
}

void FormWindow::syncFocus()
{
    Control *active = m_form.ActiveControl();
    m_focusFrame->follow(active ? widget(*active) : nullptr);
    if (m_selectionShown != active) {
        // The box the focus left hides its selection, the one it reached shows it.
        Control *left = m_selectionShown;
        m_selectionShown = active;
        if (left && m_widgets.count(left))
            refreshSelection(*left);
        if (active)
            refreshSelection(*active);
    }
    if (!active)
        return;
    QWidget *w = widget(*active);
    if (w && w->isVisible() && !w->hasFocus()) {
        Syncing s(m_syncing);
        w->setFocus(Qt::OtherFocusReason);
    }
}

void FormWindow::maximize()
{
    // The window covers the screen's work area even where no window
    // manager maximizes it; one that does keeps the maximized state.
    if (QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen())
        setGeometry(scr->availableGeometry());
    showMaximized();
}

void FormWindow::showForm()
{
    // The normal size is the form's, also for a window that opens maximized
    // (Qt would otherwise size it around its widgets).
    resize(normalSize());
    refreshAll();
    Syncing s(m_syncing);
    switch (m_form.WindowState()) {
    case WindowState::Maximized:
        maximize();
        break;
    case WindowState::Minimized:
        showMinimized();
        break;
    default:
        show();
        break;
    }
    raise();
    activateWindow();
    syncFocus();
}

} // namespace vb
