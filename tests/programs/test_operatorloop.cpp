// The operator's day on a real X display: the real program, real keys and
// an indicator on a pseudo-terminal, with a window manager and without one.
// The program comes up as the office PC starts; tickets are weighed, saved
// and printed from the keyboard alone, one Enter on the focused save button
// for each save, and no key may be lost.
#include "testing/ptypair.h"
#include "testing/xserver.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Desk {
    QSize screen;
    bool windowManager;
};

std::string deskName(const testing::TestParamInfo<Desk> &info)
{
    return QStringLiteral("%1x%2%3")
        .arg(info.param.screen.width())
        .arg(info.param.screen.height())
        .arg(info.param.windowManager ? QStringLiteral("Openbox") : QStringLiteral("Bare"))
        .toStdString();
}

// The operator at an X server: real key presses to whichever window has the
// keyboard, and a look at which windows are on the screen.
struct Operator {
    const vb::XServer &x;
    void keys(const QStringList &names) const
    {
        x.tool(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("20")} + names);
    }
    void type(const QString &text) const
    {
        x.tool(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }
    // How many windows with a title matching the pattern are on the screen.
    int shown(const QString &titlePattern) const
    {
        const QByteArray ids = x.tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                                 QStringLiteral("--name"), titlePattern})
                                   .trimmed();
        return ids.isEmpty() ? 0 : int(ids.count('\n') + 1);
    }
};

bool waitFor(const std::function<bool()> &done, int ms = 20000) { return vb::waitUntil(done, ms); }
void pause(int ms) { vb::waitUntil([] { return false; }, ms); }

int countIn(const QString &path, const QByteArray &what)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return int(f.readAll().count(what));
}

// The delivered database, writable, in the folder the program runs in.
bool copyDeliveredDatabase(const QString &run)
{
    return QFile::copy(DELIVERED_DB, run + "/wt.mdb") &&
           QFile::setPermissions(run + "/wt.mdb", QFile::ReadOwner | QFile::WriteOwner);
}

class OperatorLoop : public testing::TestWithParam<Desk>
{
};

