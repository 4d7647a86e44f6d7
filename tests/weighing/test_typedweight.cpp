// The rule for a weight typed by hand, beside what the leading-number
// conversion makes of the same text (what was stored before the rule).
#include "weighing/typedweight.h"

#include "runtime/convert.h"

#include <gtest/gtest.h>

namespace {

TEST(TypedWeight, APlainNumberOfAtMostSevenDigitsAndThreeDecimals)
{
    struct Case {
        const char *typed;
        bool plain;
        double val; // the leading-number value
        const char *why;
    } cases[] = {
        {"", true, 0, "empty weighs 0"},
        {" ", true, 0, "the save's blank fill"},
        {"12000", true, 12000, "digits"},
        {"0", true, 0, "zero"},
        {"08450", true, 8450, "a leading zero, as the indicator shows it"},
        {" 12000 ", true, 12000, "blanks around"},
        {"1234567", true, 1234567, "seven digits"},
        {"12000.5", true, 12000.5, "decimals"},
        {"9999999.999", true, 9999999.999, "the heaviest"},
        {"12345678", false, 12345678, "eight digits"},
        {"00000001", false, 1, "eight digits, leading zeros included: the ticket shows them"},
        {"99999999999999999999", false, 1e20, "twenty digits"},
        {"12000.1255", false, 12000.1255, "four decimals"},
        {"1e308", false, 1e308, "an exponent"},
        {"1E3", false, 1000, "an exponent"},
        {"1D3", false, 1000, "the other exponent letter"},
        {"-500", false, -500, "a sign"},
        {"+500", false, 500, "a sign"},
        {"12,000", false, 12, "a thousands separator"},
        {"12 000", false, 12000, "a blank inside"},
        {"12x", false, 12, "a letter after the digits"},
        {"kg", false, 0, "no digits"},
        {"&H1F", false, 31, "a hexadecimal number"},
        {".5", false, 0.5, "no digit before the point"},
        {"5.", false, 5, "a point without decimals"},
        {"1.2.3", false, 1.2, "two points"},
        {"\u0967\u0968", false, 0, "digits of another script"},
    };
    for (const Case &c : cases) {
        const QString typed = QString::fromUtf8(c.typed);
        EXPECT_EQ(typedweight::plain(typed), c.plain) << c.typed << ": " << c.why;
        EXPECT_DOUBLE_EQ(vb::val(typed), c.val) << c.typed;
    }
}

TEST(TypedWeight, TheRefusalNamesTheField)
{
    EXPECT_EQ(typedweight::problem("Gross"),
              "Gross must be a weight in digits: at most 7 before the point and 3 after it");
    EXPECT_EQ(typedweight::problem("Tare Wt"),
              "Tare Wt must be a weight in digits: at most 7 before the point and 3 after it");
}

} // namespace
