// The main weighing screen driven as an operator drives it, on the
// delivered database in a temporary directory.
#include "support/office.h"

#include "runtime/convert.h"

#include <random>

using namespace vb;

namespace {

using MainScreen = Office;

TEST_F(MainScreen, OpensOnANewTicketNumberedAfterTheHighest)
{
    Form1 &f = start();
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.ActiveControl(), &f.num);
    EXPECT_EQ(f.num.Text(), "1") << "an empty ticket table starts at 1";
    EXPECT_EQ(f.mstage, 1);
    EXPECT_EQ(f.BackColor(), 0xC0E0FFu);
    EXPECT_TRUE(f.Option1(0).Value());
    EXPECT_EQ(f.ToggleButton1.Caption(), "Auto");
    EXPECT_FALSE(f.mAuto) << "capture waits for the truck box";
    EXPECT_FALSE(f.lblLabels(17).Caption().isEmpty());
    EXPECT_GT(f.Combo1.ListCount(), 0) << "the combos are filled from the masters";
    EXPECT_FALSE(f.MSComm1.PortOpen() || f.MSComm2.PortOpen() || f.MSComm3.PortOpen())
        << "machine type 2 opens no port";
}

TEST_F(MainScreen, NextNumberFollowsTheHighestStoredTicket)
{
    storeTicket(41, "MH12AB1234", 20000, 0, 1);
    storeTicket(7, "GJ01", 15000, 5000, 3);
    Form1 &f = start();
    EXPECT_EQ(f.num.Text(), "42");
}

TEST_F(MainScreen, LiveWeightFollowsIntoGrossWhileArmed)
{
    Form1 &f = start();
    host.setNow(QDateTime(QDate(2024, 3, 5), QTime(9, 7)));
    f.Label1.setCaption("01250");
    EXPECT_EQ(f.txtFields(2).Text(), "") << "not armed before the truck box has the focus";
    ui::focus(f.Combo4);
    EXPECT_TRUE(f.mAuto);
    EXPECT_EQ(f.txtFields(2).Text(), "01250") << "arming captures at once";
    f.Label1.setCaption("01260");
    EXPECT_EQ(f.txtFields(2).Text(), "01260");
    EXPECT_EQ(f.txtFields(3).Text(), "05/03/2024");
    EXPECT_EQ(f.txtFields(9).Text(), "09:07");
    EXPECT_EQ(f.txtFields(4).Text(), "");
    f.mAuto = false;
    f.Label1.setCaption("01300");
    host.fireTimers("Timer1");
    EXPECT_EQ(f.txtFields(2).Text(), "01260") << "disarmed, the field keeps its weight";
    f.mAuto = true;
    host.fireTimers("Timer1");
    EXPECT_EQ(f.txtFields(2).Text(), "01300") << "the 500 ms timer runs the capture too";
}

TEST_F(MainScreen, TareOptionCapturesIntoTare)
{
    Form1 &f = start();
    ui::focus(f.Combo4);
    ui::click(f.Option1(1));
    f.Label1.setCaption("05000");
    EXPECT_EQ(f.txtFields(4).Text(), "05000");
    EXPECT_EQ(f.txtFields(2).Text(), "");
    EXPECT_FALSE(f.txtFields(5).Text().isEmpty());
}

TEST_F(MainScreen, RecalledStageOneTicketCapturesTheMissingWeight)
{
    storeTicket(5, "MH12", 0, 5000, 1, " ", " ", "04/03/2024", "08:00");
    storeTicket(6, "GJ01", 20000, 0, 1, "04/03/2024", "08:00");
    Form1 &f = start();
    struct Case {
        QString number, truck;
        double stored;
        int captureInto, option;
    } cases[] = {{"5", "MH12", 5000, 2, 0}, {"6", "GJ01", 20000, 4, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number.toStdString());
        ui::press(f, Key::Esc);
        f.num.setText(c.number);
        ui::focus(f.Combo4);
        EXPECT_EQ(f.mstage, 2);
        EXPECT_EQ(f.BackColor(), 0x80C0FFu);
        EXPECT_EQ(f.ActiveControl(), &f.Option1(c.option));
        EXPECT_TRUE(f.Option1(c.option).Value());
        EXPECT_TRUE(f.mAuto);
        EXPECT_EQ(f.Combo4.Text(), c.truck);
        f.Label1.setCaption("11111");
        EXPECT_EQ(f.txtFields(c.captureInto).Text(), "11111");
        EXPECT_EQ(f.txtFields(6).Text(), numText(std::abs(11111 - c.stored)));
    }
}

