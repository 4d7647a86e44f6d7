#pragma once
// Arrived text going into a receive box, as the earlier edition's main
// screen and its serial terminal form both take it: the box is kept short,
// a backspace removes the character before it, line feeds are dropped and
// every carriage return gets a line feed after it.
#include <QString>
#include <functional>

namespace vb {
class TextBox;
}

namespace earlier {

// Past this many characters the box drops its first BoxTrimDrop.
inline constexpr int BoxTrimAbove = 16000;
inline constexpr int BoxTrimDrop = 4096;

// Takes `data` through the steps above and then runs `use`, which puts the
// cleaned text to work (into the box, or onto the live weight), with the
// box's caret at the end before and after. A backspace first in `data`
// selects the box's last character, so that `use` replacing the selection
// removes it. `length` keeps the box's length after a trim. A step that
// fails shows its error and the next step runs.
void receiveInto(vb::TextBox &box, QString &data, int &length, const std::function<void()> &use);

} // namespace earlier
