// The main screen in a real window: rendered from the form, driven by keys,
// and written to a screenshot that anyone can look at.
#include "desktop/formwindow.h"
#include "desktop/qthost.h"
#include "weighing/aminv.h"
#include "weighing/form1.h"
#include "weighing/registry.h"

#include "database/database.h"
#include "testing/ptypair.h"
#include "testing/qtprint.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(MainWindow, ShowsTheLiveWeightAndTakesItIntoTheTicket)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DELIVERED_DB, dir.filePath("wt.mdb")));
    QFile::setPermissions(dir.filePath("wt.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        // Machine type 2: no port to open on this machine.
        vb::Connection c;
        c.Open(QString::fromLatin1(aminv::DefaultConnection));
        vb::Command cmd;
        cmd.setActiveConnection(c);
        cmd.setCommandText(vb::Sql("update listvalue set Name='2'"));
        cmd.Execute();
        c.Close();
    }
    vb::App::instance().reset();
    {
        vb::QtHost host;
        registerWeighingForms();
        aminv::Main();
        auto &f = vb::app().form<Form1>("Form1");
        vb::FormWindow &w = host.window(f);
        QTest::qWait(50);

        auto *truck = w.widget(f.Combo4);
        ASSERT_NE(truck, nullptr);
        QTest::mouseClick(truck, Qt::LeftButton);
        QTest::keyClicks(QApplication::focusWidget(), "GJ17TT4521");
        f.Label1.setCaption("18740");
        QTest::qWait(50);
        EXPECT_EQ(f.txtFields(2).Text(), "18740");
        auto *gross = qobject_cast<QLineEdit *>(w.widget(f.txtFields(2)));
        ASSERT_NE(gross, nullptr);
        EXPECT_EQ(gross->text(), "18740") << "the window shows what the form holds";

        QDir().mkpath(SCREENSHOT_DIR);
        EXPECT_TRUE(w.grab().save(QStringLiteral(SCREENSHOT_DIR "/form1.png")));

        // F12 reaches the previewing form from any field and closes it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        QTest::qWait(20);
        EXPECT_FALSE(f.loaded());
        EXPECT_FALSE(aminv::connected());
    }
    aminv::release();
    vb::App::instance().reset();
    QDir::setCurrent(oldDir);
}

} // namespace