TEST_F(MainScreen, StoredStampsSurviveTheRecall)
{
    storeTicket(3, "KA05", 0, 4200, 1, " ", " ", "01/03/2024", "07:45", "Oral");
    Form1 &f = start();
    f.num.setText("3");
    ui::press(f, Key::Tab);
    EXPECT_EQ(f.txtFields(5).Text(), "01/03/2024");
    EXPECT_EQ(f.txtFields(0).Text(), "07:45");
    EXPECT_EQ(f.lblLabels(15).Caption(), "Oral");
    EXPECT_FALSE(f.dbAddnewFlag);
}

TEST_F(MainScreen, StageTwoAndThreeTicketsAreLocked)
{
    storeTicket(8, "MH12", 20000, 0, 2);
    storeTicket(9, "MH12", 20000, 5000, 3);
    Form1 &f = start();
    struct Case {
        QString number;
        Control *focus;
        double stage;
    } cases[] = {{"8", &f.cmdUpdate, 3}, {"9", &f.cmdPrint, 4}};
    for (const Case &c : cases) {
        ui::focus(f.num);
        f.num.setText(c.number);
        ui::press(f, Key::Enter);
        EXPECT_EQ(f.ActiveControl(), c.focus);
        EXPECT_EQ(f.mstage, c.stage);
        EXPECT_FALSE(f.mAuto);
        for (Control *locked : std::initializer_list<Control *>{&f.Combo4, &f.Combo2, &f.Combo1, &f.Combo3,
                                                                &f.txtFields(2), &f.txtFields(4),
                                                                &f.txtFields(8), &f.Frame1})
            EXPECT_FALSE(locked->Enabled()) << locked->fullName().toStdString();
        f.Label1.setCaption("99999");
        EXPECT_NE(f.txtFields(2).Text(), "99999") << "nothing is captured";
        ui::press(f, Key::Esc);
        EXPECT_EQ(f.ActiveControl(), &f.num);
        EXPECT_TRUE(f.Combo4.Enabled()) << "a new ticket unlocks";
    }
}

TEST_F(MainScreen, UnstoredNumberStaysANewTicket)
{
    Form1 &f = start();
    for (const char *typed : {"77", ""}) {
        ui::focus(f.num);
        f.num.setText(typed);
        ui::focus(f.Combo4);
        EXPECT_EQ(f.num.Text(), typed);
        EXPECT_EQ(f.mstage, 1);
        EXPECT_TRUE(f.dbAddnewFlag);
        EXPECT_TRUE(host.boxes().empty()) << typed;
    }
}

TEST_F(MainScreen, WeightWrittenAsZeroClearsTheOtherSideOnlyWhenItIsZero)
{
    Form1 &f = start();
    f.txtFields(2).setText("20000");
    f.txtFields(4).setText("5000");
    EXPECT_EQ(f.txtFields(6).Text(), "15000");
    f.txtFields(2).setText("0");
    EXPECT_FALSE(f.txtFields(5).Text().isEmpty()) << "the tare is not 0: its stamps stay";
    EXPECT_EQ(f.txtFields(6).Text(), "15000") << "net waits for both weights";
    f.txtFields(4).setText("0");
    EXPECT_TRUE(f.txtFields(3).Text().isEmpty());
    EXPECT_TRUE(f.txtFields(9).Text().isEmpty());
    f.txtFields(2).setText("");
    EXPECT_TRUE(f.txtFields(5).Text().isEmpty());
    EXPECT_TRUE(f.txtFields(0).Text().isEmpty());
}

TEST_F(MainScreen, PickingATruckFillsItsStoredTareOnlyOnAFirstWeighing)
{
    prepare({Sql("delete from truckmast"),
             Sql("insert into truckmast (num, Name, tarewt) values (1, 'MH12AB1234', 6200)")});
    storeTicket(4, "MH12AB1234", 21000, 0, 1);
    Form1 &f = start();
    ASSERT_EQ(f.Combo4.ListCount(), 1);
    ui::pick(f.Combo4, 0);
    EXPECT_EQ(f.txtFields(4).Text(), "6200");
    EXPECT_FALSE(f.txtFields(5).Text().isEmpty()) << "the stored tare is stamped";
    ui::focus(f.num);
    f.num.setText("4");
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.mstage, 2);
    f.Label1.setCaption("07000");
    ui::pick(f.Combo4, 0);
    EXPECT_EQ(f.txtFields(4).Text(), "07000") << "a second weighing keeps its tare";
}

TEST_F(MainScreen, WithNoTypedWeightsTheToggleHidesAndARecallGoesToSave)
{
    prepare({Sql("update counter set mweight=0")});
    storeTicket(6, "MH12", 20000, 0, 1);
    Form1 &f = start();
    EXPECT_FALSE(f.ToggleButton1.Visible());
    f.num.setText("6");
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.ActiveControl(), &f.cmdUpdate);
    EXPECT_TRUE(f.Option1(1).Value()) << "the tare option was chosen on the way";
}

