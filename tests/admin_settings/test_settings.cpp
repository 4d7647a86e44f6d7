// The settings forms driven as the operator drives them: F7 on the main
// screen, the settings password, the form, OK or Cancel; on the delivered
// database in a temporary directory. OK ends the program, so the tests
// start it again in the same directory to see what the next run reads.
#include "support/office.h"
#include "support/rows.h"

#include "admin/frmlogin1.h"
#include "admin/newsetting.h"
#include "admin/newsetting2.h"
#include "admin/registry.h"
#include "admin/setting.h"

#include "runtime/convert.h"

#include <map>

using namespace vb;

namespace {

// Stands in for a form another part of the program provides.
class StandIn : public Form
{
public:
    explicit StandIn(const QString &name) : Form(name) {}
};

// A control of a form by name and index (-1 for a single control).
struct Ref {
    const char *name;
    int index = -1;
};

bool isSet(Form &f, Ref r)
{
    Control *c = f.control(r.name, r.index);
    EXPECT_NE(c, nullptr) << r.name << "(" << r.index << ")";
    if (auto *o = dynamic_cast<OptionButton *>(c))
        return o->Value();
    if (auto *k = dynamic_cast<CheckBox *>(c))
        return k->Value() == 1;
    return false;
}

// Replaces a box's text as the operator does: select it all, type over it.
void retype(TextBox &box, const QString &text)
{
    ui::focus(box);
    ui::select(box, 0, int(box.Text().size()));
    ui::press(*box.form(), Key::Delete);
    ui::type(*box.form(), text);
}

using Row = std::map<QString, QString>;

class Settings : public Office
{
protected:
    void SetUp() override
    {
        Office::SetUp();
        host.setNow(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
    }

    void registerForms() override
    {
        Office::registerForms();
        registerAdminForms();
        for (const char *name : {"reportplain", "reportprint"}) {
            const QString n = QString::fromLatin1(name);
            app().registerForm(n, [n] { return std::make_unique<StandIn>(n); });
        }
        for (const char *name : {"reportplain", "reportprint", "manual"})
            host.onModal(name, [this](Form &f) { opened.push_back({f.name(), f.modal()}); });
    }

    // F7 on the main screen, the day's settings password, then inside acts
    // on the settings form while it is shown.
    void openSettings(const std::function<void(newsetting2 &)> &inside)
    {
        if (!form1)
            start();
        host.onModal(frmLogin1::Name, [this](Form &f) {
            auto &gate = static_cast<LoginGate &>(f);
            ui::typeInto(gate.txtUserName, "Tolbe");
            ui::typeInto(gate.txtPassword, "Tolbe" + QString::number(host.now().date().day() * 7 - 3));
            ui::click(gate.cmdOK);
        });
        bool shown = false;
        host.onModal(newsetting2::Name, [&](Form &f) {
            shown = true;
            inside(static_cast<newsetting2 &>(f));
        });
        ui::press(*form1, Key::F7);
        ASSERT_TRUE(shown);
    }

    // Opens one of the earlier settings forms modal from an event, as its
    // gate does.
    template <class F> void openForm(const std::function<void(F &)> &inside)
    {
        if (!form1)
            start();
        host.onModal(F::Name, [&](Form &f) { inside(static_cast<F &>(f)); });
        app().dispatch([] { app().form(F::Name).Show(true); });
    }

    // The first row of a query as the forms see its values ("Null" for none).
    Row stored(const QString &query) { return shownRow(aminv::DefaultConnection, query); }
    Row counter() { return stored("select * from counter"); }
    int machTypeRows()
    {
        Connection c;
        c.Open(QString::fromLatin1(aminv::DefaultConnection), QString(), QString(), -1);
        Recordset rs;
        rs.Open("select count(*) as n from listvalue where type='machtyp'", c, 3, 1, -1);
        const int n = int(numberOf(rs.Fields("n").Value()));
        rs.Close();
        c.Close();
        return n;
    }

    struct Opened {
        QString form;
        bool modal;
        bool operator==(const Opened &) const = default;
    };
    std::vector<Opened> opened;
};

// ---- each option and check box and its column --------------------------

struct MappingCase {
    const char *label;
    std::vector<std::pair<QString, QVariant>> before; // counter columns
    QString machType;                                 // listvalue row, "" as delivered
    std::vector<Ref> shownSet, shownClear;            // after load
    std::vector<Ref> clicks;                          // then OK
    Row after;                                        // counter columns, or "machtyp row"
};

std::ostream &operator<<(std::ostream &os, const MappingCase &c) { return os << c.label; }

class Mapping : public Settings, public ::testing::WithParamInterface<MappingCase>
{
};

TEST_P(Mapping, LoadShowsTheColumnAndOkStoresTheChoice)
{
    const MappingCase &c = GetParam();
    for (const auto &[column, value] : c.before)
        prepare({Sql("update counter set " + column + "=?", {value})});
    start();
    // The main screen keeps the machine type it read; the form reads the row.
    if (!c.machType.isEmpty())
        prepare({Sql("update listvalue set Name=? where type='machtyp'", {c.machType})});
    openSettings([&](newsetting2 &f) {
        for (Ref r : c.shownSet)
            EXPECT_TRUE(isSet(f, r)) << r.name << "(" << r.index << ") should be set";
        for (Ref r : c.shownClear)
            EXPECT_FALSE(isSet(f, r)) << r.name << "(" << r.index << ") should be clear";
        for (Ref r : c.clicks)
            ui::click(*f.control(r.name, r.index));
        ui::click(f.OKButton);
    });
    EXPECT_TRUE(host.programEnded());
    Row row = counter();
    row["machtyp row"] = stored("select * from listvalue where type='machtyp'")["Name"];
    for (const auto &[column, value] : c.after)
        EXPECT_EQ(row[column], value) << column.toStdString();
}

const Ref Dos{"Option1", 0}, Window{"Option1", 1}, Plain{"Option3", 0}, PrePrinted{"Option3", 1},
    OralYes{"Option2", 0}, OralNo{"Option2", 1}, Public{"Option4", 0}, Industries{"Option4", 1},
    Usb{"Option1", 2}, Serial{"Option1", 3}, Lpt{"Option1", 4}, PrnUsb{"Option1", 5}, Tare{"Check1"},
    Gross{"Check2"}, Normal{"Option1", 6}, D2{"Option1", 7}, New{"Option1", 8}, Digital{"Option1", 9};

INSTANTIATE_TEST_SUITE_P(
    EachColumn, Mapping,
    ::testing::Values(
        MappingCase{"printstyle Dos to Window", {{"printstyle", 1}}, "", {Dos}, {Window}, {Window}, {{"printstyle", "False"}}},
        MappingCase{"printstyle Window to Dos", {{"printstyle", 0}}, "", {Window}, {Dos}, {Dos}, {{"printstyle", "True"}}},
        MappingCase{"printformat Plain to Pre Printed", {{"printformat", 1}}, "", {Plain}, {PrePrinted}, {PrePrinted}, {{"printformat", "False"}}},
        MappingCase{"printformat Pre Printed to Plain", {{"printformat", 0}}, "", {PrePrinted}, {Plain}, {Plain}, {{"printformat", "True"}}},
        MappingCase{"oral Yes to No", {{"oral", 1}}, "", {OralYes}, {OralNo}, {OralNo}, {{"oral", "False"}}},
        MappingCase{"oral No to Yes", {{"oral", 0}}, "", {OralNo}, {OralYes}, {OralYes}, {{"oral", "True"}}},
        MappingCase{"public Public to Industries", {{"public", 1}}, "", {Public}, {Industries}, {Industries}, {{"public", "False"}}},
        MappingCase{"public Industries to Public", {{"public", 0}}, "", {Industries}, {Public}, {Public}, {{"public", "True"}}},
        MappingCase{"musb USB to Serial", {{"musb", 1}}, "", {Usb}, {Serial}, {Serial}, {{"musb", "False"}}},
        MappingCase{"musb Serial to USB", {{"musb", 0}}, "", {Serial}, {Usb}, {Usb}, {{"musb", "True"}}},
        MappingCase{"printer USB to Lpt", {{"prnlpt", 0}, {"prnusb", 1}}, "", {PrnUsb}, {Lpt}, {Lpt},
                    {{"prnlpt", "True"}, {"prnusb", "False"}}},
        MappingCase{"printer flags both False show Lpt and store it", {{"prnlpt", 0}, {"prnusb", 0}}, "", {Lpt}, {PrnUsb}, {},
                    {{"prnlpt", "True"}, {"prnusb", "False"}}},
        MappingCase{"printer flags both True show USB", {{"prnlpt", 1}, {"prnusb", 1}}, "", {PrnUsb}, {Lpt}, {},
                    {{"prnlpt", "False"}, {"prnusb", "True"}}},
        MappingCase{"mweight 0, tick both", {{"mweight", 0}}, "", {}, {Tare, Gross}, {Tare, Gross}, {{"mweight", "3"}}},
        MappingCase{"mweight 1, tick gross", {{"mweight", 1}}, "", {Tare}, {Gross}, {Gross}, {{"mweight", "3"}}},
        MappingCase{"mweight 2, untick gross", {{"mweight", 2}}, "", {Gross}, {Tare}, {Gross}, {{"mweight", "0"}}},
        MappingCase{"mweight 3, untick tare", {{"mweight", 3}}, "", {Tare, Gross}, {}, {Tare}, {{"mweight", "2"}}},
        MappingCase{"mweight 3, untick gross", {{"mweight", 3}}, "", {Tare, Gross}, {}, {Gross}, {{"mweight", "1"}}},
        MappingCase{"mweight out of range shows neither", {{"mweight", 7}}, "", {}, {Tare, Gross}, {}, {{"mweight", "0"}}},
        MappingCase{"machine type 1 to 4", {}, "1", {Normal}, {D2, New, Digital}, {Digital}, {{"machtyp row", "4"}}},
        MappingCase{"machine type 2 to 3", {}, "2", {D2}, {Normal, New, Digital}, {New}, {{"machtyp row", "3"}}},
        MappingCase{"machine type 3 to 1", {}, "3", {New}, {Normal, D2, Digital}, {Normal}, {{"machtyp row", "1"}}},
        MappingCase{"machine type 4 to 2", {}, "4", {Digital}, {Normal, D2, New}, {D2}, {{"machtyp row", "2"}}},
        MappingCase{"unknown machine type shows Normal and stores 1", {}, "7", {Normal}, {D2, New, Digital}, {},
                    {{"machtyp row", "1"}}}),
    [](const ::testing::TestParamInfo<MappingCase> &info) {
        std::string s;
        for (char ch : std::string(info.param.label))
            s += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return s;
    });

// ---- the form as loaded, OK, Cancel --------------------------------------

TEST_F(Settings, ShowsTheStoredTextsWithTheCompanyLinesDisabled)
{
    prepare({Sql("update counter set Marque=?, comport=?", {"Drive slowly", 3})});
    openSettings([&](newsetting2 &f) {
        EXPECT_EQ(f.Caption(), "Setting");
        EXPECT_EQ(f.Text4.Text(), "SHREE BALAJI WEIGHBRIDGE");
        EXPECT_EQ(f.Text5.Text(), "Plot 14, GIDC Estate, Near Highway Check Post");
        EXPECT_EQ(f.Text6.Text(), "Halol, Dist. Panchmahal, Gujarat");
        for (TextBox *t : {&f.Text4, &f.Text5, &f.Text6})
            EXPECT_FALSE(t->effectivelyEnabled());
        EXPECT_EQ(f.Text1.Text(), "Drive slowly");
        EXPECT_EQ(f.Text3.Text(), "3");
        EXPECT_EQ(f.machType, "2");
        ui::click(f.CancelButton);
    });
}

TEST_F(Settings, OkStoresWithTheBlankRuleTellsToRestartAndEndsTheProgram)
{
    const Row before = counter();
    openSettings([&](newsetting2 &f) {
        retype(f.Text1, "");
        retype(f.Text3, "");
        ui::click(f.Option1(1));
        host.clearRecords();
        ui::click(f.OKButton);
    });
    auto &f = app().form<newsetting2>(newsetting2::Name);
    EXPECT_EQ(f.Text3.Text(), "1");
    EXPECT_EQ(f.Text1.Text(), " ");
    EXPECT_EQ(host.boxTexts(), QStringList{"you must restart "});
    EXPECT_EQ(host.boxes().back().buttons, Msg::OKOnly);
    EXPECT_TRUE(host.programEnded());
    EXPECT_EQ(app().lastErrorNumber(), 0);
    EXPECT_FALSE(aminv::dbConn().isOpen());

    // The program has ended: no further event runs.
    host.fireTimers();
    ui::press(*form1, Key::F7);
    EXPECT_EQ(host.boxTexts(), QStringList{"you must restart "});

    Row after = counter();
    EXPECT_EQ(after["Marque"], " ");
    EXPECT_EQ(after["comport"], "1");
    // The company lines are shown only; nothing else moved but what was chosen.
    for (const char *same : {"compnm", "address", "city", "machtyp", "printcopy", "totline", "reptit", "st_dt"})
        EXPECT_EQ(after[same], before.at(same)) << same;
}

TEST_F(Settings, TheNextStartReadsTheNewValues)
{
    openSettings([&](newsetting2 &f) {
        retype(f.Text1, "0");
        retype(f.Text3, "7");
        ui::click(f.Option1(1));
        ui::click(f.Option3(1));
        ui::click(f.Option2(1));
        ui::click(f.Option4(0));
        ui::click(f.Check2); // the delivered row allows both; leaves tare only
        ui::click(f.Option1(2));
        ui::click(f.Option1(4));
        ui::click(f.OKButton);
    });
    ASSERT_TRUE(host.programEnded());

    Form1 &next = restart();
    EXPECT_EQ(next.Marque, "0");
    EXPECT_FALSE(next.mprintstyle);
    EXPECT_FALSE(next.mprintformat);
    EXPECT_FALSE(next.moral);
    EXPECT_TRUE(next.mpublic);
    EXPECT_EQ(next.mweight, 1);
    EXPECT_TRUE(next.musb);
    EXPECT_FALSE(next.prnusb);
    EXPECT_EQ(next.mmachtyp, "2");
    EXPECT_EQ(next.MSComm1.CommPort(), 7);
}

TEST_F(Settings, WithoutAMachineTypeRowShowsNormalAndAddsNone)
{
    start();
    // The main screen adds the row at its load; it goes missing while it runs.
    prepare({Sql("delete from listvalue where type='machtyp'")});
    openSettings([&](newsetting2 &f) {
        EXPECT_TRUE(f.Option1(6).Value());
        EXPECT_TRUE(f.machType.isEmpty());
        ui::click(f.Option1(8));
        ui::click(f.Option2(1));
        ui::click(f.OKButton);
    });
    EXPECT_TRUE(host.programEnded());
    EXPECT_EQ(machTypeRows(), 0);
    EXPECT_EQ(counter()["oral"], "False");
}

TEST_F(Settings, CancelStoresNothingAndTheProgramGoesOn)
{
    const Row before = counter();
    const Row machBefore = stored("select * from listvalue");
    openSettings([&](newsetting2 &f) {
        retype(f.Text1, "");
        retype(f.Text3, "9");
        ui::click(f.Option1(1));
        ui::click(f.Check1);
        ui::click(f.Option1(9));
        ui::click(f.CancelButton);
        EXPECT_FALSE(f.loaded());
    });
    EXPECT_FALSE(host.programEnded());
    EXPECT_TRUE(host.boxTexts().isEmpty());
    EXPECT_EQ(counter(), before);
    EXPECT_EQ(stored("select * from listvalue"), machBefore);
    EXPECT_TRUE(form1->loaded());
    EXPECT_TRUE(aminv::dbConn().isOpen());
}

TEST_F(Settings, ALostSettingsRowShowsTheDesignAndOkWritesItAgain)
{
    start();
    prepare({Sql("delete from counter")});
    openSettings([&](newsetting2 &f) {
        EXPECT_TRUE(f.Text1.Text().isEmpty());
        EXPECT_TRUE(f.Option1(0).Value() && f.Option1(3).Value() && f.Option1(4).Value());
        ui::click(f.Check1);
        ui::click(f.OKButton);
    });
    EXPECT_TRUE(host.programEnded());
    Row row = counter();
    EXPECT_EQ(row["Marque"], " ");
    EXPECT_EQ(row["comport"], "1");
    EXPECT_EQ(row["printstyle"], "True");
    EXPECT_EQ(row["mweight"], "1");
    EXPECT_EQ(row["compnm"], "Null"); // the company lines are not this form's to write
}

// A blank port is stored as 1, as is a text that names no port the main
// screen could open; a number is stored as its value.
TEST_F(Settings, ThePortNumberIsStoredAsAPortTheMainScreenCanOpen)
{
    struct Case {
        QString typed, shown, stored;
    };
    for (const Case &c : {Case{"", "1", "1"}, Case{"abc", "1", "1"}, Case{"0", "1", "1"}, Case{"300", "1", "1"},
                          Case{"4", "4", "4"}, Case{"12x", "12x", "12"}, Case{"255", "255", "255"}}) {
        SCOPED_TRACE(c.typed.toStdString());
        host.clearRecords();
        openSettings([&](newsetting2 &f) {
            retype(f.Text3, c.typed);
            ui::click(f.OKButton);
        });
        EXPECT_TRUE(app().ended());
        EXPECT_EQ(app().form<newsetting2>(newsetting2::Name).Text3.Text(), c.shown);
        EXPECT_EQ(counter()["comport"], c.stored);
        EXPECT_EQ(restart().MSComm1.CommPort(), c.stored.toInt());
    }
}

// ---- the two tools ---------------------------------------------------------

TEST_F(Settings, DesignOpensTheDesignerOfTheFormatOnlyInDos)
{
    struct Case {
        const char *label;
        bool storedDos;
        Ref style, format;
        const char *opens; // nullptr: only the message
    };
    for (const Case &c : {Case{"Dos plain", true, Dos, Plain, "reportplain"},
                          Case{"Dos pre-printed", true, Dos, PrePrinted, "reportprint"},
                          Case{"Window", true, Window, Plain, nullptr},
                          Case{"Window stored, Dos chosen on the form", false, Dos, PrePrinted, "reportprint"}}) {
        SCOPED_TRACE(c.label);
        prepare({Sql("update counter set printstyle=?", {c.storedDos ? 1 : 0})});
        opened.clear();
        host.clearRecords();
        openSettings([&](newsetting2 &f) {
            ui::click(*f.control(c.style.name, c.style.index));
            ui::click(*f.control(c.format.name, c.format.index));
            ui::click(f.Command1);
            EXPECT_TRUE(f.visible()); // back on the settings form
            ui::click(f.CancelButton);
        });
        if (c.opens) {
            EXPECT_EQ(opened, (std::vector<Opened>{{c.opens, true}}));
            EXPECT_TRUE(host.boxTexts().isEmpty());
        } else {
            EXPECT_TRUE(opened.empty());
            EXPECT_EQ(host.boxTexts(), QStringList{"in windows format plz change in crystal report"});
        }
        EXPECT_FALSE(host.programEnded());
    }
}

TEST_F(Settings, ManualOpensTheManualTicketFormModal)
{
    openSettings([&](newsetting2 &f) {
        ui::click(f.Command2);
        EXPECT_TRUE(f.visible());
        ui::click(f.CancelButton);
    });
    EXPECT_EQ(opened, (std::vector<Opened>{{"manual", true}}));
    EXPECT_FALSE(host.programEnded());
}

// ---- the earlier settings forms ------------------------------------------

TEST_F(Settings, SettingStoresPrintStyleFormatAndBannerOnly)
{
    prepare({Sql("update counter set printstyle=?, printformat=?", {0, 1})});
    const Row before = counter();
    openForm<setting>([&](setting &f) {
        EXPECT_EQ(f.Caption(), "Setting");
        EXPECT_EQ(f.control("Command1"), nullptr);
        EXPECT_EQ(f.control("Text3"), nullptr);
        EXPECT_TRUE(f.Option1(1).Value());
        EXPECT_TRUE(f.Option3(0).Value());
        EXPECT_EQ(f.Text4.Text(), "SHREE BALAJI WEIGHBRIDGE");
        EXPECT_FALSE(f.Text4.effectivelyEnabled());
        retype(f.Text1, "");
        ui::click(f.Option1(0));
        ui::click(f.Option3(1));
        ui::click(f.OKButton);
    });
    EXPECT_TRUE(host.programEnded());
    EXPECT_EQ(host.boxTexts().back(), "you must restart ");
    Row expected = before;
    expected["Marque"] = " ";
    expected["printstyle"] = "True";
    expected["printformat"] = "False";
    EXPECT_EQ(counter(), expected);
}

TEST_F(Settings, NewsettingStoresTheRowButLeavesTheMachineType)
{
    prepare({Sql("update counter set machtyp=?, oral=?", {"3", 1})});
    const QString machBefore = stored("select * from listvalue where type='machtyp'")["Name"];
    openForm<newsetting>([&](newsetting &f) {
        EXPECT_EQ(f.control("Option1", 6), nullptr);
        EXPECT_EQ(f.control("lblLabels", 2), nullptr);
        EXPECT_TRUE(f.Option2(0).Value());
        EXPECT_TRUE(f.Check1.Value() && f.Check2.Value()); // delivered mweight 3
        retype(f.Text3, "");
        ui::click(f.Option2(1));
        ui::click(f.Check1);
        ui::click(f.Command2);
        ui::click(f.OKButton);
    });
    EXPECT_TRUE(host.programEnded());
    EXPECT_EQ(opened, (std::vector<Opened>{{"manual", true}}));
    Row row = counter();
    EXPECT_EQ(row["oral"], "False");
    EXPECT_EQ(row["mweight"], "2");
    EXPECT_EQ(row["comport"], "1");
    EXPECT_EQ(row["machtyp"], "3");
    EXPECT_EQ(stored("select * from listvalue where type='machtyp'")["Name"], machBefore);
}

TEST_F(Settings, EachOptionGroupIsATabStopWhoseArrowsPickWithinIt)
{
    prepare({Sql("update counter set printstyle=?, printformat=?", {0, 1})});
    const Row before = counter();
    openForm<setting>([&](setting &f) {
        ui::focus(f.CancelButton);
        ui::press(f, Key::Tab);
        EXPECT_EQ(f.ActiveControl(), &f.Option1(1)) << "Tab lands on the group's selected option";
        ui::press(f, Key::Left);
        EXPECT_EQ(f.ActiveControl(), &f.Option1(0));
        EXPECT_TRUE(f.Option1(0).Value());
        EXPECT_FALSE(f.Option1(1).Value());
        ui::press(f, Key::Tab);
        EXPECT_EQ(f.ActiveControl(), &f.Option3(0)) << "one stop per group";
        ui::press(f, Key::Down);
        EXPECT_TRUE(f.Option3(1).Value());
        ui::click(f.CancelButton);
    });
    EXPECT_EQ(counter(), before) << "Cancel stores nothing";
}

} // namespace
