#pragma once
// The value conversions the forms use everywhere, kept in one place so that
// every screen turns texts into numbers (and back) the same way.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>
#include <cstdint>

namespace vb {

// Leading-number value of a text: blanks, tabs and line feeds are skipped
// anywhere, then an optional sign, digits, a decimal point and an exponent
// are read as far as they go. "12x" -> 12, "" -> 0, "  -3.5kg" -> -3.5,
// "&H1F" -> 31, "&O17" -> 15.
double val(const QString &text);

// General number text of a double: up to 15 significant digits, no
// trailing zeros, "0.5" for a half, scientific as "1E+15" for huge values.
QString numText(double value);

// Number text with a sign position: a leading blank for zero and positive
// numbers, no leading zero before the point: 5678 -> " 5678", 0.5 -> " .5",
// -2.25 -> "-2.25".
QString strNum(double value);

// Number formatted with a mask of zeros ("00000"), optionally with a
// decimal part ("0.00"): at least as many digits as the mask, rounded half
// away from zero; larger values show all their digits, negatives get "-".
QString formatMask(double value, const QString &mask);

// Rounding half to the even neighbour.
double roundHalfEven(double value);

// Conversion to a 16-bit whole number (rounded half to even); a value
// outside -32768..32767 raises error 6 "Overflow".
int16_t toInt16(double value);
// From a text: the text must be a number (blanks around it allowed), else
// error 13 "Type mismatch".
int16_t toInt16(const QString &text);
// Conversion to a 32-bit whole number, same rules.
int32_t toInt32(double value);

// Strict numeric test and conversion of a text (IsNumeric / CDbl):
// surrounding blanks allowed, nothing else.
bool isNumeric(const QString &text);
double toDouble(const QString &text); // error 13 when not numeric

QString ucase(const QString &text);
QString lcase(const QString &text);
QString trim(const QString &text);
QString ltrim(const QString &text);
QString rtrim(const QString &text);
QString space(int count);
QString left(const QString &text, int count);
QString right(const QString &text, int count);
// 1-based Mid; a start past the end gives "".
QString mid(const QString &text, int start, int count = -1);

// Windows-1252 between bytes and characters. Bytes without a character of
// their own (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the code point of the
// same value, as Windows does, so every byte survives a round trip.
QString fromAnsi(const QByteArray &bytes);
QByteArray toAnsi(const QString &text); // characters outside it become '?'

// "DD/MM/YYYY" and "HH:MM" texts of the weighing stamps.
QString dateText(const QDate &date);
QString timeText(const QTime &time);
// The system's short date ("DD/MM/YYYY") and general date
// ("DD/MM/YYYY HH:MM:SS") formats.
QString shortDate(const QDate &date);
QString generalDate(const QDateTime &when);
// Reads a date text (DD/MM/YYYY, D/M/YYYY, DD-MM-YYYY, YYYY-MM-DD); an
// invalid date raises error 13.
QDate toDate(const QString &text);

// Text of a value as assigning it to a Text property shows it: numbers
// by numText, yes/no as "True"/"False", dates by shortDate. Null raises
// error 94 "Invalid use of Null".
QString textOf(const QVariant &value);
// Text of a stored value as a screen shows it: Null (an old row's empty
// column) shows as an empty text.
QString shown(const QVariant &value);
// Number of a value: numbers as they are, texts by toDouble, yes/no as
// -1/0, Null raises error 94.
double numberOf(const QVariant &value);
// Yes/no of a value: numbers are true when not 0; texts "True"/"False" or
// numbers; Null raises error 94.
bool boolOf(const QVariant &value);

// RGB colour as the forms store it: red in the low byte.
constexpr uint32_t rgb(int red, int green, int blue)
{
    return uint32_t(red & 0xFF) | (uint32_t(green & 0xFF) << 8) | (uint32_t(blue & 0xFF) << 16);
}

} // namespace vb
