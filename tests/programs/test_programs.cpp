// The programs started as the operator starts them, in a run directory.
#include "testing/ptypair.h"
#include "testing/qtprint.h"

#include "database/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RunDirectory : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }
    void startVarnock() { start(QStringLiteral(VARNOCK_EXE)); }
    void startQuillet() { start(QStringLiteral(QUILLET_EXE)); }
    void start(const QString &program)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VARNOCK_UNATTENDED", "1");
        m_program.setProcessEnvironment(env);
        m_program.setWorkingDirectory(m_dir.path());
        m_program.start(program, {});
        ASSERT_TRUE(m_program.waitForStarted());
    }
    QTemporaryDir m_dir;
    QProcess m_program;
    vb::PtyPair m_cable;
};

TEST_F(RunDirectory, StartsOnTheDeliveredDatabase)
{
    ASSERT_TRUE(QFile::copy(DELIVERED_DB, m_dir.filePath("wt.mdb")));
    QFile::setPermissions(m_dir.filePath("wt.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    startVarnock();
    EXPECT_TRUE(vb::waitUntil([&] { return QFile::exists(m_dir.filePath("constr.txt")); }, 10000));
    // Still running a second later: the main screen is up (no port on this
    // machine shows its message and the screen goes on).
    EXPECT_FALSE(m_program.waitForFinished(1000)) << m_program.readAllStandardError().toStdString();
    QFile constr(m_dir.filePath("constr.txt"));
    ASSERT_TRUE(constr.open(QIODevice::ReadOnly));
    EXPECT_EQ(constr.readAll(), "DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb\r\n");
}

// A file from before the program's ticket indexes gets them at its first
// start, which says so before the main screen comes; the next start has
// nothing to prepare.
TEST_F(RunDirectory, AnOlderFileIsPreparedOnceAndTheStartSaysSo)
{
    ASSERT_TRUE(QFile::copy(DELIVERED_DB, m_dir.filePath("wt.mdb")));
    QFile::setPermissions(m_dir.filePath("wt.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    {
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        vb::Connection conn;
        conn.Open(QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb"));
        for (const char *index : {"emp_dt", "emp_rece_nocase"})
            conn.run(vb::Sql(QStringLiteral("drop index %1").arg(index))).finish();
        conn.Close();
        QDir::setCurrent(oldDir);
    }
    const QString line = "[progress] Varnock: Preparing the database for this program (done once). Please wait...";
    for (bool first : {true, false}) {
        SCOPED_TRACE(first ? "first start" : "second start");
        startVarnock();
        EXPECT_FALSE(m_program.waitForFinished(1500)) << "the main screen is up";
        const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
        EXPECT_EQ(err.contains(line), first) << err.toStdString();
        m_program.kill();
        m_program.waitForFinished();
    }
}

TEST_F(RunDirectory, MissingDatabaseIsReportedAndTheProgramFails)
{
    startVarnock();
    ASSERT_TRUE(m_program.waitForFinished(20000));
    EXPECT_EQ(m_program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(m_program.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
    EXPECT_TRUE(err.contains("wt.mdb")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("wt.mdb")));
    EXPECT_TRUE(QFile::exists(m_dir.filePath("constr.txt")));
}

TEST_F(RunDirectory, QuilletStartsOnTheDeliveredDatabaseWithoutAConnectionFile)
{
    if (!vb::PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    ASSERT_TRUE(QFile::copy(DELIVERED_DB, m_dir.filePath("wt.mdb")));
    QFile::setPermissions(m_dir.filePath("wt.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(m_cable.start(m_dir.filePath("COM1"), m_dir.filePath("indicator")));
    startQuillet();
    // Still running a while later: the main screen is up.
    EXPECT_FALSE(m_program.waitForFinished(2000)) << m_program.readAllStandardError().toStdString();
    const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
    EXPECT_FALSE(err.contains("Quillet:")) << "no box: " << err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("constr.txt")));
}

TEST_F(RunDirectory, QuilletWithoutTheDatabaseStillOpensTheScreen)
{
    startQuillet();
    EXPECT_FALSE(m_program.waitForFinished(2000)) << "the start goes on past the missing database";
    const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
    EXPECT_EQ(err.count("Quillet:"), 1) << err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("wt.mdb")));
}

TEST_F(RunDirectory, AnEmptyDatabaseFileIsNamedAndTheProgramFails)
{
    // A copy or restore that failed leaves wt.mdb with no bytes.
    QFile empty(m_dir.filePath("wt.mdb"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    startVarnock();
    ASSERT_TRUE(m_program.waitForFinished(20000));
    EXPECT_EQ(m_program.exitStatus(), QProcess::NormalExit) << "no crash";
    EXPECT_EQ(m_program.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
    EXPECT_TRUE(err.contains("Varnock: 'wt.mdb' is not a usable database: the file is empty")) << err.toStdString();
    EXPECT_EQ(QFileInfo(m_dir.filePath("wt.mdb")).size(), 0) << "the file is left as it was";
}

TEST_F(RunDirectory, QuilletNamesAMissingOrEmptyDatabase)
{
    struct Case {
        bool empty;
        const char *message;
    } cases[] = {{false, "Could not find the database file 'wt.mdb'"},
                 {true, "'wt.mdb' is not a usable database: the file is empty"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        if (c.empty) {
            QFile empty(m_dir.filePath("wt.mdb"));
            ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        }
        startQuillet();
        EXPECT_FALSE(m_program.waitForFinished(2000)) << "the start goes on";
        const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
        EXPECT_EQ(err.count("Quillet:"), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QString("Quillet: ") + c.message)) << err.toStdString();
        m_program.kill();
        m_program.waitForFinished();
    }
}

} // namespace
