// The truck pick list, opened with Locate on the truck master form; its
// Goto shows the picked truck there.
#include "masteroffice.h"

using namespace vb;

namespace {

class TruckPickList : public MasterOffice
{
protected:
    // Opens the truck form, then the list with Locate, and acts inside it.
    void withList(const std::function<void(itemlocate &)> &act, const std::function<void(frmtruck &)> &after = {})
    {
        host.onModal(itemlocate::Name, [act](Form &f) { act(static_cast<itemlocate &>(f)); });
        openTruck([after](frmtruck &f) {
            ui::click(f.cmdLocate);
            if (after)
                after(f);
        });
    }
    static QStringList column(const itemlocate &l, int c)
    {
        QStringList out;
        for (int r = 0; r < l.ListView1.count(); ++r)
            out << l.ListView1.item(r).column(c);
        return out;
    }
};

TEST_F(TruckPickList, AnEmptyTableSaysSoAndTheTruckFormKeepsItsEntry)
{
    fill("truckmast", {});
    start();
    bool listed = false;
    host.onModal(itemlocate::Name, [&](Form &) { listed = true; });
    openTruck([&](frmtruck &f) {
        ui::click(f.cmdAdd);
        ui::typeInto(f.txtFields(2), "GJ01");
        ui::click(f.cmdLocate);
        EXPECT_EQ(shownEntry(f), "1 GJ01 ");
        EXPECT_TRUE(f.loaded() && f.visible());
    });
    EXPECT_FALSE(listed);
    EXPECT_EQ(host.boxTexts(), QStringList{" You must enter master Entry"});
    EXPECT_FALSE(app().form(itemlocate::Name).loaded());
    EXPECT_FALSE(aminv::mainRs().isOpen());
}

TEST_F(TruckPickList, ListsTrucksByNameAndGotoWithoutAPickShowsTheFirst)
{
    fill("truckmast", {{1, "MP09HG3310", 11480}, {2, "GJ06AX9087", 8940}, {3, "RJ27GA1764", 9320.5}});
    start();
    withList(
        [&](itemlocate &l) {
            EXPECT_EQ(l.Caption(), "Select Item");
            ASSERT_EQ(l.ListView1.columns().size(), 4u);
            const char *headers[] = {"Name", "type", "tarewt", "num"};
            const int widths[] = {2500, 1500, 1000, 1000};
            for (size_t i = 0; i < 4; ++i) {
                EXPECT_EQ(l.ListView1.columns()[i].key, headers[i]);
                EXPECT_EQ(l.ListView1.columns()[i].text, headers[i]);
                EXPECT_EQ(l.ListView1.columns()[i].width, widths[i]);
            }
            EXPECT_EQ(column(l, 0), (QStringList{"GJ06AX9087", "MP09HG3310", "RJ27GA1764"}));
            EXPECT_EQ(column(l, 1), (QStringList{"8940", "11480", "9320.5"})) << "the type column shows the tare";
            EXPECT_EQ(column(l, 2), column(l, 1));
            EXPECT_EQ(column(l, 3), (QStringList{"2", "1", "3"}));
            EXPECT_EQ(l.ListView1.item(0).key, "a 1");
            EXPECT_EQ(l.ListView1.item(2).key, "a 3");
            EXPECT_EQ(l.Text1.Text(), "GJ06AX9087");
            EXPECT_FALSE(l.Text1.Enabled());
            ui::click(l.Command1);
            EXPECT_FALSE(l.loaded());
        },
        [](frmtruck &f) {
            EXPECT_EQ(shownEntry(f), "2 GJ06AX9087 8940");
            EXPECT_FALSE(f.addMode);
        });
    EXPECT_TRUE(host.boxTexts().isEmpty());
}

TEST_F(TruckPickList, TwoTrucksWithOneNameKeepTheirOwnNumbers)
{
    fill("truckmast", {{1, "GJ01", 5000}, {2, "AB12", 4000}, {3, "GJ01", 6000}});
    start();
    withList(
        [&](itemlocate &l) {
            EXPECT_EQ(column(l, 0), (QStringList{"AB12", "GJ01", "GJ01"}));
            EXPECT_EQ(column(l, 3), (QStringList{"2", "1", "3"}));
            ui::pickRow(l.ListView1, 2);
            EXPECT_EQ(l.Text1.Text(), "GJ01");
            EXPECT_EQ(l.chosenNum.toString(), "3");
            ui::click(l.Command1);
        },
        [](frmtruck &f) { EXPECT_EQ(shownEntry(f), "3 GJ01 6000"); });
}

TEST_F(TruckPickList, ColumnClicksSortByTextFirstDescending)
{
    fill("truckmast", {{2, "B", 100}, {9, "A", 200}, {10, "C", 300}});
    start();
    withList([&](itemlocate &l) {
        ui::clickColumn(l.ListView1, 4);
        EXPECT_EQ(column(l, 3), (QStringList{"9", "2", "10"}));
        ui::clickColumn(l.ListView1, 4);
        EXPECT_EQ(column(l, 3), (QStringList{"10", "2", "9"})) << "numbers sort as texts";
        ui::clickColumn(l.ListView1, 1);
        EXPECT_EQ(column(l, 0), (QStringList{"C", "B", "A"}));
    });
}

TEST_F(TruckPickList, EnterAndEscBothGoToTheSelectedTruck)
{
    for (int key : {Key::Enter, Key::Esc}) {
        SCOPED_TRACE(key);
        fill("truckmast", {{1, "MP09", 11480}, {2, "GJ06", 8940}, {3, "RJ27", 9320}});
        start();
        withList(
            [&](itemlocate &l) {
                ui::focus(l.ListView1);
                ui::pickRow(l.ListView1, 2);
                ui::press(l, key);
                EXPECT_FALSE(l.loaded());
            },
            [](frmtruck &f) { EXPECT_EQ(shownEntry(f), "3 RJ27 9320"); });
        form1->Unload();
    }
}

} // namespace
