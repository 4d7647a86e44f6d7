#include "indicator.h"

#include "runtime/convert.h"

#include <cmath>

namespace indicator {

QString normalFrame(const QByteArray &input) { return vb::fromAnsi(input.left(10)); }

QString maskedWeight(const QString &data) { return vb::formatMask(vb::val(data), QStringLiteral("00000")); }

QString newTypeWeight(const QString &input)
{
    // Every character as its two bytes, low byte first, each written in
    // decimal without separators.
    QString s;
    for (QChar ch : input) {
        s += QString::number(ch.unicode() & 0xFF);
        s += QString::number(ch.unicode() >> 8);
    }
    const QString x = vb::mid(s, 2, 10);
    QString d;
    for (int pos = 2; pos <= 10; pos += 2)
        d += vb::mid(x, pos, 1);
    const double n = vb::val(d);
    // n is at most five decimal digits, so it fits a 32-bit number.
    const quint32 v = quint32(std::llround(n));
    const quint32 mask = 0x7E19;
    return vb::formatMask(double(v ^ mask), QStringLiteral("00000"));
}

std::optional<QString> digitalWeight(const QString &input)
{
    if (input.size() < 8)
        return std::nullopt;
    return vb::numText(std::fabs(vb::val(vb::mid(input, 2, 7))));
}

std::optional<QString> receiveBoxWeight(const QString &box, const QString &machineType)
{
    const int len = int(box.size());
    if (len <= 6)
        return std::nullopt;
    if (vb::val(machineType) == 2)
        return vb::mid(box, len - 6, 6);
    return vb::mid(box, len - 2, 2) + vb::right(box, 3);
}

} // namespace indicator
