// The four master forms, driven as the operator drives them from the main
// screen's master menu. The family's behaviour runs over every member; the
// truck's tare weight has cases of its own.
#include "masteroffice.h"

using namespace vb;

namespace {

struct Member {
    const char *form;
    const char *menuItem;
    const char *table;
    const char *caption;
    bool truck;
    ComboBox Form1::*mainList; // the main screen's list of this master
};

void PrintTo(const Member &m, std::ostream *os) { *os << m.form; }

const Member Members[] = {
    {"frmtruck", "mtruck", "truckmast", "Truck  Entry", true, &Form1::Combo4},
    {"frmmaterial", "mmate", "matmast", "Material Entry", false, &Form1::Combo1},
    {"frmreceiver", "mrece", "recemast", "Receiver Entry", false, &Form1::Combo2},
    {"frmsupplier", "msup", "suppmast", "Supplier Entry", false, &Form1::Combo3},
};

class EveryMaster : public MasterOffice, public ::testing::WithParamInterface<Member>
{
protected:
    const Member &m() const { return GetParam(); }
    QString table() const { return m().table; }

    // Entries 2, 5 and 9: numbers with gaps, as left by deletions.
    void fillThree()
    {
        fill(table(), {{2, "Alpha", 1000}, {5, "Bravo", 2000}, {9, "Charlie", 3000}});
    }
    void open(const std::function<void(MasterForm &)> &act) { openMaster(m().form, m().menuItem, act); }
    // "num Name" of a shown or stored entry, with the tare on the truck form.
    QString entry(int num, const QString &name, const QString &tare) const
    {
        return QString::number(num) + " " + name + (m().truck ? " " + tare : QString());
    }
    void find(MasterForm &f, const QString &answer)
    {
        host.answerInput(answer);
        ui::click(f.cmdFind);
    }
    // Adds an entry as the operator does: Add, type the name (and tare), Save.
    void addEntry(MasterForm &f, const QString &name, const QString &tare = QString())
    {
        ui::click(f.cmdAdd);
        ui::typeInto(f.txtFields(2), name);
        if (m().truck && !tare.isEmpty())
            ui::typeInto(f.txtFields(3), tare);
        ui::click(f.cmdUpdate);
    }
};

TEST_P(EveryMaster, OpensAtTheTopLeftShowingTheLowestNumberedEntry)
{
    fillThree();
    start();
    host.setScreenMousePointer(11);
    bool opened = false;
    open([&](MasterForm &f) {
        opened = true;
        EXPECT_EQ(f.Caption(), m().caption);
        EXPECT_EQ(f.Left(), 0);
        EXPECT_EQ(f.Top(), 0);
        EXPECT_EQ(shownEntry(f), entry(2, "Alpha", "1000"));
        EXPECT_FALSE(f.num.Enabled()) << "only the program fills the number";
        EXPECT_FALSE(f.addMode);
        EXPECT_EQ(f.lblLabels(0).Caption(), "Num");
        EXPECT_EQ(f.lblLabels(1).Caption(), "Name");
        EXPECT_EQ(f.txtFields.has(3), m().truck);
        EXPECT_EQ(f.lblLabels.has(3), m().truck);
        if (m().truck) {
            EXPECT_EQ(f.lblLabels(3).Caption(), "Tare Wt");
        }
        EXPECT_EQ(f.control("cmdLocate") != nullptr, m().truck);
        QStringList captions;
        for (CommandButton *b : {&f.cmdAdd, &f.cmdUpdate, &f.cmdDelete, &f.cmdPrevious, &f.cmdNext, &f.cmdFind,
                                 &f.cmdClose})
            captions << b->Caption();
        EXPECT_EQ(captions, (QStringList{"&Add", "&Save", "&Delete", "P&rev", "&Next", "&Find", "&Close"}));
        ui::click(f.cmdClose);
        EXPECT_FALSE(f.loaded());
    });
    EXPECT_TRUE(opened);
    EXPECT_EQ(host.screenMousePointer(), 0) << "closing puts the mouse pointer back";
    EXPECT_TRUE(host.boxTexts().isEmpty());
}

TEST_P(EveryMaster, NextAndPrevStepByNumberAndStopAtTheEnds)
{
    fillThree();
    start();
    open([&](MasterForm &f) {
        QStringList seen;
        for (CommandButton *b : {&f.cmdNext, &f.cmdNext, &f.cmdNext, &f.cmdPrevious, &f.cmdPrevious, &f.cmdPrevious}) {
            ui::click(*b);
            seen << f.num.Text();
        }
        EXPECT_EQ(seen, (QStringList{"5", "9", "9", "5", "2", "2"}));
        EXPECT_EQ(f.txtFields(2).Text(), "Alpha");
    });
    EXPECT_TRUE(host.boxTexts().isEmpty());
}

TEST_P(EveryMaster, FindPassesTheAnswerOnAsASelector)
{
    fillThree();
    start();
    open([&](MasterForm &f) {
        struct Case {
            const char *answer;
            const char *shown;
            const char *why;
        };
        const Case cases[] = {
            {"5", "5", "an entry's number shows it"},
            {"7", "5", "a number no entry has leaves the entry shown"},
            {"0", "9", "0 shows the highest-numbered entry"},
            {"1", "2", "1 shows the lowest-numbered entry"},
            {"", "9", "Cancel counts as 0"},
            {"-2", "5", "-2 steps back"},
            {"-1", "9", "-1 steps on"},
            {" 2 ", "2", "blanks around the number are allowed"},
        };
        for (const Case &c : cases) {
            find(f, c.answer);
            EXPECT_EQ(f.num.Text(), c.shown) << c.why;
        }
        ASSERT_FALSE(host.inputs().empty());
        EXPECT_EQ(host.inputs().back().prompt, "Enter Employee Number:-");
        EXPECT_EQ(host.inputs().back().defaultText, "1");
        EXPECT_TRUE(host.boxTexts().isEmpty());

        find(f, "abc");
        EXPECT_EQ(host.boxTexts(), QStringList{"Enter a number"});
        EXPECT_EQ(shownEntry(f), entry(2, "Alpha", "1000"));
    });
}

TEST_P(EveryMaster, AnEmptyTableShowsNothingAndTheFirstEntryGetsNumberOne)
{
    fill(table(), {});
    start();
    open([&](MasterForm &f) {
        ui::click(f.cmdNext);
        ui::click(f.cmdPrevious);
        find(f, "3");
        find(f, "0");
        EXPECT_EQ(f.num.Text(), "");
        EXPECT_EQ(f.txtFields(2).Text(), "");
        ui::click(f.cmdAdd);
        EXPECT_EQ(f.num.Text(), "1");
        ui::typeInto(f.txtFields(2), "First");
        ui::click(f.cmdUpdate);
    });
    EXPECT_TRUE(host.boxTexts().isEmpty());
    EXPECT_EQ(stored(table()), QStringList{entry(1, "First", "0")});
}

TEST_P(EveryMaster, AddTakesTheNextNumberAndSaveStoresTheEntryThere)
{
    fillThree();
    start();
    open([&](MasterForm &f) {
        ui::click(f.cmdAdd);
        EXPECT_EQ(shownEntry(f), entry(10, "", "")) << "Add clears the boxes";
        EXPECT_TRUE(f.txtFields(2).hasFocus());
        EXPECT_TRUE(f.addMode);
        ui::typeInto(f.txtFields(2), "Delta");
        if (m().truck)
            ui::typeInto(f.txtFields(3), "4500");
        ui::click(f.cmdUpdate);
        EXPECT_FALSE(f.addMode);
        EXPECT_EQ(shownEntry(f), entry(10, "Delta", "4500")) << "the saved entry stays shown";
        EXPECT_TRUE(f.cmdAdd.hasFocus());
    });
    EXPECT_TRUE(host.boxTexts().isEmpty());
    EXPECT_EQ(stored(table()), (QStringList{entry(2, "Alpha", "1000"), entry(5, "Bravo", "2000"),
                                            entry(9, "Charlie", "3000"), entry(10, "Delta", "4500")}));
}

TEST_P(EveryMaster, TwoAddsShowTheSameNumberAndSaveTakesTheHighestAtSaveTime)
{
    fillThree();
    start();
    open([&](MasterForm &f) {
        ui::click(f.cmdAdd);
        ui::click(f.cmdAdd);
        EXPECT_EQ(f.num.Text(), "10");
        // Another entry arrives meanwhile under the shown number.
        prepare({Sql("insert into " + table() + " (num, Name) values (10, 'Other')")});
        ui::typeInto(f.txtFields(2), "Echo");
        ui::click(f.cmdUpdate);
        EXPECT_EQ(f.num.Text(), "11");
    });
    const QStringList rows = stored(table());
    ASSERT_EQ(rows.size(), 5);
    EXPECT_TRUE(rows[3].startsWith("10 Other"));
    EXPECT_EQ(rows[4], entry(11, "Echo", "0"));
}

TEST_P(EveryMaster, ADuplicateNameWhileAddingIsEmptiedAndNotSaved)
{
    fill(table(), {{1, "O'Brien & Co", 500}, {2, "Alpha", 1000}});
    start();
    open([&](MasterForm &f) {
        ui::click(f.cmdAdd);
        ui::typeInto(f.txtFields(2), "o'brien & CO");
        ui::click(f.cmdUpdate); // leaving the box checks the name
        EXPECT_EQ(host.boxTexts(), (QStringList{"Duplicate Name", "You must enter name"}));
        EXPECT_EQ(f.txtFields(2).Text(), "");
        EXPECT_TRUE(f.txtFields(2).hasFocus());
        EXPECT_TRUE(f.loaded());
    });
    EXPECT_EQ(stored(table()).size(), 2);
}

TEST_P(EveryMaster, RenamingAShownEntryKeepsItsNumberWithoutADuplicateCheck)
{
    fillThree();
    start();
    open([&](MasterForm &f) {
        ui::focus(f.txtFields(2));
        f.txtFields(2).setText("Bravo");
        ui::click(f.cmdUpdate);
        EXPECT_EQ(shownEntry(f), entry(2, "Bravo", "1000"));
    });
    EXPECT_TRUE(host.boxTexts().isEmpty()) << "a name in use is accepted when not adding";
    EXPECT_EQ(stored(table()), (QStringList{entry(2, "Bravo", "1000"), entry(5, "Bravo", "2000"),
                                            entry(9, "Charlie", "3000")}));
}

TEST_P(EveryMaster, DeleteAsksAndThenShowsTheHighestNumberedEntry)
{
    struct Case {
        int answer;
        QStringList left;
    };
    for (const Case &c : {Case{Msg::Yes, {"2", "9"}}, Case{Msg::No, {"2", "5", "9"}}}) {
        SCOPED_TRACE(c.answer == Msg::Yes ? "Yes" : "No");
        fillThree();
        start();
        open([&](MasterForm &f) {
            find(f, "5");
            host.answerMsg(c.answer);
            ui::click(f.cmdDelete);
            EXPECT_EQ(shownEntry(f), entry(9, "Charlie", "3000"));
        });
        ASSERT_EQ(host.boxes().size(), 1u);
        EXPECT_EQ(host.boxes()[0].prompt, "Are you Sure to Delete");
        EXPECT_EQ(host.boxes()[0].buttons, Msg::YesNo);
        QStringList nums;
        for (const QString &row : stored(table()))
            nums << row.section(' ', 0, 0);
        EXPECT_EQ(nums, c.left);
        form1->Unload();
        host.clearRecords();
    }
}

TEST_P(EveryMaster, AfterDeletingTheOnlyEntryItStaysShown)
{
    fill(table(), {{3, "Solo", 700}});
    start();
    open([&](MasterForm &f) {
        host.answerMsg(Msg::Yes);
        ui::click(f.cmdDelete);
        EXPECT_EQ(shownEntry(f), entry(3, "Solo", "700"));
    });
    EXPECT_TRUE(stored(table()).isEmpty());
}

TEST_P(EveryMaster, SaveOrDeleteWithNoEntryShowsTheErrorAndTheFormStaysOpen)
{
    fill(table(), {});
    start();
    open([&](MasterForm &f) {
        ui::typeInto(f.txtFields(2), "Nobody");
        ui::click(f.cmdUpdate);
        host.answerMsg(Msg::Yes);
        ui::click(f.cmdDelete);
        const QStringList texts = host.boxTexts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_TRUE(texts[0].contains("not a number")) << texts[0].toStdString();
        EXPECT_EQ(texts[1], "Are you Sure to Delete");
        EXPECT_TRUE(texts[2].contains("not a number")) << texts[2].toStdString();
        EXPECT_EQ(host.boxes()[0].buttons, Msg::OKOnly) << "shown by the form's own trap";
        EXPECT_TRUE(f.loaded() && f.visible());
        EXPECT_FALSE(aminv::dbConn().inTransaction());
        EXPECT_FALSE(aminv::mainRs().isOpen());
        // The form goes on working.
        addEntry(f, "Somebody");
        EXPECT_EQ(f.num.Text(), "1");
    });
    EXPECT_EQ(stored(table()), QStringList{entry(1, "Somebody", "0")});
}

TEST_P(EveryMaster, ASaveThatFailsHalfwayLeavesTheTableAsItWas)
{
    fillThree();
    prepare({Sql("create trigger refuse before insert on " + table() +
                 " begin select raise(abort, 'entries are locked'); end")});
    start();
    open([&](MasterForm &f) {
        f.txtFields(2).setText("Renamed");
        ui::click(f.cmdUpdate);
        ASSERT_EQ(host.boxTexts().size(), 1);
        EXPECT_TRUE(host.boxTexts()[0].contains("entries are locked"));
        EXPECT_TRUE(f.loaded() && f.visible());
        EXPECT_FALSE(aminv::dbConn().inTransaction());
    });
    EXPECT_EQ(stored(table()).first(), entry(2, "Alpha", "1000")) << "the deleted row came back";
}

TEST_P(EveryMaster, AnAddThatFailsLeavesAddModeAsTheMemberSetsIt)
{
    fillThree();
    start();
    open([&](MasterForm &f) {
        prepare({Sql("alter table " + table() + " rename to gone")});
        ui::click(f.cmdAdd);
        EXPECT_EQ(host.boxTexts().size(), 1);
        EXPECT_TRUE(f.loaded() && f.visible());
        EXPECT_EQ(f.addMode, !m().truck) << "the truck form raises it last, the others first";
        prepare({Sql("alter table gone rename to " + table())});
    });
}

TEST_P(EveryMaster, TheMainScreenSeesANewEntryOnlyWhenItLoadsAgain)
{
    fillThree();
    start();
    const auto names = [&] { return (form1->*m().mainList).items(); };
    const std::vector<QString> before = names();
    open([&](MasterForm &f) { addEntry(f, "Delta", "4500"); });
    EXPECT_EQ(names(), before);
    form1->Unload();
    start();
    const std::vector<QString> after = names();
    EXPECT_NE(std::find(after.begin(), after.end(), "Delta"), after.end());
}

INSTANTIATE_TEST_SUITE_P(Masters, EveryMaster, ::testing::ValuesIn(Members),
                         [](const ::testing::TestParamInfo<Member> &info) { return std::string(info.param.form); });

// The truck form's tare weight.
class TruckMaster : public MasterOffice
{
protected:
    void SetUp() override
    {
        MasterOffice::SetUp();
        fill("truckmast", {{1, "GJ17TT4521", 6250}});
    }
};

TEST_F(TruckMaster, AnEmptyTareIsStoredAndShownAsZero)
{
    start();
    openTruck([&](frmtruck &f) {
        ui::click(f.cmdAdd);
        ui::typeInto(f.txtFields(2), "GJ06AX9087");
        ui::click(f.cmdUpdate);
        EXPECT_EQ(f.txtFields(3).Text(), "0");
    });
    EXPECT_EQ(stored("truckmast"), (QStringList{"1 GJ17TT4521 6250", "2 GJ06AX9087 0"}));
}

TEST_F(TruckMaster, ATareThatIsNotAPlainWeightIsRefusedWhenLeftAndAtTheSave)
{
    const QString refused = "Tare Wt must be a weight in digits: at most 7 before the point and 3 after it";
    start();
    openTruck([&](frmtruck &f) {
        ui::click(f.cmdAdd);
        ui::typeInto(f.txtFields(2), "GJ06AX9087");
        for (const char *typed : {"89 40kg", "1e308", "99999999999999999999", "-500", "8,940"}) {
            SCOPED_TRACE(typed);
            // Leaving the box: refused there; the text and the focus stay.
            host.clearRecords();
            ui::typeInto(f.txtFields(3), typed);
            ui::focus(f.txtFields(2));
            EXPECT_EQ(host.boxTexts(), QStringList{refused});
            EXPECT_TRUE(f.txtFields(3).hasFocus());
            EXPECT_EQ(f.txtFields(3).Text(), typed);

            // Save pressed from the box: the one refusal, and no save.
            host.clearRecords();
            ui::click(f.cmdUpdate);
            EXPECT_EQ(host.boxTexts(), QStringList{refused});
            EXPECT_TRUE(f.txtFields(3).hasFocus());

            // The same tare reached the box another way: the save refuses it.
            f.txtFields(3).setText(QString());
            ui::focus(f.txtFields(2));
            f.txtFields(3).setText(typed);
            host.clearRecords();
            ui::click(f.cmdUpdate);
            EXPECT_EQ(host.boxTexts(), QStringList{refused});
            EXPECT_TRUE(f.txtFields(3).hasFocus());
            EXPECT_EQ(f.txtFields(3).Text(), typed);
            EXPECT_TRUE(f.addMode) << "still adding";
            EXPECT_EQ(stored("truckmast").size(), 1);
            f.txtFields(3).setText(QString());
        }

        host.clearRecords();
        f.txtFields(3).setText("8940.5");
        ui::click(f.cmdUpdate);
        EXPECT_TRUE(host.boxTexts().isEmpty());
    });
    EXPECT_EQ(stored("truckmast"), (QStringList{"1 GJ17TT4521 6250", "2 GJ06AX9087 8940.5"}));
}

TEST_F(TruckMaster, EditingTheTareKeepsTheTruck)
{
    start();
    openTruck([&](frmtruck &f) {
        f.txtFields(3).setText("6300");
        ui::click(f.cmdUpdate);
    });
    EXPECT_EQ(stored("truckmast"), QStringList{"1 GJ17TT4521 6300"});
}

} // namespace

