// The earlier edition's ticket list (F5): four columns, no search; sorting
// and Goto as in the current list.
#include "quilletoffice.h"

#include "earlier/quilletticketlist.h"

using namespace vb;

namespace {

class EarlierTicketList : public QuilletOffice
{
protected:
    void withList(const std::function<void(acclocate &)> &act)
    {
        host.onModal("acclocate", [act](Form &f) { act(static_cast<acclocate &>(f)); });
        ui::press(*form1, Key::F5);
    }
};

TEST_F(EarlierTicketList, AnEmptyTableSaysSo)
{
    start();
    bool opened = false;
    withList([&](acclocate &) { opened = true; });
    EXPECT_FALSE(opened);
    EXPECT_EQ(host.boxTexts(), QStringList{" You must enter Ticket Entry"});
    EXPECT_FALSE(aminv::mainRs().isOpen());
}

TEST_F(EarlierTicketList, FourColumnsAndNoSearch)
{
    storeTicket(2, "GJ06AX9087", 20000, 8000, 3);
    storeTicket(10, "GJ17TT4521", 18000, 0, 1);
    start();
    withList([&](acclocate &l) {
        EXPECT_TRUE(dynamic_cast<QuilletTicketList *>(&l));
        EXPECT_EQ(l.Caption(), "Select");
        std::vector<std::tuple<QString, QString, int>> columns;
        for (const ColumnHeader &c : l.ListView1.columns())
            columns.emplace_back(c.key, c.text, c.width);
        EXPECT_EQ(columns, (std::vector<std::tuple<QString, QString, int>>{
                               {"num", "num", 1500}, {"turckno", "truckno", 1500}, {"dt", "dt", 1500},
                               {"item", "item", 1000}}));
        ASSERT_EQ(l.ListView1.count(), 2);
        const ListItem &first = l.ListView1.item(0);
        EXPECT_EQ(first.key, "a 1");
        EXPECT_EQ(first.text, "2");
        EXPECT_EQ(first.subItems, (std::vector<QString>{"GJ06AX9087", "04/03/2024", "Sand"}));
        EXPECT_EQ(l.Text1.Text(), "2");
        for (Control *c : std::initializer_list<Control *>{&l.Combo1, &l.Text2, &l.cmdFind, &l.Command3,
                                                           &l.Label1, &l.Label2})
            EXPECT_FALSE(c->Visible() || c->canTakeFocus()) << c->fullName().toStdString();

        ui::clickColumn(l.ListView1, 1);
        EXPECT_EQ(l.ListView1.item(0).text, "2") << "descending by text: 2 before 10";
        ui::pickRow(l.ListView1, 1);
        EXPECT_EQ(l.Text1.Text(), "10");
        ui::click(l.Command1);
    });
    EXPECT_EQ(form1->num.Text(), "10");
    EXPECT_EQ(form1->Combo4.Text(), "GJ17TT4521");
    EXPECT_EQ(form1->txtFields(2).Text(), "18000");
    EXPECT_EQ(form1->txtFields(3).Text(), "04/03/2024") << "the stored date, not the stamp";
    EXPECT_FALSE(app().form("acclocate").loaded());
}

} // namespace
