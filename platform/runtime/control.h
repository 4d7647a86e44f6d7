#pragma once
// Headless controls. Each control keeps its properties, raises its events
// synchronously (a write that changes a text runs its Change before the
// writer goes on) and tells its form when something visible changed, so a
// desktop host can mirror it. Geometry is in twips.
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace vb {

class Form;

enum class ControlKind {
    TextBox,
    Label,
    ComboBox,
    CommandButton,
    OptionButton,
    CheckBox,
    Frame,
    ToggleButton,
    Timer,
    ListView,
    DatePicker,
    RichTextBox,
    Menu,
    MenuItem,
    Shape,
    Other, // non-visual controls of other layers (serial port, report control)
};

// What changed, for the host mirroring a control.
enum class Change { Property, Items, Selection };

// Key codes of the keys the forms look at.
namespace Key {
constexpr int Back = 8, Tab = 9, Enter = 13, Shift = 16, Ctrl = 17, Esc = 27, Space = 32,
              PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39,
              Down = 40, Delete = 46, F1 = 112, F2 = 113, F3 = 114, F4 = 115, F5 = 116,
              F6 = 117, F7 = 118, F8 = 119, F9 = 120, F10 = 121, F11 = 122, F12 = 123;
}

// System colours as stored in BackColor (the window background).
constexpr uint32_t WindowBackground = 0x80000005u;
constexpr uint32_t ButtonFace = 0x8000000Fu;
constexpr uint32_t WindowText = 0x80000008u;

class Control
{
public:
    Control(Form *form, const QString &name, int index = -1, Control *container = nullptr);
    virtual ~Control();
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    virtual ControlKind kind() const = 0;
    // Controls the operator can put the focus in.
    virtual bool focusable() const { return false; }

    const QString &name() const { return m_name; }
    int index() const { return m_index; }
    QString fullName() const; // "txtFields(2)" or "num"
    Form *form() const { return m_form; }
    Control *container() const { return m_container; }

    int Left() const { return m_base.left; }
    int Top() const { return m_base.top; }
    int Width() const { return m_base.width; }
    int Height() const { return m_base.height; }
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void Move(int left, int top, int width = -1, int height = -1);

    bool Visible() const { return m_base.visible; }
    void setVisible(bool v);
    bool Enabled() const { return m_base.enabled; }
    void setEnabled(bool v);
    uint32_t BackColor() const { return m_base.backColor; }
    void setBackColor(uint32_t v);
    uint32_t ForeColor() const { return m_base.foreColor; }
    void setForeColor(uint32_t v);
    int TabIndex() const { return m_base.tabIndex; }
    void setTabIndex(int v) { m_base.tabIndex = v; }
    bool TabStop() const { return m_base.tabStop; }
    void setTabStop(bool v) { m_base.tabStop = v; }
    const QString &FontName() const { return m_base.fontName; }
    double FontSize() const { return m_base.fontSize; }
    bool FontBold() const { return m_base.fontBold; }
    void setFont(const QString &name, double size, bool bold = false);
    const QString &ToolTipText() const { return m_base.toolTip; }
    void setToolTipText(const QString &v);

    // Visible and enabled, with every container visible and enabled.
    bool effectivelyVisible() const;
    bool effectivelyEnabled() const;
    // Whether a focus move to this control would take: a focusable kind,
    // effectively visible and enabled, on a loaded form.
    bool canTakeFocus() const;
    // Moves the form's focus here. A control that cannot take the focus is
    // left alone: the focus stays where it is and no event runs.
    void SetFocus();
    bool hasFocus() const;

    // Events common to most controls.
    std::function<void()> onGotFocus;
    std::function<void()> onLostFocus;
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void(int &keyCode, int shift)> onKeyDown;
    std::function<void(int &keyCode, int shift)> onKeyUp;
    std::function<void(int &keyAscii)> onKeyPress;
    std::function<void(int button, int shift, double x, double y)> onMouseDown;

    // Design state: taken once after the form's constructor, put back when
    // the form unloads.
    virtual void saveDesign() { m_designBase = m_base; }
    virtual void restoreDesign() { m_base = m_designBase; }

    // Runs an event handler if one is wired.
    template <class F, class... A> static void raise(const F &handler, A &&...args)
    {
        if (handler)
            handler(std::forward<A>(args)...);
    }

protected:
    void changed(Change what = Change::Property);

private:
    struct Base {
        int left = 0, top = 0, width = 1215, height = 375;
        bool visible = true, enabled = true;
        uint32_t backColor = WindowBackground;
        uint32_t foreColor = WindowText;
        int tabIndex = 0;
        bool tabStop = true;
        QString fontName = QStringLiteral("MS Sans Serif");
        double fontSize = 8.25;
        bool fontBold = false;
        QString toolTip;
    };
    Form *m_form;
    QString m_name;
    int m_index;
    Control *m_container;
    Base m_base, m_designBase;
};

// A control's own properties, and the design copy that Unload puts back.
template <class Props, class Base = Control> class WithProps : public Base
{
public:
    using Base::Base;
    void saveDesign() override
    {
        Base::saveDesign();
        m_d = m_p;
    }
    void restoreDesign() override
    {
        Base::restoreDesign();
        m_p = m_d;
    }

protected:
    Props m_p, m_d;
};

// Shared text editing of text boxes and editable combo boxes.
class TextEditable : public Control
{
public:
    using Control::Control;
    const QString &Text() const { return m_text.text; }
    // A write that changes the text runs Change at once; the caret goes to 0.
    void setText(const QString &text);
    int SelStart() const { return m_text.selStart; }
    void setSelStart(int v);
    int SelLength() const { return m_text.selLength; }
    void setSelLength(int v);
    QString SelText() const;
    void setSelText(const QString &text); // replaces the selection, Change runs
    bool Locked() const { return m_text.locked; }
    void setLocked(bool v);

    std::function<void()> onChange;

    // Operator editing: the runtime's key handling calls these.
    bool editable() const { return !m_text.locked; }
    void typeChar(QChar ch);
    void backspace();
    void deleteForward();
    // The caret: the end of the selection that moves with Shift and the
    // arrows (a selection set by code has it at its end).
    int caret() const { return m_text.caretAtStart ? m_text.selStart : m_text.selStart + m_text.selLength; }
    // Moves the caret; with extend the other end of the selection stays.
    void moveCaret(int to, bool extend);
    void selectAll();

    void saveDesign() override { Control::saveDesign(); m_designText = m_text; }
    void restoreDesign() override { Control::restoreDesign(); m_text = m_designText; }

protected:
    virtual void textChanged() {}

private:
    void replaceSelection(const QString &with);
    struct State {
        QString text;
        int selStart = 0, selLength = 0;
        bool locked = false;
        bool caretAtStart = false;
    };
    State m_text, m_designText;
};

struct TextBoxProps {
    QChar passwordChar;
    bool multiLine = false;
};

class TextBox : public WithProps<TextBoxProps, TextEditable>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::TextBox; }
    bool focusable() const override { return true; }
    QChar PasswordChar() const { return m_p.passwordChar; }
    void setPasswordChar(QChar c);
    bool MultiLine() const { return m_p.multiLine; }
    void setMultiLine(bool v) { m_p.multiLine = v; }
};

