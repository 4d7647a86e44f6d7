// Recordsets read by key: the rows are those of the moment of opening, the
// count and the moves agree with a full read, a new row is written without
// reading the table, and a row deleted since opening is reported, not
// crashed on.
#include "dbfixture.h"

#include "database/querytext.h"
#include "runtime/errors.h"

using vb::Connection;
using vb::Recordset;
using vb::RuntimeError;
using vb::Sql;

namespace {

template <class F> int errorNumber(F &&body)
{
    return errorOf(body).number();
}

// More tickets than one batch of keys, one page of rows and the row cache.
constexpr int Tickets = 5000;

class Keyset : public DbCopy
{
protected:
    void SetUp() override
    {
        DbCopy::SetUp();
        open();
        conn.BeginTrans();
        for (int n = 1; n <= Tickets; ++n)
            execute(Sql("insert into emp (num, truckno, grosswt, dt) values (?, ?, ?, ?)",
                        {n, QStringLiteral("GJ%1").arg(n), n * 10, QDate(2024, 1, 1).addDays(n % 300)}));
        conn.CommitTrans();
    }
    QList<int> walk(Recordset &rs)
    {
        QList<int> nums;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            nums << rs.value("num").toInt();
        return nums;
    }
};

QList<int> range(int from, int to, int step = 1)
{
    QList<int> out;
    for (int n = from; step > 0 ? n <= to : n >= to; n += step)
        out << n;
    return out;
}

} // namespace

TEST(PlainSelect, OnlyOneTableWithFilterAndOrderIsServedByKey)
{
    struct Case {
        const char *query;
        const char *table; // nullptr: not plain
    } cases[] = {
        {"select * from emp", "emp"},
        {"select  * from counter", "counter"},
        {"select * from emp WHERE  truckno =? order by num desc", "emp"},
        {"SELECT num, Name FROM [truckmast] where num = (select max(num) from truckmast where num < ?)", "truckmast"},
        {"select emp.* from \"emp\" where name = ? collate nocase", "emp"},
        {"select max(num)as num1 from emp", nullptr},
        {"select count(*) from emp", nullptr},
        {"select distinct truckno from emp", nullptr},
        {"select num as n from emp", nullptr},
        {"select * from emp, counter", nullptr},
        {"select * from emp e where e.num = 1", nullptr},
        {"select * from emp join counter on 1", nullptr},
        {"select * from emp order by 2", nullptr},
        {"select * from emp limit 5", nullptr},
        {"select * from emp group by truckno", nullptr},
        {"select * from emp union select * from emp", nullptr},
        {"select * from main.emp", nullptr},
        {"delete from emp", nullptr},
    };
    for (const Case &k : cases) {
        const vb::db::PlainSelect p = vb::db::plainSelect(QString::fromUtf8(k.query));
        EXPECT_EQ(p.plain, k.table != nullptr) << k.query;
        if (k.table) {
            EXPECT_EQ(p.table, QString::fromUtf8(k.table)) << k.query;
        }
    }
}

TEST(WrittenTable, NamesTheTableAStatementWrites)
{
    struct Case {
        const char *statement;
        bool writing;
        const char *table;
    } cases[] = {
        {"select * from emp", false, ""},
        {"PRAGMA table_info(emp)", false, ""},
        {"delete from emp where num=?", true, "emp"},
        {"insert into slip(num) values (1)", true, "slip"},
        {"INSERT OR REPLACE INTO \"prnvarplain\" (x) values (1)", true, "prnvarplain"},
        {"update [counter] set x=1", true, "counter"},
        {"with t as (select 1) insert into emp select * from t", true, ""},
    };
    for (const Case &k : cases) {
        EXPECT_EQ(vb::db::isWriting(k.statement), k.writing) << k.statement;
        EXPECT_EQ(vb::db::writtenTable(k.statement), QString::fromUtf8(k.table)) << k.statement;
    }
}

