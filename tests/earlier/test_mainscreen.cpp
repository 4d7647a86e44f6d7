// The earlier edition's main screen: settings without a row check, the one
// port opened whatever the machine type, the banner, the print key, the
// modeless secondary forms and the menus it lacks.
#include "quilletoffice.h"

#include "runtime/convert.h"

#include <random>

using namespace vb;

namespace {

using EarlierMainScreen = QuilletOffice;

TEST_F(EarlierMainScreen, WithoutTheSettingsRowTheLoadStopsAtTheFirstField)
{
    prepare({Sql("delete from counter")});
    QuilletForm1 &f = start();
    ASSERT_EQ(host.boxes().size(), 1u) << host.boxTexts().join("; ").toStdString();
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.lblLabels(17).Caption(), "Company Name") << "the design caption stays";
    EXPECT_EQ(f.Marque, "");
    EXPECT_FALSE(f.MSComm1.PortOpen());
    EXPECT_EQ(f.Combo4.ListCount(), 0);
    EXPECT_EQ(f.Combo1.ListCount(), 0);
    EXPECT_FALSE(aminv::mainRs().isOpen()) << "the trap leaves the shared recordset closed";
}

TEST_F(EarlierMainScreen, LoadsTheSettingsAndLacksTheCurrentEditionsCommands)
{
    QuilletForm1 &f = start();
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(f.lblLabels(17).Caption(), "SHREE BALAJI WEIGHBRIDGE");
    EXPECT_EQ(f.lblLabels(18).Caption(), "Halol, Dist. Panchmahal, Gujarat");
    EXPECT_TRUE(f.mprintstyle);
    EXPECT_TRUE(f.mprintformat);
    EXPECT_EQ(f.mweight, 3);
    EXPECT_EQ(f.num.Text(), "1");
    EXPECT_GT(f.Combo1.ListCount(), 0);
    EXPECT_EQ(f.Timer1.Interval(), 1000);
    EXPECT_EQ(f.Timer2.Interval(), 25);
    EXPECT_EQ(f.MSComm1.InBufferSize(), 1024);
    QStringList pl, mast;
    for (auto &i : f.pl.items())
        pl << i->name();
    for (auto &i : f.mast.items())
        mast << i->name();
    EXPECT_EQ(pl, QStringList({"snw", "dw", "mw", "sw", "vw", "rw"}));
    EXPECT_EQ(mast, QStringList({"mtruck", "mrece", "mmate", "msup"}));
    EXPECT_FALSE(f.MSComm2.PortOpen() || f.MSComm3.PortOpen());
}

// Every stored machine type opens the one port, with its thresholds; the
// yes/no reading of the text column: true "Normal", false "T7".
struct MachineCase {
    const char *stored;
    bool normal;
};

class EarlierMachineTypes : public QuilletOffice, public ::testing::WithParamInterface<MachineCase>
{
};

TEST_P(EarlierMachineTypes, OpenThePortWithItsThresholds)
{
    if (!PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    prepare({Sql("update counter set machtyp=?", {QString(GetParam().stored)})});
    QuilletForm1 &f = start();
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_TRUE(f.MSComm1.PortOpen());
    EXPECT_EQ(f.MSComm1.CommPort(), 1);
    EXPECT_EQ(f.MSComm1.RThreshold(), 8);
    EXPECT_EQ(f.MSComm1.SThreshold(), 1);
    EXPECT_EQ(f.mmachtyp, GetParam().normal);
    f.Unload();
    EXPECT_FALSE(f.MSComm1.PortOpen()) << "unload closes the port";
    EXPECT_THROW(aminv::dbConn(), RuntimeError) << "and releases the connection";
}

INSTANTIATE_TEST_SUITE_P(Stored, EarlierMachineTypes,
                         ::testing::Values(MachineCase{"1", true}, MachineCase{"0", false},
                                           MachineCase{"True", true}, MachineCase{"False", false},
                                           MachineCase{"2", true}));

TEST_F(EarlierMainScreen, BannerShowsTheTimeForOneBlank)
{
    prepare({Sql("update counter set Marque=' '")});
    QuilletForm1 &f = start();
    host.setNow(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 30)));
    host.fireTimers("Timer2");
    EXPECT_EQ(f.lblLabels(7).Caption(), "09:07:30");
    f.Marque = "0";
    host.fireTimers("Timer2");
    EXPECT_EQ(f.lblLabels(7).Caption(), "0") << "\"0\" is shown as it stands";
}

