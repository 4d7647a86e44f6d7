// The main screen in a real window: rendered from the form, driven by keys,
// and written to a screenshot that anyone can look at.
#include "desktop/focusframe.h"
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
#include <QScreen>
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

        // Enter from the ticket number puts the focus on "Gross", and the
        // frame shows it there.
        ASSERT_EQ(f.ActiveControl(), &f.num);
        QTest::keyClick(w.widget(f.num), Qt::Key_Return);
        ASSERT_EQ(f.ActiveControl(), &f.Option1(0));
        EXPECT_TRUE(w.focusFrame()->isVisible());
        EXPECT_EQ(w.focusFrame()->followed(), w.widget(f.Option1(0)));

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

        // Maximized on each screen, the main screen fills it, its layout
        // scaled in proportion, and the banner re-enters at its right edge.
        QDir().mkpath(SCREENSHOT_DIR);
        for (QScreen *screen : QGuiApplication::screens()) {
            const QRect area = screen->availableGeometry();
            w.setScreen(screen);
            w.move(area.topLeft());
            w.showMaximized();
            ASSERT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry() == area; }))
                << screen->name().toStdString() << " " << w.frameGeometry().width() << "x"
                << w.frameGeometry().height();
            EXPECT_EQ(f.WindowState(), vb::WindowState::Maximized);
            const double scale = double(w.width()) / 1280;
            QWidget *weight = w.widget(f.Label1);
            EXPECT_NEAR(weight->geometry().right(), (11400 + 7440) / 15 * scale, 2) << screen->name().toStdString();
            QWidget *close = w.widget(f.cmdClose);
            EXPECT_LE(close->geometry().bottom(), w.height());
            EXPECT_GT(close->geometry().bottom(), w.height() * 0.85) << "the keys sit along the bottom";

            vb::Label &banner = f.lblLabels(7);
            banner.setLeft(-banner.Width() - 1);
            f.Timer2.tick();
            EXPECT_EQ(banner.Left(), f.Width());
            EXPECT_NEAR(w.widget(banner)->x(), w.width(), 1) << "the banner re-enters at the right edge";

            const QImage shot = w.grab().toImage();
            EXPECT_EQ(shot.size(), w.size());
            EXPECT_TRUE(shot.save(QStringLiteral(SCREENSHOT_DIR "/form1-%1.png").arg(screen->name())));
            // The live weight's black box reaches across its share of the screen.
            const QPoint inWeight = weight->geometry().topLeft() + QPoint(3, 3);
            EXPECT_EQ(QColor(shot.pixel(inWeight)), QColor(Qt::black));
            EXPECT_EQ(QColor(shot.pixel(weight->geometry().bottomRight() + QPoint(6, 6))).rgb(),
                      QColor(shot.pixel(w.width() - 3, weight->geometry().bottom() + 6)).rgb())
                << "beyond it, the form's own colour";
        }
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
