// The two password gates, driven as the operator drives them: opened modal
// from the main screen, typed into, OK or Cancel pressed, with the clock
// of the scripted host.
#include "admin/frmlogin1.h"
#include "admin/frmlogin3.h"
#include "admin/registry.h"

#include "runtime/input.h"
#include "testing/qtprint.h"
#include "testing/scriptedhost.h"

#include <gtest/gtest.h>

using namespace vb;

namespace {

// Stands in for a protected form.
class StandIn : public Form
{
public:
    explicit StandIn(const QString &name) : Form(name) {}
};

// A protected form as it was seen while it was shown.
struct Opened {
    QString form;
    bool modal = false;
    bool gateLoaded = true;
    bool operator==(const Opened &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Opened &o)
{
    return os << o.form.toStdString() << (o.modal ? " modal" : " modeless")
              << (o.gateLoaded ? " gate loaded" : " gate gone");
}

class Gates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App::instance().reset();
        App::instance().setHost(&host);
        registerAdminForms();
        for (const char *name : {"frmdelete", "newsetting2"}) {
            App::instance().registerForm(name, [name] { return std::make_unique<StandIn>(name); });
            host.onModal(name, [this](Form &f) {
                bool gateLoaded = false;
                for (const char *g : {frmLogin3::Name, frmLogin1::Name})
                    gateLoaded = gateLoaded || app().form(g).loaded();
                opened.push_back({f.name(), f.modal(), gateLoaded});
            });
        }
        at(QDate(2024, 3, 5), QTime(10, 0));
    }
    void TearDown() override
    {
        App::instance().reset();
        App::instance().setHost(nullptr);
    }

    void at(const QDate &d, const QTime &t) { host.setNow(QDateTime(d, t)); }

    // Opens the gate modal from an event of the main screen; inside acts
    // while it is shown. Returns the gate.
    LoginGate &open(const QString &name, const std::function<void(LoginGate &)> &inside)
    {
        LoginGate &gate = app().form<LoginGate>(name);
        host.onModal(name, [&](Form &) { inside(gate); });
        app().dispatch([&] { gate.Show(true); });
        return gate;
    }

    // Types the user name and password, then clicks OK.
    void login(LoginGate &gate, const QString &user, const QString &password)
    {
        ui::typeInto(gate.txtUserName, user);
        ui::typeInto(gate.txtPassword, password);
        ui::click(gate.cmdOK);
    }

    ScriptedHost host;
    std::vector<Opened> opened;
};

TEST_F(Gates, ShowTheirHeadingAndTheDateOfLoading)
{
    struct Case {
        const char *gate;
        const char *heading;
    };
    for (Case c : {Case{frmLogin3::Name, "Delete Permission"}, Case{frmLogin1::Name, "Setting Password"}}) {
        SCOPED_TRACE(c.gate);
        open(c.gate, [&](LoginGate &g) {
            EXPECT_EQ(g.Caption(), "Login");
            EXPECT_EQ(g.Label1.Caption(), c.heading);
            EXPECT_EQ(g.Label2.Caption(), "Date :-05/03/2024");
            EXPECT_EQ(g.lblLabels(0).Caption(), "&User Name:");
            EXPECT_EQ(g.lblLabels(1).Caption(), "&Password:");
            EXPECT_EQ(g.txtPassword.PasswordChar(), QChar('*'));
            EXPECT_TRUE(g.cmdOK.Default());
            EXPECT_TRUE(g.cmdCancel.Cancel());
            std::vector<Control *> order{g.ActiveControl()};
            for (int i = 0; i < 4; ++i) {
                ui::press(g, Key::Tab);
                order.push_back(g.ActiveControl());
            }
            EXPECT_EQ(order, (std::vector<Control *>{&g.txtUserName, &g.txtPassword, &g.cmdOK,
                                                     &g.cmdCancel, &g.txtUserName}));
        });
    }
}

// One press of OK with the given account on the given date: which
// protected form opens, or which message is shown and the gate stays.
struct AccountCase {
    const char *gate;
    QDate date;
    QString user, password;
    const char *opens; // nullptr: refused
    const char *message;
};

std::ostream &operator<<(std::ostream &os, const AccountCase &c)
{
    return os << c.gate << " " << c.date.toString("dd/MM").toStdString() << " " << c.user.toStdString()
              << "/" << c.password.toStdString();
}

class Accounts : public Gates, public ::testing::WithParamInterface<AccountCase>
{
};

