#include "typedweight.h"

namespace typedweight {

namespace {

// Blanks, as the leading-number conversion skips them.
bool blank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool digit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

bool plain(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && blank(text.at(from)))
        ++from;
    while (to > from && blank(text.at(to - 1)))
        --to;
    if (from == to)
        return true;

    qsizetype i = from;
    int whole = 0;
    while (i < to && digit(text.at(i))) {
        ++whole;
        ++i;
    }
    if (whole == 0 || whole > MostDigits)
        return false;
    if (i == to)
        return true;
    if (text.at(i) != QLatin1Char('.'))
        return false;
    ++i;
    int decimals = 0;
    while (i < to && digit(text.at(i))) {
        ++decimals;
        ++i;
    }
    return i == to && decimals >= 1 && decimals <= MostDecimals;
}

QString problem(const QString &field)
{
    return QStringLiteral("%1 must be a weight in digits: at most %2 before the point and %3 after it")
        .arg(field)
        .arg(MostDigits)
        .arg(MostDecimals);
}

} // namespace typedweight
