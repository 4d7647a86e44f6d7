#pragma once
// The operator's input. The desktop host and the tests use these same entry
// points, so a test drives a form the way an operator does. Each entry runs
// through the event dispatcher (an untrapped error is reported, not thrown).
#include "form.h"

namespace vb::ui {

// Moves the focus to a control (a click into it, or a Tab). A control that
// cannot take the focus is left alone.
void focus(Control &control);
// Types text into the focused control, character by character: KeyDown,
// KeyPress (which may swallow or replace the character), the edit, KeyUp.
void type(Form &form, const QString &text);
// Focuses the control, then types into it.
void typeInto(Control &control, const QString &text);
// Presses a key that is not a character (Enter, Esc, Tab, Backspace, Delete,
// arrows, Home, End, function keys) on the form's focused control.
// Enter presses the form's Default button and Esc its Cancel button;
// otherwise Enter and Esc reach the control as KeyPress 13 and 27.
void press(Form &form, int keyCode, int shift = 0);
// Ctrl+X: takes the selection out of the focused text and returns it (a
// password box gives nothing); Change runs. Ctrl+V is typing the text.
QString cut(Form &form);
// A mouse click: buttons, options, check boxes and toggles take the focus
// and act; labels and frames run Click; menu items run Click.
void click(Control &control);
// Picks an item of a combo box list.
void pick(ComboBox &combo, int index);
// Picks (clicks) a row of a list view.
void pickRow(ListView &list, int row);
// Clicks a column header (1-based).
void clickColumn(ListView &list, int column);
// A click on the form's own area at X, Y (twips).
void clickForm(Form &form, double x, double y, int button = 1, int shift = 0);
// Sets a date picker's value as the operator would.
void setDate(DatePicker &picker, const QDate &date);
// The window's close box.
void close(Form &form);
// Where the operator put the caret with the mouse.
void select(TextEditable &box, int start, int length = 0);

} // namespace vb::ui