// Another program holds wt.mdb: each button of the truck form names what
// did not happen and says it can be tried again; the form stays open and
// works once the file is free.
TEST_F(TruckMaster, UnderAnotherProgramsLockEachButtonNamesWhatDidNotHappen)
{
    expectUntrappedError(vb::RuntimeError::DatabaseErrorNumber);
    start();
    const int wait = vb::Connection::lockWait();
    vb::Connection::setLockWait(300);
    const QString locked = "another program is using wt.mdb (database is locked). Try again in a moment.";
    OtherProgram other;
    openTruck([&](frmtruck &f) {
        struct Case {
            const char *button;
            std::function<void()> press;
            QString message;
        } cases[] = {
            {"Add", [&] { ui::click(f.cmdAdd); }, "A new entry cannot be started: " + locked},
            {"Save",
             [&] {
                 f.txtFields(2).setText("GJ06AX9087");
                 ui::click(f.cmdUpdate);
             },
             "The entry was not saved: " + locked},
            {"Next", [&] { ui::click(f.cmdNext); }, "The entry cannot be shown: " + locked},
        };
        other.hold();
        for (const Case &c : cases) {
            SCOPED_TRACE(c.button);
            host.clearRecords();
            c.press();
            EXPECT_EQ(host.boxTexts(), QStringList{c.message});
            EXPECT_TRUE(f.loaded());
        }
        other.letGo();
        host.clearRecords();
        ui::click(f.cmdAdd);
        f.txtFields(2).setText("GJ06AX9087");
        ui::click(f.cmdUpdate);
        EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();
    });
    vb::Connection::setLockWait(wait);
    EXPECT_EQ(stored("truckmast"), (QStringList{"1 GJ17TT4521 6250", "2 GJ06AX9087 0"}));
}
