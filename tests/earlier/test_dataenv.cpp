// The serial terminal form over a pseudo-terminal pair linked as COM1.
#include "quilletoffice.h"

#include "earlier/frmdataenv.h"

#include <thread>

using namespace vb;

namespace {

class EarlierTerminal : public QuilletOffice
{
protected:
    frmDataEnv &open()
    {
        frmDataEnv &t = app().form<frmDataEnv>(frmDataEnv::Name);
        t.Show(false);
        return t;
    }
    // Plays a modem on the cable's far end: waits for a command, answers.
    void answerWith(const QByteArray &reply)
    {
        m_modem = std::thread([this, reply] {
            m_heard = cable.receive(7, 5000);
            cable.send(reply);
        });
    }
    void TearDown() override
    {
        if (m_modem.joinable())
            m_modem.join();
        QuilletOffice::TearDown();
    }
    std::thread m_modem;
    QByteArray m_heard;
};

TEST_F(EarlierTerminal, DesignAndPortToggle)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    frmDataEnv &t = open();
    EXPECT_EQ(t.Caption(), "Form1");
    EXPECT_EQ(t.Command1.Caption(), "Command1");
    EXPECT_EQ(t.cmdUpdate.Caption(), "&Save");
    EXPECT_EQ(t.MSComm1.Settings(), "9600,n,8,1");
    ui::click(t.Command1);
    EXPECT_TRUE(t.MSComm1.PortOpen());
    ui::click(t.Command1);
    EXPECT_FALSE(t.MSComm1.PortOpen());
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(EarlierTerminal, APortThatCannotOpenIsAWarning)
{
    frmDataEnv &t = open();
    ASSERT_TRUE(QFile::link(m_dir.filePath("nowhere"), m_dir.filePath("COM7")));
    t.MSComm1.setCommPort(7);
    ui::click(t.Command1);
    EXPECT_FALSE(t.MSComm1.PortOpen());
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_EQ(host.boxes()[0].buttons & 0x70, Msg::Exclamation);
}

TEST_F(EarlierTerminal, ArrivedTextIsShownAsATerminalShowsIt)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    frmDataEnv &t = open();
    ui::click(t.Command1);
    ASSERT_TRUE(cable.send("AB\bC\r\nD"));
    EXPECT_TRUE(waitUntil([&] { return t.txtTerm.Text() == "AC\r\nD"; }))
        << t.txtTerm.Text().toStdString();
    ASSERT_TRUE(cable.send("\b"));
    EXPECT_TRUE(waitUntil([&] { return t.txtTerm.Text() == "AC\r\n"; })) << "a backspace first takes the last one";
}

TEST_F(EarlierTerminal, ALongTerminalDropsItsFirst4096Characters)
{
    frmDataEnv &t = open();
    t.txtTerm.setText(QString(16001, 'a'));
    QString data = "b";
    t.ShowTermData(t.txtTerm, data);
    EXPECT_EQ(t.txtTerm.Text().size(), 16001 - 4096 + 1);
    EXPECT_TRUE(t.txtTerm.Text().endsWith("ab"));
}

TEST_F(EarlierTerminal, ProbeModemWaitsForOkAndCrLf)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    frmDataEnv &t = open();
    answerWith("\r\nOK\r\n");
    EXPECT_TRUE(t.ProbeModem());
    m_modem.join();
    EXPECT_EQ(m_heard, "ATV1Q0\r");
    EXPECT_FALSE(t.MSComm1.PortOpen()) << "the probe closes the port";
}

TEST_F(EarlierTerminal, OkWithoutCrLfDoesNotEndTheWait)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    frmDataEnv &t = open();
    answerWith("OK");
    EXPECT_FALSE(t.ProbeModem(1500));
    EXPECT_FALSE(t.MSComm1.PortOpen());
}

TEST_F(EarlierTerminal, DrainInputEmptiesTheBuffer)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    frmDataEnv &t = open();
    t.MSComm1.setRThreshold(0); // no receive events: the bytes wait
    ui::click(t.Command1);
    t.DrainInput();
    EXPECT_EQ(t.MSComm1.InBufferCount(), 0) << "an empty buffer reads nothing";
    ASSERT_TRUE(cable.send("xyz"));
    ASSERT_TRUE(waitUntil([&] { return t.MSComm1.InBufferCount() == 3; }));
    t.DrainInput();
    EXPECT_EQ(t.MSComm1.InBufferCount(), 0);
    EXPECT_EQ(t.txtTerm.Text(), "");
}

} // namespace