TEST_F(Keyset, TablesAreServedByKeyOtherQueriesByRows)
{
    struct Case {
        const char *query;
        bool keyed;
    } cases[] = {
        {"select * from emp", true},
        {"select * from counter", true},
        {"select * from DAYREP", false}, // a view has no rowids
        {"select max(num)as num1 from emp", false},
        {"select * from emp, counter where emp.num = 1", false},
    };
    for (const Case &k : cases) {
        Recordset rs;
        rs.Open(k.query, conn);
        EXPECT_EQ(rs.isKeyed(), k.keyed) << k.query;
    }
}

TEST_F(Keyset, CountAndMovesAgreeWithTheQueryOrder)
{
    Recordset rs;
    rs.Open("select * from emp where num > 100 order by num desc", conn);
    ASSERT_TRUE(rs.isKeyed());
    EXPECT_FALSE(rs.Bof());
    EXPECT_EQ(rs.value("num").toInt(), Tickets);
    EXPECT_EQ(rs.RecordCount(), Tickets - 100);
    rs.MoveLast();
    EXPECT_EQ(rs.value("num").toInt(), 101);
    EXPECT_EQ(rs.value("truckno").toString(), "GJ101");
    rs.MovePrevious();
    EXPECT_EQ(rs.value("num").toInt(), 102);
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_FALSE(rs.Bof());
    EXPECT_EQ(errorNumber([&] { rs.MoveNext(); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.value("num"); }), 3021);
    // Backwards over pages the cache has dropped, then forwards in full.
    rs.MoveLast();
    QList<int> back;
    for (; !rs.Bof(); rs.MovePrevious())
        back << rs.value("num").toInt();
    EXPECT_EQ(back, range(101, Tickets));
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(errorNumber([&] { rs.MovePrevious(); }), 3021);
    EXPECT_EQ(walk(rs), range(Tickets, 101, -1));
}

TEST_F(Keyset, ValuesKeepTheirTypesAndNulls)
{
    execute(Sql("insert into emp (num, dt, tarewt, stage) values (?, ?, ?, ?)", {Tickets + 1, QDate(2025, 6, 9), 1200.5, 3}));
    Recordset rs;
    rs.Open(Sql("select num, dt, tarewt, truckno, stage from emp where num=?", {Tickets + 1}), conn);
    ASSERT_TRUE(rs.isKeyed());
    EXPECT_EQ(rs.FieldCount(), 5);
    EXPECT_EQ(rs.value("num"), QVariant(qlonglong(Tickets + 1)));
    EXPECT_EQ(rs.value("dt"), QVariant(QDate(2025, 6, 9)));
    EXPECT_EQ(rs.value("tarewt"), QVariant(1200.5));
    EXPECT_TRUE(rs.value("truckno").isNull());
    EXPECT_FALSE(rs.value("truckno").isValid());
    rs.Close();
    rs.Open("select * from counter", conn);
    EXPECT_EQ(rs.value("oral").metaType().id(), QMetaType::Bool);
    EXPECT_EQ(rs.value("st_dt"), QVariant(QDate(2025, 4, 1)));
}

TEST_F(Keyset, RowsWrittenAfterOpenAreNotSeen)
{
    // However far the recordset has read when the table changes, and
    // whichever connection changes it.
    enum Read { Nothing, FirstRow, FirstPages };
    for (Read read : {Nothing, FirstRow, FirstPages}) {
        for (bool otherConnection : {false, true}) {
            SCOPED_TRACE(testing::Message() << "read " << read << " other connection " << otherConnection);
            Recordset rs;
            rs.Open("select * from emp order by num", conn);
            if (read >= FirstRow) {
                EXPECT_EQ(rs.value("num").toInt(), 1);
            }
            if (read == FirstPages)
                for (int i = 0; i < 200; ++i)
                    rs.MoveNext();

            Connection other;
            Connection &writer = otherConnection ? other : conn;
            if (otherConnection)
                other.Open(kAccessString);
            vb::Command cmd;
            cmd.setActiveConnection(writer);
            cmd.setCommandText(Sql("insert into emp (num, truckno) values (?, 'NEW')", {Tickets + 1}));
            EXPECT_EQ(cmd.Execute(), 1);
            cmd.setCommandText(Sql("delete from emp where num=?", {Tickets + 1}));

            EXPECT_EQ(rs.RecordCount(), Tickets);
            EXPECT_EQ(walk(rs), range(1, Tickets));
            cmd.Execute();
        }
    }
}