TEST_P(Accounts, OpenTheProtectedFormOrRefuse)
{
    const AccountCase &c = GetParam();
    at(c.date, QTime(12, 0));
    bool stillOpen = false;
    QString userAfter, passwordAfter;
    open(c.gate, [&](LoginGate &g) {
        login(g, c.user, c.password);
        stillOpen = g.loaded() && g.visible();
        userAfter = g.txtUserName.Text();
        passwordAfter = g.txtPassword.Text();
    });
    if (c.opens) {
        EXPECT_EQ(opened, (std::vector<Opened>{{c.opens, true, false}}))
            << "the gate is gone before the protected form shows, modal";
        EXPECT_TRUE(host.boxTexts().isEmpty());
        EXPECT_FALSE(stillOpen);
        EXPECT_EQ(host.modalsShown(), (QStringList{c.gate, c.opens}));
    } else {
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(host.boxTexts(), QStringList{c.message});
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(userAfter, c.user) << "both boxes stay as typed";
        EXPECT_EQ(passwordAfter, c.password);
    }
}

const QDate mar5(2024, 3, 5), jan1(2024, 1, 1), dec31(2024, 12, 31), feb29(2024, 2, 29);

INSTANTIATE_TEST_SUITE_P(
    DeleteGate, Accounts,
    ::testing::Values(AccountCase{frmLogin3::Name, mar5, "pemo", "rovet", "frmdelete", nullptr},
                      AccountCase{frmLogin3::Name, mar5, "KUV", "KUV15", "frmdelete", nullptr},
                      AccountCase{frmLogin3::Name, jan1, "KUV", "KUV1", "frmdelete", nullptr},
                      AccountCase{frmLogin3::Name, dec31, "KUV", "KUV372", "frmdelete", nullptr},
                      AccountCase{frmLogin3::Name, feb29, "KUV", "KUV58", "frmdelete", nullptr},
                      AccountCase{frmLogin3::Name, mar5, "Pemo", "rovet", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "pemo", "ROVET", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "pemo ", "rovet", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "pemo", "rovet ", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "kuv", "kuv15", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "KUV", "kuv15", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "KUV", "KUV015", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "KUV", "KUV8", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "KUV", "rovet", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "pemo", "KUV15", nullptr, "invalid user"},
                      AccountCase{frmLogin3::Name, mar5, "Tolbe", "Tolbe32", nullptr, "invalid user"}));

INSTANTIATE_TEST_SUITE_P(
    SettingsGate, Accounts,
    ::testing::Values(AccountCase{frmLogin1::Name, jan1, "Tolbe", "Tolbe4", "newsetting2", nullptr},
                      AccountCase{frmLogin1::Name, mar5, "Tolbe", "Tolbe32", "newsetting2", nullptr},
                      AccountCase{frmLogin1::Name, dec31, "Tolbe", "Tolbe214", "newsetting2", nullptr},
                      AccountCase{frmLogin1::Name, mar5, "tolbe", "Tolbe32", nullptr, "Invalid Password"},
                      AccountCase{frmLogin1::Name, mar5, "Tolbe", "tolbe32", nullptr, "Invalid Password"},
                      AccountCase{frmLogin1::Name, mar5, "Tolbe", "Tolbe032", nullptr, "Invalid Password"},
                      AccountCase{frmLogin1::Name, mar5, "Tolbe", "Tolbe15", nullptr, "Invalid Password"},
                      AccountCase{frmLogin1::Name, mar5, "pemo", "rovet", nullptr, "Invalid Password"},
                      AccountCase{frmLogin1::Name, mar5, "KUV", "KUV15", nullptr, "Invalid Password"}));

TEST(SettingsPassword, StaysPositiveOnEveryDayOfTheMonth)
{
    for (int day = 1; day <= 31; ++day)
        EXPECT_GT(frmLogin1::dayNumber(QDate(2024, 1, day)), 0) << day;
}

TEST_F(Gates, AnEmptyBoxTakesTheFocusWithoutAMessage)
{
    for (const char *name : {frmLogin3::Name, frmLogin1::Name}) {
        SCOPED_TRACE(name);
        open(name, [&](LoginGate &g) {
            ui::typeInto(g.txtPassword, "rovet");
            ui::click(g.cmdOK);
            EXPECT_EQ(g.ActiveControl(), &g.txtUserName) << "empty user name";
            ui::typeInto(g.txtUserName, "pemo");
            ui::typeInto(g.txtPassword, "");
            ui::press(g, Key::Home);
            for (int i = 0; i < 5; ++i)
                ui::press(g, Key::Delete);
            ASSERT_TRUE(g.txtPassword.Text().isEmpty());
            ui::click(g.cmdOK);
            EXPECT_EQ(g.ActiveControl(), &g.txtPassword) << "empty password";
            EXPECT_TRUE(g.loaded());
        });
        EXPECT_TRUE(host.boxTexts().isEmpty());
        EXPECT_TRUE(opened.empty());
    }
}