TEST_P(OperatorLoop, TicketsAreSavedAndPrintedFromTheKeyboardWithOneEnterEach)
{
    const Desk desk = GetParam();
    if (!vb::PtyPair::available())
        GTEST_SKIP() << "socat is not installed";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString run = dir.path();
    ASSERT_TRUE(copyDeliveredDatabase(run));
    // The ticket printer: every slip handed on is kept.
    for (const char *bat : {"uprint.bat", "dprint.bat"}) {
        QFile f(run + "/" + bat);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\ncat slip.prn >> printed.txt\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // A "Normal" indicator on COM1, sending its reading twice a second.
    vb::PtyPair cable;
    ASSERT_TRUE(cable.start(run + "/COM1", run + "/scale"));
    QTimer indicator;
    QObject::connect(&indicator, &QTimer::timeout, [&] { cable.send("07000\r\n"); });
    indicator.start(500);

    vb::XServer x;
    if (!x.start(desk.screen, desk.windowManager)) {
        if (!x.skipped().isEmpty())
            GTEST_SKIP() << x.skipped().toStdString();
        FAIL() << x.error().toStdString();
    }
    const Operator op{x};
    QProcess program;
    program.setProcessEnvironment(x.environment());
    program.setWorkingDirectory(run);
    program.start(QStringLiteral(VARNOCK_EXE), {});
    ASSERT_TRUE(program.waitForStarted());
    QByteArray said; // what the program wrote to its error output, for a failure's message
    const auto why = [&] {
        said += program.readAllStandardError();
        return "\nthe windows on the screen: " + x.tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral(".")}).toStdString() +
               "\nthe program's error output:\n" + said.toStdString();
    };
    const QString title = QStringLiteral("^Varnock$");
    ASSERT_TRUE(waitFor([&] { return op.shown(title) == 1; }, 30000)) << "the main screen never showed" << why();
    pause(1000); // the first readings arrive

    // "Auto" pressed twice locks both weight fields: the supplier's Enter
    // then goes straight to "F8 Save..".
    op.keys({"Escape", "Return", "Return", "space", "space"});
    const int tickets = 3;
    int slips = 0;
    for (int i = 1; i <= tickets; ++i) {
        SCOPED_TRACE("ticket " + std::to_string(i));
        op.keys({"Escape", "Return", "Return", "Return"});
        op.type(QStringLiteral("GJ17TT%1").arg(i));
        op.keys({"Return", "Return", "Return", "Return"});
        pause(200);
        op.keys({"Return"});
        ASSERT_TRUE(waitFor([&] { return op.shown(title) == 2; }))
            << "one Enter on the focused save button asked nothing" << why();
        op.keys({"Return"}); // "Ok" on "Do You Want To Save"
        ASSERT_TRUE(waitFor([&] { return op.shown(QStringLiteral("^Ticket Formet$")) == 1 && op.shown(title) == 2; }))
            << "no copies asked for" << why();
        // Two copies: the key that the box was opened for reaches it, also
        // when the box is not yet the window the server gives keys to.
        op.keys({"2", "Return"});
        slips += 2;
        ASSERT_TRUE(waitFor([&] { return countIn(run + "/printed.txt", "WEIGHMENT SLIP") == slips; }))
            << "the slip was not printed: " << countIn(run + "/printed.txt", "WEIGHMENT SLIP") << " slips of " << slips
            << why();
        ASSERT_TRUE(waitFor([&] { return op.shown(title) == 1 && op.shown(QStringLiteral("^Ticket Formet$")) == 0; })) << why();
    }
    // F12 closes the program: the keys are still the main screen's.
    op.keys({"F12"});
    EXPECT_TRUE(program.waitForFinished(10000)) << "F12 after the last ticket did not reach the main screen";
    if (program.state() != QProcess::NotRunning)
        program.kill();
    program.waitForFinished();

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("loop"));
        db.setDatabaseName(run + "/wt.mdb");
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("select num, truckno, grosswt, grossoral from emp order by num")));
        for (int i = 1; i <= tickets; ++i) {
            ASSERT_TRUE(q.next()) << "ticket " << i << " was not stored";
            EXPECT_EQ(q.value(0).toInt(), i);
            EXPECT_EQ(q.value(1).toString(), QStringLiteral("GJ17TT%1").arg(i));
            EXPECT_EQ(q.value(2).toDouble(), 7000) << "weighed, not typed";
            EXPECT_EQ(q.value(3).toString().trimmed(), QString());
        }
        EXPECT_FALSE(q.next());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("loop"));
}

// An office PC that starts the window manager and the program together at
// login: the main screen comes up whichever of the two is ready first.
TEST(OfficeStart, TheMainScreenShowsWhenTheProgramStartsWithTheWindowManager)
{
    if (!vb::PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString run = dir.path();
    ASSERT_TRUE(copyDeliveredDatabase(run));
    vb::PtyPair cable;
    ASSERT_TRUE(cable.start(run + "/COM1", run + "/scale"));

    vb::XServer x;
    const auto skippedOrFailed = [&] {
        if (!x.skipped().isEmpty())
            GTEST_SKIP() << x.skipped().toStdString();
        FAIL() << x.error().toStdString();
    };
    if (!x.start({1024, 768}, false))
        return skippedOrFailed();
    // The program starts while the window manager is still starting up.
    if (!x.startWindowManager(false))
        return skippedOrFailed();
    QProcess program;
    program.setProcessEnvironment(x.environment());
    program.setWorkingDirectory(run);
    program.start(QStringLiteral(VARNOCK_EXE), {});
    ASSERT_TRUE(program.waitForStarted());
    const Operator op{x};
    EXPECT_TRUE(waitFor([&] { return op.shown(QStringLiteral("^Varnock$")) == 1; }, 20000))
        << "the main screen never showed: the window manager lost it as it started";
    op.keys({"F12"});
    EXPECT_TRUE(program.waitForFinished(10000)) << "the keys did not reach the main screen";
    if (program.state() != QProcess::NotRunning)
        program.kill();
    program.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Desks, OperatorLoop,
                         testing::Values(Desk{{1024, 768}, true}, Desk{{1024, 768}, false}, Desk{{1366, 768}, true},
                                         Desk{{1366, 768}, false}, Desk{{1920, 1080}, true}, Desk{{1920, 1080}, false}),
                         deskName);

} // namespace