TEST_F(Keyset, AddNewWritesItsRowWithoutReadingTheTable)
{
    Recordset rs;
    rs.Open("select * from emp", conn);
    rs.AddNew();
    rs.setField("num", Tickets + 1);
    rs.setField("truckno", "GJ01AB1234");
    rs.setField("dt", QDate(2025, 7, 1));
    rs.Update();
    EXPECT_EQ(rs.rowsRead(), 0);
    // The new row is the current one, after all the others.
    EXPECT_EQ(rs.value("truckno").toString(), "GJ01AB1234");
    EXPECT_EQ(rs.value("dt"), QVariant(QDate(2025, 7, 1)));
    EXPECT_EQ(rs.RecordCount(), Tickets + 1);
    rs.MoveLast();
    EXPECT_EQ(rs.value("num").toInt(), Tickets + 1);
    rs.MovePrevious();
    EXPECT_EQ(rs.value("num").toInt(), Tickets);
    EXPECT_EQ(walk(rs).size(), Tickets + 1);
    rs.Close();
    EXPECT_EQ(scalar(Sql("select truckno from emp where num=?", {Tickets + 1})).toString(), "GJ01AB1234");
}

TEST_F(Keyset, EditsFindTheirRowByKeyEvenWhenTheKeyChanges)
{
    Recordset rs;
    rs.Open("select * from emp where num <= 3 order by num", conn);
    rs.MoveNext();
    rs.setField("num", Tickets + 7);
    rs.setField("truckno", "MOVED");
    rs.Update();
    EXPECT_EQ(rs.value("num").toInt(), Tickets + 7);
    EXPECT_EQ(rs.value("truckno").toString(), "MOVED");
    rs.MoveNext();
    rs.setField("grosswt", 99);
    rs.MoveFirst(); // moving off writes the edit
    EXPECT_EQ(walk(rs), (QList<int>{1, Tickets + 7, 3}));
    rs.Close();
    EXPECT_EQ(scalar("select count(*) from emp where num=2").toInt(), 0);
    EXPECT_EQ(scalar("select grosswt from emp where num=3").toInt(), 99);
}

TEST_F(Keyset, ARowDeletedSinceOpeningStaysCountedAndRaisesWhenRead)
{
    Recordset rs;
    rs.Open("select * from emp order by num", conn);
    EXPECT_EQ(rs.value("num").toInt(), 1); // reads the first page of rows
    execute("delete from emp where num in (10, 1000)");
    EXPECT_EQ(rs.RecordCount(), Tickets);
    for (int i = 1; i < 10; ++i)
        rs.MoveNext();
    // Already read: still shows the values read.
    EXPECT_EQ(rs.value("truckno").toString(), "GJ10");
    for (int i = 10; i < 1000; ++i)
        rs.MoveNext();
    EXPECT_FALSE(rs.Eof());
    EXPECT_EQ(errorNumber([&] { rs.value("truckno"); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.setField("truckno", "x"); }), 3021);
    rs.MoveNext();
    EXPECT_EQ(rs.value("num").toInt(), 1001);
}

TEST_F(Keyset, CommitAndRollbackWithAHalfReadRecordset)
{
    Recordset rs;
    rs.Open("select * from emp order by num", conn);
    EXPECT_EQ(rs.value("num").toInt(), 1);
    conn.BeginTrans();
    execute(Sql("update emp set truckno='CHANGED' where num=?", {Tickets}));
    conn.CommitTrans();
    conn.BeginTrans();
    execute(Sql("delete from emp where num=?", {Tickets - 1}));
    conn.RollbackTrans();
    rs.MoveLast();
    // Values are read when first visited: the committed change shows.
    EXPECT_EQ(rs.value("truckno").toString(), "CHANGED");
    rs.MovePrevious();
    EXPECT_EQ(rs.value("num").toInt(), Tickets - 1);
    EXPECT_EQ(rs.RecordCount(), Tickets);
}

