// The earlier edition's settings forms: the company lines and the yes/no
// machine type stored and read by the next start, and the tools of the full
// form opened beside it. OK ends the program, so the tests start it again
// in the same directory to see what the next run reads.
#include "quilletoffice.h"

#include "earlier/quilletsettings.h"

#include "admin/frmlogin1.h"
#include "admin/logingate.h"
#include "earlier/quilletlogins.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

// Replaces a box's text as the operator does: select it all, type over it.
void retype(TextBox &box, const QString &text)
{
    ui::focus(box);
    ui::select(box, 0, int(box.Text().size()));
    ui::press(*box.form(), Key::Delete);
    ui::type(*box.form(), text);
}

class EarlierSettings : public QuilletOffice
{
protected:
    // F7, then the account that leads to the form; the gate and the form
    // both open beside the main screen.
    template <class F> F &openByLogin(const QString &user, const QString &password)
    {
        if (!form1)
            start();
        ui::press(*form1, Key::F7);
        auto &gate = app().form<LoginGate>(frmLogin1::Name);
        EXPECT_TRUE(gate.visible());
        ui::typeInto(gate.txtUserName, user);
        ui::typeInto(gate.txtPassword, password);
        ui::click(gate.cmdOK);
        EXPECT_TRUE(host.modalsShown().isEmpty());
        return dynamic_cast<F &>(app().form(user == "Galth" ? newsetting::Name : setting::Name));
    }
    QuilletSetting &openSetting() { return openByLogin<QuilletSetting>("pemo", "rovet"); }
    QuilletNewSetting &openNewSetting()
    {
        return openByLogin<QuilletNewSetting>("Galth", QuilletLogin1::dayPassword(host.now().date()));
    }

    void ok(setting &f)
    {
        host.clearRecords();
        ui::click(f.OKButton);
        EXPECT_TRUE(host.programEnded());
        EXPECT_EQ(host.boxTexts(), QStringList({"you must restart "}));
    }

    // The rows of a query read on a connection of its own: OK closes the
    // program's.
    QStringList stored(const QString &query) { return shownRows(earlier::ConnectionString, query); }
};

// ---- company lines ---------------------------------------------------------

struct CompanyCase {
    const char *form; // "setting" or "newsetting"
    const char *name, *address, *city;
    const char *storedName; // what the blank rule makes of it
};

std::ostream &operator<<(std::ostream &os, const CompanyCase &c) { return os << c.form << " '" << c.name << "'"; }

class CompanyLines : public EarlierSettings, public ::testing::WithParamInterface<CompanyCase>
{
};

TEST_P(CompanyLines, StoredAndShownAfterTheRestart)
{
    const CompanyCase &c = GetParam();
    setting &f = QString(c.form) == setting::Name ? static_cast<setting &>(openSetting()) : openNewSetting();
    EXPECT_EQ(f.Text4.Text(), "SHREE BALAJI WEIGHBRIDGE");
    EXPECT_EQ(f.Text6.Text(), "Halol, Dist. Panchmahal, Gujarat");
    retype(f.Text4, c.name);
    retype(f.Text5, c.address);
    retype(f.Text6, c.city);
    ok(f);
    EXPECT_EQ(stored("select compnm, address, city, Marque from counter"),
              QStringList({QString(c.storedName) + "|" + c.address + "|" + c.city +
                           "|Welcome to Shree Balaji Weighbridge - 60 Ton Electronic Weighbridge - Open 24 Hours"}));

    QuilletForm1 &main = restart();
    EXPECT_EQ(main.lblLabels(17).Caption(), c.storedName);
    EXPECT_EQ(main.lblLabels(16).Caption(), c.address);
    EXPECT_EQ(main.lblLabels(18).Caption(), c.city);
    // The other form shows what this one stored.
    setting &other = QString(c.form) == setting::Name ? static_cast<setting &>(openNewSetting()) : openSetting();
    EXPECT_EQ(other.Text4.Text(), c.storedName);
    EXPECT_EQ(other.Text5.Text(), c.address);
    EXPECT_EQ(other.Text6.Text(), c.city);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CompanyLines,
    ::testing::Values(CompanyCase{"setting", "KAVERI KANTA", "Ring Road 7", "Surat", "KAVERI KANTA"},
                      CompanyCase{"newsetting", "O'Brien & Sons", "Gate \"B\"", "Vadodara", "O'Brien & Sons"},
                      CompanyCase{"setting", "", "Ring Road 7", "Surat", " "},
                      CompanyCase{"newsetting", "", "Ring Road 7", "Surat", " "}));

TEST_F(EarlierSettings, CancelStoresNothingAndTheProgramRuns)
{
    QuilletSetting &f = openSetting();
    retype(f.Text4, "CHANGED");
    ui::click(f.CancelButton);
    EXPECT_FALSE(f.loaded());
    EXPECT_FALSE(host.programEnded());
    EXPECT_EQ(stored("select compnm from counter"), QStringList({"SHREE BALAJI WEIGHBRIDGE"}));
}

