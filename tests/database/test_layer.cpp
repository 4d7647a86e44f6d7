// The database layer on a copy of the delivered database: connection
// strings, recordsets, edits, types, commands and bound values.
#include "dbfixture.h"

#include "runtime/errors.h"

#include <QFileInfo>

using vb::Command;
using vb::Connection;
using vb::Recordset;
using vb::RuntimeError;
using vb::Sql;

using ConnectionString = DbCopy;

TEST_F(ConnectionString, OpensTheNamedFileOrNamesWhatIsWrong)
{
    struct Case {
        const char *text;
        const char *errorNames; // nullptr: opens
    } cases[] = {
        {"DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=wt.mdb", nullptr},
        {"PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source=wt.mdb;", nullptr},
        {"driver={MICROSOFT ACCESS DRIVER (*.MDB)};dbq=wt.mdb", nullptr},
        {"  Provider = Microsoft.Jet.OLEDB.3.51 ;  DATA SOURCE =  wt.mdb  ; ", nullptr},
        {"DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=missing.mdb", "missing.mdb"},
        {"PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source=other.mdb;", "other.mdb"},
        {"DRIVER={SQL Server}; DBQ=wt.mdb", "SQL Server"},
        {"PROVIDER=SQLOLEDB;Data Source=wt.mdb;", "SQLOLEDB"},
        {"DRIVER={Microsoft Access Driver (*.mdb)}", "no database file"},
        {"DBQ=wt.mdb", "no driver or provider"},
        {"", "no driver or provider"},
    };
    for (const Case &k : cases) {
        Connection c;
        const RuntimeError e = errorOf([&] { c.Open(QString::fromUtf8(k.text)); });
        if (!k.errorNames) {
            EXPECT_EQ(e.number(), 0) << k.text << ": " << e.what();
            EXPECT_EQ(c.State(), vb::ObjectState::Open) << k.text;
            EXPECT_EQ(c.fileName(), QFileInfo(path("wt.mdb")).absoluteFilePath()) << k.text;
        } else {
            EXPECT_EQ(e.number(), RuntimeError::DatabaseErrorNumber) << k.text;
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(k.errorNames))) << k.text << ": " << e.what();
            EXPECT_EQ(c.State(), vb::ObjectState::Closed) << k.text;
        }
    }
    // A missing database is never created in its place.
    EXPECT_FALSE(QFileInfo::exists(path("missing.mdb")));
    EXPECT_FALSE(QFileInfo::exists(path("other.mdb")));
}

TEST_F(ConnectionString, RefusesAFileThatIsNotADatabase)
{
    QFile junk(path("junk.mdb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    Connection c;
    const RuntimeError e = errorOf([&] { c.Open("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=junk.mdb"); });
    EXPECT_TRUE(e.description().contains("junk.mdb")) << e.what();
    EXPECT_FALSE(c.isOpen());
}

TEST_F(ConnectionString, OpenTwiceIsRefusedAndCloseReopens)
{
    open();
    EXPECT_EQ(errorOf([&] { open(); }).number(), 3705);
    conn.Close();
    EXPECT_EQ(conn.State(), vb::ObjectState::Closed);
    open();
    EXPECT_EQ(scalar("select count(*) from counter").toInt(), 1);
}

class Layer : public DbCopy
{
protected:
    void SetUp() override
    {
        DbCopy::SetUp();
        open();
    }
};

TEST_F(Layer, RecordsetWalksItsRowsAndKnowsItsCount)
{
    Recordset rs;
    rs.Open("select * from truckmast order by num", conn, 3, 3, -1);
    EXPECT_EQ(rs.State(), 1);
    EXPECT_EQ(rs.RecordCount(), 4);
    EXPECT_FALSE(rs.Bof());
    QStringList names;
    for (; !rs.Eof(); rs.MoveNext())
        names << rs.Fields("NAME").Value().toString(); // any case
    EXPECT_EQ(names, (QStringList{"GJ17TT4521", "GJ06AX9087", "MP09HG3310", "RJ27GA1764"}));
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }).number(), 3021);
    EXPECT_EQ(errorOf([&] { rs.Fields("name").Value(); }).number(), 3021);
    rs.MoveLast();
    EXPECT_EQ(rs.value("num").toInt(), 4);
    rs.MovePrevious();
    EXPECT_EQ(rs.value("num").toInt(), 3);
    rs.MoveFirst();
    EXPECT_EQ(rs.value("num").toInt(), 1);
    EXPECT_EQ(errorOf([&] { rs.Fields("nosuch"); }).number(), 3265);
    EXPECT_EQ(errorOf([&] { rs.Fields(3); }).number(), 3265);
    rs.Close();
    EXPECT_EQ(rs.State(), 0);
    EXPECT_EQ(errorOf([&] { rs.RecordCount(); }).number(), 3704);
}