TEST_F(Keyset, ForwardOnlyOverAViewKeepsOnlyTheCurrentRow)
{
    execute("update counter set st_dt='2024-01-01', en_dt='2024-01-31'");
    Recordset rs;
    rs.Open("select * from DAYREP order by num", conn, vb::CursorType::ForwardOnly, vb::LockType::ReadOnly);
    EXPECT_FALSE(rs.isKeyed());
    EXPECT_EQ(rs.RecordCount(), -1);
    int rows = 0;
    for (; !rs.Eof(); rs.MoveNext())
        ++rows;
    EXPECT_EQ(rows, scalar("select count(*) from emp where dt between '2024-01-01' and '2024-01-31'").toInt());
    EXPECT_EQ(errorNumber([&] { rs.MovePrevious(); }), 3219);
    EXPECT_EQ(errorNumber([&] { rs.MoveFirst(); }), 3219);
}

TEST_F(Keyset, ClosingTheConnectionUnderAHalfReadRecordsetIsSafe)
{
    Recordset rs;
    rs.Open("select * from emp order by num", conn);
    EXPECT_EQ(rs.value("num").toInt(), 1);
    conn.Close();
    EXPECT_EQ(errorNumber([&] { rs.MoveLast(); }), 3704);
    rs.Close();
    EXPECT_EQ(rs.State(), 0);
}

TEST_F(Keyset, KeysComeInTheOrderOfTheWholeRows)
{
    // The keys alone could be read through an index in another order.
    QList<int> expected;
    for (int n = 1; n <= Tickets; ++n)
        if (QString::number(n).startsWith('1'))
            expected << n;
    Recordset rs;
    rs.Open("select * from emp where truckno like 'GJ1%'", conn);
    EXPECT_EQ(walk(rs), expected) << "no order: table order";
    rs.Close();
    // Rows that tie keep table order.
    rs.Open(Sql("select * from emp where dt = ? order by dt", {QDate(2024, 1, 1)}), conn);
    EXPECT_EQ(walk(rs), range(300, Tickets, 300));
}

TEST_F(Keyset, ForwardOnlyLetsGoOfTheFileWhenItChangesAndReadsOnWhereItWas)
{
    Recordset rs;
    rs.Open("select * from emp order by num", conn, vb::CursorType::ForwardOnly, vb::LockType::ReadOnly);
    EXPECT_FALSE(rs.isKeyed());
    QList<int> nums;
    for (int i = 0; i < 300; ++i, rs.MoveNext())
        nums << rs.value("num").toInt();
    // A second connection could not commit while the query held the file.
    Connection other;
    other.Open(kAccessString);
    vb::Command cmd;
    cmd.setActiveConnection(other);
    cmd.setCommandText(Sql("update emp set truckno='LATER' where num=?", {Tickets}));
    EXPECT_EQ(cmd.Execute(), 1);
    for (; !rs.Eof(); rs.MoveNext())
        nums << rs.value("num").toInt();
    EXPECT_EQ(nums, range(1, Tickets));
}

TEST_F(Keyset, TheCountNeedsNoKeysAndStaysThatOfTheOpening)
{
    Recordset rs;
    rs.Open("select * from emp where num > 10 order by truckno", conn);
    EXPECT_EQ(rs.RecordCount(), Tickets - 10);
    EXPECT_EQ(rs.rowsRead(), 0);
    execute(Sql("insert into emp (num) values (?)", {Tickets + 1}));
    EXPECT_EQ(rs.RecordCount(), Tickets - 10);
    EXPECT_EQ(walk(rs).size(), Tickets - 10);
}