struct LabelProps {
    QString caption;
    int alignment = 0;
    bool transparent = false;
};

class Label : public WithProps<LabelProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::Label; }
    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v); // runs Change when the caption changes
    int Alignment() const { return m_p.alignment; } // 0 left, 1 right, 2 centre
    void setAlignment(int v);
    bool Transparent() const { return m_p.transparent; }
    void setTransparent(bool v);
    // Whether the caption is the one the form was designed with (where "&"
    // marks an access key) rather than a value written at run time.
    bool designCaption() const { return m_p.caption == m_d.caption; }
    std::function<void()> onChange;
};

struct ComboBoxProps {
    std::vector<QString> items;
    int listIndex = -1;
    int style = 0;
};

class ComboBox : public WithProps<ComboBoxProps, TextEditable>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::ComboBox; }
    bool focusable() const override { return true; }
    void AddItem(const QString &item);
    void Clear(); // empties the list and the text
    int ListCount() const { return int(m_p.items.size()); }
    QString List(int i) const;
    const std::vector<QString> &items() const { return m_p.items; }
    int ListIndex() const { return m_p.listIndex; }
    // Picking an item (also by code) shows its text and runs Click.
    void setListIndex(int i);
    // 0 drop-down combo (editable), 2 drop-down list.
    int Style() const { return m_p.style; }
    void setStyle(int v) { m_p.style = v; }

