// The earlier edition's password gates: their accounts, tested in order,
// and the protected forms shown modeless.
#include "quilletoffice.h"

#include "earlier/quilletlogins.h"

using namespace vb;

namespace {

struct Login {
    const char *gate, *user, *password;
    const char *opens; // nullptr: refused with "invalid user"
};

std::ostream &operator<<(std::ostream &os, const Login &l)
{
    return os << l.gate << " " << l.user << "/" << l.password;
}

class EarlierGates : public QuilletOffice, public ::testing::WithParamInterface<Login>
{
};

// On 5 March: month 3, day 5.
TEST_P(EarlierGates, Accounts)
{
    standIns({"frmdelete", "setting", "newsetting"});
    host.setNow(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
    const Login &l = GetParam();
    Form &gate = app().form(l.gate);
    gate.Show(false);
    auto &g = static_cast<LoginGate &>(gate);
    ui::typeInto(g.txtUserName, l.user);
    ui::typeInto(g.txtPassword, l.password);
    ui::click(g.cmdOK);
    if (l.opens) {
        EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
        EXPECT_FALSE(gate.loaded()) << "the gate closes";
        Form &opened = app().form(l.opens);
        EXPECT_TRUE(opened.visible() && !opened.modal()) << l.opens;
        EXPECT_TRUE(host.modalsShown().isEmpty());
    } else {
        EXPECT_EQ(host.boxTexts(), QStringList({"invalid user"}));
        EXPECT_TRUE(gate.loaded()) << "the gate stays for another try";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, EarlierGates,
    ::testing::Values(Login{"frmLogin3", "pemo", "rovet", "frmdelete"},
                      Login{"frmLogin3", "Hulde", "Hulde8", "frmdelete"},
                      Login{"frmLogin3", "Hulde", "Hulde15", nullptr},
                      Login{"frmLogin3", "KUV", "KUV15", nullptr},
                      Login{"frmLogin3", "Pemo", "rovet", nullptr},
                      Login{"frmLogin1", "pemo", "rovet", "setting"},
                      Login{"frmLogin1", "Dravo", "Selvan3", "setting"},
                      Login{"frmLogin1", "Dravo", "Dravo3", nullptr},
                      Login{"frmLogin1", "Galth", "Brendor32", "newsetting"},
                      Login{"frmLogin1", "Galth", "Galth32", nullptr},
                      Login{"frmLogin1", "Tolbe", "Tolbe32", nullptr}));

TEST(EarlierGatePasswords, FollowTheDate)
{
    EXPECT_EQ(QuilletLogin3::dayPassword(QDate(2024, 12, 31)), "Hulde43");
    EXPECT_EQ(QuilletLogin3::dayPassword(QDate(2024, 1, 1)), "Hulde2");
    EXPECT_EQ(QuilletLogin1::monthPassword(QDate(2024, 12, 31)), "Selvan12");
    EXPECT_EQ(QuilletLogin1::dayPassword(QDate(2024, 1, 1)), "Brendor4");
    EXPECT_EQ(QuilletLogin1::dayPassword(QDate(2024, 1, 31)), "Brendor214");
}

} // namespace