TEST_F(MainScreen, TypingAWeightMarksItOral)
{
    Form1 &f = start();
    ui::click(f.ToggleButton1);
    EXPECT_EQ(f.ToggleButton1.Caption(), "Oral");
    EXPECT_TRUE(f.txtFields(2).Enabled());
    EXPECT_FALSE(f.txtFields(4).Enabled());
    EXPECT_EQ(f.lblLabels(14).Caption(), "Oral");
    ui::typeInto(f.txtFields(2), "18500");
    EXPECT_EQ(f.txtFields(2).Text(), "18500");
    EXPECT_FALSE(f.txtFields(3).Text().isEmpty());
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.ActiveControl(), &f.cmdUpdate) << "Enter goes to save when the amount is not asked";
    ui::click(f.ToggleButton1);
    EXPECT_EQ(f.ToggleButton1.Caption(), "Auto");
    EXPECT_FALSE(f.txtFields(2).Enabled());
    EXPECT_EQ(f.lblLabels(14).Caption(), "");
}

TEST_F(MainScreen, AmountMustBeEntered)
{
    prepare({Sql("update counter set public=?", {true})});
    Form1 &f = start();
    for (const char *typed : {"", "0", "abc"}) {
        host.clearRecords();
        ui::focus(f.txtFields(8));
        f.txtFields(8).setText(typed);
        ui::focus(f.Combo4);
        EXPECT_EQ(host.boxTexts(), QStringList{"you must enter value"}) << typed;
        EXPECT_EQ(f.ActiveControl(), &f.txtFields(8));
        EXPECT_EQ(f.txtFields(8).Text(), "");
    }
    f.txtFields(8).setText("150");
    ui::focus(f.Combo4);
    EXPECT_EQ(f.ActiveControl(), &f.Combo4);
}

TEST_F(MainScreen, EnterWalksTheTicketFields)
{
    Form1 &f = start();
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.ActiveControl(), &f.Option1(0));
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.ActiveControl(), &f.ToggleButton1);
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.ActiveControl(), &f.Combo4);
    for (Control *next : std::initializer_list<Control *>{&f.Combo2, &f.Combo1, &f.Combo3, &f.txtFields(4)}) {
        ui::press(f, Key::Enter);
        EXPECT_EQ(f.ActiveControl(), next) << next->fullName().toStdString();
    }
}

TEST_F(MainScreen, BannerShowsTheTextOrTheClockAndWraps)
{
    prepare({Sql("update counter set Marque=?", {QString("0")})});
    Form1 &f = start();
    host.setNow(QDateTime(QDate(2024, 3, 5), QTime(10, 30, 15)));
    Label &banner = f.lblLabels(7);
    banner.setLeft(100);
    host.fireTimers("Timer2");
    EXPECT_EQ(banner.Caption(), generalDate(host.now()));
    EXPECT_EQ(banner.Left(), 75);
    banner.setLeft(-banner.Width() + 10);
    host.fireTimers("Timer2");
    EXPECT_EQ(banner.Left(), f.Width()) << "re-enters at the right edge";
    f.Marque = "Welcome";
    host.fireTimers("Timer2");
    EXPECT_EQ(banner.Caption(), "Welcome");
}

TEST_F(MainScreen, HeadingColoursChangeEveryHalfSecond)
{
    Form1 &f = start();
    host.seed(1);
    host.fireTimers("Timer1");
    const uint32_t first = f.lblLabels(17).BackColor();
    host.fireTimers("Timer1");
    EXPECT_NE(f.lblLabels(17).BackColor(), first);
    EXPECT_LE(f.lblLabels(16).BackColor() & 0xFF, 200u);
}

TEST_F(MainScreen, LoadsWithoutASettingsRow)
{
    prepare({Sql("delete from counter"), Sql("delete from listvalue")});
    Form1 &f = start();
    EXPECT_TRUE(host.boxes().empty());
    EXPECT_EQ(f.Marque, "");
    EXPECT_FALSE(f.mpublic);
    EXPECT_EQ(f.mweight, 0);
    EXPECT_EQ(f.lblLabels(17).Caption(), "Company Name") << "design caption kept";
    EXPECT_FALSE(f.MSComm1.PortOpen());
    EXPECT_EQ(f.num.Text(), "1");
}

