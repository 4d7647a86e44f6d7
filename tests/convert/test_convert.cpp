// Value conversions and run-time errors: the cases where hand-written
// conversions usually go wrong (rounding, sign positions, partial numbers,
// the Windows-1252 gap at 0x80-0x9F, Null).
#include "runtime/convert.h"
#include "runtime/errors.h"
#include "testing/scriptedhost.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace vb;

namespace {

// The number of the run-time error a call raises, 0 when it raises none.
int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

struct TextCase {
    const char *input;
    double expected;
};

struct NumberText {
    double input;
    const char *expected;
};

} // namespace

TEST(Convert, ValReadsTheLeadingNumber)
{
    const std::vector<TextCase> cases = {
        {"12x", 12},      {"", 0},          {"  01250 kg", 1250}, {"1 2", 12},
        {"-", 0},         {"&H1F", 31},     {"&h1f", 31},         {"&O17", 15},
        {" .5", 0.5},     {"1e3", 1000},    {"1E+3", 1000},       {"2.5e-1", 0.25},
        {"1D2", 100},     {"1e", 1},        {"1e+", 1},           {"  -3.5kg", -3.5},
        {"+7", 7},        {"1.2.3", 1.2},   {"\t4\n2", 42},       {"x12", 0},
        {"..5", 0},       {"&HFFFF", -1},   {"&H8000", -32768},   {"&H10000", 65536},
        {"&HFFFFFFFF", -1}, {"&", 0},       {"&X12", 0},          {"0.0", 0},
        {"00", 0},        {"1,5", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_DOUBLE_EQ(val(QString::fromLatin1(c.input)), c.expected);
    }
}

TEST(Convert, ValOfAnOutOfRangeNumberOverflows)
{
    EXPECT_EQ(errorOf([] { val(QStringLiteral("1e400")); }), 6);
    EXPECT_EQ(errorOf([] { val(QStringLiteral("&H100000000")); }), 6);
}

TEST(Convert, NumTextIsTheGeneralNumberText)
{
    const std::vector<NumberText> cases = {
        {0.5, "0.5"},
        {1250, "1250"},
        {-3, "-3"},
        {0, "0"},
        {-0.0, "0"},
        {1e15, "1E+15"},
        {1.5e20, "1.5E+20"},
        {123456789012345.0, "123456789012345"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {-2.25, "-2.25"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {345678.75, "345678.75"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(numText(c.input), QString::fromLatin1(c.expected));
    }
}

TEST(Convert, StrNumKeepsASignPosition)
{
    const std::vector<NumberText> cases = {
        {5678, " 5678"}, {0.5, " .5"},     {0, " 0"},       {-2.25, "-2.25"},
        {-0.5, "-.5"},   {1e15, " 1E+15"}, {99.5, " 99.5"}, {345678.75, " 345678.75"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(strNum(c.input), QString::fromLatin1(c.expected));
    }
}

TEST(Convert, FormatMaskPadsAndRoundsHalfAwayFromZero)
{
    struct Case {
        double value;
        const char *mask;
        const char *expected;
    };
    const std::vector<Case> cases = {
        {1250, "00000", "01250"},
        {123456, "00000", "123456"},
        {-12, "00000", "-00012"},
        {2.5, "00000", "00003"},
        {3.5, "00000", "00004"},
        {-2.5, "00000", "-00003"},
        {2.4, "00000", "00002"},
        {0, "00000", "00000"},
        {99999.5, "00000", "100000"},
        {1e20, "00000", "100000000000000000000"},
        {12.6, "000000", "000013"},
        {7, "0.00", "7.00"},
        {3.14159, "0.00", "3.14"},
        {0.125, "0.00", "0.13"},
        {0.994, "0.00", "0.99"},
        // Rounded on the number's 15-digit decimal text, not its binary value.
        {1.005, "0.00", "1.01"},
        {0.995, "0.00", "1.00"},
        {1234.5, "0.00", "1234.50"},
        {0.004, "0.00", "0.00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatMask(c.value, QString::fromLatin1(c.mask)), QString::fromLatin1(c.expected));
    }
}

TEST(Convert, RoundHalfEven)
{
    const std::vector<std::pair<double, double>> cases = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2},
        {2.4, 2}, {2.6, 3}, {-2.6, -3}, {7, 7},     {12.5, 12}, {-0.4, 0},
    };
    for (const auto &[in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(roundHalfEven(in), out);
    }
}

TEST(Convert, WholeNumberConversions)
{
    const std::vector<std::pair<double, int>> int16Cases = {
        {32767.4, 32767}, {-32768.4, -32768}, {32766.5, 32766}, {1.5, 2}, {-1.5, -2}, {0.5, 0},
    };
    for (const auto &[in, out] : int16Cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(toInt16(in), out);
    }
    EXPECT_EQ(toInt16(QStringLiteral(" 12 ")), 12);
    EXPECT_EQ(toInt16(QStringLiteral("2.5")), 2);
    EXPECT_EQ(toInt16(QStringLiteral("&H1F")), 31);
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_EQ(toInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(toInt32(40000.5), 40000);
}

TEST(Convert, WholeNumberErrors)
{
    struct Case {
        const char *what;
        std::function<void()> call;
        int error;
    };
    const std::vector<Case> cases = {
        {"32768", [] { toInt16(32768.0); }, 6},
        {"32767.5 rounds up", [] { toInt16(32767.5); }, 6},
        {"-32768.6", [] { toInt16(-32768.6); }, 6},
        {"text 40000", [] { toInt16(QStringLiteral("40000")); }, 6},
        {"text 12x", [] { toInt16(QStringLiteral("12x")); }, 13},
        {"empty text", [] { toInt16(QString()); }, 13},
        {"int32 above", [] { toInt32(2147483647.5); }, 6},
        {"int32 below", [] { toInt32(-2147483649.0); }, 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorOf(c.call), c.error);
    }
}

TEST(Convert, IsNumericIsStrict)
{
    const std::vector<std::pair<const char *, bool>> cases = {
        {"12", true},   {" 12 ", true}, {"-3.5", true}, {"1.", true},  {".5", true},
        {"1e3", true},  {"+4", true},   {"&H1F", true}, {"0", true},   {"1E-2", true},
        {"", false},    {" ", false},   {"12x", false}, {"1 2", false}, {".", false},
        {"-", false},   {"1e", false},  {"e3", false},  {"&H", false}, {"&O8", false},
        {"1.2.3", false},
    };
    for (const auto &[text, numeric] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(isNumeric(QString::fromLatin1(text)), numeric);
    }
    EXPECT_DOUBLE_EQ(toDouble(QStringLiteral(" 2.5 ")), 2.5);
    EXPECT_DOUBLE_EQ(toDouble(QStringLiteral("-1e2")), -100);
    EXPECT_EQ(errorOf([] { toDouble(QStringLiteral("12x")); }), 13);
    EXPECT_EQ(errorOf([] { toDouble(QString()); }), 13);
}

TEST(Convert, TextFunctions)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {ucase(QStringLiteral("ab1c")), QStringLiteral("AB1C")},
        {lcase(QStringLiteral("AbC")), QStringLiteral("abc")},
        {trim(QStringLiteral("  a b  ")), QStringLiteral("a b")},
        // Only blanks are trimmed, tabs stay.
        {trim(QStringLiteral("\ta ")), QStringLiteral("\ta")},
        {ltrim(QStringLiteral("  a ")), QStringLiteral("a ")},
        {rtrim(QStringLiteral("  a ")), QStringLiteral("  a")},
        {trim(QStringLiteral("   ")), QString()},
        {space(3), QStringLiteral("   ")},
        {space(0), QString()},
        {left(QStringLiteral("abc"), 2), QStringLiteral("ab")},
        {left(QStringLiteral("abc"), 5), QStringLiteral("abc")},
        {right(QStringLiteral("abc"), 2), QStringLiteral("bc")},
        {right(QStringLiteral("abc"), 9), QStringLiteral("abc")},
        {mid(QStringLiteral("abcdef"), 2, 3), QStringLiteral("bcd")},
        {mid(QStringLiteral("abcdef"), 5, 9), QStringLiteral("ef")},
        {mid(QStringLiteral("abc"), 2), QStringLiteral("bc")},
        {mid(QStringLiteral("abc"), 4), QString()},
        {mid(QStringLiteral("abc"), 9, 2), QString()},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].first, cases[i].second);
    }
}

TEST(Convert, TextFunctionsRejectNegativeArguments)
{
    EXPECT_EQ(errorOf([] { space(-1); }), 5);
    EXPECT_EQ(errorOf([] { left(QStringLiteral("abc"), -1); }), 5);
    EXPECT_EQ(errorOf([] { right(QStringLiteral("abc"), -1); }), 5);
    EXPECT_EQ(errorOf([] { mid(QStringLiteral("abc"), 0); }), 5);
    EXPECT_EQ(errorOf([] { mid(QStringLiteral("abc"), 1, -2); }), 5);
}

TEST(Convert, AnsiRoundTripsEveryByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromAnsi(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toAnsi(text), all);
}

TEST(Convert, AnsiCharacters)
{
    const std::vector<std::pair<unsigned char, char16_t>> cases = {
        {0x41, u'A'},    {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D},
        {0x8F, 0x008F},  {0x90, 0x0090}, {0x92, 0x2019}, {0x96, 0x2013}, {0x99, 0x2122},
        {0x9D, 0x009D},  {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const auto &[byte, code] : cases) {
        SCOPED_TRACE(int(byte));
        EXPECT_EQ(fromAnsi(QByteArray(1, char(byte))), QString(QChar(code)));
        EXPECT_EQ(toAnsi(QString(QChar(code))), QByteArray(1, char(byte)));
    }
    // Characters Windows-1252 lacks become '?', a surrogate pair only one.
    EXPECT_EQ(toAnsi(QString(QChar(0x0100))), QByteArray("?"));
    EXPECT_EQ(toAnsi(QString(QChar(0x0080))), QByteArray("?"));
    EXPECT_EQ(toAnsi(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), QByteArray("a?b"));
}

TEST(Convert, DateAndTimeTexts)
{
    const QDate date(2024, 3, 5);
    EXPECT_EQ(dateText(date), QStringLiteral("05/03/2024"));
    EXPECT_EQ(shortDate(date), QStringLiteral("05/03/2024"));
    EXPECT_EQ(timeText(QTime(9, 7, 30)), QStringLiteral("09:07"));
    EXPECT_EQ(timeText(QTime(23, 59)), QStringLiteral("23:59"));
    EXPECT_EQ(generalDate(QDateTime(date, QTime(9, 7, 30))), QStringLiteral("05/03/2024 09:07:30"));
}

TEST(Convert, ToDateReadsTheUsualForms)
{
    const std::vector<std::pair<const char *, QDate>> cases = {
        {"05/03/2024", QDate(2024, 3, 5)}, {"5/3/2024", QDate(2024, 3, 5)},
        {"05-03-2024", QDate(2024, 3, 5)}, {"2024-03-05", QDate(2024, 3, 5)},
        {" 31/12/1999 ", QDate(1999, 12, 31)}, {"29/02/2024", QDate(2024, 2, 29)},
    };
    for (const auto &[text, date] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(toDate(QString::fromLatin1(text)), date);
    }
    for (const char *bad : {"31/02/2024", "29/02/2023", "", " ", "abc", "13/13/2024", "05/03-2024",
                            "2024/03/05", "05/03/24"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(errorOf([bad] { toDate(QString::fromLatin1(bad)); }), 13);
    }
}

TEST(Convert, ValuesAsTexts)
{
    const std::vector<std::pair<QVariant, QString>> cases = {
        {QVariant(1250), QStringLiteral("1250")},
        {QVariant(0.5), QStringLiteral("0.5")},
        {QVariant(-3.0), QStringLiteral("-3")},
        {QVariant(qlonglong(1234567890123LL)), QStringLiteral("1234567890123")},
        {QVariant(true), QStringLiteral("True")},
        {QVariant(false), QStringLiteral("False")},
        {QVariant(QDate(2024, 3, 5)), QStringLiteral("05/03/2024")},
        {QVariant(QDateTime(QDate(2024, 3, 5), QTime(9, 7))), QStringLiteral("05/03/2024")},
        {QVariant(QStringLiteral(" abc ")), QStringLiteral(" abc ")},
        {QVariant(QString(QLatin1String(""))), QString()},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(textOf(cases[i].first), cases[i].second);
    }
}

TEST(Convert, ValuesAsNumbersAndYesNo)
{
    const std::vector<std::pair<QVariant, double>> numbers = {
        {QVariant(42), 42},
        {QVariant(2.5), 2.5},
        {QVariant(QStringLiteral(" 3.5 ")), 3.5},
        {QVariant(true), -1},
        {QVariant(false), 0},
        {QVariant(QDate(1899, 12, 31)), 1},
        {QVariant(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5},
    };
    for (size_t i = 0; i < numbers.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(numberOf(numbers[i].first), numbers[i].second);
    }

    const std::vector<std::pair<QVariant, bool>> yesNo = {
        {QVariant(true), true},
        {QVariant(false), false},
        {QVariant(0), false},
        {QVariant(2), true},
        {QVariant(-0.5), true},
        {QVariant(QStringLiteral("True")), true},
        {QVariant(QStringLiteral("false")), false},
        {QVariant(QStringLiteral("0")), false},
        {QVariant(QStringLiteral("-1")), true},
    };
    for (size_t i = 0; i < yesNo.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(boolOf(yesNo[i].first), yesNo[i].second);
    }
}

TEST(Convert, NullAndMismatchedValues)
{
    // A database Null arrives as a typed but null value.
    const std::vector<QVariant> nulls = {
        QVariant(),
        QVariant(QMetaType::fromType<QString>()),
        QVariant(QMetaType::fromType<int>()),
        QVariant(QMetaType::fromType<double>()),
    };
    for (size_t i = 0; i < nulls.size(); ++i) {
        SCOPED_TRACE(i);
        const QVariant v = nulls[i];
        EXPECT_EQ(errorOf([v] { textOf(v); }), 94);
        EXPECT_EQ(errorOf([v] { numberOf(v); }), 94);
        EXPECT_EQ(errorOf([v] { boolOf(v); }), 94);
    }
    EXPECT_EQ(errorOf([] { numberOf(QVariant(QStringLiteral("12x"))); }), 13);
    EXPECT_EQ(errorOf([] { boolOf(QVariant(QStringLiteral("yes"))); }), 13);
}

TEST(RuntimeErrors, NumbersAndDescriptions)
{
    struct Case {
        RuntimeError error;
        int number;
        const char *what;
    };
    const std::vector<Case> cases = {
        {RuntimeError::invalidCall(), 5, "5: Invalid procedure call or argument"},
        {RuntimeError::overflow(), 6, "6: Overflow"},
        {RuntimeError::typeMismatch(), 13, "13: Type mismatch"},
        {RuntimeError::fileNotFound(), 53, "53: File not found"},
        {RuntimeError::invalidNull(), 94, "94: Invalid use of Null"},
        {RuntimeError::database(QStringLiteral("Disk full")), -2147467259, "-2147467259: Disk full"},
        {RuntimeError(3021, QString::fromUtf8("Kein aktueller Datensatz \xC3\xBC")), 3021,
         "3021: Kein aktueller Datensatz \xC3\xBC"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.error.number(), c.number);
        EXPECT_STREQ(c.error.what(), c.what);
        EXPECT_EQ(c.error.description(), QString::fromUtf8(std::strchr(c.what, ':') + 2));
    }
}

TEST(RuntimeErrors, SkipErrorPassesOverOneStatement)
{
    int reached = 0;
    EXPECT_TRUE(skipError([&] { ++reached; }));
    EXPECT_FALSE(skipError([&] {
        throw RuntimeError::overflow();
        ++reached;
    }));
    EXPECT_EQ(reached, 1);
    EXPECT_THROW(skipError([] { throw ProgramEnded{}; }), ProgramEnded);
}

class TrapAndShow : public ::testing::Test
{
protected:
    void SetUp() override { App::instance().setHost(&m_host); }
    void TearDown() override { App::instance().setHost(nullptr); }
    ScriptedHost m_host;
};

TEST_F(TrapAndShow, ShowsTheDescriptionAndLeavesTheHandler)
{
    bool afterError = false;
    EXPECT_FALSE(trapAndShow([&] {
        toInt16(40000.0);
        afterError = true;
    }));
    EXPECT_FALSE(afterError);
    ASSERT_EQ(m_host.boxes().size(), 1u);
    EXPECT_EQ(m_host.boxes()[0].prompt, QStringLiteral("Overflow"));
    EXPECT_EQ(m_host.boxes()[0].buttons, Msg::OKOnly);
}

TEST_F(TrapAndShow, QuietWithoutErrorAndLetsEndThrough)
{
    EXPECT_TRUE(trapAndShow([] {}));
    EXPECT_TRUE(m_host.boxes().empty());
    EXPECT_THROW(trapAndShow([] { throw ProgramEnded{}; }), ProgramEnded);
    EXPECT_TRUE(m_host.boxes().empty());
}
