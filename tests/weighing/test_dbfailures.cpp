// A damaged database and a database held by another program, as the
// operator meets them on the main screen and in the ticket list: every
// action that fails says which and why, and the screen stays usable.
#include "support/office.h"
#include "support/otherprogram.h"

#include "weighing/acclocate.h"
#include "weighing/msbox.h"

#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>

using namespace vb;

namespace {

const QString Locked = QStringLiteral("another program is using wt.mdb (database is locked). Try again in a moment.");
const QString Waiting = QStringLiteral("Waiting for wt.mdb: another program is using it");

class DatabaseFailures : public Office
{
protected:
    void SetUp() override
    {
        Office::SetUp();
        registerPrintStandIns();
        host.setNow(QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
        m_lockWait = Connection::lockWait();
    }
    void TearDown() override
    {
        release();
        Connection::setLockWait(m_lockWait);
        Office::TearDown();
    }

    // Tickets 1 to n, stored directly.
    void storeTickets(int n)
    {
        prepare({Sql("with recursive k(i) as (select 1 union all select i + 1 from k where i < ?) "
                     "insert into emp (num, truckno, material, rece, sup, grosswt, tarewt, netwt, grossdt, "
                     "grosstime, taredt, taretime, grossoral, tareoral, rupee, stage, amtword, dt) "
                     "select i, 'MH' || i, 'Sand', 'Ram Traders', 'Shiv Quarry', 20000 + i, 8000, 12000 + i, "
                     "'04/03/2024', '08:00', '04/03/2024', '09:00', ' ', ' ', '0', 3, ' ', '2024-03-04' from k",
                     {n})});
    }

    // Another program takes the file with BEGIN EXCLUSIVE until release().
    void hold() { m_other.hold(); }
    void release() { m_other.letGo(); }

    QStringList messages() const
    {
        QStringList out;
        for (const auto &b : host.boxes())
            out << b.prompt;
        return out;
    }
    void answerOk()
    {
        host.onModal("msbox", [](Form &f) { ui::click(static_cast<msbox &>(f).OKButton); });
    }
    // A new ticket with Esc, its truck typed, saved with F8 and Ok.
    void newTicketSaved(Form1 &f, const QString &truck)
    {
        ui::press(f, Key::Esc);
        ui::press(f, Key::Enter);
        ui::typeInto(f.Combo4, truck);
        f.Label1.setCaption("21000");
        answerOk();
        ui::press(f, Key::F8);
    }
    QVariant stored(const QString &query, QVariantList values = {})
    {
        QSqlQuery q = aminv::dbConn().run(Sql(query, std::move(values)));
        return q.next() ? q.value(0) : QVariant();
    }
    // The edit controls F5 locks after a chosen ticket.
    bool ticketEditable(Form1 &f)
    {
        for (Control *c : std::initializer_list<Control *>{&f.Combo4, &f.Combo2, &f.Combo1, &f.Combo3, &f.txtFields(2),
                                                           &f.txtFields(4), &f.txtFields(8), &f.Frame1})
            if (!c->Enabled())
                return false;
        return true;
    }

    OtherProgram m_other;
    int m_lockWait = 0;
};

// Breaks pages in the middle of the file with dd, so that the engine finds
// them only when a query reads them.
void damageMiddle(const QString &file)
{
    QFile pattern("pattern.bin");
    ASSERT_TRUE(pattern.open(QIODevice::WriteOnly));
    pattern.write(QByteArray(4096 * 8, char(0x5a)));
    pattern.close();
    const qint64 pages = QFileInfo(file).size() / 4096;
    ASSERT_GT(pages, 40);
    const int rc = QProcess::execute("dd", {"if=pattern.bin", "of=" + file, "bs=4096",
                                            "seek=" + QString::number(pages / 2), "conv=notrunc", "status=none"});
    ASSERT_EQ(rc, 0);
}

QString integrity(const QString &file)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            result = q.exec("pragma integrity_check") && q.next() ? q.value(0).toString() : q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("check");
    return result;
}

// The first ticket whose row the engine cannot read, or 0.
int unreadableTicket(const QString &file, int tickets)
{
    int found = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
        db.setDatabaseName(file);
        if (db.open())
            for (int i = 1; i <= tickets && !found; ++i) {
                QSqlQuery q(db);
                q.prepare("select * from emp where num=?");
                q.addBindValue(i);
                if (!q.exec() || (!q.next() && q.lastError().isValid()))
                    found = i;
            }
        db.close();
    }
    QSqlDatabase::removeDatabase("probe");
    return found;
}

} // namespace

