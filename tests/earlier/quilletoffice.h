#pragma once
// A scale office running the earlier edition: the delivered database in a
// temporary directory, the indicator cable as a pseudo-terminal pair linked
// as COM1 (the port the delivered settings name, which this edition always
// opens), the scripted host, and the shared forms with the earlier
// edition's variants, started through its own Main.
#include "earlier/quilletform1.h"
#include "earlier/registry.h"
#include "earlier/startup.h"

#include "admin/registry.h"
#include "weighing/aminv.h"
#include "weighing/msbox.h"
#include "weighing/registry.h"

#include "support/office.h"
#include "support/rows.h"

#include "database/database.h"
#include "runtime/input.h"
#include "testing/ptypair.h"
#include "testing/qtprint.h"
#include "testing/scriptedhost.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A form reduced to its name, for forms opened from the screens under test.
class StandIn : public vb::Form
{
public:
    explicit StandIn(const QString &name) : Form(name) {}
};

class QuilletOffice : public OfficeDirectory
{
protected:
    void SetUp() override
    {
        OfficeDirectory::SetUp();
        if (vb::PtyPair::available()) {
            ASSERT_TRUE(cable.start(m_dir.filePath("COM1"), m_dir.filePath("indicator")));
        }
        vb::App &app = vb::App::instance();
        app.setTitle(QStringLiteral("Quillet"));
        registerForms();
        host.setNow(QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
    }

    // Stores a ticket row directly.
    void storeTicket(int num, const QString &truck, double gross, double tare, int stage)
    {
        prepare({vb::Sql("insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, "
                         "grossdt, grosstime, taredt, taretime, grossoral, tareoral, rupee, stage, amtword, dt, bdate) "
                         "values (?, ?, 'Sand', 'Ram Traders', 'Shiv Quarry', ?, ?, ?, '04/03/2024', '10:15', "
                         "' ', ' ', ' ', 'Oral', '150', ?, 'Rupees One Hundred Fifty', '2024-03-04', '2024-03-04')",
                         {num, truck, gross, tare, (gross > 0 && tare > 0) ? std::abs(gross - tare) : 0.0, stage})});
    }
    // Registers stand-ins for forms this wave does not test.
    void standIns(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            vb::app().registerForm(name, [name] { return std::make_unique<StandIn>(name); });
    }
    // The rows of a query on the running program's connection.
    QStringList rows(const QString &query) { return storedRows(aminv::dbConn(), vb::Sql(query)); }
    // Answers the next confirmation box with "Ok" or "Cancel".
    void confirm(bool ok)
    {
        host.onModal("msbox", [ok](vb::Form &f) {
            auto &box = static_cast<msbox &>(f);
            vb::ui::click(ok ? static_cast<vb::Control &>(box.OKButton) : box.cmdCancel);
        });
    }

    // The forms of the earlier edition: the shared ones and its variants.
    static void registerForms()
    {
        registerWeighingForms();
        registerAdminForms();
        registerEarlierForms();
    }

    QuilletForm1 &start()
    {
        earlier::Main();
        form1 = &vb::app().form<QuilletForm1>("Form1");
        return *form1;
    }
    // The next run of the program in the same directory.
    QuilletForm1 &restart()
    {
        newRun(host, registerForms);
        form1 = nullptr;
        return start();
    }

    vb::PtyPair cable;
    QuilletForm1 *form1 = nullptr;
};
