// The layout designers driven with the mouse and the keyboard, on the
// delivered database in a temporary directory.
#include "layoutoffice.h"

#include "printing/layoutdesigner.h"

#include "runtime/convert.h"

using namespace vb;

namespace {

class Designer : public LayoutOffice
{
protected:
    LayoutDesigner &open(const char *name = reportplain::Name)
    {
        start();
        d = &app().form<LayoutDesigner>(QString::fromLatin1(name));
        app().dispatch([this] { d->Show(); });
        return *d;
    }
    // x, y, c, r of one stored row.
    QVariantList position(const QString &table, const QString &name, int index)
    {
        return row(Sql("select x, y, c, r from " + table + " where name=? and \"index\"=?", {name, index}));
    }
    QVariantList whole(const QString &table)
    {
        QVariantList all;
        QSqlQuery q = aminv::dbConn().run(Sql("select name, \"index\", caption, x, y, c, r, dw from " + table
                                              + " order by name, \"index\""));
        while (q.next())
            for (int i = 0; i < 8; ++i)
                all << q.value(i);
        return all;
    }
    LayoutDesigner *d = nullptr;
};

TEST_F(Designer, ShowsTheLayoutAndTheLineCount)
{
    setTotline(22);
    LayoutDesigner &f = open();
    EXPECT_EQ(f.Caption(), "Report Format");
    EXPECT_EQ(f.Text1.Text(), "22");
    EXPECT_EQ(f.Label3.Caption(), "Total Line");
    EXPECT_EQ(f.selectedArray, "Label1");
    // Delivered row Label2 2: 'TRUCK NO' at 2160, 2496; Label2 0 has no row.
    EXPECT_TRUE(f.Label2(2).Visible());
    EXPECT_EQ(f.Label2(2).Caption(), "TRUCK NO");
    EXPECT_EQ(f.Label2(2).Left(), 2160);
    EXPECT_EQ(f.Label2(2).Top(), 2496);
    EXPECT_FALSE(f.Label2(0).Visible());
    EXPECT_FALSE(f.Label2(16).Visible());
    for (int i = 0; i <= 16; ++i)
        EXPECT_EQ(f.Label1(i).BackColor(), WindowBackground) << i;
}

TEST_F(Designer, ATableWithOnlySomeRowsShowsOnlyThose)
{
    std::vector<LayoutRow> rows;
    for (int i = 0; i <= 5; ++i)
        rows.push_back({"Label1", i, QString("T%1").arg(i), 135 * i, 312 * i, i, i});
    // Rows with no element of their number, or no text or position, are
    // passed over.
    rows.push_back({"Label1", 17, "beyond", 100, 100, 1, 1});
    rows.push_back({"Label2", 18, "beyond", 100, 100, 1, 1});
    rows.push_back({"Label2", -1, "before", 100, 100, 1, 1});
    rows.push_back({"Label2", 3, QVariant(), 100, 100, 1, 1});
    rows.push_back({"Label2", 4, "no x", QVariant(), 100, 1, 1});
    rows.push_back({"Label2", 5, "no y", 100, QVariant(), 1, 1});
    rows.push_back({"Label2", QVariant(), "no index", 100, 100, 1, 1});
    layout("prnvarplain", rows);

    LayoutDesigner &f = open();
    EXPECT_EQ(app().lastErrorNumber(), 0);
    for (int i = 0; i <= 16; ++i)
        EXPECT_EQ(f.Label1(i).Visible(), i <= 5) << "Label1 " << i;
    for (int i = 0; i <= 17; ++i)
        EXPECT_FALSE(f.Label2(i).Visible()) << "Label2 " << i;
    EXPECT_EQ(f.Label1(4).Caption(), "T4");
    EXPECT_EQ(f.Label1(4).Left(), 540);
    EXPECT_EQ(f.Label1(4).Top(), 1248);
}

TEST_F(Designer, AClickSelectsOneLabelAndWhitensTheRest)
{
    LayoutDesigner &f = open();
    ui::click(f.Label1(3));
    EXPECT_EQ(f.selectedArray, "Label1");
    EXPECT_EQ(f.Label1(3).BackColor(), 255u);
    EXPECT_EQ(f.Label1(4).BackColor(), 0xFFFFFFu);
    EXPECT_EQ(f.Label2(3).BackColor(), 0xFFFFFFu);

    ui::click(f.Label2(3));
    EXPECT_EQ(f.selectedArray, "Label2");
    EXPECT_EQ(f.Label1(3).BackColor(), 0xFFFFFFu);
    EXPECT_EQ(f.Label2(3).BackColor(), 65535u);

    // Clicking the selected label again keeps it selected.
    ui::click(f.Label2(3));
    EXPECT_EQ(f.Label2(3).BackColor(), 65535u);

    const QVariantList label1Before = position("prnvarplain", "Label1", 3);
    const int label1Left = f.Label1(3).Left();
    ui::clickForm(f, 2700, 936);
    EXPECT_EQ(f.Label2(3).Left(), 2700);
    EXPECT_EQ(f.Label1(3).Left(), label1Left);
    EXPECT_EQ(position("prnvarplain", "Label1", 3), label1Before);
    EXPECT_EQ(position("prnvarplain", "Label2", 3), (QVariantList{2700, 936, 20, 3}));
}

// Both designers, each on its own table.
class DesignerMove : public Designer, public ::testing::WithParamInterface<std::pair<const char *, const char *>>
{
};

TEST_P(DesignerMove, MovesTheSelectedLabelAndStoresItsCell)
{
    const auto [form, table] = GetParam();
    const QString other = QString::fromLatin1(table) == "prnvarplain" ? "prnvarprint" : "prnvarplain";
    LayoutDesigner &f = open(form);
    const QVariantList otherBefore = whole(other);
    const QVariantList label1Before = position(table, "Label1", 5);
    ui::click(f.Label2(5));
    ui::clickForm(f, 2700, 936);
    EXPECT_EQ(f.Caption(), "r : 3 c : 20");
    EXPECT_EQ(f.Label2(5).Left(), 2700);
    EXPECT_EQ(f.Label2(5).Top(), 936);
    EXPECT_EQ(position(table, "Label2", 5), (QVariantList{2700, 936, 20, 3}));
    // Same index in the other group, and the other table, untouched.
    EXPECT_EQ(position(table, "Label1", 5), label1Before);
    EXPECT_EQ(whole(other), otherBefore);
    EXPECT_FALSE(aminv::dbConn().inTransaction());
}

INSTANTIATE_TEST_SUITE_P(Tables, DesignerMove,
                         ::testing::Values(std::pair{reportplain::Name, "prnvarplain"},
                                           std::pair{reportprint::Name, "prnvarprint"}));

TEST_F(Designer, ACellBetweenColumnsIsStoredAsTheNearestWholeCell)
{
    LayoutDesigner &f = open();
    ui::click(f.Label1(2));
    ui::clickForm(f, 1275, 1000);
    EXPECT_EQ(f.Caption(), "r : 3 c : 9");
    EXPECT_EQ(position("prnvarplain", "Label1", 2), (QVariantList{1275, 1000, 9, 3}));
}

TEST_F(Designer, TheCellIsWrittenAsASinglePrecisionQuotient)
{
    // Without the database's rounding the written quotients show as they
    // were sent.
    prepare({Sql("drop trigger prnvarplain_whole_cells")});
    LayoutDesigner &f = open();
    ui::click(f.Label1(2));
    ui::clickForm(f, 1275, 1000);
    const QVariantList stored = position("prnvarplain", "Label1", 2);
    ASSERT_EQ(stored.size(), 4);
    EXPECT_DOUBLE_EQ(stored[2].toDouble(), 9.444445);
    EXPECT_DOUBLE_EQ(stored[3].toDouble(), 3.205128);
}

TEST_F(Designer, TheFourStatementsOfAMoveStandOrFallTogether)
{
    // The print line can no longer change: the last of the four fails.
    prepare({Sql("create trigger lock_lines before update of r on prnvarplain "
                 "when new.r <> old.r begin select raise(abort, 'lines are locked'); end")});
    expectUntrappedError(RuntimeError::DatabaseErrorNumber);
    LayoutDesigner &f = open();
    const QVariantList before = position("prnvarplain", "Label2", 5);
    ui::click(f.Label2(5));
    host.clearRecords();
    ui::clickForm(f, 2700, 936);
    EXPECT_NE(app().lastErrorNumber(), 0);
    ASSERT_EQ(host.boxes().size(), 1u);
    EXPECT_TRUE(host.boxes()[0].prompt.contains("lines are locked"));
    EXPECT_EQ(position("prnvarplain", "Label2", 5), before);
    EXPECT_FALSE(aminv::dbConn().inTransaction());
}

TEST_F(Designer, AClickBeforeAnySelectionOnlyShowsTheCell)
{
    LayoutDesigner &f = open();
    const QVariantList before = whole("prnvarplain");
    const int left = f.Label1(0).Left();
    ui::clickForm(f, 2700, 936);
    EXPECT_EQ(f.Caption(), "r : 3 c : 20");
    EXPECT_EQ(whole("prnvarplain"), before);
    EXPECT_EQ(f.Label1(0).Left(), left);
}

TEST_F(Designer, TheCaptionRoundsHalvesToEven)
{
    LayoutDesigner &f = open();
    ui::clickForm(f, 135 * 2.5, 312 * 3.5); // 2.5 -> 2, 3.5 -> 4
    EXPECT_EQ(f.Caption(), "r : 4 c : 2");
}

TEST_F(Designer, TheLineCountIsStoredAsItIsTyped)
{
    auto totline = [this] { return value(Sql("select totline from counter")).toInt(); };
    setTotline(7);
    LayoutDesigner &f = open();
    ui::select(f.Text1, 0, f.Text1.Text().size());
    ui::press(f, Key::Back);
    EXPECT_EQ(totline(), 0); // an empty box
    ui::type(f, "2");
    EXPECT_EQ(totline(), 2);
    ui::type(f, "4");
    EXPECT_EQ(totline(), 24);
    ui::type(f, "x");
    EXPECT_EQ(totline(), 24); // the leading number of "24x"
    EXPECT_FALSE(aminv::dbConn().inTransaction());
}

} // namespace
