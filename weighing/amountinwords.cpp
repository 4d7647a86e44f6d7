#include "amountinwords.h"

#include "runtime/convert.h"

#include <array>
#include <cmath>

namespace aminv {

namespace {

int16_t wholeMod(double value, double divisor)
{
    return int16_t(std::fmod(std::floor(value), divisor));
}

} // namespace

QString AmountInWords(double amount)
{
    const double a = amount;
    double w = amount;
    const double length = double(vb::strNum(a).size() - 1);

    // Digits are peeled off the working value from the right: two for the
    // ones, one for the hundreds, then two for the thousands and one for the
    // lakh, the latter only for texts of five characters or more.
    int16_t ones = 0, hundreds = 0, thousands = 0, lakh = 0;
    double i = 1;
    while (i <= length) {
        if (i == 1) {
            ones = wholeMod(w, 100);
            w = w / 100;
            i = i + 1;
            hundreds = wholeMod(w, 10);
            w = w / 10;
            i = i + 1;
        }
        if (i == 4) {
            thousands = wholeMod(w, 100);
            w = w / 100;
            i = i + 1;
            lakh = wholeMod(w, 10);
            w = w / 10;
            i = i + 1;
        }
        i = i + 1;
    }

    QString r;
    if (lakh != 0)
        r = NumberWords(lakh) + QStringLiteral(" Lacks ");
    if (thousands != 0)
        r = r + NumberWords(thousands) + QStringLiteral(" Thousand ");
    if (hundreds != 0)
        r = r + NumberWords(hundreds) + QStringLiteral(" Hundred ");
    if (ones != 0)
        r = r + NumberWords(ones);

    const double paise = std::fmod(vb::roundHalfEven(a * 100), 100.0);
    if (paise != 0)
        r = r + QStringLiteral(" Rupees and ") + NumberWords(int16_t(paise)) + QStringLiteral(" Paise Only");
    else
        r = r + QStringLiteral(" Rupees Only ");

    if (w == 0)
        r = QStringLiteral("  ");
    return r;
}

QString NumberWords(int16_t n)
{
    static const std::array<const char *, 20> below20 = {
        "", "One ", "Two ", "Three ", "Four ", "Five ", "Six ", "Seven ", "Eight ", "Nine ",
        "Ten ", "Eleven ", "Twelve ", "Thirteen ", "Fourteen ", "Fifteen ", "Sixteen ",
        "Seventeen ", "Eighteen ", "Nineteen ",
    };
    // Round tens as the table holds them; Fifty and Sixty have no blank.
    static const std::array<const char *, 10> roundTens = {
        "", "", "Twenty ", "Thirty ", "Forty ", "Fifty", "Sixty", "Seventy ", "Eighty ", "Ninety ",
    };
    static const std::array<const char *, 10> tens = {
        "", "", "Twenty", "Thirty", "Forty", "Fifty", "Sixty", "Seventy", "Eighty", "Ninety",
    };
    static const std::array<const char *, 10> units = {
        "", "One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine",
    };

    if (n >= 1 && n <= 19)
        return QString::fromLatin1(below20[n]);
    if (n == 24)
        return QStringLiteral("Twenty Foure");
    if (n == 34)
        return QStringLiteral("Thirty Foure");
    if (n >= 20 && n <= 99) {
        if (n % 10 == 0)
            return QString::fromLatin1(roundTens[n / 10]);
        return QString::fromLatin1(tens[n / 10]) + u' ' + QString::fromLatin1(units[n % 10]);
    }
    if (n == 100)
        return QStringLiteral("Hundred ");
    return QString();
}

} // namespace aminv
