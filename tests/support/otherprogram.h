#pragma once
// Another program holding wt.mdb: a child process with its own SQLite
// connection in BEGIN EXCLUSIVE, until it is let go.
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>

class OtherProgram
{
public:
    ~OtherProgram() { letGo(); }
    // Takes the file in the current directory; returns once it holds it.
    void hold(const QString &file = QStringLiteral("wt.mdb"))
    {
        m_child = std::make_unique<QProcess>();
        m_child->start(QStringLiteral(LOCK_CHILD), {QDir::current().absoluteFilePath(file)});
        ASSERT_TRUE(m_child->waitForStarted(10000));
        ASSERT_TRUE(m_child->waitForReadyRead(10000));
        ASSERT_EQ(m_child->readLine().trimmed(), "held") << m_child->readAllStandardError().toStdString();
    }
    void letGo()
    {
        if (!m_child)
            return;
        m_child->write("\n");
        m_child->closeWriteChannel();
        m_child->waitForFinished(10000);
        m_child.reset();
    }

private:
    std::unique_ptr<QProcess> m_child;
};
