#include "input.h"

#include <algorithm>

namespace vb::ui {

namespace {

void run(const std::function<void()> &f) { App::instance().dispatch(f); }

// KeyDown: the form first when it previews keys (it may cancel with 0),
// then the focused control.
void keyDown(Form &form, int &code, int shift)
{
    Control *c = form.ActiveControl();
    if (form.KeyPreview() || !c)
        Control::raise(form.onKeyDown, code, shift);
    c = form.ActiveControl();
    if (code != 0 && c && c->Enabled())
        Control::raise(c->onKeyDown, code, shift);
}

void keyUp(Form &form, int code, int shift)
{
    Control *c = form.ActiveControl();
    if (form.KeyPreview() || !c)
        Control::raise(form.onKeyUp, code, shift);
    c = form.ActiveControl();
    if (code != 0 && c)
        Control::raise(c->onKeyUp, code, shift);
}

// KeyPress: the character by reference, before the text changes; a
// handler that sets it to 0 swallows it.
int keyPress(Form &form, int ascii)
{
    Control *c = form.ActiveControl();
    if (form.KeyPreview() || !c)
        Control::raise(form.onKeyPress, ascii);
    c = form.ActiveControl();
    if (ascii != 0 && c)
        Control::raise(c->onKeyPress, ascii);
    return ascii;
}

TextEditable *editable(Control *c)
{
    if (!c)
        return nullptr;
    if (c->kind() == ControlKind::TextBox || c->kind() == ControlKind::ComboBox) {
        auto *t = static_cast<TextEditable *>(c);
        if (c->kind() == ControlKind::ComboBox && static_cast<ComboBox *>(c)->Style() == 2)
            return nullptr;
        return t->editable() ? t : nullptr;
    }
    return nullptr;
}

int keyCodeOf(QChar ch, int &shift)
{
    shift = 0;
    if (ch.isLetter() && ch.unicode() < 128) {
        if (ch.isUpper())
            shift = 1;
        return ch.toUpper().unicode();
    }
    if (ch.isDigit() && ch.unicode() < 128)
        return ch.unicode();
    if (ch == QLatin1Char(' '))
        return Key::Space;
    return 0;
}

CommandButton *formButton(Form &form, bool wantDefault)
{
    for (Control *c : form.controls()) {
        if (c->kind() != ControlKind::CommandButton)
            continue;
        auto *b = static_cast<CommandButton *>(c);
        if ((wantDefault ? b->Default() : b->Cancel()) && b->effectivelyVisible() && b->effectivelyEnabled())
            return b;
    }
    return nullptr;
}

void activate(Control &c)
{
    switch (c.kind()) {
    case ControlKind::CommandButton:
        Control::raise(c.onClick);
        break;
    case ControlKind::OptionButton:
        static_cast<OptionButton &>(c).setValue(true);
        break;
    case ControlKind::CheckBox: {
        auto &b = static_cast<CheckBox &>(c);
        b.setValue(b.Value() ? 0 : 1);
        break;
    }
    case ControlKind::ToggleButton: {
        auto &t = static_cast<ToggleButton &>(c);
        t.setValue(!t.Value());
        Control::raise(t.onClick);
        break;
    }
    default:
        break;
    }
}

// Options of one container form one tab stop: Tab reaches the selected
// one (or the first when none is selected), arrows move within the group.
bool isOption(const Control *c) { return c && c->kind() == ControlKind::OptionButton; }

std::vector<OptionButton *> optionGroup(const Control &option)
{
    std::vector<OptionButton *> group;
    for (Control *c : option.form()->tabOrder())
        if (isOption(c) && c->container() == option.container())
            group.push_back(static_cast<OptionButton *>(c));
    return group;
}

bool groupTabStop(const Control &c)
{
    if (!isOption(&c))
        return true;
    auto group = optionGroup(c);
    for (OptionButton *o : group)
        if (o->Value() && o->canTakeFocus())
            return o == &c;
    for (OptionButton *o : group)
        if (o->canTakeFocus() && o->TabStop())
            return o == &c;
    return false;
}

void arrowInGroup(Control &option, int step)
{
    auto group = optionGroup(option);
    auto it = std::find(group.begin(), group.end(), &option);
    if (it == group.end())
        return;
    for (long k = (it - group.begin()) + step; k >= 0 && k < long(group.size()); k += step)
        if (group[size_t(k)]->canTakeFocus()) {
            group[size_t(k)]->SetFocus();
            return;
        }
}

void tabMove(Form &form, bool back)
{
    auto order = form.tabOrder();
    if (back)
        std::reverse(order.begin(), order.end());
    Control *from = form.ActiveControl();
    auto it = std::find(order.begin(), order.end(), from);
    size_t start = it == order.end() ? order.size() - 1 : size_t(it - order.begin());
    for (size_t k = 1; k <= order.size(); ++k) {
        Control *c = order[(start + k) % order.size()];
        if (c->TabStop() && c->canTakeFocus() && groupTabStop(*c)) {
            c->SetFocus();
            return;
        }
    }
}

// The editing keys of a text: the arrows, Home and End move the caret,
// by words with Ctrl; with Shift the selection follows the caret. Without
// Shift an arrow first drops a selection at its near end.
void moveCaret(TextEditable &t, int keyCode, int shift)
{
    const QString &text = t.Text();
    const int len = int(text.size());
    const bool extend = shift & 1, words = shift & 2;
    int pos = t.caret();
    if (!extend && t.SelLength() > 0 && (keyCode == Key::Left || keyCode == Key::Right) && !words) {
        t.moveCaret(keyCode == Key::Left ? t.SelStart() : t.SelStart() + t.SelLength(), false);
        return;
    }
    auto space = [&](int i) { return text[i].isSpace(); };
    switch (keyCode) {
    case Key::Left:
        if (!words) {
            --pos;
            break;
        }
        while (pos > 0 && space(pos - 1))
            --pos;
        while (pos > 0 && !space(pos - 1))
            --pos;
        break;
    case Key::Right:
        if (!words) {
            ++pos;
            break;
        }
        while (pos < len && !space(pos))
            ++pos;
        while (pos < len && space(pos))
            ++pos;
        break;
    case Key::Home:
        pos = 0;
        break;
    default:
        pos = len;
        break;
    }
    t.moveCaret(std::clamp(pos, 0, len), extend);
}

void typeOne(Form &form, QChar ch)
{
    int shift = 0;
    int code = keyCodeOf(ch, shift);
    if (code)
        keyDown(form, code, shift);
    int ascii = keyPress(form, ch.unicode());
    if (ascii != 0) {
        if (TextEditable *t = editable(form.ActiveControl()))
            t->typeChar(QChar(ascii));
        else if (ascii == Key::Space && form.ActiveControl())
            activate(*form.ActiveControl());
    }
    if (code)
        keyUp(form, code, shift);
}

} // namespace

void focus(Control &control)
{
    run([&] { control.SetFocus(); });
}

void type(Form &form, const QString &text)
{
    for (QChar ch : text)
        run([&] { typeOne(form, ch); });
}

void typeInto(Control &control, const QString &text)
{
    focus(control);
    if (control.form() && control.hasFocus())
        type(*control.form(), text);
}

void press(Form &form, int keyCode, int shift)
{
    run([&] {
        if (keyCode == Key::Tab) {
            tabMove(form, shift & 1);
            return;
        }
        int code = keyCode;
        keyDown(form, code, shift);
        Control *c = form.ActiveControl();
        switch (keyCode) {
        case Key::Enter:
        case Key::Esc: {
            if (c && c->kind() == ControlKind::CommandButton && keyCode == Key::Enter) {
                Control::raise(c->onClick);
                break;
            }
            if (CommandButton *b = formButton(form, keyCode == Key::Enter)) {
                Control::raise(b->onClick);
                break;
            }
            int ascii = keyPress(form, keyCode);
            c = form.ActiveControl();
            if (ascii == Key::Enter && c && c->kind() == ControlKind::TextBox &&
                static_cast<TextBox *>(c)->MultiLine())
                if (TextEditable *t = editable(c))
                    t->setSelText(QStringLiteral("\r\n"));
            break;
        }
        case Key::Back: {
            int ascii = keyPress(form, Key::Back);
            if (ascii == Key::Back)
                if (TextEditable *t = editable(form.ActiveControl()))
                    t->backspace();
            break;
        }
        case Key::Delete:
            if (code != 0)
                if (TextEditable *t = editable(c))
                    t->deleteForward();
            break;
        case Key::Left:
        case Key::Right:
        case Key::Home:
        case Key::End:
            if (isOption(c) && (keyCode == Key::Left || keyCode == Key::Right)) {
                arrowInGroup(*c, keyCode == Key::Right ? 1 : -1);
                break;
            }
            if (c && (c->kind() == ControlKind::TextBox || c->kind() == ControlKind::ComboBox))
                moveCaret(*static_cast<TextEditable *>(c), keyCode, shift);
            break;
        case Key::Up:
        case Key::Down:
            if (isOption(c)) {
                arrowInGroup(*c, keyCode == Key::Down ? 1 : -1);
            } else if (c && c->kind() == ControlKind::ComboBox && !(shift & 4)) {
                // Alt with an arrow opens or closes the list; only a plain
                // arrow steps to the next item (and runs Click).
                auto *cb = static_cast<ComboBox *>(c);
                int i = cb->ListIndex() + (keyCode == Key::Down ? 1 : -1);
                if (i >= 0 && i < cb->ListCount())
                    cb->setListIndex(i);
            } else if (c && c->kind() == ControlKind::ListView) {
                auto *lv = static_cast<ListView *>(c);
                int i = lv->selectedRow() + (keyCode == Key::Down ? 1 : -1);
                if (i >= 0 && i < lv->count()) {
                    lv->setSelectedRow(i);
                    Control::raise(lv->onItemClick, i);
                }
            }
            break;
        case 'A':
            // Ctrl+A selects the whole text.
            if (code != 0 && (shift & 2) && c && (c->kind() == ControlKind::TextBox || c->kind() == ControlKind::ComboBox))
                static_cast<TextEditable *>(c)->selectAll();
            break;
        case Key::Space:
            if (keyPress(form, Key::Space) == Key::Space && c) {
                if (TextEditable *t = editable(form.ActiveControl()))
                    t->typeChar(QLatin1Char(' '));
                else
                    activate(*c);
            }
            break;
        default:
            break;
        }
        keyUp(form, keyCode, shift);
    });
}

QString cut(Form &form)
{
    QString taken;
    run([&] {
        TextEditable *t = editable(form.ActiveControl());
        if (!t || t->SelLength() == 0)
            return;
        if (t->kind() == ControlKind::TextBox && !static_cast<TextBox *>(t)->PasswordChar().isNull())
            return;
        taken = t->SelText();
        t->deleteForward();
    });
    return taken;
}

void click(Control &control)
{
    run([&] {
        if (!control.effectivelyEnabled() || !control.effectivelyVisible())
            return;
        switch (control.kind()) {
        case ControlKind::CommandButton:
        case ControlKind::CheckBox:
        case ControlKind::ToggleButton:
            control.SetFocus();
            // A box that refused to be left kept the focus: the press is
            // lost, as a button that loses the focus while pressed does not
            // act.
            if (control.canTakeFocus() && !control.hasFocus())
                break;
            if (control.effectivelyEnabled() && control.effectivelyVisible())
                activate(control);
            break;
        case ControlKind::OptionButton:
            if (control.hasFocus())
                static_cast<OptionButton &>(control).setValue(true);
            else
                control.SetFocus(); // selects it
            break;
        case ControlKind::TextBox:
        case ControlKind::ComboBox:
        case ControlKind::ListView:
        case ControlKind::DatePicker:
        case ControlKind::RichTextBox:
            control.SetFocus();
            Control::raise(control.onClick);
            break;
        default:
            Control::raise(control.onClick);
            break;
        }
    });
}

void pick(ComboBox &combo, int index)
{
    run([&] {
        combo.SetFocus();
        if (combo.effectivelyEnabled())
            combo.setListIndex(index);
    });
}

void pickRow(ListView &list, int row)
{
    run([&] {
        list.SetFocus();
        list.setSelectedRow(row);
        Control::raise(list.onItemClick, row);
    });
}

void clickColumn(ListView &list, int column)
{
    run([&] {
        Control::raise(list.onColumnClick, column);
        // A row source sorts when next read: read it here, so that a sort
        // that fails is reported as the handler's error.
        list.count();
    });
}

void clickForm(Form &form, double x, double y, int button, int shift)
{
    run([&] {
        Control::raise(form.onMouseDown, button, shift, x, y);
        Control::raise(form.onClick);
    });
}

void setDate(DatePicker &picker, const QDate &date)
{
    run([&] {
        picker.SetFocus();
        picker.setValue(date);
    });
}

void close(Form &form)
{
    run([&] { form.Unload(); });
}

void select(TextEditable &box, int start, int length)
{
    run([&] {
        box.setSelStart(start);
        box.setSelLength(length);
    });
}

} // namespace vb::ui