TEST_F(DatabaseFailures, ADamagedFileNamesTheActionAndTheCauseAndTheScreenStaysUsable)
{
    const int tickets = 6000;
    storeTickets(tickets);
    damageMiddle("wt.mdb");
    ASSERT_NE(integrity("wt.mdb"), "ok") << "the damage is found by the engine";
    const int unreadable = unreadableTicket("wt.mdb", tickets);
    ASSERT_GT(unreadable, 0);

    Form1 &f = start();
    ASSERT_TRUE(messages().isEmpty()) << "the start reads no damaged page: " << messages().join("; ").toStdString();
    struct Case {
        const char *action;
        std::function<void()> act;
        QString message;
    } cases[] = {
        {"F5, the ticket list", [&] { ui::press(f, Key::F5); },
         "The ticket list cannot be shown: database disk image is malformed"},
        {"a ticket recalled by its number",
         [&] {
             ui::focus(f.num);
             f.num.setText(QString::number(unreadable));
             ui::press(f, Key::Enter);
         },
         QStringLiteral("Ticket %1 cannot be recalled: database disk image is malformed").arg(unreadable)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.action);
        host.clearRecords();
        c.act();
        EXPECT_EQ(messages(), QStringList{c.message});
        EXPECT_TRUE(ticketEditable(f)) << "the screen stays usable";
        EXPECT_FALSE(app().form("acclocate").loaded());
        EXPECT_FALSE(aminv::dbConn().inTransaction());
    }
    // The ticket that could not be recalled is not replaced by a save of
    // what the screen shows.
    host.clearRecords();
    answerOk();
    ui::press(f, Key::F8);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("The ticket was not saved: ticket %1 could not be read; leave the "
                                                     "number box to recall it again")
                                          .arg(unreadable)});
    EXPECT_EQ(f.ActiveControl(), &f.num);
    EXPECT_NE(unreadableTicket("wt.mdb", tickets), 0) << "the damaged row was not replaced";

    // The ticket whose page is whole still opens, and a new one is saved.
    host.clearRecords();
    ui::focus(f.num);
    f.num.setText(QString::number(tickets));
    ui::press(f, Key::Enter);
    EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
    EXPECT_EQ(f.Combo4.Text(), QStringLiteral("MH%1").arg(tickets));
}

