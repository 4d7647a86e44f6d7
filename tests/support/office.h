#pragma once
// A scale office in a temporary directory: the delivered database, the
// scripted host and the weighing forms, started through Main as the
// program does.
#include "weighing/aminv.h"
#include "weighing/form1.h"
#include "weighing/registry.h"

#include "support/newrun.h"

#include "database/database.h"
#include "runtime/input.h"
#include "testing/qtprint.h"
#include "testing/scriptedhost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

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
        vb::App::instance().setErrorObserver([this](int number, const QString &description) {
            m_untrapped.push_back({number, description});
        });
    }
    void TearDown() override
    {
        if (aminv::connected() && vb::App::instance().hasForm("Form1"))
            if (auto *f = dynamic_cast<Form1 *>(&vb::app().form("Form1")); f && f->loaded())
                f->Unload();
        vb::App::instance().setErrorObserver({});
        checkUntrappedErrors();
        // After a failure the rest of the script was not reached.
        if (!HasFailure()) {
            EXPECT_EQ(host.unusedAnswers(), QStringList()) << "scripted answers that no box asked for";
        }
        aminv::release();
        vb::App::instance().reset();
        vb::App::instance().setHost(nullptr);
        QDir::setCurrent(m_oldDir);
    }

    // A run-time error that no handler trapped is shown in a box and the
    // program goes on. A test that means to leave one standing (the error
    // it checks) declares its number; any other fails the test at
    // tear-down, and so does a declared one that never came.
    void expectUntrappedError(int number) { m_declaredErrors.push_back(number); }

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

private:
    void checkUntrappedErrors()
    {
        for (const auto &[number, description] : m_untrapped) {
            const bool declared =
                std::find(m_declaredErrors.begin(), m_declaredErrors.end(), number) != m_declaredErrors.end();
            EXPECT_TRUE(declared) << "untrapped run-time error " << number << ": " << description.toStdString();
        }
        for (int number : m_declaredErrors)
            EXPECT_TRUE(std::any_of(m_untrapped.begin(), m_untrapped.end(),
                                    [number](const auto &e) { return e.first == number; }))
                << "declared run-time error " << number << " never came";
    }

    std::vector<std::pair<int, QString>> m_untrapped;
    std::vector<int> m_declaredErrors;
};

// Stands in for a ticket print form: it only has a name.
class PrintStandIn : public vb::Form
{
public:
    explicit PrintStandIn(const QString &name) : vb::Form(name) {}
};

// The office running the current edition's weighing forms, started
// through Main as the program does.
class Office : public OfficeDirectory
{
protected:
    void SetUp() override
    {
        OfficeDirectory::SetUp();
        registerForms();
        // No indicator port unless a test asks for one.
        prepare({vb::Sql("update listvalue set Name='2' where type='machtyp'")});
    }

    // The ticket print forms, reduced to their names: a test sees which
    // one opens.
    void registerPrintStandIns()
    {
        for (const char *name : {"preview", "previewprint", "previewplain"}) {
            const QString n = QString::fromLatin1(name);
            vb::app().registerForm(n, [n] { return std::make_unique<PrintStandIn>(n); });
        }
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

    // The forms of this office's program: the weighing forms. A fixture
    // that adds its own overrides it; restart() registers them again.
    virtual void registerForms() { registerWeighingForms(); }

    Form1 &start()
    {
        aminv::Main();
        form1 = &vb::app().form<Form1>("Form1");
        return *form1;
    }
    // The next run of the program in the same directory.
    Form1 &restart()
    {
        newRun(host, [this] { registerForms(); });
        form1 = nullptr;
        return start();
    }

    Form1 *form1 = nullptr;
};
