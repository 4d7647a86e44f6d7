#include "control.h"

#include "convert.h"
#include "errors.h"
#include "form.h"

#include <QFile>
#include <algorithm>
#include <cstdlib>

namespace vb {

Control::Control(Form *form, const QString &name, int index, Control *container)
    : m_form(form), m_name(name), m_index(index), m_container(container)
{
    if (m_form)
        m_form->addControl(this);
}

Control::~Control()
{
    if (m_form)
        m_form->removeControl(this);
}

QString Control::fullName() const
{
    return m_index < 0 ? m_name : QStringLiteral("%1(%2)").arg(m_name).arg(m_index);
}

void Control::changed(Change what)
{
    if (m_form)
        m_form->notify(this, what);
}

#define VB_SETTER(field, value)                                                                    \
    do {                                                                                           \
        if (m_base.field == (value))                                                               \
            return;                                                                                \
        m_base.field = (value);                                                                    \
        changed();                                                                                 \
    } while (0)

void Control::setLeft(int v) { VB_SETTER(left, v); }
void Control::setTop(int v) { VB_SETTER(top, v); }
void Control::setWidth(int v) { VB_SETTER(width, v); }
void Control::setHeight(int v) { VB_SETTER(height, v); }
void Control::setBackColor(uint32_t v) { VB_SETTER(backColor, v); }
void Control::setForeColor(uint32_t v) { VB_SETTER(foreColor, v); }
void Control::setToolTipText(const QString &v) { VB_SETTER(toolTip, v); }

void Control::Move(int left, int top, int width, int height)
{
    m_base.left = left;
    m_base.top = top;
    if (width >= 0)
        m_base.width = width;
    if (height >= 0)
        m_base.height = height;
    changed();
}

void Control::setFont(const QString &name, double size, bool bold)
{
    m_base.fontName = name;
    m_base.fontSize = size;
    m_base.fontBold = bold;
    changed();
}

void Control::setVisible(bool v)
{
    if (m_base.visible == v)
        return;
    m_base.visible = v;
    changed();
}

void Control::setEnabled(bool v)
{
    if (m_base.enabled == v)
        return;
    m_base.enabled = v;
    changed();
}

bool Control::effectivelyVisible() const
{
    for (const Control *c = this; c; c = c->m_container)
        if (!c->m_base.visible)
            return false;
    return true;
}

bool Control::effectivelyEnabled() const
{
    for (const Control *c = this; c; c = c->m_container)
        if (!c->m_base.enabled)
            return false;
    return true;
}

bool Control::canTakeFocus() const
{
    return focusable() && m_form && m_form->loaded() && effectivelyVisible() && effectivelyEnabled();
}

void Control::SetFocus()
{
    if (m_form && canTakeFocus())
        m_form->moveFocus(this);
}

bool Control::hasFocus() const { return m_form && m_form->ActiveControl() == this; }

[[noreturn]] void throwNoElement(const QString &, int)
{
    throw RuntimeError(340, QStringLiteral("Control array element does not exist"));
}

// ---- text editing ---------------------------------------------------------

void TextEditable::setText(const QString &text)
{
    if (text == m_text.text)
        return;
    m_text.text = text;
    m_text.selStart = 0;
    m_text.selLength = 0;
    m_text.caretAtStart = false;
    textChanged();
    changed();
    raise(onChange);
}

void TextEditable::setSelStart(int v)
{
    v = std::clamp(v, 0, int(m_text.text.size()));
    m_text.selStart = v;
    m_text.selLength = 0;
    m_text.caretAtStart = false;
    changed(Change::Selection);
}

void TextEditable::setSelLength(int v)
{
    m_text.selLength = std::clamp(v, 0, int(m_text.text.size()) - m_text.selStart);
    m_text.caretAtStart = false;
    changed(Change::Selection);
}

void TextEditable::moveCaret(int to, bool extend)
{
    to = std::clamp(to, 0, int(m_text.text.size()));
    const int anchor = m_text.caretAtStart ? m_text.selStart + m_text.selLength : m_text.selStart;
    const int from = extend ? anchor : to;
    m_text.selStart = std::min(from, to);
    m_text.selLength = std::abs(to - from);
    m_text.caretAtStart = to < from;
    changed(Change::Selection);
}

void TextEditable::selectAll()
{
    m_text.selStart = 0;
    m_text.selLength = int(m_text.text.size());
    m_text.caretAtStart = false;
    changed(Change::Selection);
}

QString TextEditable::SelText() const { return m_text.text.mid(m_text.selStart, m_text.selLength); }

void TextEditable::setSelText(const QString &text) { replaceSelection(text); }

void TextEditable::setLocked(bool v)
{
    m_text.locked = v;
    changed();
}

void TextEditable::replaceSelection(const QString &with)
{
    QString t = m_text.text;
    int start = std::clamp(m_text.selStart, 0, int(t.size()));
    int len = std::clamp(m_text.selLength, 0, int(t.size()) - start);
    t.replace(start, len, with);
    bool differs = t != m_text.text;
    m_text.text = t;
    m_text.selStart = start + int(with.size());
    m_text.selLength = 0;
    m_text.caretAtStart = false;
    if (differs) {
        textChanged();
        changed();
        raise(onChange);
    } else {
        changed(Change::Selection);
    }
}

void TextEditable::typeChar(QChar ch) { replaceSelection(QString(ch)); }

void TextEditable::backspace()
{
    if (m_text.selLength == 0) {
        if (m_text.selStart == 0)
            return;
        m_text.selStart -= 1;
        m_text.selLength = 1;
    }
    replaceSelection(QString());
}

void TextEditable::deleteForward()
{
    if (m_text.selLength == 0) {
        if (m_text.selStart >= m_text.text.size())
            return;
        m_text.selLength = 1;
    }
    replaceSelection(QString());
}

void TextBox::setPasswordChar(QChar c)
{
    m_p.passwordChar = c;
    changed();
}

// ---- label ----------------------------------------------------------------

void Label::setCaption(const QString &v)
{
    if (m_p.caption == v)
        return;
    m_p.caption = v;
    changed();
    raise(onChange);
}

void Label::setAlignment(int v)
{
    m_p.alignment = v;
    changed();
}

void Label::setTransparent(bool v)
{
    m_p.transparent = v;
    changed();
}

// ---- combo box ------------------------------------------------------------

void ComboBox::AddItem(const QString &item)
{
    m_p.items.push_back(item);
    changed(Change::Items);
}

void ComboBox::Clear()
{
    m_p.items.clear();
    m_p.listIndex = -1;
    changed(Change::Items);
    setText(QString());
}

QString ComboBox::List(int i) const
{
    if (i < 0 || i >= int(m_p.items.size()))
        return QString();
    return m_p.items[size_t(i)];
}

void ComboBox::setListIndex(int i)
{
    if (i < -1 || i >= int(m_p.items.size()))
        throw RuntimeError(380, QStringLiteral("Invalid property value"));
    m_p.listIndex = i;
    if (i >= 0)
        setText(m_p.items[size_t(i)]);
    m_p.listIndex = i;
    changed(Change::Selection);
    raise(onClick);
}

void ComboBox::textChanged()
{
    // The list position follows the text: the item that reads the same.
    auto it = std::find(m_p.items.begin(), m_p.items.end(), Text());
    m_p.listIndex = it == m_p.items.end() ? -1 : int(it - m_p.items.begin());
}

// ---- buttons --------------------------------------------------------------

void CommandButton::setCaption(const QString &v)
{
    m_p.caption = v;
    changed();
}

void OptionButton::setCaption(const QString &v)
{
    m_p.caption = v;
    changed();
}

void OptionButton::setValue(bool v)
{
    if (!v) {
        if (m_p.value) {
            m_p.value = false;
            changed();
        }
        return;
    }
    if (form()) {
        for (Control *c : form()->controls()) {
            if (c == this || c->kind() != ControlKind::OptionButton || c->container() != container())
                continue;
            auto *o = static_cast<OptionButton *>(c);
            if (o->m_p.value) {
                o->m_p.value = false;
                o->changed();
            }
        }
    }
    m_p.value = true;
    changed();
    raise(onClick);
}

void CheckBox::setCaption(const QString &v)
{
    m_p.caption = v;
    changed();
}

void CheckBox::setValue(int v)
{
    if (m_p.value == v)
        return;
    m_p.value = v;
    changed();
    raise(onClick);
}

void Frame::setCaption(const QString &v)
{
    m_p.caption = v;
    changed();
}

void ToggleButton::setCaption(const QString &v)
{
    m_p.caption = v;
    changed();
}

void ToggleButton::setValue(bool v)
{
    if (m_p.value == v)
        return;
    m_p.value = v;
    changed();
    raise(onChange);
}

// ---- timer ----------------------------------------------------------------

Timer::Timer(Form *form, const QString &name, int interval, bool enabled) : WithProps(form, name)
{
    m_p.interval = interval;
    m_p.enabled = enabled;
    setTabStop(false);
}

void Timer::setInterval(int ms)
{
    if (m_p.interval == ms)
        return;
    m_p.interval = ms;
    scheduleChanged();
}

void Timer::setTimerEnabled(bool v)
{
    if (m_p.enabled == v)
        return;
    m_p.enabled = v;
    scheduleChanged();
}

bool Timer::running() const { return m_p.enabled && m_p.interval > 0 && form() && form()->loaded(); }

void Timer::tick()
{
    if (!running())
        return;
    App::instance().dispatch([this] { raise(onTimer); });
}

void Timer::scheduleChanged()
{
    if (App::instance().hasHost())
        App::instance().host().timerChanged(*this);
}

void Timer::restoreDesign()
{
    WithProps::restoreDesign();
    scheduleChanged();
}

// ---- date picker, rich text, menus ----------------------------------------

DatePicker::DatePicker(Form *form, const QString &name, int index, Control *container)
    : WithProps(form, name, index, container)
{
    m_p.value = QDate::currentDate();
}

void DatePicker::setValue(const QDate &v)
{
    if (m_p.value == v)
        return;
    m_p.value = v;
    changed();
    raise(onChange);
}

void RichTextBox::setText(const QString &v)
{
    m_p.text = v;
    changed();
}

void RichTextBox::LoadFile(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        throw RuntimeError::fileNotFound();
    if (!f.open(QIODevice::ReadOnly))
        throw RuntimeError(75, QStringLiteral("Path/File access error"));
    setText(fromAnsi(f.readAll()));
}

MenuItem::MenuItem(Form *form, const QString &name, const QString &caption)
    : Control(nullptr, name), m_caption(caption)
{
    (void)form;
}

Menu::Menu(Form *form, const QString &name, const QString &caption)
    : Control(form, name), m_caption(caption)
{
    setVisible(false);
}

MenuItem &Menu::addItem(const QString &name, const QString &caption)
{
    m_items.push_back(std::make_unique<MenuItem>(form(), name, caption));
    return *m_items.back();
}

MenuItem *Menu::item(const QString &name) const
{
    for (auto &i : m_items)
        if (i->name() == name)
            return i.get();
    return nullptr;
}

void Menu::removeItem(const QString &name)
{
    std::erase_if(m_items, [&](const std::unique_ptr<MenuItem> &i) { return i->name() == name; });
}

} // namespace vb
