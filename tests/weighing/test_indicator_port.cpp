// The live weight end to end: bytes written on the device's end of a
// pseudo-terminal pair reach the live-weight label through the port that
// the main screen opens at load, found by the "COMN" rule.
#include "support/office.h"

#include "testing/ptypair.h"

using namespace vb;

namespace {

class IndicatorCable : public Office
{
protected:
    // Starts the screen on machine type `type`, its port linked as COM3.
    Form1 &startOn(const char *type)
    {
        EXPECT_TRUE(m_pty.start(m_dir.filePath("COM3"), m_dir.filePath("indicator")));
        prepare({Sql("update listvalue set Name=? where type='machtyp'", {QString(type)}),
                 Sql("update counter set comport=3")});
        return start();
    }
    PtyPair m_pty;
};

TEST_F(IndicatorCable, NormalFramesFlowIntoTheGrossField)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    Form1 &f = startOn("1");
    ASSERT_TRUE(f.MSComm1.PortOpen()) << host.boxTexts().join("; ").toStdString();
    EXPECT_TRUE(host.boxes().empty());
    ui::focus(f.Combo4);
    host.setNow(QDateTime(QDate(2024, 3, 5), QTime(11, 45)));
    ASSERT_TRUE(m_pty.send("  01250 kg\r\n"));
    EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == "01250"; })) << f.Label1.Caption().toStdString();
    EXPECT_EQ(f.txtFields(2).Text(), "01250");
    EXPECT_EQ(f.txtFields(3).Text(), "05/03/2024");
    EXPECT_EQ(f.txtFields(9).Text(), "11:45");
    ASSERT_TRUE(m_pty.send("  01990 kg\r\n"));
    EXPECT_TRUE(waitUntil([&] { return f.txtFields(2).Text() == "01990"; }));
    f.Unload();
    EXPECT_FALSE(f.MSComm1.PortOpen()) << "unload closes the port";
}

TEST_F(IndicatorCable, NewIndicatorIsDecoded)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    Form1 &f = startOn("3");
    ASSERT_TRUE(f.MSComm2.PortOpen()) << host.boxTexts().join("; ").toStdString();
    ASSERT_TRUE(m_pty.send(QByteArray("\x02\x00\x01\x02\x05\x00", 6)));
    const QString expected = QString::number(1250 ^ 0x7E19).rightJustified(5, '0');
    EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == expected; })) << f.Label1.Caption().toStdString();
}

TEST_F(IndicatorCable, DigitalIndicatorShowsItsWeight)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    Form1 &f = startOn("4");
    ASSERT_TRUE(f.MSComm3.PortOpen()) << host.boxTexts().join("; ").toStdString();
    EXPECT_FALSE(f.MSComm1.PortOpen());
    ASSERT_TRUE(m_pty.send("+0056780\r"));
    EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == "56780"; })) << f.Label1.Caption().toStdString();
}

TEST_F(IndicatorCable, UsbIndicatorGoesThroughTheReceiveBox)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    prepare({Sql("update counter set musb=?", {true})});
    Form1 &f = startOn("1");
    ASSERT_TRUE(f.MSComm1.PortOpen());
    ASSERT_TRUE(m_pty.send("AB01250\r\n"));
    EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == "25250"; })) << f.Label1.Caption().toStdString();
    EXPECT_EQ(f.Text1.Text(), "") << "the parser clears the receive box";
}

} // namespace
