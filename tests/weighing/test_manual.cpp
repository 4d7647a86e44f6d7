// The manual ticket form driven as an operator drives it, over the main
// screen, on the delivered database in a temporary directory. The print
// forms are stand-ins that record what the form wrote when they opened.
#include "support/office.h"

#include "weighing/manual.h"

#include "runtime/convert.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace vb;

namespace {

// The captions of one label kind of a layout table, by index.
using Captions = std::map<int, QString>;

// What the form showed when its print form opened.
struct Shown {
    QString num, truck, gross, grossDate, grossTime, grossMark, tare, tareDate, tareTime, tareMark, net, amount;
};

class ManualForm : public Office
{
protected:
    void SetUp() override
    {
        Office::SetUp();
        for (const char *name : {"preview", "previewprint", "previewplain"}) {
            const QString n = QString::fromLatin1(name);
            vb::app().registerForm(n, [n] { return std::make_unique<PrintStandIn>(n); });
            host.onModal(n, [this](Form &) {
                shown.push_back({m->num.Text(), m->Combo4.Text(), m->txtFields(2).Text(), m->txtFields(3).Text(),
                                 m->txtFields(9).Text(), m->lblLabels(14).Caption(), m->txtFields(4).Text(),
                                 m->txtFields(5).Text(), m->txtFields(0).Text(), m->lblLabels(15).Caption(),
                                 m->txtFields(6).Text(), m->txtFields(8).Text()});
            });
        }
        host.setNow(QDateTime(QDate(2024, 3, 5), QTime(9, 7)));
    }

    // Print style and format in the settings row, then the main screen and
    // the manual form over it.
    manual &open(bool dos, bool plain)
    {
        prepare({Sql("update counter set printstyle=?, printformat=?", {dos ? 1 : 0, plain ? 1 : 0})});
        start();
        m = &vb::app().form<manual>(manual::Name);
        m->Show();
        host.clearRecords();
        return *m;
    }

    // A ticket typed in full: truck, names, weights and amount.
    void typeTicket(const QString &number, const QString &truck, const QString &gross, const QString &tare,
                    const QString &amount = "150")
    {
        ui::typeInto(m->num, number);
        ui::typeInto(m->Combo4, truck);
        ui::typeInto(m->Combo2, "Halol Ready Mix");
        ui::typeInto(m->Combo1, "Sand");
        ui::typeInto(m->Combo3, "Ambuja Cement Depot");
        ui::typeInto(m->txtFields(2), gross);
        ui::typeInto(m->txtFields(4), tare);
        ui::typeInto(m->txtFields(8), amount);
    }

    QSqlQuery query(const QString &text)
    {
        QSqlQuery q = aminv::dbConn().run(Sql(text));
        return q;
    }
    Captions captions(const QString &table, const QString &name)
    {
        Captions out;
        QSqlQuery q = query(QStringLiteral("select \"index\", caption from %1 where name='%2'").arg(table, name));
        while (q.next())
            out[q.value(0).toInt()] = q.value(1).toString();
        return out;
    }
    int count(const QString &table)
    {
        QSqlQuery q = query("select count(*) from " + table);
        q.next();
        return q.value(0).toInt();
    }

