// The earlier edition's indicator reading: the receive routine ShowData
// with its backspace, line-feed and carriage-return rules, the "Normal"
// and "T7" receive-box parser, the one port's receive handler, and the
// number box's enter and leave.
#include "quilletoffice.h"

#include <QFileInfo>

using namespace vb;

namespace {

class EarlierReading : public QuilletOffice
{
protected:
    // Starts the screen; the parser's machine type and the USB flag as given.
    QuilletForm1 &startAs(bool usb, bool normal)
    {
        QuilletForm1 &f = start();
        f.musb = usb;
        f.mmachtyp = normal;
        f.Text1.setText(QString());
        return f;
    }
    void show(QuilletForm1 &f, const QString &text)
    {
        QString data = text;
        f.ShowData(f.Text1, data);
    }
};

TEST_F(EarlierReading, NotUsbTheReadingShowsWithSixDigits)
{
    QuilletForm1 &f = startAs(false, true);
    show(f, "  01250xyz");
    EXPECT_EQ(f.Label1.Caption(), "001250");
    show(f, "kg 5");
    EXPECT_EQ(f.Label1.Caption(), "000000") << "a reading without a leading number";
    show(f, "1\b2");
    EXPECT_EQ(f.Label1.Caption(), "000002") << "the backspace takes the character before it";
    EXPECT_EQ(f.Text1.Text(), "") << "the receive box is not written";
}

TEST_F(EarlierReading, UsbNormalTakesTheSixCharactersBeforeTheLast)
{
    QuilletForm1 &f = startAs(true, true);
    show(f, "001250\r");
    // The box held 001250, CR, LF: its characters 2 to 7.
    EXPECT_EQ(f.Label1.Caption(), QString("01250\r"));
    EXPECT_EQ(f.Text1.Text(), "") << "the parser clears the box";
}

TEST_F(EarlierReading, UsbT7ReversesTheLastSix)
{
    QuilletForm1 &f = startAs(true, false);
    show(f, "05");
    EXPECT_EQ(f.Text1.Text(), "05") << "six characters or fewer wait in the box";
    show(f, "\n2100");
    EXPECT_EQ(f.Text1.Text(), "052100") << "the line feed is dropped";
    show(f, "X");
    EXPECT_EQ(f.Label1.Caption(), "X00125");
    f.Text1.setText("A052100");
    EXPECT_EQ(f.Label1.Caption(), "001250");
    EXPECT_EQ(f.Text1.Text(), "");
}

TEST_F(EarlierReading, UsbBackspaceFirstRemovesTheBoxsLastCharacter)
{
    QuilletForm1 &f = startAs(true, true);
    show(f, "1234");
    show(f, "\b");
    EXPECT_EQ(f.Text1.Text(), "123");
    show(f, "\bx");
    EXPECT_EQ(f.Text1.Text(), "12x") << "the data replaces the selected last character";
    show(f, "a\bb");
    EXPECT_EQ(f.Text1.Text(), "12xb");
    EXPECT_EQ(f.Text1.SelStart(), 4) << "the caret ends at the end";
}

TEST_F(EarlierReading, TheCableDeliversThroughTheReceiveHandler)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    QuilletForm1 &f = start();
    ASSERT_TRUE(f.MSComm1.PortOpen()) << host.boxTexts().join("; ").toStdString();
    ui::focus(f.Combo4);
    ASSERT_TRUE(cable.send("  01250 kg\r\n"));
    EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == "001250"; })) << f.Label1.Caption().toStdString();
    EXPECT_EQ(f.txtFields(2).Text(), "001250") << "the capture takes it into gross";
    EXPECT_EQ(f.txtFields(3).Text(), "05/03/2024");
}