TEST_F(MainScreen, CreatesAMissingMachineTypeRow)
{
    prepare({Sql("delete from listvalue"), Sql("update counter set machtyp=?", {QString("2")})});
    Form1 &f = start();
    EXPECT_EQ(f.mmachtyp, "2") << "this run uses the settings row's type";
    EXPECT_FALSE(f.MSComm1.PortOpen());
    f.Unload();
    Recordset rs;
    Connection c;
    c.Open(QString::fromLatin1(aminv::DefaultConnection), QString(), QString(), -1);
    rs.Open("select * from listvalue where type='machtyp'", c, 3, 3, -1);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(textOf(rs.Fields("Name").Value()), "1");
    rs.Close();
    c.Close();
}

TEST_F(MainScreen, AMissingPortIsReportedAndTheScreenStillWorks)
{
    prepare({Sql("update listvalue set Name='1'"), Sql("update counter set comport=200")});
    Form1 &f = start();
    EXPECT_FALSE(f.MSComm1.PortOpen());
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_TRUE(f.visible());
    EXPECT_TRUE(f.MSComm1.reopening()) << "the port is tried again";
    ui::typeInto(f.Combo4, "MH12");
    ui::press(f, Key::Enter);
    EXPECT_EQ(f.ActiveControl(), &f.Combo2) << "the ticket is edited as ever";
    // Without its indicator the screen has no live weight to take.
    f.Label1.setCaption("00500");
    EXPECT_EQ(f.txtFields(2).Text(), "");
}

TEST_F(MainScreen, FunctionKeysOpenTheirForms)
{
    // Forms of other areas are not registered here: opening one raises 424.
    expectUntrappedError(424);
    Form1 &f = start();
    host.clearRecords();
    ui::press(f, Key::F4);
    EXPECT_EQ(host.boxTexts(), QStringList{"The form frmLogin3 is not part of this program yet"});
    host.clearRecords();
    host.pickMenu("mtruck");
    ui::press(f, Key::F3);
    EXPECT_EQ(host.boxTexts(), QStringList{"The form frmtruck is not part of this program yet"});
    host.clearRecords();
    host.addProgram("calc.exe");
    ui::press(f, Key::F1);
    ASSERT_EQ(host.started().size(), 1u);
    EXPECT_EQ(host.started()[0].program, "calc.exe");
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(MainScreen, ACalculatorThatCannotRunIsReported)
{
    Form1 &f = start();
    struct Case {
        const char *what;
        const char *script; // calc.exe in the run directory, or none
        QStringList boxes;
    } cases[] = {
        {"none at all", nullptr, {"File not found: calc.exe (no calculator is installed)"}},
        {"none behind the run directory's calc.exe",
         "echo 'calc.exe: no desktop calculator is installed' >&2; exit 1",
         {"calc.exe failed:\ncalc.exe: no desktop calculator is installed"}},
        {"one that fails without a word", "exit 4", {"calc.exe failed:\nit ended with exit code 4"}},
        {"one that runs", "exit 0", {}},
        {"one that reads its input first", "cat; echo 'calc.exe: no display' >&2; exit 1",
         {"calc.exe failed:\ncalc.exe: no display"}},
        {"one that ran and was closed from outside", "kill -TERM $$", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove("calc.exe");
        if (c.script) {
            QFile script("calc.exe");
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(c.script);
        }
        host.clearRecords();
        ui::press(f, Key::F1);
        ASSERT_TRUE(host.waitForPrograms());
        EXPECT_EQ(host.boxTexts(), c.boxes);
        EXPECT_TRUE(f.loaded()) << "the screen goes on";
    }
}

TEST_F(MainScreen, ClosingReleasesTheDatabaseAndEndsTheProgram)
{
    Form1 &f = start();
    ui::press(f, Key::F12);
    EXPECT_FALSE(f.loaded());
    EXPECT_FALSE(aminv::connected());
    EXPECT_TRUE(host.allUnloaded());
}

TEST_F(MainScreen, StaysMaximized)
{
    Form1 &f = start();
    f.setWindowState(WindowState::Normal);
    EXPECT_EQ(f.WindowState(), WindowState::Maximized);
    f.setWindowState(WindowState::Minimized);
    EXPECT_EQ(f.WindowState(), WindowState::Minimized);
}

TEST_F(MainScreen, RandomReadingsKeepTheReceiveBoxShort)
{
    Form1 &f = start();
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> len(0, 40), byte(0, 255);
    for (bool usb : {true, false}) {
        f.musb = usb;
        for (const char *type : {"1", "2"}) {
            f.mmachtyp = type;
            for (int run = 0; run < 2000; ++run) {
                QByteArray bytes;
                for (int i = len(rng); i > 0; --i)
                    bytes.append(char(byte(rng)));
                QString data = fromAnsi(bytes);
                f.ShowWeight(f.Text1, data);
                ASSERT_LE(f.Text1.Text().size(), 100 + 40) << "usb " << usb << " type " << type;
            }
        }
    }
    EXPECT_TRUE(host.boxes().empty());
}

} // namespace
