#include "formwindow_p.h"

#include "focusframe.h"
#include "listviewmodel.h"
#include "runtime/input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QGuiApplication>
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
#include <QTreeView>
#include <algorithm>
#include <cmath>

namespace vb {

using namespace detail;

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

namespace {

// A date typed as the operator writes it: "05/03/2025" as well as
// "05032025". Two digits already move on to the next part, so a separator
// typed just after them must not skip a part once more.
class DateField : public QDateEdit
{
public:
    using QDateEdit::QDateEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QString text = event->text();
        const bool separator = text == QLatin1String("/") || text == QLatin1String("-") || text == QLatin1String(".");
        if (separator && m_movedOn) {
            m_movedOn = false;
            event->accept();
            return;
        }
        const int before = currentSectionIndex();
        QDateEdit::keyPressEvent(event);
        m_movedOn = text.size() == 1 && text[0].isDigit() && currentSectionIndex() != before;
    }
    void focusInEvent(QFocusEvent *event) override
    {
        m_movedOn = false;
        QDateEdit::focusInEvent(event);
    }

private:
    bool m_movedOn = false;
};

} // namespace

// ---- scale ------------------------------------------------------------------

QRect FormWindow::toPixels(int left, int top, int width, int height) const
{
    // Edges are scaled, not sizes, so neighbours stay neighbours.
    const auto x = [this](int t) { return int(std::floor(t * m_scaleX / TwipsPerPixel)); };
    const auto y = [this](int t) { return int(std::floor(t * m_scaleY / TwipsPerPixel)); };
    return QRect(QPoint(x(left), y(top)), QPoint(x(left + width) - 1, y(top + height) - 1));
}

QPointF FormWindow::toTwips(QPointF pixels) const
{
    return QPointF(pixels.x() * TwipsPerPixel / m_scaleX, pixels.y() * TwipsPerPixel / m_scaleY);
}

double FormWindow::screenScale(const QScreen *screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1;
    const QSize area = screen->availableGeometry().size();
    for (const Form *f : App::instance().instances())
        if (f->loaded() && f->WindowState() == WindowState::Maximized && f->Width() > 0 && f->Height() > 0) {
            const double scale = std::min(double(area.width()) * TwipsPerPixel / f->Width(),
                                          double(area.height()) * TwipsPerPixel / f->Height());
            return std::max(1.0, scale);
        }
    return 1;
}

QSize FormWindow::frameExtra()
{
    QSize extra;
    for (const QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow())
            extra = extra.expandedTo(w->frameGeometry().size() - w->geometry().size());
    return extra;
}

double FormWindow::normalScale() const
{
    const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
    double scale = screenScale(scr);
    const int w = px(m_form.Width()), h = px(m_form.Height());
    if (scale > 1 && scr && w > 0 && h > 0) {
        // Room is left for a window manager's frame and title bar.
        const QSize room = scr->availableGeometry().size() - QSize(16, 48);
        scale = std::max(1.0, std::min({scale, double(room.width()) / w, double(room.height()) / h}));
    }
    return scale;
}

QSize FormWindow::normalSize() const
{
    const double s = normalScale();
    return QSize(int(std::floor(m_form.Width() * s / TwipsPerPixel)),
                 int(std::floor(m_form.Height() * s / TwipsPerPixel)));
}

QPoint FormWindow::normalPosition() const
{
    const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!scr)
        return QPoint(px(m_form.Left()), px(m_form.Top()));
    const QRect area = scr->availableGeometry();
    const double f = screenScale(scr);
    const QSize size = normalSize() + frameExtra();
    // The form's free room on the screen, as the form reckons it (the
    // screen's area shrunk by the scale) and as the window has it: a form
    // in the corner stays there, a centred form stays centred.
    const auto place = [f](int twips, int formTwips, int areaPixels, int windowPixels) {
        const double designRoom = double(areaPixels) / f - double(formTwips) / TwipsPerPixel;
        const double room = areaPixels - windowPixels;
        const double at = double(twips) / TwipsPerPixel;
        if (designRoom <= 0 || room <= 0)
            return int(std::floor(at * f));
        return int(std::lround(at * room / designRoom));
    };
    return area.topLeft() + QPoint(place(m_form.Left(), m_form.Width(), area.width(), size.width()),
                                   place(m_form.Top(), m_form.Height(), area.height(), size.height()));
}

bool FormWindow::updateScale()
{
    double sx = 1, sy = 1;
    const int w = px(m_form.Width()), h = px(m_form.Height());
    if ((windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && w > 0 && h > 0) {
        sx = double(width()) / w;
        sy = double(height()) / h;
    } else if (!(windowState() & Qt::WindowMinimized)) {
        sx = sy = normalScale();
    } else {
        return false;
    }
    if (sx == m_scaleX && sy == m_scaleY)
        return false;
    m_scaleX = sx;
    m_scaleY = sy;
    return true;
}

// ---- building ---------------------------------------------------------------

FormWindow::FormWindow(Form &form, QWidget *parent) : QWidget(parent, Qt::Window), m_form(form)
{
    setObjectName(form.name());
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    build();
    m_focusFrame = new FocusFrame(this);
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

void FormWindow::watchComboEdit(QLineEdit *edit, Control &c)
{
    // The box shows what the operator typed: Qt would complete it from the
    // list, or swap it for an item matched without case when it loses the
    // focus, behind the runtime's back.
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setCompleter(nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, nullptr, nullptr);
    QObject::disconnect(edit, &QLineEdit::returnPressed, nullptr, nullptr);
    watch(edit, c);
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
        if (QLineEdit *e = cb->lineEdit())
            watchComboEdit(e, c);
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
        auto *d = new DateField(this);
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

} // namespace vb
