// The range delete: the proposed range, the question, the inclusive bounds
// and the keys that lead from box to box.
#include "support/office.h"

#include "weighing/frmdelete.h"

using namespace vb;

namespace {

class RangeDelete : public Office
{
protected:
    // Tickets 1 to count, then the main screen.
    void storeTickets(int count)
    {
        for (int n = 1; n <= count; ++n)
            storeTicket(n, "MH12", 20000, 8000, 3);
    }
    // Opens the form as the password gate does and acts inside it.
    void withForm(const std::function<void(frmdelete &)> &act)
    {
        host.onModal("frmdelete", [act](Form &f) { act(static_cast<frmdelete &>(f)); });
        app().dispatch([] { app().form(frmdelete::Name).Show(true); });
    }
    static void range(frmdelete &d, const QString &start, const QString &end)
    {
        d.Text1.setText(start);
        d.Text2.setText(end);
    }
    std::vector<int> stored()
    {
        std::vector<int> out;
        Recordset rs;
        rs.Open("select num from emp order by num", aminv::dbConn(), 3, 3, -1);
        for (; !rs.Eof(); rs.MoveNext())
            out.push_back(rs.Fields("num").Value().toInt());
        rs.Close();
        return out;
    }
    static std::vector<int> numbers(int from, int to, std::initializer_list<int> except = {})
    {
        std::vector<int> out;
        for (int n = from; n <= to; ++n)
            if (std::find(except.begin(), except.end(), n) == except.end())
                out.push_back(n);
        return out;
    }
};

TEST_F(RangeDelete, ProposesTheWholeTable)
{
    storeTicket(4, "MH12", 20000, 8000, 3);
    storeTicket(17, "MH12", 20000, 8000, 3);
    start();
    withForm([&](frmdelete &d) {
        EXPECT_EQ(d.Caption(), "Delete Ticket");
        EXPECT_EQ(d.Text1.Text(), "4");
        EXPECT_EQ(d.Text2.Text(), "17");
        EXPECT_EQ(d.ActiveControl(), &d.Text1);
    });
    EXPECT_FALSE(aminv::mainRs().isOpen());
}

TEST_F(RangeDelete, DeletesTheInclusiveRangeAfterYes)
{
    struct Case {
        const char *start, *end;
        std::vector<int> left;
    } cases[] = {
        {"5", "8", numbers(1, 20, {5, 6, 7, 8})},
        {"9", "3", numbers(1, 20)},          // start above end: nothing
        {"12abc", " 14", numbers(1, 20, {12, 13, 14})}, // the leading number
        {"20", "20", numbers(1, 19)},
        {"18' or 1=1 --", "18", numbers(1, 20, {18})},
    };
    start();
    for (const Case &c : cases) {
        prepare({Sql("delete from emp")});
        for (int n = 1; n <= 20; ++n)
            storeTicket(n, "MH12", 20000, 8000, 3);
        host.clearRecords();
        withForm([&](frmdelete &d) {
            range(d, c.start, c.end);
            ui::click(d.OKButton);
            EXPECT_FALSE(d.loaded()) << c.start;
        });
        ASSERT_EQ(host.boxes().size(), 1u);
        EXPECT_EQ(host.boxes()[0].prompt, "Are you sure to delete this series");
        EXPECT_EQ(host.boxes()[0].buttons, Msg::YesNo);
        EXPECT_EQ(stored(), c.left) << c.start << " to " << c.end;
    }
}

TEST_F(RangeDelete, NoKeepsEverythingAndTheFormOpen)
{
    storeTickets(20);
    start();
    withForm([&](frmdelete &d) {
        range(d, "5", "8");
        host.answerMsg(Msg::No);
        ui::click(d.OKButton);
        EXPECT_TRUE(d.loaded());
        EXPECT_EQ(d.Text1.Text(), "5");
        EXPECT_EQ(d.Text2.Text(), "8");
        ui::click(d.CancelButton);
        EXPECT_FALSE(d.loaded());
    });
    EXPECT_EQ(stored(), numbers(1, 20));
    EXPECT_EQ(host.boxTexts(), QStringList{"Are you sure to delete this series"}) << "Cancel asks nothing";
}

TEST_F(RangeDelete, AnEmptyTableProposesOneToOne)
{
    start();
    withForm([&](frmdelete &d) {
        EXPECT_EQ(d.Text1.Text(), "1");
        EXPECT_EQ(d.Text2.Text(), "1");
        ui::click(d.OKButton);
        EXPECT_FALSE(d.loaded());
    });
    EXPECT_TRUE(stored().empty());
}

TEST_F(RangeDelete, EnterLeadsFromBoxToBoxToTheQuestion)
{
    storeTickets(20);
    start();
    withForm([&](frmdelete &d) {
        ui::focus(d.Text1);
        ui::press(d, Key::End);
        ui::type(d, "0"); // "10"
        ui::press(d, Key::Enter);
        EXPECT_EQ(d.ActiveControl(), &d.Text2);
        EXPECT_EQ(d.Text1.Text(), "10") << "Enter leaves the text as it is";
        ui::press(d, Key::Enter);
        EXPECT_EQ(d.ActiveControl(), &d.OKButton);
        EXPECT_TRUE(host.boxes().empty());
        ui::press(d, Key::Enter);
        EXPECT_FALSE(d.loaded());
    });
    EXPECT_EQ(host.boxTexts(), QStringList{"Are you sure to delete this series"});
    EXPECT_EQ(stored(), numbers(1, 9));
}

TEST_F(RangeDelete, TheNextNewTicketFollowsTheHighestLeft)
{
    storeTickets(20);
    Form1 &f = start();
    EXPECT_EQ(f.num.Text(), "21");
    withForm([&](frmdelete &d) {
        range(d, "15", "20");
        ui::click(d.OKButton);
    });
    EXPECT_EQ(f.num.Text(), "21") << "the main screen is not refreshed";
    ui::focus(f.Combo4);
    ui::press(f, Key::Esc);
    EXPECT_EQ(f.num.Text(), "15");
}

TEST_F(RangeDelete, ABoxWithoutANumberIsRefused)
{
    storeTickets(20);
    start();
    struct Case {
        const char *start, *end, *message;
        bool startBox; // the box that gets the focus back
    } cases[] = {
        {"", "3", "Start No must be a number", true},
        {"x", "3", "Start No must be a number", true},
        {"5", "", "End No must be a number", false},
        {"5", " abc", "End No must be a number", false},
        {"  ", "-", "Start No must be a number", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.start) + " to " + c.end);
        host.clearRecords();
        withForm([&](frmdelete &d) {
            range(d, c.start, c.end);
            ui::click(d.OKButton);
            EXPECT_TRUE(d.loaded()) << "the form stays open";
            EXPECT_EQ(d.ActiveControl(), c.startBox ? &d.Text1 : &d.Text2);
            EXPECT_EQ(d.Text1.Text(), c.start);
            EXPECT_EQ(d.Text2.Text(), c.end);
            ui::click(d.CancelButton);
        });
        EXPECT_EQ(host.boxTexts(), QStringList{c.message}) << "no question for a range that is not one";
        EXPECT_EQ(stored(), numbers(1, 20));
    }
}

} // namespace