protected:
    void textChanged() override;
};

struct CommandButtonProps {
    QString caption;
    bool isDefault = false, isCancel = false;
};

class CommandButton : public WithProps<CommandButtonProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::CommandButton; }
    bool focusable() const override { return true; }
    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v);
    bool Default() const { return m_p.isDefault; }
    void setDefault(bool v) { m_p.isDefault = v; }
    bool Cancel() const { return m_p.isCancel; }
    void setCancel(bool v) { m_p.isCancel = v; }
};

struct OptionButtonProps {
    QString caption;
    bool value = false;
};

// Options exclude each other among the options of one container (a frame,
// or the form itself when the container is null).
class OptionButton : public WithProps<OptionButtonProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::OptionButton; }
    bool focusable() const override { return true; }
    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v);
    bool Value() const { return m_p.value; }
    // true: clears the other options of the container and runs Click (also
    // when it was already selected); false just clears it.
    void setValue(bool v);
};

struct CheckBoxProps {
    QString caption;
    int value = 0;
};

class CheckBox : public WithProps<CheckBoxProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::CheckBox; }
    bool focusable() const override { return true; }
    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v);
    int Value() const { return m_p.value; } // 0 unchecked, 1 checked
    void setValue(int v);                   // runs Click when it changes
};

struct FrameProps {
    QString caption;
};

// A container: a disabled or hidden frame disables or hides what it holds.
class Frame : public WithProps<FrameProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::Frame; }
    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v);
};

struct ToggleButtonProps {
    QString caption;
    bool value = false;
};

// Two-state button: Value true (down) or false (up).
class ToggleButton : public WithProps<ToggleButtonProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::ToggleButton; }
    bool focusable() const override { return true; }
    const QString &Caption() const { return m_p.caption; }
    void setCaption(const QString &v);
    bool Value() const { return m_p.value; }
    void setValue(bool v); // runs Change when the value changes
    std::function<void()> onChange;
};

struct TimerProps {
    int interval = 0;
    bool enabled = true;
};

// Fires Timer every Interval milliseconds while enabled on a loaded form.
// The host does the scheduling; the tests fire it on demand.
class Timer : public WithProps<TimerProps, Control>
{
public:
    Timer(Form *form, const QString &name, int interval = 0, bool enabled = true);
    ControlKind kind() const override { return ControlKind::Timer; }
    int Interval() const { return m_p.interval; }
    void setInterval(int ms);
    void setTimerEnabled(bool v);
    // Enabled with an interval, on a loaded form.
    bool running() const;
    std::function<void()> onTimer;
    // Called by the host: runs Timer through the event dispatcher.
    void tick();
    void restoreDesign() override;

private:
    void scheduleChanged();
};

struct DatePickerProps {
    QDate value;
};

class DatePicker : public WithProps<DatePickerProps, Control>
{
public:
    DatePicker(Form *form, const QString &name, int index = -1, Control *container = nullptr);
    ControlKind kind() const override { return ControlKind::DatePicker; }
    bool focusable() const override { return true; }
    const QDate &Value() const { return m_p.value; }
    void setValue(const QDate &v); // runs Change when it changes
    std::function<void()> onChange;
};

