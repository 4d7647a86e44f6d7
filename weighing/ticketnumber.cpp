#include "ticketnumber.h"

#include "runtime/convert.h"

#include <cmath>

namespace ticketnumber {

std::optional<qint64> parse(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const qint64 n = digits.toLongLong();
    if (n < 1 || n > Highest)
        return std::nullopt;
    return n;
}

QString problem(const QString &text)
{
    if (parse(text))
        return QString();
    const QString t = text.trimmed();
    // A whole number, only out of range.
    bool wholeNumber = !t.isEmpty() && vb::isNumeric(t);
    if (wholeNumber) {
        const double v = vb::toDouble(t);
        wholeNumber = std::isfinite(v) && v == std::floor(v) && !t.contains(QLatin1Char('.'));
    }
    if (wholeNumber)
        return QStringLiteral("Ticket No. must be from 1 to %1").arg(Highest);
    return QStringLiteral("Ticket No. must be a number");
}

std::optional<QString> next(const QVariant &highest)
{
    if (highest.isNull())
        return QStringLiteral("1");
    const double top = std::floor(vb::numberOf(highest));
    if (top >= double(Highest))
        return std::nullopt;
    return QString::number(std::max<qint64>(1, qint64(top) + 1));
}

QString exhausted()
{
    return QStringLiteral("Ticket No. %1 is stored, the highest a ticket can have: there is no next "
                          "number. Type the number of a free ticket")
        .arg(Highest);
}

} // namespace ticketnumber
