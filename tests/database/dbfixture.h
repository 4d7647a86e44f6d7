#pragma once
// A copy of the delivered database in a temporary directory that is the
// current directory while a test runs.
#include "database/database.h"
#include "runtime/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Runs body and returns the error it raised (number 0 when none).
template <class F> vb::RuntimeError errorOf(F &&body)
{
    try {
        body();
    } catch (const vb::RuntimeError &e) {
        return e;
    }
    return vb::RuntimeError(0, QString());
}

inline const QString kAccessString = QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb");

class DbCopy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::copy(QStringLiteral(DELIVERED_DB), m_dir.filePath(QStringLiteral("wt.mdb"))));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("wt.mdb")),
                              QFile::ReadOwner | QFile::WriteOwner);
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override
    {
        conn.Close();
        QDir::setCurrent(m_previous);
    }
    void open() { conn.Open(kAccessString, QString(), QString(), -1); }
    // The single value of a query.
    QVariant scalar(const vb::Sql &query)
    {
        vb::Recordset rs;
        rs.Open(query, conn);
        if (rs.Eof())
            return QStringLiteral("<no row>");
        return rs.Fields(0).Value();
    }
    int execute(const vb::Sql &statement)
    {
        vb::Command cmd;
        cmd.setActiveConnection(conn);
        cmd.setCommandText(statement);
        return cmd.Execute();
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    vb::Connection conn;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