    manual *m = nullptr;
    std::vector<Shown> shown;
};

TEST_F(ManualForm, OpensEmptyWithTheListsInTableOrder)
{
    manual &f = open(true, true);
    for (TextEditable *t : std::initializer_list<TextEditable *>{
             &f.num, &f.Combo4, &f.Combo2, &f.Combo1, &f.Combo3, &f.txtFields(2), &f.txtFields(3), &f.txtFields(9),
             &f.txtFields(4), &f.txtFields(5), &f.txtFields(0), &f.txtFields(6), &f.txtFields(8)})
        EXPECT_EQ(t->Text(), "") << t->fullName().toStdString();
    EXPECT_EQ(f.lblLabels(14).Caption(), "");
    EXPECT_EQ(f.lblLabels(15).Caption(), "");
    EXPECT_EQ(f.lblLabels(17).Caption(), "SHREE BALAJI WEIGHBRIDGE");
    EXPECT_EQ(f.lblLabels(18).Caption(), "Halol, Dist. Panchmahal, Gujarat");
    EXPECT_EQ(f.Caption(), "Varnock");
    EXPECT_FALSE(f.txtFields(6).Enabled()) << "the net weight is computed, never typed";
    EXPECT_EQ(f.Combo4.items(), (std::vector<QString>{"GJ17TT4521", "GJ06AX9087", "MP09HG3310", "RJ27GA1764"}));
    EXPECT_EQ(f.Combo2.List(0), "Gujarat Infra Projects");
    EXPECT_EQ(f.Combo1.ListCount(), 5);
    EXPECT_EQ(f.Combo3.List(2), "Ambuja Cement Depot");
    EXPECT_TRUE(f.mprintstyle);
    EXPECT_TRUE(f.mprintformat);
    EXPECT_FALSE(f.pl.Visible() || f.mast.Visible()) << "the menus are carried hidden";
}

TEST_F(ManualForm, LeavingTheTruckFillsItsStoredTare)
{
    prepare({Sql("insert into truckmast (num, Name, tarewt) values (9, 'AB12', 5400)")});
    struct Case {
        QString truck, gross, tareBefore;
        QString tare, tareDate, net;
    } cases[] = {
        {"ab12", "15000", "", "5400", "05/03/2024", "9600"},   // any case of the stored name
        {"ab12", "", "", "5400", "05/03/2024", ""},            // no gross: no net
        {"XY99", "15000", "3000", "3000", "01/01/2024", "12000"}, // unknown truck: tare left alone
        {"ab12 ", "15000", "3000", "3000", "01/01/2024", "12000"}, // the text is taken untrimmed
    };
    manual &f = open(true, true);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.truck.toStdString());
        for (int i : {2, 4, 6})
            f.txtFields(i).setText("");
        f.txtFields(2).setText(c.gross);
        f.txtFields(4).setText(c.tareBefore);
        f.txtFields(5).setText("01/01/2024");
        ui::typeInto(f.Combo4, c.truck);
        ui::focus(f.Combo2);
        EXPECT_EQ(f.txtFields(4).Text(), c.tare);
        EXPECT_EQ(f.txtFields(5).Text(), c.tareDate);
        EXPECT_EQ(f.txtFields(6).Text(), c.net);
        f.Combo4.setText("");
    }
}

TEST_F(ManualForm, TypedWeightsStampTheClockAndTheNet)
{
    manual &f = open(true, true);
    ui::typeInto(f.txtFields(2), "15000");
    EXPECT_EQ(f.txtFields(3).Text(), "05/03/2024");
    EXPECT_EQ(f.txtFields(9).Text(), "09:07");
    EXPECT_EQ(f.txtFields(5).Text(), "") << "the tare side is not touched";
    host.setNow(QDateTime(QDate(2024, 3, 6), QTime(11, 30)));
    ui::typeInto(f.txtFields(4), "5000");
    EXPECT_EQ(f.txtFields(5).Text(), "06/03/2024");
    EXPECT_EQ(f.txtFields(0).Text(), "11:30");
    EXPECT_EQ(f.txtFields(6).Text(), "10000");

    // A typed date stands until its weight changes again.
    f.txtFields(3).setText("01/03/2024");
    ui::typeInto(f.txtFields(8), "10");
    EXPECT_EQ(f.txtFields(3).Text(), "01/03/2024");
    f.txtFields(2).setText("0");
    EXPECT_EQ(f.txtFields(3).Text(), "01/03/2024") << "a weight of 0 stamps nothing";
    EXPECT_EQ(f.txtFields(6).Text(), "10000") << "the net keeps what it shows";
    f.txtFields(2).setText("4000.5");
    EXPECT_EQ(f.txtFields(3).Text(), "06/03/2024");
    EXPECT_EQ(f.txtFields(6).Text(), "999.5");
}