TEST_F(EarlierReading, NewTicketReadsThePortWhateverTheType)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    QuilletForm1 &f = start();
    f.musb = true;
    f.mmachtyp = false;
    ASSERT_TRUE(cable.send("12345678"));
    EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == "876543"; })) << f.Label1.Caption().toStdString();
    // Fewer bytes than the receive threshold raise no event; the new ticket
    // reads them.
    ASSERT_TRUE(cable.send("abc"));
    ASSERT_TRUE(waitUntil([&] { return f.MSComm1.InBufferCount() == 3; }));
    ui::focus(f.Combo4);
    ui::press(f, Key::Esc);
    EXPECT_EQ(f.ActiveControl(), &f.num);
    EXPECT_EQ(f.MSComm1.InBufferCount(), 0);
    EXPECT_EQ(f.Text1.Text(), "abc") << "handed to ShowData, into the receive box";
}

// The cable pulled: the weight taken while the indicator was there stays,
// the live weight goes blank and a new ticket takes nothing from it, the
// operator is told once; linked again as COM1 the indicator is read again.
TEST_F(EarlierReading, ALostIndicatorIsNotWeighedAndIsReadAgainWhenBack)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    QuilletForm1 &f = start();
    ASSERT_TRUE(f.MSComm1.PortOpen()) << host.boxTexts().join("; ").toStdString();
    const QString link = m_dir.filePath("COM1");
    const QString device = QFileInfo(link).canonicalFilePath();
    ui::focus(f.Combo4);
    ASSERT_TRUE(cable.send("  07000 kg\r\n"));
    ASSERT_TRUE(waitUntil([&] { return f.txtFields(2).Text() == "007000"; })) << f.Label1.Caption().toStdString();

    cable.unplug();
    ASSERT_TRUE(waitUntil([&] { return f.Label1.Caption().isEmpty(); })) << f.Label1.Caption().toStdString();
    host.fireTimers("Timer1");
    EXPECT_EQ(f.txtFields(2).Text(), "007000") << "taken while the indicator was there, it stays";
    ASSERT_EQ(host.boxes().size(), 1u) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(host.boxes()[0].prompt,
              QStringLiteral("The weight indicator is not connected: COM1 (%1 -> %2) went away.\n"
                             "No weight is read until it is back; the port is tried again every second.")
                  .arg(link, device));
    EXPECT_EQ(host.boxes()[0].title, "Quillet");
    EXPECT_FALSE(host.boxes()[0].waited);

    ui::press(f, Key::Esc);
    ui::focus(f.Combo4);
    host.fireTimers("Timer1");
    EXPECT_EQ(f.txtFields(2).Text(), "") << "a new ticket takes nothing";

    ASSERT_TRUE(cable.start(link, m_dir.filePath("indicator")));
    ASSERT_TRUE(waitUntil([&] { return f.MSComm1.PortOpen(); }));
    ASSERT_TRUE(cable.send("  08500 kg\r\n"));
    EXPECT_TRUE(waitUntil([&] { return f.txtFields(2).Text() == "008500"; })) << f.Label1.Caption().toStdString();
    EXPECT_EQ(f.Label1.Caption(), "008500");
    EXPECT_EQ(host.boxes().size(), 1u);
}

TEST_F(EarlierReading, LeavingTheNumberLoadsAStoredTicketAndF6PrintsAtOnce)
{
    standIns({"previewplain"});
    storeTicket(5, "GJ17TT4521", 18000, 0, 1);
    QuilletForm1 &f = start();
    ui::typeInto(f.num, "5");
    ui::focus(f.Combo4);
    EXPECT_EQ(f.Combo4.Text(), "GJ17TT4521");
    EXPECT_EQ(f.txtFields(2).Text(), "18000");
    EXPECT_EQ(f.txtFields(3).Text(), "04/03/2024");
    EXPECT_EQ(f.lblLabels(15).Caption(), "Oral");
    EXPECT_EQ(f.mstage, 2);
    EXPECT_EQ(f.BackColor(), 0x80C0FFu);

    ui::focus(f.num);
    f.num.setText("99");
    ui::focus(f.Combo4);
    EXPECT_EQ(f.mstage, 1) << "a number not stored stays a new ticket";
    EXPECT_EQ(f.num.Text(), "99");
    ui::press(f, Key::F6);
    EXPECT_EQ(host.modalsShown(), QStringList({"previewplain"}));
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
}

} // namespace
