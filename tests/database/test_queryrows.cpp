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

} // namespace
