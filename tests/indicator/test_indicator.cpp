// The indicator rules: what each machine type turns received data into.
#include "weighing/indicator.h"

#include "runtime/convert.h"
#include "testing/qtprint.h"

#include <gtest/gtest.h>
#include <random>

using namespace indicator;

namespace {

QString chars(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s += QChar(char16_t(c));
    return s;
}

TEST(IndicatorNormal, TakesTheFirstTenBytesWithTheMask)
{
    const QByteArray frame("  01250 kg\r\n"); // 12 bytes in one event
    EXPECT_EQ(normalFrame(frame), "  01250 kg");
    EXPECT_EQ(maskedWeight(normalFrame(frame)), "01250");
    EXPECT_EQ(maskedWeight("   kg 0125"), "00000") << "no leading number";
    EXPECT_EQ(maskedWeight("123456"), "123456");
    EXPECT_EQ(maskedWeight("-12"), "-00012");
    EXPECT_EQ(normalFrame(QByteArray("\x80" "12", 3)), QString(QChar(0x20AC)) + "12");
}

TEST(IndicatorNew, PicksDigitsAndXorsWithTheMask)
{
    struct Case {
        QString input;
        QString shown;
        const char *why;
    } cases[] = {
        {"", "32281", "empty digit text: n = 0 shows the mask 7E19 itself"},
        // First byte 2, then 0,1,2,5,0: s = "20" "00" "10" "20" "50" "00"
        // x = "0001020500", d = chars 2,4,6,8,10 = "01250" -> 1250.
        {chars({2, 0, 1, 2, 5, 0}), vb::formatMask(1250 ^ 0x7E19, "00000"), "one-digit first byte"},
        // First byte 65 ("A") shifts the picked positions: s = "650" "00"
        // "10" ..., x = "5000102050", so d picks the high bytes "00000".
        {chars({65, 0, 1, 2, 5, 0}), "32281", "two-digit first byte"},
        {chars({65, 1, 2, 3, 4, 5}), vb::formatMask(0 ^ 0x7E19, "00000"), "shifted onto the zeros"},
        // 9 9 9 9 9 after a one-digit byte: n = 99999, above 16 bits.
        {chars({1, 9, 9, 9, 9, 9}), vb::formatMask(99999 ^ 0x7E19, "00000"), "five-digit value"},
        // n = 40000: four hex digits with the top bit set, read unsigned.
        {chars({1, 4, 0, 0, 0, 0}), vb::formatMask(40000 ^ 0x7E19, "00000"), "no negative reading"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(newTypeWeight(c.input), c.shown) << c.why;
}

TEST(IndicatorDigital, TakesCharactersTwoToEight)
{
    EXPECT_EQ(digitalWeight("+0056780\r"), std::optional<QString>("56780"));
    EXPECT_EQ(digitalWeight("-0056780\r"), std::optional<QString>("56780")) << "the sign is dropped";
    EXPECT_EQ(digitalWeight("+005678"), std::nullopt) << "seven characters change nothing";
    EXPECT_EQ(digitalWeight("+0012.50"), std::optional<QString>("12.5")) << "decimals kept";
    EXPECT_EQ(digitalWeight("+ABCDEFG"), std::optional<QString>("0"));
}

TEST(IndicatorReceiveBox, ParsesByMachineType)
{
    struct Case {
        QString box, type;
        std::optional<QString> shown;
    } cases[] = {
        {"X001250Y", "2", QString("001250")},
        {"ABCDEFG", "1", QString("EFEFG")},
        {"AB01250", "1", QString("25250")},
        {"ABCDEF", "1", std::nullopt},
        {"ABCDEF", "2", std::nullopt},
        {"ABCDEFG", "x", QString("EFEFG")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(receiveBoxWeight(c.box, c.type), c.shown) << c.box.toStdString();
}

TEST(IndicatorFuzz, RandomBytesNeverThrowAndStayShort)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(0, 64), byte(0, 255);
    for (int run = 0; run < 3000; ++run) {
        QByteArray data;
        for (int i = len(rng); i > 0; --i)
            data.append(char(byte(rng)));
        const QString text = vb::fromAnsi(data);
        EXPECT_NO_THROW({
            EXPECT_LE(normalFrame(data).size(), 10);
            EXPECT_LE(maskedWeight(normalFrame(data)).size(), 24);
            EXPECT_LE(newTypeWeight(text).size(), 6);
            if (auto w = digitalWeight(text)) {
                EXPECT_LE(w->size(), 24);
            }
            for (const char *type : {"1", "2", "3", "4"}) {
                if (auto w = receiveBoxWeight(text, type)) {
                    EXPECT_LE(w->size(), 6);
                }
            }
        });
    }
}

} // namespace
