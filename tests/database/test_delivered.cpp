// The delivered database: every table and column the program names, the
// settings row, the layout rows the ticket printing relies on, and the
// report view.
#include "dbfixture.h"

#include <QSet>
#include <map>

using vb::Recordset;
using vb::Sql;

namespace {

QStringList columnsOf(vb::Connection &conn, const QString &table)
{
    Recordset rs;
    rs.Open(Sql(QStringLiteral("select * from %1").arg(table)), conn);
    QStringList names;
    for (int i = 0; i < rs.FieldCount(); ++i)
        names << rs.Fields(i).Name().toLower();
    return names;
}

const QStringList kTicketColumns = {
    "num", "truckno", "material", "grosstime", "taretime", "rupee", "dt", "rece", "sup", "grossoral",
    "tareoral", "grossdt", "taredt", "stage", "grosswt", "tarewt", "netwt", "bag", "amtword"};

} // namespace

class Delivered : public DbCopy
{
protected:
    void SetUp() override
    {
        DbCopy::SetUp();
        open();
    }
};

TEST_F(Delivered, HasEveryTableWithItsColumnsInOrder)
{
    const std::map<QString, QStringList> expected = {
        {"emp", kTicketColumns + QStringList{"bdate"}},
        {"counter", {"compnm", "address", "city", "marque", "oral", "printstyle", "printformat", "printcopy",
                     "public", "mweight", "musb", "machtyp", "prnusb", "prnlpt", "comport", "totline", "st_dt",
                     "en_dt", "reptit", "mstno", "menno"}},
        {"listvalue", {"type", "name"}},
        {"truckmast", {"num", "name", "tarewt"}},
        {"matmast", {"num", "name"}},
        {"recemast", {"num", "name"}},
        {"suppmast", {"num", "name"}},
        {"slip", kTicketColumns + QStringList{"compnm", "address", "city"}},
        {"prnvarplain", {"name", "index", "caption", "x", "y", "c", "r", "dw"}},
        {"prnvarprint", {"name", "index", "caption", "x", "y", "c", "r", "dw"}},
        {"DAYREP", kTicketColumns + QStringList{"bdate"}},
    };
    for (const auto &[table, columns] : expected)
        EXPECT_EQ(columnsOf(conn, table), columns) << table.toStdString();
}

TEST_F(Delivered, HasOneSettingsRowWithEveryColumnFilled)
{
    Recordset rs;
    rs.Open("select * from counter", conn);
    ASSERT_EQ(rs.RecordCount(), 1);
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const QVariant v = rs.Fields(i).Value();
        EXPECT_FALSE(v.isNull()) << rs.Fields(i).Name().toStdString();
        EXPECT_FALSE(v.toString().isEmpty()) << rs.Fields(i).Name().toStdString();
    }
    // A plain-paper text ticket in "Industries" mode on port 1.
    EXPECT_EQ(rs.value("printstyle"), QVariant(true));
    EXPECT_EQ(rs.value("printformat"), QVariant(true));
    EXPECT_EQ(rs.value("public"), QVariant(false));
    EXPECT_EQ(rs.value("comport").toInt(), 1);
    EXPECT_GE(rs.value("totline").toInt(), 16);
    EXPECT_EQ(rs.value("st_dt").metaType().id(), QMetaType::QDate);
    EXPECT_LE(rs.value("st_dt").toDate(), rs.value("en_dt").toDate());
}

TEST_F(Delivered, StartsWithNoTicketsAndTheMachineTypeRow)
{
    EXPECT_EQ(scalar("select count(*) from emp").toInt(), 0);
    EXPECT_TRUE(scalar("select max(num)as num1 from emp").isNull());
    EXPECT_EQ(scalar("select Name from listvalue where type='machtyp'").toString(), "1");
    for (const char *master : {"truckmast", "matmast", "recemast", "suppmast"})
        EXPECT_GT(scalar(Sql(QStringLiteral("select count(*) from %1").arg(master))).toInt(), 0) << master;
}

TEST_F(Delivered, LayoutsHoldTheRowsThePrintingRelies)
{
    const auto indexes = [&](const QString &table, const QString &name) {
        Recordset rs;
        rs.Open(Sql(QStringLiteral("select * from %1 where name=?").arg(table), {name}), conn, 3, 1);
        QSet<int> found;
        for (; !rs.Eof(); rs.MoveNext())
            found << rs.value("index").toInt();
        return found;
    };
    for (const char *table : {"prnvarplain", "prnvarprint"}) {
        const QSet<int> values = indexes(table, "Label2");
        for (int i = 1; i <= 15; ++i)
            EXPECT_TRUE(values.contains(i)) << table << " Label2 " << i;
    }
    const QSet<int> fixed = indexes("prnvarplain", "Label1");
    for (int i : {14, 15, 16})
        EXPECT_TRUE(fixed.contains(i)) << "prnvarplain Label1 " << i;
    // Company lines carry the settings' company.
    EXPECT_EQ(scalar("select caption from prnvarplain where name='Label1' and \"index\"=14"),
              scalar("select compnm from counter"));
    for (const char *text : {"Ticket No. :", "Truck No. :", "Material :", "Gross Wt. :", "Tare Wt. :", "Net Wt. :"})
        EXPECT_EQ(scalar(Sql("select count(*) from prnvarplain where name='Label1' and caption=?", {text})).toInt(), 1)
            << text;
}