TEST_F(Layer, EmptyResultIsAtBothEndsAndStillHasItsFields)
{
    Recordset rs;
    rs.Open("select * from emp", conn);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(rs.FieldCount(), 20);
    EXPECT_EQ(rs.Fields(19).Name(), "bdate");
    rs.Close();
    rs.Open("select max(num)as num1 from emp", conn);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_TRUE(rs.Fields("num1").Value().isNull());
    EXPECT_FALSE(rs.Fields("num1").Value().isValid());
}

TEST_F(Layer, SecondOpenOnAnOpenRecordsetIsRefused)
{
    Recordset rs;
    rs.Open("select * from counter", conn);
    const RuntimeError e = errorOf([&] { rs.Open("select * from emp", conn); });
    EXPECT_EQ(e.number(), 3705);
    EXPECT_EQ(e.description(), "Operation is not allowed when the object is open.");
    EXPECT_EQ(rs.Source(), "select * from counter");
    EXPECT_EQ(rs.RecordCount(), 1);
}

TEST_F(Layer, ValuesComeWithTheirTypes)
{
    Recordset rs;
    rs.Open("select * from counter", conn);
    EXPECT_EQ(rs.value("oral").metaType().id(), QMetaType::Bool);
    EXPECT_EQ(rs.value("public").metaType().id(), QMetaType::Bool);
    EXPECT_EQ(rs.value("comport").metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(rs.value("st_dt"), QVariant(QDate(2025, 4, 1)));
    EXPECT_EQ(rs.value("compnm").metaType().id(), QMetaType::QString);
    EXPECT_EQ(rs.value("machtyp"), QVariant(QString("1")));
    rs.Close();

    execute(Sql("insert into emp (num, dt, grosswt, tarewt) values (?, ?, ?, ?)", {5, QDate(2025, 6, 9), 8450, 1200.5}));
    execute(Sql("insert into emp (num, dt) values (?, ?)", {6, QDate(2025, 6, 11)}));
    rs.Open("select * from emp where num=5", conn);
    EXPECT_EQ(rs.value("grosswt"), QVariant(qlonglong(8450)));
    EXPECT_EQ(rs.value("tarewt"), QVariant(1200.5));
    EXPECT_EQ(rs.value("dt"), QVariant(QDate(2025, 6, 9)));
    EXPECT_TRUE(rs.value("truckno").isNull());
    rs.Close();
    // Expressions give their natural type; dates stay dates.
    rs.Open("select max(num)as num1, min(dt)as d1, count(*) as n from emp ", conn);
    EXPECT_EQ(rs.value("num1"), QVariant(qlonglong(6)));
    EXPECT_EQ(rs.value("d1"), QVariant(QDate(2025, 6, 9)));
    EXPECT_EQ(rs.value("n"), QVariant(qlonglong(2)));
}

TEST_F(Layer, AddNewAndUpdateInsertARowIntoTheQueriedTable)
{
    Recordset rs;
    rs.Open("select * from emp", conn);
    rs.AddNew();
    EXPECT_FALSE(rs.Eof());
    rs.Fields("num").setValue(7);
    rs.setField("truckno", "GJ01 O'NEIL");
    rs.setField("grosswt", "08450");     // number column: text becomes the number
    rs.setField("rupee", 50);            // text column: number becomes text
    rs.setField("dt", QDate(2025, 7, 1));
    rs.setField("grossdt", "01/07/2025");
    EXPECT_EQ(rs.value("grosswt"), QVariant(8450.0));
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.value("num").toInt(), 7);
    rs.Close();

    rs.Open(Sql("select * from emp where num=?", {7}), conn);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.value("truckno").toString(), "GJ01 O'NEIL");
    EXPECT_EQ(rs.value("grosswt").toDouble(), 8450.0);
    EXPECT_EQ(rs.value("rupee"), QVariant(QString("50")));
    EXPECT_EQ(rs.value("dt"), QVariant(QDate(2025, 7, 1)));
    EXPECT_EQ(rs.value("grossdt"), QVariant(QString("01/07/2025")));
    EXPECT_TRUE(rs.value("tarewt").isNull());
    rs.Close();

    // A text that is no number is refused for a number column.
    rs.Open("select * from emp", conn);
    rs.AddNew();
    EXPECT_EQ(errorOf([&] { rs.setField("grosswt", "heavy"); }).number(), 13);
}

