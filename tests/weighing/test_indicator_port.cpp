// The live weight end to end: bytes written on the device's end of a
// pseudo-terminal pair reach the live-weight label through the port that
// the main screen opens at load, found by the "COMN" rule.
#include "support/office.h"

#include "weighing/msbox.h"

#include "testing/ptypair.h"

#include <QFileInfo>
#include <QSqlQuery>

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
    // The box that tells of a lost indicator.
    static QString lostBox(const QString &port, const QString &link, const QString &device)
    {
        return QStringLiteral("The weight indicator is not connected: %1 (%2 -> %3) went away.\n"
                              "No weight is read until it is back; the port is tried again every second.")
            .arg(port, link, device);
    }
    // F8, answered "Ok"; the print form it opens closes at once.
    void save(Form1 &f)
    {
        for (const char *name : {"preview", "previewprint", "previewplain"})
            if (!app().hasForm(name))
                app().registerForm(name, [name] { return std::make_unique<Form>(name); });
        host.onModal("msbox", [](Form &box) { ui::click(static_cast<msbox &>(box).OKButton); });
        ui::press(f, Key::F8);
    }
    // A stored ticket's weights and weighing mark: "gross|tare|grossoral|stage".
    QString stored(int num)
    {
        QSqlQuery q = aminv::dbConn().run(
            Sql("select grosswt, tarewt, grossoral, stage from emp where num=?", {num}));
        if (!q.next())
            return QStringLiteral("<none>");
        return QStringLiteral("%1|%2|%3|%4")
            .arg(q.value(0).toDouble())
            .arg(q.value(1).toDouble())
            .arg(q.value(2).toString())
            .arg(q.value(3).toInt());
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

// The cable is pulled after the indicator sent 07000: the live weight goes
// blank, the operator is told once (in a box nobody waits for), and the
// ticket saved now holds no weight. The device linked again under the same
// name is read again and weighs, without a restart.
TEST_F(IndicatorCable, ALostIndicatorIsNotWeighedAndIsReadAgainWhenBack)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    Form1 &f = startOn("1");
    ASSERT_TRUE(f.MSComm1.PortOpen()) << host.boxTexts().join("; ").toStdString();
    ASSERT_EQ(f.ActiveControl(), &f.num) << "a new ticket is on screen";
    const QString link = m_dir.filePath("COM3");
    const QString device = QFileInfo(link).canonicalFilePath();
    ASSERT_TRUE(m_pty.send("  07000 kg\r\n"));
    ASSERT_TRUE(waitUntil([&] { return f.Label1.Caption() == "07000"; })) << f.Label1.Caption().toStdString();
    // An indicator that sends only on a change is silent meanwhile: it is
    // not lost for that.
    waitUntil([] { return false; }, 2 * CommControl::ReopenMs);
    EXPECT_EQ(f.Label1.Caption(), "07000");
    EXPECT_TRUE(f.MSComm1.PortOpen());
    EXPECT_TRUE(host.boxes().empty());

    m_pty.unplug();
    ASSERT_TRUE(waitUntil([&] { return f.Label1.Caption().isEmpty(); })) << f.Label1.Caption().toStdString();
    EXPECT_FALSE(f.MSComm1.PortOpen());
    ASSERT_EQ(host.boxes().size(), 1u) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(host.boxes()[0].prompt, lostBox("COM3", link, device));
    EXPECT_FALSE(host.boxes()[0].waited) << "the port's event is not held up by the box";

    // The operator goes on with the ticket: capture, armed now, takes nothing.
    const QString number = f.num.Text();
    ui::typeInto(f.Combo4, "GJ17TT4521");
    host.fireTimers("Timer1");
    EXPECT_EQ(f.txtFields(2).Text(), "");
    EXPECT_EQ(f.Label1.Caption(), "");
    save(f);
    EXPECT_EQ(stored(number.toInt()), "0|0| |1") << "no 7000 stored as weighed";

    // Linked again under the same name, the indicator is read again.
    ASSERT_TRUE(m_pty.start(link, m_dir.filePath("indicator")));
    ASSERT_TRUE(waitUntil([&] { return f.MSComm1.PortOpen(); }));
    ui::press(f, Key::Esc);
    ASSERT_EQ(f.ActiveControl(), &f.num);
    const QString next = f.num.Text();
    ui::typeInto(f.Combo4, "GJ17TT4521");
    ASSERT_TRUE(m_pty.send("  08500 kg\r\n"));
    ASSERT_TRUE(waitUntil([&] { return f.Label1.Caption() == "08500"; })) << f.Label1.Caption().toStdString();
    EXPECT_EQ(f.txtFields(2).Text(), "08500");
    save(f);
    EXPECT_EQ(stored(next.toInt()), "8500|0| |1");
    EXPECT_EQ(host.boxes().size(), 1u) << "one box, for the loss: " << host.boxTexts().join("; ").toStdString();
}

// A port that is not there when the screen loads is reported by the load as
// before, and read as soon as the device appears, for every machine type.
TEST_F(IndicatorCable, APortMissingAtLoadIsReadWhenItAppears)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    struct Case {
        const char *type;
        QByteArray frame;
        QString shown;
    } cases[] = {
        {"1", "  01250 kg\r\n", "01250"},
        {"3", QByteArray("\x02\x00\x01\x02\x05\x00", 6), QString::number(1250 ^ 0x7E19).rightJustified(5, '0')},
        {"4", "+0056780\r", "56780"},
    };
    const QString link = m_dir.filePath("COM3");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        host.clearRecords();
        // The office's link to an adapter that is not plugged in.
        ASSERT_TRUE(QFile::link(m_dir.filePath("ttyUSB0"), link));
        prepare({Sql("update listvalue set Name=? where type='machtyp'", {QString(c.type)}),
                 Sql("update counter set comport=3")});
        Form1 &f = start();
        ASSERT_EQ(host.boxTexts(), QStringList{QStringLiteral("Invalid port number: COM3 (%1) does not exist").arg(link)});
        ui::focus(f.Combo4);

        QFile::remove(link);
        PtyPair later;
        ASSERT_TRUE(later.start(link, m_dir.filePath("indicator")));
        ASSERT_TRUE(waitUntil([&] { return f.indicatorPort()->PortOpen(); }));
        ASSERT_TRUE(later.send(c.frame));
        EXPECT_TRUE(waitUntil([&] { return f.Label1.Caption() == c.shown; })) << f.Label1.Caption().toStdString();
        EXPECT_EQ(f.txtFields(2).Text(), c.shown);
        EXPECT_EQ(host.boxes().size(), 1u) << "no word of a loss";
        f.Unload();
        later.unplug();
        ASSERT_TRUE(waitUntil([&] { return !QFileInfo::exists(link); }));
        aminv::release();
    }
}

} // namespace
