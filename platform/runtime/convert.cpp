#include "convert.h"
#include "errors.h"

#include <QRegularExpression>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vb {

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits of a hex or octal literal, read as far as they go. Values that fit
// 16 bits, then 32 bits, are taken as signed numbers of that width.
double radixValue(const QString &s, int pos, int radix)
{
    quint64 value = 0;
    bool any = false;
    for (; pos < s.size(); ++pos) {
        const QChar c = s.at(pos).toUpper();
        int digit = radix;
        if (isDigit(c))
            digit = c.unicode() - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        if (digit >= radix)
            break;
        value = value * radix + digit;
        any = true;
        if (value > 0xFFFFFFFFull)
            throw RuntimeError::overflow();
    }
    if (!any)
        return 0;
    if (value <= 0xFFFF)
        return double(int16_t(uint16_t(value)));
    return double(int32_t(uint32_t(value)));
}

double checkedFinite(double value)
{
    if (!std::isfinite(value))
        throw RuntimeError::overflow();
    return value;
}

// Fifteen significant decimal digits of |value| and the number of digits
// before the decimal point.
void decimalDigits(double value, QByteArray &digits, int &point)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    digits.clear();
    digits.append(buf[0]);
    const char *p = buf + 2;
    while (*p && *p != 'e')
        digits.append(*p++);
    point = (*p == 'e') ? std::atoi(p + 1) + 1 : 1;
}

// Windows-1252 characters of the bytes 0x80 to 0x9F; the five unassigned
// bytes keep their own value.
constexpr std::array<char16_t, 32> ansiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isIntegral(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloating(const QVariant &value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool isNull(const QVariant &value)
{
    return !value.isValid() || value.isNull();
}

// Days since 30/12/1899 with the time of day as fraction, as dates count
// when taken as numbers.
double dateSerial(const QDateTime &when)
{
    static const QDate base(1899, 12, 30);
    const double days = double(base.daysTo(when.date()));
    const double fraction = when.time().isValid() ? when.time().msecsSinceStartOfDay() / 86400000.0 : 0.0;
    return days + (days < 0 ? -fraction : fraction);
}

} // namespace

double val(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isSkipped(c))
            s.append(c);

    if (s.size() >= 2 && s.at(0) == u'&') {
        const QChar kind = s.at(1).toUpper();
        if (kind == u'H')
            return radixValue(s, 2, 16);
        if (kind == u'O')
            return radixValue(s, 2, 8);
        return 0;
    }

    QByteArray number;
    int pos = 0;
    if (pos < s.size() && (s.at(pos) == u'+' || s.at(pos) == u'-'))
        number.append(char(s.at(pos++).unicode()));
    bool anyDigit = false;
    while (pos < s.size() && isDigit(s.at(pos))) {
        number.append(char(s.at(pos++).unicode()));
        anyDigit = true;
    }
    if (pos < s.size() && s.at(pos) == u'.') {
        number.append('.');
        ++pos;
        while (pos < s.size() && isDigit(s.at(pos))) {
            number.append(char(s.at(pos++).unicode()));
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (pos < s.size()) {
        const QChar e = s.at(pos).toUpper();
        if (e == u'E' || e == u'D') {
            int p = pos + 1;
            QByteArray exponent("e");
            if (p < s.size() && (s.at(p) == u'+' || s.at(p) == u'-'))
                exponent.append(char(s.at(p++).unicode()));
            bool anyExponentDigit = false;
            while (p < s.size() && isDigit(s.at(p))) {
                exponent.append(char(s.at(p++).unicode()));
                anyExponentDigit = true;
            }
            if (anyExponentDigit)
                number.append(exponent);
        }
    }
    return checkedFinite(std::strtod(number.constData(), nullptr));
}

QString numText(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return QString::fromLatin1(buf);
}

QString strNum(double value)
{
    QString text = numText(value);
    const bool negative = text.startsWith(u'-');
    if (negative)
        text.remove(0, 1);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    return (negative ? QStringLiteral("-") : QStringLiteral(" ")) + text;
}

QString formatMask(double value, const QString &mask)
{
    if (!std::isfinite(value))
        return numText(value);
    const int pointAt = mask.indexOf(u'.');
    const int wholeDigits = int(pointAt < 0 ? mask.count(u'0') : mask.left(pointAt).count(u'0'));
    const int decimals = int(pointAt < 0 ? 0 : mask.mid(pointAt + 1).count(u'0'));

    QByteArray digits;
    int point = 0;
    decimalDigits(value, digits, point);

    // Round half away from zero at the last decimal the mask shows.
    const int keep = point + decimals;
    if (keep < 0) {
        digits.clear();
        point = 0;
    } else if (keep < digits.size()) {
        const bool up = digits.at(keep) >= '5';
        digits.truncate(keep);
        if (up) {
            int i = int(digits.size()) - 1;
            for (; i >= 0; --i) {
                if (digits.at(i) == '9') {
                    digits[i] = '0';
                } else {
                    digits[i] = char(digits.at(i) + 1);
                    break;
                }
            }
            if (i < 0) {
                digits.prepend('1');
                ++point;
            }
        }
    }
    if (point < 0) {
        digits.prepend(QByteArray(-point, '0'));
        point = 0;
    }

    QByteArray whole = digits.left(point);
    if (whole.size() < point)
        whole.append(QByteArray(point - whole.size(), '0'));
    QByteArray fraction = digits.mid(point);
    if (fraction.size() < decimals)
        fraction.append(QByteArray(decimals - fraction.size(), '0'));
    fraction.truncate(decimals);

    int firstSignificant = 0;
    while (firstSignificant < whole.size() && whole.at(firstSignificant) == '0')
        ++firstSignificant;
    whole = whole.mid(firstSignificant);
    if (whole.size() < wholeDigits)
        whole.prepend(QByteArray(wholeDigits - whole.size(), '0'));

    QString result = value < 0 ? QStringLiteral("-") : QString();
    result += QString::fromLatin1(whole);
    if (pointAt >= 0)
        result += u'.' + QString::fromLatin1(fraction);
    return result;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff > 0.5)
        return lower + 1;
    if (diff < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

int16_t toInt16(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        throw RuntimeError::overflow();
    return int16_t(rounded);
}

int16_t toInt16(const QString &text)
{
    return toInt16(toDouble(text));
}

int32_t toInt32(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw RuntimeError::overflow();
    return int32_t(rounded);
}

bool isNumeric(const QString &text)
{
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?$"));
    static const QRegularExpression radix(
        QStringLiteral("^&([hH][0-9A-Fa-f]+|[oO][0-7]+)$"));
    const QString s = text.trimmed();
    return decimal.match(s).hasMatch() || radix.match(s).hasMatch();
}

double toDouble(const QString &text)
{
    if (!isNumeric(text))
        throw RuntimeError::typeMismatch();
    return val(text.trimmed());
}

QString ucase(const QString &text)
{
    return text.toUpper();
}

QString lcase(const QString &text)
{
    return text.toLower();
}

QString ltrim(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return text.mid(i);
}

QString rtrim(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.left(n);
}

QString trim(const QString &text)
{
    return ltrim(rtrim(text));
}

QString space(int count)
{
    if (count < 0)
        throw RuntimeError::invalidCall();
    return QString(count, u' ');
}

QString left(const QString &text, int count)
{
    if (count < 0)
        throw RuntimeError::invalidCall();
    return text.left(count);
}

QString right(const QString &text, int count)
{
    if (count < 0)
        throw RuntimeError::invalidCall();
    return text.right(count);
}

QString mid(const QString &text, int start, int count)
{
    if (start < 1 || count < -1)
        throw RuntimeError::invalidCall();
    if (start > text.size())
        return QString();
    return count < 0 ? text.mid(start - 1) : text.mid(start - 1, count);
}

QString fromAnsi(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes) {
        const auto byte = uint8_t(b);
        if (byte >= 0x80 && byte <= 0x9F)
            text.append(QChar(ansiHigh[byte - 0x80]));
        else
            text.append(QChar(char16_t(byte)));
    }
    return text;
}

QByteArray toAnsi(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            bytes.append('?');
            ++i;
            continue;
        }
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes.append(char(c));
            continue;
        }
        char out = '?';
        for (size_t k = 0; k < ansiHigh.size(); ++k) {
            if (ansiHigh[k] == c) {
                out = char(0x80 + k);
                break;
            }
        }
        bytes.append(out);
    }
    return bytes;
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString timeText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