TEST_F(ManualForm, SaveChecksTheTruckAndTheAmount)
{
    manual &f = open(true, true);
    const Captions before = captions("prnvarplain", "Label2");

    ui::typeInto(f.txtFields(2), "15000");
    ui::click(f.cmdUpdate);
    EXPECT_EQ(host.boxTexts(), QStringList{"you must enter truck no"});
    EXPECT_EQ(f.ActiveControl(), &f.Combo4);
    EXPECT_EQ(f.Combo2.Text(), "") << "the check comes before the blank-fill";

    host.clearRecords();
    f.Combo4.setText("GJ17");
    ui::click(f.cmdUpdate);
    EXPECT_EQ(host.boxTexts(), QStringList{"You must enter amount"});
    EXPECT_EQ(f.ActiveControl(), &f.txtFields(8));
    EXPECT_EQ(f.txtFields(8).Text(), "0");
    EXPECT_EQ(f.Combo2.Text(), " ") << "blank-filled fields stay so";
    EXPECT_EQ(f.txtFields(4).Text(), " ");
    EXPECT_EQ(f.lblLabels(14).Caption(), " ");

    EXPECT_TRUE(host.modalsShown().isEmpty());
    EXPECT_EQ(captions("prnvarplain", "Label2"), before) << "a refused save writes nothing";
}

TEST_F(ManualForm, LeavingAZeroAmountEmptiesItAndKeepsTheFocus)
{
    manual &f = open(true, true);
    for (const QString typed : {"0.0", "", "abc"}) {
        SCOPED_TRACE(typed.toStdString());
        host.clearRecords();
        ui::typeInto(f.txtFields(8), typed);
        ui::focus(f.num);
        EXPECT_EQ(host.boxTexts(), QStringList{"you must enter value"});
        EXPECT_EQ(f.txtFields(8).Text(), "");
        EXPECT_EQ(f.ActiveControl(), &f.txtFields(8));
    }
    host.clearRecords();
    ui::typeInto(f.txtFields(8), "75");
    ui::focus(f.num);
    EXPECT_TRUE(host.boxes().empty());
}

TEST_F(ManualForm, ATypedWeightThatIsNotPlainIsRefusedWhenLeftAndAtTheSave)
{
    manual &f = open(true, true);
    const Captions before = captions("prnvarplain", "Label2");
    ui::typeInto(f.num, "7");
    ui::typeInto(f.Combo4, "NEW1");
    ui::typeInto(f.txtFields(8), "150");
    struct Side {
        int box;
        const char *field;
    } sides[] = {{2, "Gross"}, {4, "Tare"}};
    for (const Side &side : sides) {
        const QString refused =
            QString::fromLatin1(side.field) + " must be a weight in digits: at most 7 before the point and 3 after it";
        TextBox &box = f.txtFields(side.box);
        for (const char *typed : {"1e308", "99999999999999999999", "12,000"}) {
            SCOPED_TRACE(std::string(side.field) + " " + typed);
            // Leaving the box with Enter: refused there; text and focus stay.
            box.setText(QString()); // a refused save leaves its blank fills
            host.clearRecords();
            ui::typeInto(box, typed);
            ui::press(f, Key::Enter);
            EXPECT_EQ(host.boxTexts(), QStringList{refused});
            EXPECT_EQ(f.ActiveControl(), &box);
            EXPECT_EQ(box.Text(), typed);

            // The save button pressed from the box: the one refusal.
            host.clearRecords();
            ui::click(f.cmdUpdate);
            EXPECT_EQ(host.boxTexts(), QStringList{refused});
            EXPECT_EQ(f.ActiveControl(), &box);

            // The weight reached the box without the operator leaving it
            // (the truck's stored tare): the save refuses it.
            box.setText(QString());
            ui::focus(f.txtFields(8));
            box.setText(typed);
            host.clearRecords();
            ui::click(f.cmdUpdate);
            EXPECT_EQ(host.boxTexts(), QStringList{refused});
            EXPECT_EQ(f.ActiveControl(), &box);
            EXPECT_EQ(box.Text(), typed);
            EXPECT_EQ(f.num.Text(), "7");
            box.setText(QString());
        }
    }
    EXPECT_TRUE(host.modalsShown().isEmpty()) << "nothing printed";
    EXPECT_EQ(captions("prnvarplain", "Label2"), before) << "a refused save writes nothing";

    host.clearRecords();
    f.txtFields(2).setText("15000.5");
    f.txtFields(4).setText("5000");
    ui::click(f.cmdUpdate);
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].gross, "15000.5");
    EXPECT_EQ(shown[0].net, "10000.5");
}

