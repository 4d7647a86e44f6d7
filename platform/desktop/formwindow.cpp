#include "formwindow.h"

#include "listviewmodel.h"
#include "runtime/input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTreeView>
#include <algorithm>

namespace vb {

namespace {

constexpr int px(int twips) { return twips / FormWindow::TwipsPerPixel; }

struct Syncing {
    int &depth;
    explicit Syncing(int &d) : depth(d) { ++depth; }
    ~Syncing() { --depth; }
};

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

void run(const std::function<void()> &f) { App::instance().dispatch(f); }

} // namespace

// ---- colours and fonts ----------------------------------------------------

QColor FormWindow::colour(uint32_t value, const QPalette &palette)
{
    if (value & 0x80000000u) {
        switch (value) {
        case WindowBackground:
            return palette.color(QPalette::Base);
        case ButtonFace:
            return palette.color(QPalette::Button);
        case WindowText:
            return palette.color(QPalette::Text);
        default:
            return QColor();
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QFont FormWindow::font(const QString &name, double points, bool bold)
{
    QFont f;
    QStringList families{name};
    QString lower = name.toLower();
    if (lower.contains(QLatin1String("courier")) || lower.contains(QLatin1String("mono")) ||
        lower.contains(QLatin1String("console")) || lower.contains(QLatin1String("fixedsys")))
        families << QStringLiteral("Liberation Mono") << QStringLiteral("DejaVu Sans Mono")
                 << QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    else if (lower.contains(QLatin1String("times")) ||
             (lower.contains(QLatin1String("serif")) && !lower.contains(QLatin1String("sans"))))
        families << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif");
    else
        families << QStringLiteral("Microsoft Sans Serif") << QStringLiteral("Liberation Sans")
                 << QStringLiteral("Arial") << QStringLiteral("DejaVu Sans Condensed")
                 << QStringLiteral("DejaVu Sans");
    f.setFamilies(families);
    if (points > 0)
        f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// ---- building ---------------------------------------------------------------

FormWindow::FormWindow(Form &form, QWidget *parent) : QWidget(parent, Qt::Window), m_form(form)
{
    setObjectName(form.name());
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    build();
    m_form.setObserver([this](Control *c, Change what) { observe(c, what); });
    refreshAll();
}

FormWindow::~FormWindow()
{
    // The form may be gone already (tests drop every form at once).
    for (Form *f : App::instance().instances())
        if (f == &m_form)
            m_form.setObserver(nullptr);
}

QWidget *FormWindow::widget(const Control &control) const
{
    auto it = m_widgets.find(&control);
    return it == m_widgets.end() ? nullptr : it->second;
}

Control *FormWindow::control(const QObject *widget) const { return m_parts.value(widget, nullptr); }

void FormWindow::build()
{
    for (Control *c : m_form.controls())
        if (QWidget *w = makeWidget(*c))
            m_widgets[c] = w;
    // Controls sit in their container's widget once every widget exists.
    for (auto &[c, w] : m_widgets) {
        QWidget *parent = this;
        if (Control *box = c->container())
            if (QWidget *bw = widget(*box))
                parent = bw;
        if (w->parentWidget() != parent)
            w->setParent(parent);
    }
}

void FormWindow::watch(QObject *part, Control &c)
{
    m_parts.insert(part, &c);
    part->installEventFilter(this);
}

QWidget *FormWindow::makeWidget(Control &c)
{
    QWidget *w = nullptr;
    switch (c.kind()) {
    case ControlKind::TextBox: {
        auto &box = static_cast<TextBox &>(c);
        if (box.MultiLine()) {
            auto *e = new QPlainTextEdit(this);
            e->setTabChangesFocus(true);
            e->setContextMenuPolicy(Qt::NoContextMenu);
            watch(e->viewport(), c);
            w = e;
        } else {
            auto *e = new QLineEdit(this);
            e->setContextMenuPolicy(Qt::NoContextMenu);
            e->setDragEnabled(false);
            w = e;
        }
        break;
    }
    case ControlKind::Label: {
        auto *l = new QLabel(this);
        l->setWordWrap(true);
        w = l;
        break;
    }
    case ControlKind::ComboBox: {
        auto &combo = static_cast<ComboBox &>(c);
        auto *cb = new QComboBox(this);
        cb->setEditable(combo.Style() != 2);
        cb->setInsertPolicy(QComboBox::NoInsert);
        if (QLineEdit *e = cb->lineEdit()) {
            e->setContextMenuPolicy(Qt::NoContextMenu);
            watch(e, c);
        }
        connect(cb, &QComboBox::activated, this, [this, &combo](int index) {
            if (m_syncing)
                return;
            ui::pick(combo, index);
            refresh(combo);
        });
        w = cb;
        break;
    }
    case ControlKind::CommandButton:
        w = new QPushButton(this);
        break;
    case ControlKind::OptionButton: {
        auto *r = new QRadioButton(this);
        r->setAutoExclusive(false);
        w = r;
        break;
    }
    case ControlKind::CheckBox:
        w = new QCheckBox(this);
        break;
    case ControlKind::ToggleButton: {
        auto *b = new QPushButton(this);
        b->setCheckable(true);
        w = b;
        break;
    }
    case ControlKind::Frame:
        w = new QGroupBox(this);
        break;
    case ControlKind::ListView: {
        auto &list = static_cast<ListView &>(c);
        auto *tv = new QTreeView(this);
        auto *model = new ListViewModel(list, tv);
        m_models[&c] = model;
        tv->setModel(model);
        tv->setRootIsDecorated(false);
        tv->setUniformRowHeights(true);
        tv->setItemsExpandable(false);
        tv->setAllColumnsShowFocus(true);
        tv->setSelectionBehavior(QAbstractItemView::SelectRows);
        tv->setSelectionMode(QAbstractItemView::SingleSelection);
        tv->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tv->setContextMenuPolicy(Qt::NoContextMenu);
        tv->header()->setSectionsClickable(true);
        tv->header()->setSectionsMovable(false);
        tv->header()->setStretchLastSection(false);
        connect(tv->header(), &QHeaderView::sectionClicked, this, [&list](int section) {
            ui::clickColumn(list, section + 1);
        });
        watch(tv->viewport(), c);
        w = tv;
        break;
    }
    case ControlKind::DatePicker: {
        auto &picker = static_cast<DatePicker &>(c);
        auto *d = new QDateEdit(this);
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setCalendarPopup(true);
        connect(d, &QDateEdit::dateChanged, this, [this, &picker](QDate date) {
            if (m_syncing)
                return;
            ui::setDate(picker, date);
            refresh(picker);
        });
        w = d;
        break;
    }
    case ControlKind::RichTextBox: {
        auto *e = new QPlainTextEdit(this);
        e->setReadOnly(true);
        e->setLineWrapMode(QPlainTextEdit::NoWrap);
        e->setContextMenuPolicy(Qt::NoContextMenu);
        watch(e->viewport(), c);
        w = e;
        break;
    }
    case ControlKind::Shape: {
        auto *f = new QFrame(this);
        f->setFrameShape(QFrame::Box);
        f->setAttribute(Qt::WA_TransparentForMouseEvents);
        f->setFocusPolicy(Qt::NoFocus);
        return f;
    }
    default:
        return nullptr;
    }
    w->setObjectName(c.fullName());
    // Qt never moves the focus on a click: the runtime decides, and the
    // widget of its focused control gets the keyboard.
    w->setFocusPolicy(Qt::TabFocus);
    watch(w, c);
    if (c.kind() == ControlKind::DatePicker)
        if (auto *e = w->findChild<QLineEdit *>())
            watch(e, c);
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        // Mouse presses are taken by the filter; this is the access key.
        connect(b, &QAbstractButton::clicked, this, [this, &c] {
            if (m_syncing)
                return;
            ui::click(c);
            refresh(c);
        });
    }
    return w;
}

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

    int state = m_form.WindowState();
    if (state == WindowState::Normal) {
        QSize size(px(m_form.Width()), px(m_form.Height()));
        if (!isMaximized() && !isMinimized() && this->size() != size)
            resize(size);
        QPoint origin;
        if (QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen())
            origin = scr->availableGeometry().topLeft();
        QPoint at = origin + QPoint(px(m_form.Left()), px(m_form.Top()));
        if (pos() != at)
            move(at);
    }
    if (isVisible()) {
        Qt::WindowStates ws = windowState();
        if (state == WindowState::Maximized && !(ws & Qt::WindowMaximized))
            showMaximized();
        else if (state == WindowState::Minimized && !(ws & Qt::WindowMinimized))
            showMinimized();
        else if (state == WindowState::Normal && (ws & (Qt::WindowMaximized | Qt::WindowMinimized)))
            showNormal();
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
    if (!(c.ForeColor() & 0x80000000u)) {
        QColor fore = colour(c.ForeColor(), pal);
        pal.setColor(foreRole, fore);
        pal.setColor(QPalette::WindowText, fore);
        pal.setColor(QPalette::Text, fore);
        pal.setColor(QPalette::ButtonText, fore);
    }
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

    QRect geometry(px(c.Left()), px(c.Top()), px(c.Width()), px(c.Height()));
    if (w->geometry() != geometry)
        w->setGeometry(geometry);
    if (w->isVisibleTo(w->parentWidget()) != c.Visible())
        w->setVisible(c.Visible());
    if (w->isEnabledTo(w->parentWidget()) != c.Enabled())
        w->setEnabled(c.Enabled());
    if (c.kind() != ControlKind::RichTextBox) {
        QFont f = font(c.FontName(), c.FontSize(), c.FontBold());
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
            e->setEchoMode(box.PasswordChar().isNull() ? QLineEdit::Normal : QLineEdit::Password);
            e->setReadOnly(box.Locked());
            if (e->text() != box.Text())
                e->setText(box.Text());
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
        bool rich = false;
        QString text = labelText(l.Caption(), rich);
        ql->setTextFormat(rich ? Qt::RichText : Qt::PlainText);
        if (ql->text() != text)
            ql->setText(text);
        Qt::Alignment h = l.Alignment() == 1 ? Qt::AlignRight : l.Alignment() == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
        ql->setAlignment(h | Qt::AlignTop);
        break;
    }
    case ControlKind::ComboBox: {
        auto &combo = static_cast<ComboBox &>(c);
        auto *cb = static_cast<QComboBox *>(w);
        bool editable = combo.Style() != 2;
        if (cb->isEditable() != editable) {
            cb->setEditable(editable);
            if (QLineEdit *e = cb->lineEdit())
                watch(e, c);
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
            tv->setColumnWidth(int(i), px(cols[i].width));
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
        mono.setPointSizeF(c.FontSize() > 0 ? c.FontSize() : 9);
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
            if (t.SelLength() > 0)
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
}

void FormWindow::syncFocus()
{
    Control *active = m_form.ActiveControl();
    if (!active)
        return;
    QWidget *w = widget(*active);
    if (w && w->isVisible() && !w->hasFocus()) {
        Syncing s(m_syncing);
        w->setFocus(Qt::OtherFocusReason);
    }
}

void FormWindow::showForm()
{
    if (!m_placed && m_form.StartUpPosition() == StartUp::CenterScreen &&
        m_form.WindowState() == WindowState::Normal) {
        if (QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen()) {
            const QRect area = scr->availableGeometry();
            const int left = std::max(0, (area.width() - px(m_form.Width())) / 2) * TwipsPerPixel;
            const int top = std::max(0, (area.height() - px(m_form.Height())) / 2) * TwipsPerPixel;
            m_form.Move(left, top);
        }
    }
    m_placed = true;
    // The normal size is the form's, also for a window that opens maximized
    // (Qt would otherwise size it around its widgets).
    resize(px(m_form.Width()), px(m_form.Height()));
    refreshAll();
    Syncing s(m_syncing);
    switch (m_form.WindowState()) {
    case WindowState::Maximized:
        showMaximized();
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

    if ((mods & Qt::ControlModifier) && key == Qt::Key_V) {
        QString text = QGuiApplication::clipboard()->text();
        text.remove(QLatin1Char('\r'));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        ui::type(m_form, text);
        return true;
    }
    if ((mods & Qt::ControlModifier) && key == Qt::Key_C) {
        Control *a = m_form.ActiveControl();
        if (a && (a->kind() == ControlKind::TextBox || a->kind() == ControlKind::ComboBox)) {
            auto *t = static_cast<TextEditable *>(a);
            bool hidden = a->kind() == ControlKind::TextBox && !static_cast<TextBox *>(a)->PasswordChar().isNull();
            if (!hidden && t->SelLength() > 0)
                QGuiApplication::clipboard()->setText(t->SelText());
            return true;
        }
        return viewer ? false : true;
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
        QPoint p = static_cast<QWidget *>(watched)->mapTo(widget(c), at.toPoint());
        return QPointF(p.x() * TwipsPerPixel, p.y() * TwipsPerPixel);
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
    QPointF p = event->position();
    ui::clickForm(m_form, p.x() * TwipsPerPixel, p.y() * TwipsPerPixel, buttonOf(event), shiftOf(event));
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
    // Only the normal size is the form's: a restored window gets it back.
    if (m_syncing || !isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) ||
        !m_form.loaded())
        return;
    int w = width() * TwipsPerPixel, h = height() * TwipsPerPixel;
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
    if (event->type() != QEvent::WindowStateChange || m_syncing || !m_form.loaded())
        return;
    Qt::WindowStates ws = windowState();
    int state = ws & Qt::WindowMinimized ? WindowState::Minimized
                : ws & Qt::WindowMaximized ? WindowState::Maximized
                                           : WindowState::Normal;
    if (state != m_form.WindowState())
        run([&] { m_form.setWindowState(state); });
}

} // namespace vb
