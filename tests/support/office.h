#pragma once
// A scale office in a temporary directory: the delivered database, the
// scripted host and the weighing forms, started through Main as the
// program does.
#include "weighing/aminv.h"
#include "weighing/form1.h"
#include "weighing/registry.h"

#include "database/database.h"
#include "runtime/input.h"
#include "testing/qtprint.h"
#include "testing/scriptedhost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The files of a scale office in a temporary directory (the current
// directory while a test runs): the delivered database and the scripted
// host, with no forms registered yet.
class OfficeDirectory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        ASSERT_TRUE(QFile::copy(QStringLiteral(DELIVERED_DB), m_dir.filePath("wt.mdb")));
        QFile::setPermissions(m_dir.filePath("wt.mdb"), QFile::ReadOwner | QFile::WriteOwner);
        QDir::setCurrent(m_dir.path());
        vb::App::instance().reset();
        vb::App::instance().setHost(&host);
    }
    void TearDown() override
    {
        if (aminv::connected() && vb::App::instance().hasForm("Form1"))
            if (auto *f = dynamic_cast<Form1 *>(&vb::app().form("Form1")); f && f->loaded())
                f->Unload();
        aminv::release();
        vb::App::instance().reset();
        vb::App::instance().setHost(nullptr);
        QDir::setCurrent(m_oldDir);
    }

    // Runs statements on the database before the program starts.
    void prepare(std::initializer_list<vb::Sql> statements)
    {
        vb::Connection c;
        c.Open(QString::fromLatin1(aminv::DefaultConnection), QString(), QString(), -1);
        vb::Command cmd;
        cmd.setActiveConnection(&c);
        for (const vb::Sql &s : statements) {
            cmd.setCommandText(s);
            cmd.Execute();
        }
        c.Close();
    }

    vb::ScriptedHost host;
    QTemporaryDir m_dir;
    QString m_oldDir;
};

// The office running the current edition's weighing forms, started
// through Main as the program does.
class Office : public OfficeDirectory
{
protected:
    void SetUp() override
    {
        OfficeDirectory::SetUp();
        registerWeighingForms();
        // No indicator port unless a test asks for one.
        prepare({vb::Sql("update listvalue set Name='2' where type='machtyp'")});
    }

    // Stores a ticket row directly.
    void storeTicket(int num, const QString &truck, double gross, double tare, int stage,
                     const QString &grossDt = " ", const QString &grossTime = " ",
                     const QString &tareDt = " ", const QString &tareTime = " ",
                     const QString &tareOral = " ")
    {
        prepare({vb::Sql("insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, "
                         "grossdt, grosstime, taredt, taretime, grossoral, tareoral, rupee, stage, amtword, dt) "
                         "values (?, ?, 'Sand', 'Ram Traders', 'Shiv Quarry', ?, ?, ?, ?, ?, ?, ?, ' ', ?, '0', ?, ' ', '2024-03-05')",
                         {num, truck, gross, tare, (gross > 0 && tare > 0) ? std::abs(gross - tare) : 0.0,
                          grossDt, grossTime, tareDt, tareTime, tareOral, stage})});
    }

    Form1 &start()
    {
        aminv::Main();
        form1 = &vb::app().form<Form1>("Form1");
        return *form1;
    }

    Form1 *form1 = nullptr;
};
