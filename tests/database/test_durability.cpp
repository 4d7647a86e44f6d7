// What a commit keeps and what a failure leaves: a committed row survives
// the process being killed at once; a failing statement, or an error that
// escapes an event, leaves nothing of its transaction behind.
#include "dbfixture.h"

#include "runtime/form.h"
#include "testing/scriptedhost.h"

#include <QFileInfo>
#include <QProcess>

using vb::Recordset;
using vb::RuntimeError;
using vb::Sql;

class Durability : public DbCopy
{
};

TEST_F(Durability, CommittedRowSurvivesSigkillRightAfterCommit)
{
    QProcess child;
    child.start(QStringLiteral(COMMIT_CHILD), {QDir::currentPath(), QStringLiteral("Killed After Commit")});
    ASSERT_TRUE(child.waitForFinished(-1));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAllStandardError().toStdString();
    open();
    EXPECT_EQ(scalar("select Name from matmast where num=99").toString(), "Killed After Commit");
    EXPECT_FALSE(QFileInfo::exists(path("wt.mdb-journal")));
    // Power loss: every commit is synced through the rollback journal.
    EXPECT_EQ(scalar("PRAGMA journal_mode").toString(), "delete");
    EXPECT_EQ(scalar("PRAGMA synchronous").toInt(), 2); // FULL
}

TEST_F(Durability, FailingStatementRollsBackTheDeleteBeforeIt)
{
    open();
    vb::Command cmd;
    cmd.setActiveConnection(conn);
    const std::function<void()> failures[] = {
        // a statement the engine refuses
        [&] {
            cmd.setCommandText("insert into emp (num, nosuchcolumn) values (1, 2)");
            cmd.Execute();
        },
        // a row insert that breaks the key
        [&] {
            Recordset rs;
            rs.Open("select * from truckmast", conn);
            rs.AddNew();
            rs.setField("num", 2);
            rs.Update();
        },
    };
    for (const auto &failure : failures) {
        conn.BeginTrans();
        cmd.setCommandText(Sql("delete from truckmast where num=?", {1}));
        ASSERT_EQ(cmd.Execute(), 1);
        EXPECT_THROW(failure(), RuntimeError);
        EXPECT_FALSE(conn.inTransaction());
        EXPECT_EQ(scalar("select Name from truckmast where num=1").toString(), "GJ17TT4521");
    }
    // The connection goes on working.
    conn.BeginTrans();
    cmd.setCommandText("delete from truckmast where num=1");
    cmd.Execute();
    conn.CommitTrans();
    EXPECT_EQ(scalar("select count(*) from truckmast").toInt(), 3);
}

TEST_F(Durability, AbandonedTransactionIsDroppedByTheNextBeginTrans)
{
    open();
    conn.BeginTrans();
    execute("delete from matmast");
    conn.BeginTrans(); // the handler that began the first one failed and trapped it
    conn.CommitTrans();
    EXPECT_EQ(scalar("select count(*) from matmast").toInt(), 5);
    EXPECT_THROW(conn.CommitTrans(), RuntimeError);
}

TEST_F(Durability, UntrappedErrorInAnEventRollsBackItsTransaction)
{
    open();
    vb::ScriptedHost host;
    vb::App::instance().setHost(&host);
    vb::App::instance().dispatch([&] {
        conn.BeginTrans();
        execute("delete from suppmast");
        throw RuntimeError::database(QStringLiteral("disk trouble"));
    });
    EXPECT_FALSE(conn.inTransaction());
    // A handler whose trap shows the error and leaves rolls back as well.
    vb::App::instance().dispatch([&] {
        vb::trapAndShow([&] {
            conn.BeginTrans();
            execute("delete from suppmast");
            throw RuntimeError::typeMismatch();
        });
    });
    vb::App::instance().setHost(nullptr);
    EXPECT_EQ(vb::App::instance().lastErrorNumber(), RuntimeError::DatabaseErrorNumber);
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(scalar("select count(*) from suppmast").toInt(), 3);
    EXPECT_TRUE(host.boxTexts().join('\n').contains("disk trouble"));
}