TEST_F(Layer, EditingTheCurrentRowUpdatesThatRowOnly)
{
    // The settings row (no key column): found by its values.
    Recordset rs;
    rs.Open("select  * from counter", conn);
    rs.setField("Marque", "New banner");
    rs.setField("printstyle", false);
    rs.setField("comport", 2.0);
    rs.setField("en_dt", QDate(2025, 12, 31));
    rs.Update();
    rs.Close();
    rs.Open("select * from counter", conn);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.value("Marque").toString(), "New banner");
    EXPECT_EQ(rs.value("printstyle"), QVariant(false));
    EXPECT_EQ(rs.value("comport"), QVariant(qlonglong(2)));
    EXPECT_EQ(rs.value("en_dt"), QVariant(QDate(2025, 12, 31)));
    EXPECT_EQ(rs.value("compnm").toString(), "SHREE BALAJI WEIGHBRIDGE");
    rs.Close();

    // A master (key column num): only the edited row changes.
    rs.Open("select * from truckmast order by num", conn);
    rs.MoveNext();
    rs.setField("tarewt", "9000");
    rs.MoveNext(); // moving off an edited row writes it
    rs.Close();
    rs.Open("select * from truckmast order by num", conn);
    QList<double> tares;
    for (; !rs.Eof(); rs.MoveNext())
        tares << rs.value("tarewt").toDouble();
    EXPECT_EQ(tares, (QList<double>{6250, 9000, 11480, 9320}));
    rs.Close();

    // Two identical rows: an edit changes one of them.
    execute("insert into listvalue (Type, Name) values ('x', 'a')");
    execute("insert into listvalue (Type, Name) values ('x', 'a')");
    rs.Open("select * from listvalue  where type='x'", conn);
    rs.setField("Name", "b");
    rs.Update();
    rs.Close();
    EXPECT_EQ(scalar("select count(*) from listvalue where type='x' and name='b'").toInt(), 1);
    EXPECT_EQ(scalar("select count(*) from listvalue where type='x' and name='a'").toInt(), 1);
}

TEST_F(Layer, ReadOnlyRecordsetRefusesEdits)
{
    Recordset rs;
    rs.Open("select * from prnvarplain where name='Label1'", conn, 3, 1);
    EXPECT_GT(rs.RecordCount(), 0);
    EXPECT_EQ(errorOf([&] { rs.AddNew(); }).number(), 3251);
    EXPECT_EQ(errorOf([&] { rs.setField("caption", "x"); }).number(), 3251);
    EXPECT_EQ(errorOf([&] { rs.Update(); }).number(), 3251);
}

TEST_F(Layer, ComputedFieldsCannotBeAssigned)
{
    Recordset rs;
    rs.Open("select max(num)as num1 from truckmast ", conn);
    EXPECT_EQ(errorOf([&] { rs.setField("num1", 5); }).number(), RuntimeError::DatabaseErrorNumber);
}