QString shortDate(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString generalDate(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QDate toDate(const QString &text)
{
    static const QRegularExpression dayFirst(
        QStringLiteral("^(\\d{1,2})([/-])(\\d{1,2})\\2(\\d{4})$"));
    static const QRegularExpression yearFirst(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const QString s = text.trimmed();
    QDate date;
    if (const auto m = dayFirst.match(s); m.hasMatch())
        date = QDate(m.captured(4).toInt(), m.captured(3).toInt(), m.captured(1).toInt());
    else if (const auto m = yearFirst.match(s); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        throw RuntimeError::typeMismatch();
    return date;
}

QString textOf(const QVariant &value)
{
    if (isNull(value))
        throw RuntimeError::invalidNull();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (isIntegral(value))
        return value.toString();
    if (isFloating(value))
        return numText(value.toDouble());
    if (value.typeId() == QMetaType::QDate)
        return shortDate(value.toDate());
    if (value.typeId() == QMetaType::QDateTime)
        return shortDate(value.toDateTime().date());
    if (value.typeId() == QMetaType::QTime)
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    if (value.typeId() == QMetaType::QByteArray)
        return fromAnsi(value.toByteArray());
    if (value.canConvert<QString>())
        return value.toString();
    throw RuntimeError::typeMismatch();
}

double numberOf(const QVariant &value)
{
    if (isNull(value))
        throw RuntimeError::invalidNull();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? -1.0 : 0.0;
    if (isIntegral(value) || isFloating(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString)
        return toDouble(value.toString());
    if (value.typeId() == QMetaType::QByteArray)
        return toDouble(fromAnsi(value.toByteArray()));
    if (value.typeId() == QMetaType::QDate)
        return dateSerial(value.toDate().startOfDay());
    if (value.typeId() == QMetaType::QDateTime)
        return dateSerial(value.toDateTime());
    throw RuntimeError::typeMismatch();
}

bool boolOf(const QVariant &value)
{
    if (isNull(value))
        throw RuntimeError::invalidNull();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString s = value.typeId() == QMetaType::QString ? value.toString().trimmed()
                                                                : fromAnsi(value.toByteArray()).trimmed();
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        return toDouble(s) != 0;
    }
    return numberOf(value) != 0;
}

QString shown(const QVariant &value) { return value.isNull() ? QString() : textOf(value); }

} // namespace vb