TEST_F(EarlierMainScreen, LabelColoursUseOneFactorPerLabel)
{
    QuilletForm1 &f = start();
    host.seed(7);
    std::mt19937 rng(7);
    auto r = [&] { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); };
    auto colour = [&](double factor) {
        auto part = [&](double x) { return int(std::min(255.0, roundHalfEven(x * factor))); };
        const double r1 = r(), r2 = r(), r3 = r();
        return rgb(part(r1), part(r2), part(r3));
    };
    const uint32_t name = colour(100), address = colour(200), city = colour(300);
    host.fireTimers("Timer1");
    EXPECT_EQ(f.lblLabels(17).BackColor(), name);
    EXPECT_EQ(f.lblLabels(16).BackColor(), address);
    EXPECT_EQ(f.lblLabels(18).BackColor(), city);
}

// F6 opens the print form of the print settings and does nothing else.
struct PrintCase {
    bool style, format;
    const char *form;
};

class EarlierPrintKey : public QuilletOffice, public ::testing::WithParamInterface<PrintCase>
{
};

TEST_P(EarlierPrintKey, OpensThePrintFormOnly)
{
    standIns({"preview", "previewprint", "previewplain"});
    prepare({Sql("update counter set printstyle=?, printformat=?", {GetParam().style, GetParam().format})});
    QuilletForm1 &f = start();
    const QStringList slipBefore = rows("select * from slip");
    const QStringList layoutBefore = rows("select caption from prnvarplain order by name, \"index\"");
    ui::focus(f.Combo4); // leaves the number box on a ticket never saved
    ui::press(f, Key::F6);
    EXPECT_EQ(host.modalsShown(), QStringList({GetParam().form}));
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(rows("select * from slip"), slipBefore);
    EXPECT_EQ(rows("select caption from prnvarplain order by name, \"index\""), layoutBefore);
}

INSTANTIATE_TEST_SUITE_P(Settings, EarlierPrintKey,
                         ::testing::Values(PrintCase{false, false, "preview"}, PrintCase{false, true, "preview"},
                                           PrintCase{true, false, "previewprint"},
                                           PrintCase{true, true, "previewplain"}));

TEST_F(EarlierMainScreen, SecondaryFormsOpenModeless)
{
    standIns({"frmLogin3", "frmLogin1", "printno", "printpurdt", "printmat", "printsup", "printturck",
              "printrece", "frmtruck", "frmreceiver", "frmmaterial", "frmsupplier"});
    QuilletForm1 &f = start();
    ui::press(f, Key::F4);
    ui::press(f, Key::F7);
    const struct {
        const char *item, *form;
        bool master;
    } menus[] = {{"snw", "printno", false},   {"dw", "printpurdt", false}, {"mw", "printmat", false},
                 {"sw", "printsup", false},   {"vw", "printturck", false}, {"rw", "printrece", false},
                 {"mtruck", "frmtruck", true}, {"mrece", "frmreceiver", true}, {"mmate", "frmmaterial", true},
                 {"msup", "frmsupplier", true}};
    for (auto &m : menus) {
        host.pickMenu(m.item);
        ui::press(f, m.master ? Key::F3 : Key::F2);
    }
    EXPECT_TRUE(host.modalsShown().isEmpty()) << host.modalsShown().join(", ").toStdString();
    for (const char *name : {"frmLogin3", "frmLogin1", "printno", "printpurdt", "printmat", "printsup",
                             "printturck", "printrece", "frmtruck", "frmreceiver", "frmmaterial",
                             "frmsupplier"}) {
        Form &shown = app().form(name);
        EXPECT_TRUE(shown.visible() && !shown.modal()) << name;
    }
    ui::press(f, Key::F4);
    EXPECT_TRUE(app().form("frmLogin3").visible()) << "a second press brings up the one instance";
    EXPECT_TRUE(f.loaded());
}

TEST_F(EarlierMainScreen, TicketListStaysModal)
{
    standIns({"acclocate"});
    QuilletForm1 &f = start();
    ui::press(f, Key::F5);
    EXPECT_EQ(host.modalsShown(), QStringList({"acclocate"}));
}

TEST_F(EarlierMainScreen, F1StartsTheCalculatorMinimized)
{
    QuilletForm1 &f = start();
    host.addProgram("Calc.exe");
    ui::press(f, Key::F1);
    ASSERT_EQ(host.started().size(), 1u);
    EXPECT_EQ(host.started()[0].program, "Calc.exe");
    EXPECT_EQ(host.started()[0].windowStyle, WinStyle::MinimizedFocus);
}

TEST_F(EarlierMainScreen, F1WithoutTheCalculatorReportsIt)
{
    QuilletForm1 &f = start();
    ui::press(f, Key::F1);
    EXPECT_TRUE(host.started().empty());
    EXPECT_EQ(host.boxTexts(), QStringList({"File not found: Calc.exe (no calculator is installed)"}));
    EXPECT_TRUE(f.loaded()) << "the screen goes on";
}

} // namespace
