// Start-up through "constr.txt", the shared objects, and the confirmation
// box.
#include "support/office.h"

#include "weighing/msbox.h"

#include "runtime/convert.h"

#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <functional>
#include <set>

using namespace vb;

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

using StartUp = Office;

TEST_F(StartUp, WritesTheDefaultConnectionWhenMissing)
{
    start();
    EXPECT_EQ(readAll("constr.txt"), "DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb\r\n");
    EXPECT_TRUE(aminv::connected());
    EXPECT_TRUE(form1->visible());
    EXPECT_FALSE(form1->modal());
}

TEST_F(StartUp, UsesOnlyTheFirstLineAndNeverRewritesTheFile)
{
    ASSERT_TRUE(QFile::copy("wt.mdb", "office.mdb"));
    const QByteArray content = "PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source=office.mdb;\nDBQ=wt.mdb\r\nmore\r\n";
    write("CONSTR.TXT", content);
    prepare({Sql("delete from counter")}); // wt.mdb: no settings row
    start();
    EXPECT_EQ(readAll("CONSTR.TXT"), content);
    EXPECT_FALSE(QFile::exists("constr.txt") && readAll("constr.txt") != content)
        << "no second file is written beside the existing one";
    EXPECT_NE(form1->Marque, "") << "the settings came from office.mdb, the first line's file";
}

TEST_F(StartUp, FailsClearlyWithoutADatabase)
{
    QFile::remove("wt.mdb");
    try {
        aminv::Main();
        FAIL() << "Main opened a database that is not there";
    } catch (const RuntimeError &e) {
        EXPECT_TRUE(e.description().contains("wt.mdb")) << e.description().toStdString();
    }
    EXPECT_FALSE(QFile::exists("wt.mdb")) << "no empty database is made in its place";
    EXPECT_FALSE(aminv::connected());
}

TEST_F(StartUp, AnEmptyConnectionFileIsAnError)
{
    write("constr.txt", "");
    EXPECT_THROW(aminv::Main(), RuntimeError);
    EXPECT_EQ(readAll("constr.txt"), "") << "the file is not rewritten";
}

TEST_F(StartUp, MainRecordsetHoldsOneQueryAtATime)
{
    start();
    Recordset &rs = aminv::mainRs();
    rs.Open("select * from counter", aminv::dbConn(), 3, 3, -1);
    EXPECT_THROW(rs.Open("select * from emp", aminv::dbConn(), 3, 3, -1), RuntimeError);
    rs.Close();
    aminv::release();
    EXPECT_THROW(aminv::mainRs(), RuntimeError) << "released objects raise an error, not a crash";
}

using ConfirmationBox = Office;

TEST_F(ConfirmationBox, ReturnsTheAnswer)
{
    start();
    struct Case {
        const char *button;
        int answer;
    } cases[] = {{"OKButton", 6}, {"cmdCancel", 7}, {"", 7}};
    host.onModal("msbox", [&](Form &) {});
    EXPECT_EQ(aminv::ConfirmBox("Do You Want To Save").toInt(), 0) << "closed on first use: 0";
    for (const Case &c : cases) {
        QString pressed;
        host.onModal("msbox", [&](Form &f) {
            auto &box = static_cast<msbox &>(f);
            pressed = box.msgtxt.Caption();
            if (*c.button)
                ui::click(*box.control(c.button));
        });
        EXPECT_EQ(aminv::ConfirmBox("Do You Want To Save").toInt(), c.answer) << c.button;
        EXPECT_EQ(pressed, "Do You Want To Save");
    }
    auto &box = app().form<msbox>("msbox");
    EXPECT_EQ(box.Caption(), "Varnock");
    EXPECT_EQ(box.OKButton.Caption(), "Ok");
}

TEST_F(StartUp, AFileWithoutTheTicketIndexesGetsThem)
{
    const char *indexes = "select count(*) from sqlite_master where type='index' and tbl_name='emp'";
    auto count = [&] {
        Connection c;
        c.Open(QString::fromLatin1(aminv::DefaultConnection));
        Recordset rs;
        rs.Open(indexes, c);
        return rs.Fields(0).Value().toInt();
    };
    const int delivered = count();
    EXPECT_GE(delivered, 5) << "the delivered database has its indexes";
    prepare({Sql("drop index emp_dt"), Sql("drop index emp_rece_nocase")});
    EXPECT_EQ(count(), delivered - 2);
    start();
    EXPECT_EQ(count(), delivered);
}