TEST_F(DatabaseFailures, UnderAnotherProgramsLockEachActionSaysItCanBeTriedAgain)
{
    storeTickets(30);
    Form1 &f = start();
    newTicketSaved(f, "KA01");
    ASSERT_EQ(stored("select truckno from emp where num=31").toString(), "KA01");
    Connection::setLockWait(400);

    hold();
    struct Case {
        const char *action;
        std::function<void()> act;
        QString message;
    } cases[] = {
        {"F6, the print", [&] { ui::press(f, Key::F6); }, "The ticket cannot be printed: " + Locked},
        {"F8, the save",
         [&] {
             f.Combo4.setText("KA02");
             answerOk();
             ui::press(f, Key::F8);
         },
         "The ticket was not saved: " + Locked},
        {"F5, the ticket list", [&] { ui::press(f, Key::F5); }, "The ticket list cannot be shown: " + Locked},
        {"Esc, a new ticket", [&] { ui::press(f, Key::Esc); }, "A new ticket cannot be started: " + Locked},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.action);
        host.clearRecords();
        c.act();
        EXPECT_EQ(messages(), QStringList{c.message});
        EXPECT_EQ(host.waits(), QStringList{Waiting}) << "the screen showed that it waited";
        EXPECT_FALSE(host.waitingShown()) << "and no longer does";
        EXPECT_TRUE(ticketEditable(f));
        EXPECT_FALSE(aminv::dbConn().inTransaction());
    }
    // Esc under the lock started nothing: the screen shows ticket 31 whole,
    // and the focus left the number box, so the next Esc starts anew.
    EXPECT_EQ(f.num.Text(), "31");
    EXPECT_EQ(f.Combo4.Text(), "KA02");
    EXPECT_EQ(f.txtFields(2).Text(), "21000");
    EXPECT_NE(f.ActiveControl(), &f.num);

    release();
    // The first save after the lock stores its own ticket, under the next
    // number; ticket 31 is as it was.
    host.clearRecords();
    newTicketSaved(f, "KA03");
    EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
    EXPECT_EQ(stored("select truckno from emp where num=32").toString(), "KA03");
    EXPECT_EQ(stored("select truckno from emp where num=31").toString(), "KA01");
    EXPECT_EQ(stored("select count(*) from emp").toInt(), 32);
}

TEST_F(DatabaseFailures, ALockThatEndsWhileTheProgramWaitsLetsTheSaveThrough)
{
    Form1 &f = start();
    Connection::setLockWait(20000);
    hold();
    // The other program lets go a moment after the save began to wait.
    QTimer::singleShot(600, [this] { release(); });
    newTicketSaved(f, "KA01");
    EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
    EXPECT_EQ(host.waits(), QStringList{Waiting});
    EXPECT_EQ(stored("select truckno from emp where num=1").toString(), "KA01");
}

TEST_F(DatabaseFailures, TheTicketListShowsItsTicketsAgainOnceTheLockIsGone)
{
    storeTickets(30);
    Form1 &f = start();
    Connection::setLockWait(300);

    // F5 under the lock, then at once after it.
    hold();
    host.clearRecords();
    ui::press(f, Key::F5);
    EXPECT_EQ(messages(), QStringList{"The ticket list cannot be shown: " + Locked});
    release();
    int shown = -1;
    size_t columns = 0;
    host.onModal("acclocate", [&](Form &form) {
        auto &l = static_cast<acclocate &>(form);
        shown = l.ListView1.count();
        columns = l.ListView1.columns().size();
        ui::click(l.Command2);
    });
    host.clearRecords();
    ui::press(f, Key::F5);
    EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
    EXPECT_EQ(shown, 30);
    EXPECT_EQ(columns, 8u);

    // A header sort under the lock says so and keeps the list; after the
    // lock the rows read and sort again.
    QStringList firstRows, afterLock;
    QStringList sortMessages;
    host.onModal("acclocate", [&](Form &form) {
        auto &l = static_cast<acclocate &>(form);
        hold();
        host.clearRecords();
        ui::clickColumn(l.ListView1, 1);
        sortMessages = messages();
        release();
        for (int r = 0; r < 3; ++r)
            firstRows << l.ListView1.item(r).text;
        ui::clickColumn(l.ListView1, 1);
        for (int r = 0; r < 3; ++r)
            afterLock << l.ListView1.item(r).text;
        ui::click(l.Command2);
    });
    ui::press(f, Key::F5);
    EXPECT_EQ(sortMessages, QStringList{"The list cannot be sorted: " + Locked});
    EXPECT_EQ(firstRows, (QStringList{"1", "2", "3"})) << "the list kept its rows and order";
    EXPECT_EQ(afterLock, (QStringList{"9", "8", "7"})) << "the first sort after the lock is descending";
}