struct RichTextBoxProps {
    QString text;
};

// Read-only monospace text view of a file.
class RichTextBox : public WithProps<RichTextBoxProps, Control>
{
public:
    using WithProps::WithProps;
    ControlKind kind() const override { return ControlKind::RichTextBox; }
    bool focusable() const override { return true; }
    const QString &Text() const { return m_p.text; }
    void setText(const QString &v);
    // Reads a text file (ANSI); a missing file raises error 53.
    void LoadFile(const QString &path);
};

class MenuItem : public Control
{
public:
    MenuItem(Form *form, const QString &name, const QString &caption);
    ControlKind kind() const override { return ControlKind::MenuItem; }
    const QString &Caption() const { return m_caption; }

private:
    QString m_caption;
};

// A popup menu: shown by Form::PopupMenu; the picked item's Click runs.
class Menu : public Control
{
public:
    Menu(Form *form, const QString &name, const QString &caption);
    ControlKind kind() const override { return ControlKind::Menu; }
    const QString &Caption() const { return m_caption; }
    MenuItem &addItem(const QString &name, const QString &caption);
    const std::vector<std::unique_ptr<MenuItem>> &items() const { return m_items; }
    MenuItem *item(const QString &name) const;
    // Drops an item (a program without that command); an unknown name does
    // nothing.
    void removeItem(const QString &name);

private:
    QString m_caption;
    std::vector<std::unique_ptr<MenuItem>> m_items;
};

class Shape : public Control
{
public:
    using Control::Control;
    ControlKind kind() const override { return ControlKind::Shape; }
    // 0 rectangle, 4 rounded: the desktop draws every shape as a box, so
    // the forms' setting is accepted and changes nothing.
    void setShapeType(int) {}
};

// A control array: elements addressed by index, events raised with the
// element's index.
template <class T> class ControlArray
{
public:
    ControlArray(Form *form, const QString &name, std::initializer_list<int> indexes,
                 Control *container = nullptr)
    {
        for (int i : indexes)
            m_items.emplace(i, std::make_unique<T>(form, name, i, container));
    }
    ControlArray(Form *form, const QString &name, int first, int last, Control *container = nullptr)
    {
        for (int i = first; i <= last; ++i)
            m_items.emplace(i, std::make_unique<T>(form, name, i, container));
    }
    // Adds an element to an array that spreads over several containers
    // (each frame its own group of options), or that a form extending
    // another one enlarges. The index must not be taken yet.
    T &add(int index, Control *container = nullptr)
    {
        const T &first = *m_items.begin()->second;
        auto made = std::make_unique<T>(first.form(), first.name(), index, container);
        T &ref = *made;
        m_items.emplace(index, std::move(made));
        return ref;
    }
    T &operator()(int index) const { return at(index); }
    T &at(int index) const;
    bool has(int index) const { return m_items.count(index) != 0; }
    template <class F> void forEach(F f) const
    {
        for (auto &[i, c] : m_items)
            f(*c);
    }
    // Wires one event of every element to a handler taking the index.
    template <class Ev, class C, class H> void on(Ev C::*event, H handler)
    {
        static_assert(std::is_base_of_v<C, T>);
        for (auto &[i, c] : m_items) {
            int index = i;
            static_cast<C &>(*c).*event = [handler, index](auto &&...args) { handler(index, args...); };
        }
    }

private:
    std::map<int, std::unique_ptr<T>> m_items;
};

[[noreturn]] void throwNoElement(const QString &name, int index);

template <class T> T &ControlArray<T>::at(int index) const
{
    auto it = m_items.find(index);
    if (it == m_items.end())
        throwNoElement(QString(), index);
    return *it->second;
}

} // namespace vb