TEST_F(ManualForm, TheHeavierWeightPrintsAsGrossWithItsStamps)
{
    struct Case {
        const char *what;
        QString gross, tare;
        Shown expected; // the weights, stamps, marks and net at print time
    } cases[] = {
        {"tare heavier: exchanged",
         "12000",
         "15000",
         {"", "", "15000", "06/03/2024", "11:30", " ", "12000", "05/03/2024", "09:07", " ", "3000", ""}},
        {"no gross: nothing to exchange",
         "",
         "5000",
         {"", "", " ", " ", " ", " ", "5000", "06/03/2024", "11:30", " ", " ", ""}},
        {"gross heavier: as typed",
         "15000",
         "5000",
         {"", "", "15000", "05/03/2024", "09:07", " ", "5000", "06/03/2024", "11:30", " ", "10000", ""}},
    };
    manual &f = open(true, false);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        shown.clear();
        host.setNow(QDateTime(QDate(2024, 3, 5), QTime(9, 7)));
        ui::typeInto(f.Combo4, "GJ01");
        ui::typeInto(f.txtFields(2), c.gross);
        host.setNow(QDateTime(QDate(2024, 3, 6), QTime(11, 30)));
        ui::typeInto(f.txtFields(4), c.tare);
        ui::typeInto(f.txtFields(8), "100");
        host.setNow(QDateTime(QDate(2024, 3, 7), QTime(18, 0)));
        ui::click(f.cmdUpdate);
        ASSERT_EQ(shown.size(), 1u);
        const Shown &s = shown[0], &e = c.expected;
        EXPECT_EQ(s.gross, e.gross);
        EXPECT_EQ(s.grossDate, e.grossDate);
        EXPECT_EQ(s.grossTime, e.grossTime);
        EXPECT_EQ(s.tare, e.tare);
        EXPECT_EQ(s.tareDate, e.tareDate);
        EXPECT_EQ(s.tareTime, e.tareTime);
        EXPECT_EQ(s.net, e.net);
        const Captions printed = captions("prnvarprint", "Label2");
        EXPECT_EQ(printed.at(13), QString(6 - e.gross.trimmed().size(), ' ') + e.gross.trimmed());
        EXPECT_EQ(printed.at(11), e.grossDate);
        EXPECT_EQ(printed.at(4), e.tareTime);
    }
}

TEST_F(ManualForm, MarksTravelWithTheirWeights)
{
    manual &f = open(true, true);
    ui::typeInto(f.Combo4, "GJ01");
    ui::typeInto(f.txtFields(2), "12000");
    ui::typeInto(f.txtFields(4), "15000");
    ui::typeInto(f.txtFields(8), "100");
    f.lblLabels(14).setCaption("G");
    f.lblLabels(15).setCaption("T");
    ui::click(f.cmdUpdate);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].grossMark, "T");
    EXPECT_EQ(shown[0].tareMark, "G");
}

