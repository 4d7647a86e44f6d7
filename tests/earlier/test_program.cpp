// quillet started as the operator starts it, in a run directory.
#include "testing/ptypair.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class QuilletRunDirectory : public ::testing::Test
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
    void startQuillet()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VARNOCK_UNATTENDED", "1");
        m_program.setProcessEnvironment(env);
        m_program.setWorkingDirectory(m_dir.path());
        m_program.start(QStringLiteral(QUILLET_EXE), {});
        ASSERT_TRUE(m_program.waitForStarted());
    }
    QTemporaryDir m_dir;
    QProcess m_program;
    vb::PtyPair m_cable;
};

TEST_F(QuilletRunDirectory, StartsOnTheDeliveredDatabaseWithoutAConnectionFile)
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

TEST_F(QuilletRunDirectory, WithoutTheDatabaseTheScreenStillOpens)
{
    startQuillet();
    EXPECT_FALSE(m_program.waitForFinished(2000)) << "the start goes on past the missing database";
    const QString err = QString::fromLocal8Bit(m_program.readAllStandardError());
    EXPECT_EQ(err.count("Quillet:"), 1) << err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("wt.mdb")));
}

} // namespace
