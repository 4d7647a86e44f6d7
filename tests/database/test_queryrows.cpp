// A list's rows read from a query: the database orders them by the very
// texts the forms show.
#include "dbfixture.h"

#include "database/queryrows.h"
#include "runtime/convert.h"
#include "testing/qtprint.h"

using namespace vb;

namespace {

class ListQuery : public DbCopy
{
};

TEST_F(ListQuery, TheDatabaseShowsEachValueAsTheFormsDo)
{
    open();
    struct Case {
        const char *type;
        QVariant stored;
        const char *why;
    } cases[] = {
        {"DATE", QString("2024-03-05"), "a date as DD/MM/YYYY"},
        {"DATE", QString("2024-12-31 18:45:00"), "a date with a time: the date"},
        {"DATE", qlonglong(45356), "a day number"},
        {"DATE", 45356.75, "a day number with a time"},
        {"DATE", QString("soon"), "a text that is no date, as it is"},
        {"DATE", QVariant(), "Null: nothing"},
        {"NUMERIC", qlonglong(20000), "a whole number"},
        {"NUMERIC", 1200.5, "a decimal"},
        {"NUMERIC", 0.1 + 0.2, "fifteen digits"},
        {"NUMERIC", -7.25, "a negative number"},
        {"NUMERIC", QVariant(), "Null: nothing"},
        {"INTEGER", qlonglong(2147483647), "the largest ticket number"},
        {"TEXT", QString("MH12 ab"), "a text as it is"},
        {"TEXT", QVariant(), "Null: nothing"},
        {"YESNO", qlonglong(1), "yes"},
        {"YESNO", qlonglong(0), "no"},
    };
    int n = 0;
    for (const Case &c : cases) {
        // A table of its own for each case: the layer keeps a table's types.
        const QString type = QLatin1String(c.type), table = QStringLiteral("probe%1").arg(++n);
        execute(Sql(QStringLiteral("create temp table %1 (k INTEGER PRIMARY KEY, v %2)").arg(table, type)));
        execute(Sql(QStringLiteral("insert into %1 (k, v) values (1, ?)").arg(table), {c.stored}));
        const db::ColumnKind kind = db::kindOfDeclaredType(type);
        Recordset rs;
        rs.Open(Sql(QStringLiteral("select v, %1 as shown from %2").arg(QueryRows::shownText("v", kind), table)), conn);
        EXPECT_EQ(rs.Fields("shown").Value().toString(), shown(rs.Fields("v").Value())) << c.why;
        rs.Close();
    }
}

// Rows are found by their rowids, so any table can be listed: one without
// a declared key, or with a key that is no rowid. The rows are written in
// the reverse of their names' order, so that sorting moves every row.
TEST_F(ListQuery, AnyTableIsListedWhateverKeyItDeclares)
{
    open();
    const struct {
        const char *columns;
        const char *why;
    } cases[] = {
        {"name TEXT, weight NUMERIC", "no declared key"},
        {"name TEXT PRIMARY KEY, weight NUMERIC", "a text key"},
        {"name TEXT, weight NUMERIC, PRIMARY KEY (name, weight)", "a key of two columns"},
    };
    constexpr int Rows = 3000;
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        // A table of its own for each case: the layer keeps a table's key.
        const QString table = QStringLiteral("listed%1").arg(++n);
        execute(Sql(QStringLiteral("create table %1 (%2)").arg(table, QLatin1String(c.columns))));
        execute(Sql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                                   "insert into %2 (name, weight) select 'N' || substr('0000' || (%1 + 1 - i), -5), i from n")
                        .arg(Rows)
                        .arg(table)));
        QueryRows rows(conn, table, Sql(), {QStringLiteral("name"), QStringLiteral("weight")},
                       [](int position) { return QString::number(position + 1); });
        ASSERT_EQ(rows.count(), Rows);
        // In the order the rows were written; the last page first, from the end.
        EXPECT_EQ(rows.row(Rows - 1).text, "N00001");
        EXPECT_EQ(rows.row(0).text, "N03000");
        EXPECT_EQ(rows.row(0).subItems, std::vector<QString>{"1"});
        EXPECT_EQ(rows.row(1500).text, "N01500");
        EXPECT_EQ(rows.row(1500).key, "1501");
        const qint64 middle = rows.identity(1500);
        EXPECT_EQ(rows.positionOf(middle), 1500);

        rows.sort(0, false);
        EXPECT_EQ(rows.row(0).text, "N00001");
        EXPECT_EQ(rows.row(Rows - 1).text, "N03000");
        EXPECT_EQ(rows.positionOf(middle), Rows - 1 - 1500) << "a row is found again after the sort";

        QueryRows heavy(conn, table, Sql(QStringLiteral("weight > ?"), {Rows - 10}),
                              {QStringLiteral("name")}, [](int position) { return QString::number(position); });
        EXPECT_EQ(heavy.count(), 10);
        EXPECT_EQ(heavy.row(9).text, "N00001");
    }
}

// The list keeps its statement on the connection; opening the connection
// again does not leave it reading through a closed one.
TEST_F(ListQuery, ReadsOnAfterTheConnectionIsOpenedAgain)
{
    open();
    execute(Sql(QStringLiteral("create table listed (name TEXT)")));
    execute(Sql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) "
                               "insert into listed (name) select 'N' || i from n")));
    QueryRows rows(conn, QStringLiteral("listed"), Sql(), {QStringLiteral("name")},
                   [](int position) { return QString::number(position); });
    EXPECT_EQ(rows.row(0).text, "N1");
    conn.Close();
    open();
    EXPECT_EQ(rows.row(199).text, "N200");
    EXPECT_EQ(rows.row(0).text, "N1");
    EXPECT_EQ(rows.rowsRead(), QueryRows::PageRows + 200 % QueryRows::PageRows) << "the first page and the last";
}

} // namespace
