// The program on an X server of its own, at the office screen sizes, bare
// and under a window manager, driven with real keys (xdotool).
#include "testing/ptypair.h"
#include "testing/xserver.h"
#include "weighing/aminv.h"

#include "database/database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>

namespace {

// The geometry of the visible window with the title, in screen pixels (its
// inside, without a window manager's frame); empty until it shows.
QRect windowNamed(const vb::XServer &x, const QString &title)
{
    const QByteArray ids = x.tool(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                   QStringLiteral("^%1$").arg(title)});
    const QList<QByteArray> found = ids.trimmed().split('\n');
    if (found.isEmpty() || found.first().isEmpty())
        return QRect();
    // xwininfo gives the inside's place on the screen also for a window a
    // window manager has framed.
    const QByteArray info = x.tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::fromLatin1(found.first())});
    int values[4] = {0, 0, 0, 0};
    const char *names[4] = {"Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:"};
    for (QByteArray line : info.split('\n')) {
        line = line.trimmed();
        for (int i = 0; i < 4; ++i)
            if (line.startsWith(names[i]))
                values[i] = line.mid(int(qstrlen(names[i]))).trimmed().toInt();
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

// F5 on the main screen opens the ticket list: on a screen larger than the
// main screen's drawing (1280 x 720) it grows by the main screen's scale,
// and it opens centred, with a window manager or without one.
TEST(ProgramOnScreens, TheTicketListGrowsWithTheMainScreenAndOpensCentred)
{
    struct Case {
        QSize screen;
        bool windowManager;
    } cases[] = {{{1024, 768}, false}, {{1366, 768}, false}, {{1920, 1080}, false},
                 {{1024, 768}, true},  {{1366, 768}, true},  {{1920, 1080}, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1x%2%3")
                         .arg(c.screen.width())
                         .arg(c.screen.height())
                         .arg(c.windowManager ? " under openbox" : " bare")
                         .toStdString());
        vb::XServer x;
        if (!x.start(c.screen, c.windowManager)) {
            if (!x.skipped().isEmpty())
                GTEST_SKIP() << x.skipped().toStdString();
            FAIL() << x.error().toStdString();
        }
        QTemporaryDir dir;
        ASSERT_TRUE(QFile::copy(DELIVERED_DB, dir.filePath("wt.mdb")));
        QFile::setPermissions(dir.filePath("wt.mdb"), QFile::ReadOwner | QFile::WriteOwner);
        {
            // Machine type 2: no port to open on this machine.
            const QString oldDir = QDir::currentPath();
            QDir::setCurrent(dir.path());
            vb::Connection conn;
            conn.Open(QString::fromLatin1(aminv::DefaultConnection));
            conn.run(vb::Sql("update listvalue set Name='2' where Type='machtyp'")).finish();
            // The list opens on stored tickets only.
            conn.run(vb::Sql("insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, stage, dt) "
                             "values (1, 'GJ 06 AB 1234', 'Sand', 'Halol Ready Mix Concrete', 'Shiv Quarry', "
                             "24500, 8200, 16300, 3, '2025-03-05')"))
                .finish();
            conn.Close();
            QDir::setCurrent(oldDir);
        }
        QProcess program;
        struct Stop {
            QProcess &p;
            ~Stop()
            {
                p.kill();
                p.waitForFinished(5000);
            }
        } stop{program};
        QProcessEnvironment env = x.environment();
        env.insert(QStringLiteral("VARNOCK_UNATTENDED"), QStringLiteral("1"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(QStringLiteral(VARNOCK_EXE), {});
        ASSERT_TRUE(program.waitForStarted());

        QRect main;
        EXPECT_TRUE(vb::waitUntil([&] { return !(main = windowNamed(x, "Varnock")).isEmpty(); }, 20000))
            << program.readAllStandardError().toStdString();
        EXPECT_EQ(main.width(), c.screen.width()) << "the main screen is maximized";
        QRect list;
        // The window takes the keys once it shows; F5 until the list comes.
        for (int tries = 0; tries < 5 && list.isEmpty(); ++tries) {
            x.tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("F5")});
            vb::waitUntil([&] { return !(list = windowNamed(x, "Select")).isEmpty(); }, 3000);
        }
        ASSERT_FALSE(list.isEmpty()) << "F5 opened no ticket list: " << program.readAllStandardError().toStdString();
        // Let a window manager finish placing it.
        QRect last;
        for (int still = 0, i = 0; still < 3 && i < 40; ++i) {
            vb::waitUntil([] { return false; }, 50);
            list = windowNamed(x, "Select");
            still = list == last ? still + 1 : 0;
            last = list;
        }

        const double scale = std::max(1.0, std::min(c.screen.width() / 1280.0, c.screen.height() / 720.0));
        EXPECT_NEAR(list.width(), 640 * scale, 1);
        EXPECT_NEAR(list.height(), 400 * scale, 1);
        // Under a window manager the frame is centred; its title bar puts
        // the inside a little lower.
        const QPoint off = list.center() - QRect(QPoint(0, 0), c.screen).center();
        EXPECT_LE(std::abs(off.x()), 2) << "at " << list.x() << "," << list.y();
        EXPECT_LE(std::abs(off.y()), c.windowManager ? 16 : 2) << "at " << list.x() << "," << list.y();
        EXPECT_TRUE(QRect(QPoint(0, 0), c.screen).contains(list));

    }
}

} // namespace