// Every row is a valid label: index within its group's range, cells that
// match the designer position, on a printed line, and the composed ticket
// (with values as wide as real ones) fits 80 columns without one label
// running into the next.
TEST_F(Delivered, LayoutsFitAnEightyColumnTicket)
{
    const int totline = scalar("select totline from counter").toInt();
    // Widest values a ticket carries, by ticket field index.
    const std::map<int, int> valueWidth = {{1, 6}, {2, 12}, {3, 25}, {4, 5}, {5, 5}, {6, 8}, {7, 30}, {8, 30},
                                           {9, 2}, {10, 4}, {11, 10}, {12, 10}, {13, 6}, {14, 6}, {15, 6}};
    for (const char *table : {"prnvarplain", "prnvarprint"}) {
        Recordset rs;
        rs.Open(Sql(QStringLiteral("select * from %1 order by r, c").arg(table)), conn, 3, 1);
        ASSERT_GT(rs.RecordCount(), 0);
        int line = -1, end = 0;
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString name = rs.value("name").toString();
            const int index = rs.value("index").toInt();
            const int c = rs.value("c").toInt(), r = rs.value("r").toInt();
            const std::string where = std::string(table) + " " + name.toStdString() + " " + std::to_string(index);
            EXPECT_TRUE(name == "Label1" || name == "Label2") << where;
            EXPECT_GE(index, 0) << where;
            EXPECT_LE(index, name == "Label1" ? 16 : 17) << where;
            EXPECT_EQ(rs.value("x").toDouble(), c * 135.0) << where;
            EXPECT_EQ(rs.value("y").toDouble(), r * 312.0) << where;
            EXPECT_GE(r, 1) << where;
            EXPECT_LE(r, totline) << where;
            EXPECT_EQ(rs.value("dw"), QVariant(false)) << where;
            const int width = name == "Label2" ? valueWidth.at(index) : int(rs.value("caption").toString().size());
            if (r != line) {
                line = r;
                end = 0;
            }
            EXPECT_GE(c, end) << where << " overlaps the label before it";
            end = c + width + 1;
            EXPECT_LE(c + width, 80) << where;
        }
    }
}

TEST_F(Delivered, ReportViewHoldsTheTicketsOfTheReportRange)
{
    execute(Sql("update counter set st_dt=?, en_dt=?", {QDate(2025, 5, 2), QDate(2025, 5, 3)}));
    const QDate days[] = {QDate(2025, 5, 1), QDate(2025, 5, 2), QDate(2025, 5, 3), QDate(2025, 5, 4)};
    int num = 0;
    for (const QDate &d : days)
        execute(Sql("insert into emp (num, truckno, material, rece, sup, dt, bdate) values (?, ?, 'Sand', 'R', 'S', ?, ?)",
                    {++num, QStringLiteral("TRUCK%1").arg(num), d, d}));
    Recordset rs;
    rs.Open("select * from DAYREP order by num", conn);
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.value("truckno").toString(), "TRUCK2");
    EXPECT_EQ(rs.value("dt"), QVariant(QDate(2025, 5, 2)));
    rs.MoveNext();
    EXPECT_EQ(rs.value("truckno").toString(), "TRUCK3");
}

// The designer stores column and line as quotients; the layout keeps the
// nearest whole numbers, halves to the even one.
TEST_F(Delivered, LayoutCellsAreStoredAsWholeNumbers)
{
    struct Case {
        double c, r;
        int wantC, wantR;
    } cases[] = {{9.444445, 3.205128, 9, 3}, {2.5, 3.5, 2, 4}, {20, 3, 20, 3}, {7.6, 0.4, 8, 0}};
    for (const char *table : {"prnvarplain", "prnvarprint"}) {
        for (const Case &k : cases) {
            execute(Sql(QStringLiteral("update %1 set c=? where name='Label2' and \"index\"=5").arg(table), {k.c}));
            execute(Sql(QStringLiteral("update %1 set r=? where name='Label2' and \"index\"=5").arg(table), {k.r}));
            Recordset rs;
            rs.Open(Sql(QStringLiteral("select c, r from %1 where name='Label2' and \"index\"=5").arg(table)), conn);
            EXPECT_EQ(rs.value("c"), QVariant(qlonglong(k.wantC))) << table << " " << k.c;
            EXPECT_EQ(rs.value("r"), QVariant(qlonglong(k.wantR))) << table << " " << k.r;
        }
    }
}
