// The charge in words exactly as tickets store it, blanks included: the
// grouping digits, the dropped ten-lakh digit, the paise rounding and the
// odd table entries.
#include "weighing/amountinwords.h"

#include <gtest/gtest.h>

#include <vector>

using aminv::AmountInWords;
using aminv::NumberWords;

TEST(AmountInWords, Amounts)
{
    struct Case {
        double amount;
        const char *words;
    };
    const std::vector<Case> cases = {
        {0, "  "},
        {1, "One  Rupees Only "},
        {20, "Twenty  Rupees Only "},
        {24, "Twenty Foure Rupees Only "},
        {34, "Thirty Foure Rupees Only "},
        {44, "Forty Four Rupees Only "},
        {50, "Fifty Rupees Only "},
        {60, "Sixty Rupees Only "},
        {100, "One  Hundred  Rupees Only "},
        {999, "Nine  Hundred Ninety Nine Rupees Only "},
        {1000, "One  Thousand  Rupees Only "},
        {24000, "Twenty Foure Thousand  Rupees Only "},
        {34000, "Thirty Foure Thousand  Rupees Only "},
        {100000, "One  Lacks  Rupees Only "},
        {999999, "Nine  Lacks Ninety Nine Thousand Nine  Hundred Ninety Nine Rupees Only "},
        {345678.75, "Three  Lacks Forty Five Thousand Six  Hundred Seventy Eight Rupees and Seventy Five Paise Only"},
        {1250.5, "One  Thousand Two  Hundred Fifty Rupees and Fifty Paise Only"},
        // A five-character text: the thousands step runs but finds nothing.
        {99.5, "Ninety Nine Rupees and Fifty Paise Only"},
        {0.5, " Rupees and Fifty Paise Only"},
        {0.34, " Rupees and Thirty Foure Paise Only"},
        {0.24, " Rupees and Twenty Foure Paise Only"},
        // Paise are rounded half to even.
        {0.125, " Rupees and Twelve  Paise Only"},
        {0.375, " Rupees and Thirty Eight Paise Only"},
        // Only one lakh digit: ten lakh and more lose the higher digits.
        {1500000, "Five  Lacks  Rupees Only "},
        {1000000, " Rupees Only "},
        {10000000, " Rupees Only "},
        {12345678, "Three  Lacks Forty Five Thousand Six  Hundred Seventy Eight Rupees Only "},
        {2500000.5, "Five  Lacks  Rupees and Fifty Paise Only"},
        // A negative amount: the digits are below zero, so the hundreds
        // (floor of -0.05 is -1) join with an empty word.
        {-5, " Hundred  Rupees Only "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.amount);
        EXPECT_EQ(AmountInWords(c.amount), QString::fromLatin1(c.words));
    }
}

TEST(AmountInWords, NumberWordsTable)
{
    struct Case {
        int n;
        const char *words;
    };
    const std::vector<Case> cases = {
        {1, "One "},          {9, "Nine "},          {10, "Ten "},           {11, "Eleven "},
        {13, "Thirteen "},    {19, "Nineteen "},     {20, "Twenty "},        {21, "Twenty One"},
        {24, "Twenty Foure"}, {30, "Thirty "},       {34, "Thirty Foure"},   {40, "Forty "},
        {44, "Forty Four"},   {47, "Forty Seven"},   {50, "Fifty"},          {54, "Fifty Four"},
        {60, "Sixty"},        {64, "Sixty Four"},    {67, "Sixty Seven"},    {70, "Seventy "},
        {74, "Seventy Four"}, {80, "Eighty "},       {84, "Eighty Four"},    {90, "Ninety "},
        {94, "Ninety Four"},  {99, "Ninety Nine"},   {100, "Hundred "},      {0, ""},
        {-1, ""},             {101, ""},             {32767, ""},            {-32768, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(NumberWords(int16_t(c.n)), QString::fromLatin1(c.words));
    }
}