// An office's large file without the indexes: the operator sees the
// database being prepared, step by step, before the main screen comes; a
// file that has them shows nothing.
TEST_F(StartUp, AddingMissingIndexesShowsItsProgressBeforeTheScreen)
{
    // Enough tickets that building an index takes many engine steps.
    prepare({Sql("insert into emp (num, truckno, material, rece, sup, dt) "
                 "with recursive n(x) as (select 1 union all select x + 1 from n where x < 60000) "
                 "select x, 'GJ ' || (x % 97), 'Sand', 'Halol Ready Mix ' || (x % 31), 'Shiv Quarry', "
                 "date('2020-01-01', '+' || (x / 50) || ' days') from n")});
    struct Case {
        std::vector<const char *> dropped;
    } cases[] = {{{}}, {{"emp_dt", "emp_rece_nocase"}}, {{"emp_dt", "emp_bdate", "emp_truckno_nocase",
                                                        "emp_material_nocase", "emp_rece_nocase", "emp_sup_nocase"}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dropped.size());
        for (const char *index : c.dropped)
            prepare({Sql(QStringLiteral("drop index %1").arg(index))});
        host.clearRecords();
        start();
        const auto &shown = host.progressShown();
        if (c.dropped.empty()) {
            EXPECT_TRUE(shown.empty()) << "nothing to prepare, nothing shown";
        } else {
            ASSERT_GE(shown.size(), 2u);
            const int total = shown.front().total;
            EXPECT_EQ(total, int(c.dropped.size()) * 100) << "a hundred steps an index";
            EXPECT_EQ(shown.front().done, 0) << "shown before the first index";
            EXPECT_EQ(shown.back().done, total) << "closed at the end";
            std::set<int> done;
            for (size_t i = 0; i < shown.size(); ++i) {
                EXPECT_EQ(shown[i].title, "Varnock");
                EXPECT_EQ(shown[i].text, "Preparing the database for this program (done once). Please wait...");
                EXPECT_EQ(shown[i].total, total);
                EXPECT_FALSE(shown[i].formsLoaded) << "before the main screen";
                if (i > 0) {
                    EXPECT_GE(shown[i].done, shown[i - 1].done) << "never goes back";
                }
                done.insert(shown[i].done);
            }
            for (int k = 1; k < int(c.dropped.size()); ++k)
                EXPECT_TRUE(done.count(k * 100)) << "index " << k << " done";
        }
        Recordset rs;
        rs.Open("select count(*) from sqlite_master where type='index' and tbl_name='emp'", aminv::dbConn());
        EXPECT_EQ(rs.Fields(0).Value().toInt(), 6) << "every index is there";
        rs.Close();
        EXPECT_TRUE(vb::app().form<Form1>("Form1").loaded()) << "the screen comes after";
        vb::app().form("Form1").Unload();
        aminv::release();
        vb::App::instance().reset();
        registerWeighingForms();
    }
}

// Whether the file permissions hold for this user (not for root).
bool permissionsHold()
{
    QFile probe("probe.txt");
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    QFile::setPermissions("probe.txt", QFileDevice::Permissions());
    const bool held = !probe.open(QIODevice::ReadOnly);
    QFile::setPermissions("probe.txt", QFile::ReadOwner | QFile::WriteOwner);
    probe.remove();
    return held;
}

TEST_F(StartUp, BadStartFilesAreNamedWithTheirFault)
{
    struct Case {
        const char *what;
        std::function<void()> make;
        const char *message;
        bool needsPermissions;
    } cases[] = {
        {"an empty database file (a failed copy)", [] { QFile("wt.mdb").resize(0); },
         "'wt.mdb' is not a usable database: the file is empty", false},
        {"a connection file that cannot be read",
         [] {
             write("constr.txt", "DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb\r\n");
             QFile::setPermissions("constr.txt", QFileDevice::Permissions());
         },
         "constr.txt cannot be read: ", true},
        {"a folder named constr.txt", [] { QDir().mkdir("constr.txt"); },
         "constr.txt cannot be read: it is a folder, not a file", false},
        {"no connection file in a read-only run folder (a read-only install's first start)",
         [] { QFile::setPermissions(".", QFile::ReadOwner | QFile::ExeOwner); },
         "constr.txt is missing and cannot be created: the folder ", true},
        {"binary garbage in the connection file",
         [] { write("constr.txt", QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0\x03\0>\0", 14) + "\r\nDRIVER=x\r\n"); },
         "constr.txt holds no connection string: its first line is not text", false},
        {"a connection line that names no driver",
         [] { write("constr.txt", "DBQ=wt.mdb\r\n"); },
         "constr.txt holds no usable connection string: The connection string names no driver or provider", false},
        {"an empty connection file", [] { write("constr.txt", ""); }, "constr.txt is empty: Input past end of file",
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsPermissions && !permissionsHold()) {
            std::printf("skipped (permissions do not hold for this user): %s\n", c.what);
            continue;
        }
        const QByteArray database = readAll("wt.mdb");
        c.make();
        try {
            aminv::Main();
            ADD_FAILURE() << "the program started";
        } catch (const RuntimeError &e) {
            EXPECT_TRUE(e.description().startsWith(c.message)) << e.description().toStdString();
        }
        EXPECT_FALSE(aminv::connected());
        QFile::setPermissions(".", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions("constr.txt", QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove("constr.txt");
        QDir().rmdir("constr.txt");
        write("wt.mdb", database);
    }
}

TEST_F(StartUp, TheDatabaseFileIsFoundWithoutRegardToCase)
{
    write("constr.txt", "DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=WT.MDB\r\n");
    start();
    EXPECT_EQ(QFileInfo(aminv::dbConn().fileName()).fileName(), "wt.mdb");
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_FALSE(QFile::exists("WT.MDB") && QFileInfo("WT.MDB").size() == 0) << "no second file is made";
}

TEST_F(StartUp, LeavingWithTheSharedObjectsOpenEndsCleanly)
{
    // The program ends with the main screen loaded and a query open, as
    // when a settings form ends it.
    QProcess child;
    child.start(QStringLiteral(EXIT_CHILD), {QDir::currentPath()});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << "no crash at exit";
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
}

} // namespace