TEST_F(Layer, CommandReportsRowsAffected)
{
    Command cmd;
    cmd.setActiveConnection(conn);
    cmd.setCommandText(Sql("update matmast set Name=? where num=?", {"River Sand", 1}));
    EXPECT_EQ(cmd.Execute(), 1);
    cmd.setCommandText(Sql("delete from truckmast where num > ?").bind(2));
    EXPECT_EQ(cmd.Execute(), 2);
    cmd.setCommandText("delete from truckmast where num=1000");
    EXPECT_EQ(cmd.Execute(), 0);
    cmd.setCommandText("delete from nosuchtable");
    const RuntimeError e = errorOf([&] { cmd.Execute(); });
    EXPECT_EQ(e.number(), RuntimeError::DatabaseErrorNumber);
    EXPECT_TRUE(e.description().contains("nosuchtable")) << e.what();
    Command unbound;
    unbound.setCommandText("delete from slip");
    EXPECT_NE(errorOf([&] { unbound.Execute(); }).number(), 0);
}

TEST_F(Layer, ValuesAreBoundNotPasted)
{
    const QString name = QStringLiteral("O'Brien' or '1'='1");
    EXPECT_EQ(execute(Sql("insert into recemast (num, Name) values (?, ?)", {10, name})), 1);
    EXPECT_EQ(scalar(Sql("select count(*) from recemast where Name=?", {name})).toInt(), 1);
    EXPECT_EQ(scalar(Sql("select count(*) from recemast where upper(Name)=upper(?)", {"o'brien"})).toInt(), 0);
    // like ignores case, as in the original database.
    EXPECT_EQ(scalar(Sql("select count(*) from recemast WHERE  Name like ?", {"%ready%"})).toInt(), 1);
    EXPECT_EQ(scalar(Sql("select Name from recemast where num IS NULL or num=?", {vb::numberParam(" 2 ")})).toString(),
              "Halol Ready Mix");
}

TEST(NumberParam, NumbersPassOthersAreAClearTypeMismatch)
{
    struct Case {
        const char *text;
        QVariant want; // invalid: error 13
    } cases[] = {
        {"42", qlonglong(42)}, {" 7 ", qlonglong(7)}, {"2.5", 2.5}, {"-3", qlonglong(-3)},
        {"", QVariant()},      {"12a", QVariant()},   {"1 or 1=1", QVariant()}, {"abc", QVariant()},
    };
    for (const Case &k : cases) {
        if (k.want.isValid()) {
            EXPECT_EQ(vb::numberParam(k.text), k.want) << k.text;
        } else {
            const RuntimeError e = errorOf([&] { vb::numberParam(k.text); });
            EXPECT_EQ(e.number(), 13) << k.text;
            EXPECT_TRUE(e.description().contains(QString("\"%1\"").arg(k.text))) << e.what();
        }
    }
}

namespace {

// A long statement calls the progress handler as it runs (a window can
// paint meanwhile); one that throws does not stop it; removed, it is not
// called again; the statement's result is as without it.
TEST_F(Layer, AProgressHandlerIsCalledWhileALongStatementRunsUntilRemoved)
{
    int calls = 0;
    conn.setProgressHandler(
        [&] {
            ++calls;
            if (calls == 2)
                throw vb::RuntimeError(5, QStringLiteral("from the handler"));
        },
        1000);
    conn.run(vb::Sql("create table numbers as with recursive n(x) as (select 1 union all select x + 1 from n "
                     "where x < 20000) select x from n"))
        .finish();
    EXPECT_GT(calls, 10);
    EXPECT_EQ(scalar(vb::Sql("select count(*) from numbers")).toInt(), 20000);
    conn.setProgressHandler({});
    const int before = calls;
    conn.run(vb::Sql("create index numbers_x on numbers(x)")).finish();
    EXPECT_EQ(calls, before);
}

} // namespace
