#pragma once
// Ticket numbers: whole numbers that the ticket table's key holds (a long
// integer). The save, the recall and the next-number proposal keep to the
// same rule.
#include <QString>
#include <QVariant>
#include <optional>

namespace ticketnumber {

constexpr qint64 Highest = 2147483647;

// The number a typed text stands for: digits, blanks around allowed, from 1
// to Highest; none otherwise.
std::optional<qint64> parse(const QString &text);

// Why a typed ticket number cannot be stored, or "" when it can.
QString problem(const QString &text);

// The number after the highest stored one (Null: none stored) as plain
// digits, or none when the highest stored number leaves no room.
std::optional<QString> next(const QVariant &highest);

// Said when the highest stored number leaves no next one.
QString exhausted();

} // namespace ticketnumber