TEST_F(ManualForm, TextTicketOnPlainPaperTakesTheTypedValues)
{
    prepare({Sql("update counter set compnm=?, oral=1", {"  ACME SCALES  "}),
             Sql("update prnvarplain set caption='X'")});
    manual &f = open(true, true);
    form1->lblLabels(17).setCaption("MAIN SCREEN NAME");
    typeTicket("77", "gj17 tt", "08450", "3000");
    f.txtFields(3).setText("04/03/2024");
    f.txtFields(9).setText("07:15");
    f.lblLabels(14).setCaption("Oral"); // marks never print here, whatever the caption
    f.lblLabels(15).setCaption("Oral");
    ui::click(f.cmdUpdate);

    EXPECT_EQ(host.modalsShown(), QStringList{"previewplain"});
    const Captions company = captions("prnvarplain", "Label1");
    EXPECT_EQ(company.at(14), "  ACME SCALES  ") << "the form's own heading, untrimmed";
    EXPECT_EQ(company.at(15), "Plot 14, GIDC Estate, Near Highway Check Post");
    EXPECT_EQ(company.at(16), "Halol, Dist. Panchmahal, Gujarat");
    EXPECT_EQ(company.at(13), "X") << "other fixed texts are untouched";
    const Captions values = captions("prnvarplain", "Label2");
    const Captions expected{{1, "77"},
                            {2, "gj17 tt"},
                            {3, "Sand"},
                            {4, "09:07"},
                            {5, "07:15"},
                            {6, "150"},
                            {7, "Halol Ready Mix"},
                            {8, "Ambuja Cement Depot"},
                            {9, "  "},
                            {10, "    "},
                            {11, "04/03/2024"},
                            {12, "05/03/2024"},
                            {13, " 08450"},
                            {14, "  3000"},
                            {15, "  5450"}};
    EXPECT_EQ(values, expected);
    EXPECT_EQ(count("emp"), 0) << "the manual form stores no ticket";
}

TEST_F(ManualForm, TextTicketOnPrePrintedStationeryWritesNoCompanyRows)
{
    prepare({Sql("update prnvarprint set caption='X'"),
             Sql("insert into prnvarprint (name, \"index\", caption, x, y, c, r, dw) values "
                 "('Label1', 14, 'X', 0, 0, 0, 0, 0), ('Label1', 15, 'X', 0, 0, 0, 0, 0), "
                 "('Label1', 16, 'X', 0, 0, 0, 0, 0)")});
    manual &f = open(true, false);
    typeTicket("5", "GJ01", "15000", "5000");
    ui::click(f.cmdUpdate);
    EXPECT_EQ(host.modalsShown(), QStringList{"previewprint"});
    EXPECT_EQ(captions("prnvarprint", "Label1"), (Captions{{14, "X"}, {15, "X"}, {16, "X"}}));
    const Captions values = captions("prnvarprint", "Label2");
    EXPECT_EQ(values.at(9), "  ");
    EXPECT_EQ(values.at(10), "  ");
    EXPECT_EQ(values.at(15), " 10000");
    EXPECT_EQ(count("emp"), 0);
}

TEST_F(ManualForm, ReportTicketPrintsTheStoredTicketWithTheTypedNumber)
{
    storeTicket(57, "MH12AB1234", 20000, 6000, 3, "04/03/2024", "08:00", "04/03/2024", "08:40");
    struct Case {
        QString number;
        int rows;
    } cases[] = {{"57", 1}, {"58", 0}, {"", 0}, {"5x", 0}};
    manual &f = open(false, true);
    form1->lblLabels(17).setCaption("  MAIN CO  ");
    form1->lblLabels(16).setCaption(" Main Road ");
    f.lblLabels(17).setCaption("OWN HEADING");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number.toStdString());
        prepare({Sql("delete from slip"), Sql("insert into slip (num, truckno) values (1, 'OLD')")});
        host.clearRecords();
        f.num.setText("");
        typeTicket(c.number, "TYPED01", "9999", "1111", "500");
        ui::click(f.cmdUpdate);
        EXPECT_EQ(host.modalsShown(), QStringList{"preview"});
        ASSERT_EQ(count("slip"), c.rows);
        if (c.rows == 0)
            continue;
        QSqlQuery q = query("select num, truckno, grosswt, tarewt, rupee, compnm, address, city from slip");
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 57);
        EXPECT_EQ(q.value(1).toString(), "MH12AB1234") << "the stored row, not the typed one";
        EXPECT_EQ(q.value(2).toDouble(), 20000);
        EXPECT_EQ(q.value(3).toDouble(), 6000);
        EXPECT_EQ(q.value(4).toString(), "0");
        EXPECT_EQ(q.value(5).toString(), "MAIN CO") << "the main screen's heading, trimmed";
        EXPECT_EQ(q.value(6).toString(), "Main Road");
        EXPECT_EQ(q.value(7).toString(), "Halol, Dist. Panchmahal, Gujarat");
    }
    EXPECT_EQ(count("emp"), 1);
}

