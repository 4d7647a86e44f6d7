#pragma once
// Weights typed by hand: on the main screen and the manual ticket form, and
// the truck master's tare. Each must be a number the ticket and the reports
// can show, so one rule serves every box that takes one.
#include <QString>

namespace typedweight {

constexpr int MostDigits = 7;   // before the point
constexpr int MostDecimals = 3; // after it

// A weight as an operator types it: digits, then at most one point followed
// by decimals; blanks around it are allowed. Empty text (or blanks only)
// weighs 0 and is allowed. Signs, exponents, separators, blanks inside and
// letters are not.
bool plain(const QString &text);

// The refusal of a typed weight that is not plain, naming its field.
QString problem(const QString &field);

} // namespace typedweight