// ---- machine type ------------------------------------------------------------

struct MachCase {
    const char *label;
    std::optional<QString> before; // counter.machtyp; nullopt: Null
    bool shownNormal;
    const char *click; // "Normal", "T7" or nullptr
    const char *stored;
    bool mainNormal;
};

std::ostream &operator<<(std::ostream &os, const MachCase &c) { return os << c.label; }

class MachineType : public EarlierSettings, public ::testing::WithParamInterface<MachCase>
{
};

TEST_P(MachineType, RoundTrip)
{
    const MachCase &c = GetParam();
    prepare({Sql("update counter set machtyp=?", {c.before ? QVariant(*c.before) : QVariant()})});
    QuilletNewSetting &f = openNewSetting();
    EXPECT_EQ(f.Option1(6).Caption(), "Normal");
    EXPECT_EQ(f.Option1(7).Caption(), "T7");
    EXPECT_EQ(f.lblLabels(2).Caption(), "Mach. Typ");
    EXPECT_EQ(f.Option1(6).Value(), c.shownNormal);
    EXPECT_EQ(f.Option1(7).Value(), !c.shownNormal);
    EXPECT_TRUE(f.Option1(3).Value()) << "the indicator-port frame is a group of its own";
    if (c.click)
        ui::click(f.Option1(QString(c.click) == "Normal" ? 6 : 7));
    ok(f);
    EXPECT_EQ(stored("select machtyp from counter"), QStringList({c.stored}));
    EXPECT_EQ(stored("select Name from listvalue where type='machtyp'"), QStringList({"1"})) << "listvalue untouched";

    QuilletForm1 &main = restart();
    EXPECT_EQ(main.mmachtyp, c.mainNormal);
    EXPECT_EQ(openNewSetting().Option1(6).Value(), c.mainNormal);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MachineType,
    ::testing::Values(MachCase{"delivered Normal to T7", QString("1"), true, "T7", "0", false},
                      MachCase{"T7 back to Normal", QString("0"), false, "Normal", "1", true},
                      MachCase{"T7 kept", QString("0"), false, nullptr, "0", false},
                      MachCase{"True read as Normal", QString("True"), true, nullptr, "1", true},
                      MachCase{"False read as T7", QString("False"), false, nullptr, "0", false},
                      MachCase{"Null shows the design Normal", std::nullopt, true, nullptr, "1", true}));

TEST_F(EarlierSettings, PrintSettingsFormWritesNoMachineType)
{
    prepare({Sql("update counter set machtyp=?", {QString("0")})});
    QuilletSetting &f = openSetting();
    ui::click(f.Option1(1));
    ok(f);
    EXPECT_EQ(stored("select machtyp, printstyle from counter"), QStringList({"0|False"}));
}

// ---- tools ------------------------------------------------------------------

TEST_F(EarlierSettings, DesignAndManualOpenBesideTheSettingsForm)
{
    standIns({"reportplain", "reportprint"});
    storeTicket(57, "GJ17TT4521", 18000, 6250, 3);
    QuilletNewSetting &f = openNewSetting();
    ui::click(f.Command1);
    Form &designer = app().form("reportplain");
    EXPECT_TRUE(designer.visible() && !designer.modal());
    ui::click(f.Option3(1));
    ui::click(f.Command1);
    Form &printed = app().form("reportprint");
    EXPECT_TRUE(printed.visible() && !printed.modal());
    ui::click(f.Command2);
    Form &manual = app().form("manual");
    EXPECT_TRUE(manual.visible() && !manual.modal());
    EXPECT_TRUE(host.modalsShown().isEmpty());
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();

    // Everything stays usable together: the main screen still takes its
    // keys, and the settings form still closes.
    EXPECT_TRUE(f.loaded());
    ui::press(*form1, Key::F5);
    EXPECT_EQ(host.modalsShown(), QStringList({"acclocate"}));
    ui::click(f.CancelButton);
    EXPECT_FALSE(f.loaded());
    EXPECT_TRUE(manual.loaded());
    EXPECT_FALSE(host.programEnded());
}

TEST_F(EarlierSettings, DesignInWindowStyleOnlyTellsTheOperator)
{
    standIns({"reportplain", "reportprint"});
    QuilletNewSetting &f = openNewSetting();
    ui::click(f.Option1(1));
    ui::click(f.Command1);
    EXPECT_EQ(host.boxTexts(), QStringList({"in windows format plz change in crystal report"}));
    EXPECT_FALSE(app().form("reportplain").loaded());
    EXPECT_FALSE(app().form("reportprint").loaded());
}

} // namespace
