// The earlier edition's manual ticket form: a report-file ticket takes the
// stored row and this form's own company heading.
#include "quilletoffice.h"

#include "weighing/manual.h"

using namespace vb;

namespace {

class EarlierManualTicket : public QuilletOffice
{
protected:
    manual &open()
    {
        prepare({Sql("update counter set printstyle=?", {false})});
        standIns({"preview"});
        start();
        manual &m = app().form<manual>(manual::Name);
        m.Show(false);
        return m;
    }
    void type(manual &m, const QString &number)
    {
        m.num.setText(number);
        m.Combo4.setText("TYPED TRUCK");
        m.txtFields(2).setText("15000");
        m.txtFields(8).setText("200");
        ui::click(m.cmdUpdate);
    }
};

TEST_F(EarlierManualTicket, WindowStyleCopiesTheStoredRowWithThisFormsHeading)
{
    storeTicket(57, "GJ17TT4521", 18000, 6250, 3);
    manual &m = open();
    EXPECT_EQ(m.lblLabels(17).Caption(), "SHREE BALAJI WEIGHBRIDGE") << "the heading comes from counter";
    m.lblLabels(17).setCaption("  OWN HEADING  ");
    form1->lblLabels(17).setCaption("MAIN SCREEN");
    type(m, "57");
    EXPECT_EQ(host.modalsShown(), QStringList({"preview"}));
    const QString columns = "num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,grossoral,tareoral,grossdt,"
                            "taredt,stage,grosswt,tarewt,netwt,bag,amtword";
    const QStringList stored = rows("select " + columns + " from emp where num=57");
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(rows("select " + columns + ",compnm,address,city from slip"),
              QStringList({stored[0] +
                           "|OWN HEADING|Plot 14, GIDC Estate, Near Highway Check Post|Halol, Dist. Panchmahal, Gujarat"}));
    EXPECT_EQ(rows("select count(*) from emp"), QStringList({"1"})) << "the manual form stores no ticket";
}

TEST_F(EarlierManualTicket, ANumberNotStoredLeavesSlipEmpty)
{
    manual &m = open();
    type(m, "12");
    EXPECT_TRUE(rows("select * from slip").isEmpty());
    EXPECT_EQ(m.num.Text(), "1") << "reset for the next ticket";
}

} // namespace