TEST_F(ManualForm, AfterPrintingTheFormClearsAndProposesTheNextNumber)
{
    manual &f = open(true, true);
    // Nothing is stored, so the number moves only when the main screen
    // stores a ticket.
    for (const char *next : {"1", "1", "42"}) {
        SCOPED_TRACE(next);
        if (QString(next) == "42")
            storeTicket(41, "GJ01", 20000, 0, 1);
        typeTicket("900", "GJ01", "15000", "5000");
        f.lblLabels(14).setCaption("");
        ui::click(f.cmdUpdate);
        EXPECT_EQ(f.num.Text(), next);
        EXPECT_EQ(f.ActiveControl(), &f.num);
        EXPECT_EQ(f.num.SelLength(), f.num.Text().size()) << "the whole number is selected";
        for (TextEditable *t : std::initializer_list<TextEditable *>{
                 &f.Combo1, &f.Combo2, &f.Combo3, &f.Combo4, &f.txtFields(2), &f.txtFields(3), &f.txtFields(4),
                 &f.txtFields(5), &f.txtFields(6), &f.txtFields(8), &f.txtFields(9), &f.txtFields(0)})
            EXPECT_EQ(t->Text(), "") << t->fullName().toStdString();
        EXPECT_EQ(f.lblLabels(14).Caption(), " ");
        EXPECT_EQ(f.lblLabels(15).Caption(), " ");
        f.num.setText("");
    }
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(count("emp"), 1);
}

TEST_F(ManualForm, EnterWalksTheFieldsToTheSaveButton)
{
    manual &f = open(true, true);
    ui::focus(f.num);
    const std::vector<std::pair<Control *, QString>> chain{
        {&f.num, "3"},           {&f.Combo4, "GJ01"},        {&f.Combo2, ""},          {&f.Combo1, ""},
        {&f.Combo3, ""},         {&f.txtFields(2), "15000"}, {&f.txtFields(3), ""},    {&f.txtFields(9), ""},
        {&f.txtFields(4), "500"}, {&f.txtFields(5), ""},     {&f.txtFields(0), ""},    {&f.txtFields(8), "20"},
    };
    for (const auto &[control, text] : chain) {
        ASSERT_EQ(f.ActiveControl(), control) << control->fullName().toStdString();
        ui::type(f, text);
        ui::press(f, Key::Enter);
    }
    EXPECT_EQ(f.ActiveControl(), &f.cmdUpdate);
    EXPECT_TRUE(host.modalsShown().isEmpty()) << "Enter moves on; only the button saves";

    ui::press(f, Key::F8);
    ui::press(f, Key::F12);
    EXPECT_TRUE(f.visible()) << "the function keys named on the buttons are not handled";
    ui::press(f, Key::Enter);
    EXPECT_EQ(host.modalsShown(), QStringList{"previewplain"}) << "Enter on the focused button saves";
}

TEST_F(ManualForm, CloseUnloadsWithoutSavingAndTheWindowStaysMaximized)
{
    manual &f = open(true, true);
    f.setWindowState(WindowState::Normal);
    EXPECT_EQ(f.WindowState(), WindowState::Maximized);
    f.setWindowState(WindowState::Minimized);
    EXPECT_EQ(f.WindowState(), WindowState::Minimized);

    const Captions before = captions("prnvarplain", "Label2");
    typeTicket("3", "GJ01", "15000", "5000");
    ui::click(f.cmdClose);
    EXPECT_FALSE(f.loaded());
    EXPECT_TRUE(host.modalsShown().isEmpty());
    EXPECT_EQ(captions("prnvarplain", "Label2"), before);
    EXPECT_TRUE(form1->visible());
}

} // namespace