TEST_F(Gates, EnterPressesOKFromEitherBox)
{
    for (bool inPassword : {false, true}) {
        SCOPED_TRACE(inPassword ? "password box" : "user name box");
        opened.clear();
        open(frmLogin3::Name, [&](LoginGate &g) {
            ui::typeInto(g.txtUserName, "pemo");
            ui::typeInto(g.txtPassword, "rovet");
            ui::focus(inPassword ? g.txtPassword : g.txtUserName);
            ui::press(g, Key::Enter);
        });
        EXPECT_EQ(opened, (std::vector<Opened>{{"frmdelete", true, false}}));
    }
}

TEST_F(Gates, TheCharacterEnterInThePasswordBoxMovesToOK)
{
    open(frmLogin1::Name, [&](LoginGate &g) {
        ui::typeInto(g.txtUserName, "Tolbe");
        ui::typeInto(g.txtPassword, "Tolbe32\r");
        EXPECT_EQ(g.ActiveControl(), &g.cmdOK);
        EXPECT_EQ(g.txtPassword.Text(), "Tolbe32");
        EXPECT_TRUE(opened.empty()) << "moving to OK does not press it";
        ui::press(g, Key::Enter);
    });
    EXPECT_EQ(opened, (std::vector<Opened>{{"newsetting2", true, false}}));
}

TEST_F(Gates, CancelAndEscCloseTheGateAndNothingElse)
{
    for (bool esc : {false, true}) {
        SCOPED_TRACE(esc ? "Esc" : "Cancel");
        bool stillOpen = true;
        open(frmLogin3::Name, [&](LoginGate &g) {
            login(g, "pemo", "wrong");
            host.clearRecords();
            ui::typeInto(g.txtPassword, "");
            if (esc)
                ui::press(g, Key::Esc);
            else
                ui::click(g.cmdCancel);
            stillOpen = g.loaded();
        });
        EXPECT_FALSE(stillOpen);
        EXPECT_TRUE(opened.empty());
        EXPECT_TRUE(host.boxTexts().isEmpty());
    }
}

TEST_F(Gates, ARefusedOperatorCanCorrectAndPressAgain)
{
    open(frmLogin3::Name, [&](LoginGate &g) {
        login(g, "pemo", "rovt");
        EXPECT_TRUE(g.loaded());
        ui::focus(g.txtPassword);
        ui::press(g, Key::End);
        ui::press(g, Key::Back);
        ui::type(g, "et");
        ui::click(g.cmdOK);
    });
    EXPECT_EQ(host.boxTexts(), QStringList{"invalid user"});
    EXPECT_EQ(opened, (std::vector<Opened>{{"frmdelete", true, false}}));
}

TEST_F(Gates, DateBuiltPasswordsChangeAtMidnight)
{
    struct Case {
        const char *gate;
        QString user, before, after, message;
    };
    // 5 March turns into 6 March while the password is typed.
    for (const Case &c : {Case{frmLogin3::Name, "KUV", "KUV15", "KUV18", "invalid user"},
                          Case{frmLogin1::Name, "Tolbe", "Tolbe32", "Tolbe39", "Invalid Password"}}) {
        SCOPED_TRACE(c.gate);
        opened.clear();
        host.clearRecords();
        at(mar5, QTime(23, 59, 59));
        open(c.gate, [&](LoginGate &g) {
            ui::typeInto(g.txtUserName, c.user);
            ui::typeInto(g.txtPassword, c.before);
            host.advance(2000);
            ui::click(g.cmdOK);
            EXPECT_EQ(host.boxTexts(), QStringList{c.message}) << "refused after midnight";
            EXPECT_EQ(g.Label2.Caption(), "Date :-05/03/2024") << "the date line is the one of loading";
            g.txtPassword.setText(c.after);
            ui::click(g.cmdOK);
        });
        EXPECT_EQ(opened.size(), 1u) << "the new day's password is taken";
    }
}

} // namespace
