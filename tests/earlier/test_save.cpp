// The earlier edition's save (F8): the stored row, the slip copy as the
// only refill, and the print key printing what the last save left.
#include "quilletoffice.h"

using namespace vb;

namespace {

// The ticket's columns that the print copy carries, in the copy's order.
const char *const CopiedColumns =
    "num,truckno,material,grosstime,taretime,rupee,dt,rece,sup,grossoral,tareoral,grossdt,taredt,stage,"
    "grosswt,tarewt,netwt,bag,amtword";

class EarlierSaving : public QuilletOffice
{
protected:
    void SetUp() override
    {
        QuilletOffice::SetUp();
        standIns({"preview", "previewprint", "previewplain"});
    }
    // The report-file ("Window") print style.
    QuilletForm1 &startWindow()
    {
        prepare({Sql("update counter set printstyle=?", {false})});
        return start();
    }
    void ticket(QuilletForm1 &f, const QString &number, const QString &truck)
    {
        ui::focus(f.num);
        f.num.setText(number);
        ui::typeInto(f.Combo4, truck);
    }
    void save(QuilletForm1 &f, bool ok = true)
    {
        confirm(ok);
        ui::press(f, Key::F8);
    }
};

TEST_F(EarlierSaving, WindowStyleCopiesTheStoredRowAndTheCompanyIntoSlip)
{
    QuilletForm1 &f = startWindow();
    f.lblLabels(18).setCaption("  Halol  ");
    ticket(f, "7", "gj17tt4521");
    f.mAuto = false;
    f.txtFields(2).setText("18000");
    f.txtFields(4).setText("6250");
    save(f);
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(host.modalsShown(), QStringList({"msbox", "preview"}));

    const QString columns = QString::fromLatin1(CopiedColumns);
    const QStringList stored = rows("select " + columns + " from emp where num=7");
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored[0].startsWith("7|GJ17TT4521|")) << stored[0].toStdString();
    EXPECT_EQ(rows("select " + columns + ",compnm,address,city from slip"),
              QStringList({stored[0] + "|SHREE BALAJI WEIGHBRIDGE|Plot 14, GIDC Estate, Near Highway Check Post|Halol"}));
    EXPECT_EQ(rows("select bdate, dt from emp where num=7"), QStringList({"2024-03-05|2024-03-05"}));
    EXPECT_EQ(rows("select stage from emp where num=7"), QStringList({"3"}));
}

TEST_F(EarlierSaving, F6PrintsWhatTheLastSaveLeft)
{
    QuilletForm1 &f = startWindow();
    ticket(f, "7", "GJ17TT4521");
    f.txtFields(2).setText("18000");
    save(f);
    const QStringList slip = rows("select * from slip");
    ASSERT_EQ(slip.size(), 1);
    ticket(f, "8", "GJ06AX9087");
    host.clearRecords();
    ui::press(f, Key::F6);
    EXPECT_EQ(host.modalsShown(), QStringList({"preview"}));
    EXPECT_EQ(rows("select * from slip"), slip) << "still ticket 7";
}

TEST_F(EarlierSaving, DosStyleRefillsTheLayoutOnce)
{
    QuilletForm1 &f = start(); // delivered: text ticket on plain paper
    ticket(f, "3", "MP09HG3310");
    f.txtFields(4).setText("11480");
    save(f);
    EXPECT_EQ(host.modalsShown(), QStringList({"msbox", "previewplain"}));
    EXPECT_EQ(rows("select caption from prnvarplain where name='Label2' and \"index\" in (1, 2, 14) order by \"index\""),
              QStringList({"3", "MP09HG3310", " 11480"}));
    EXPECT_TRUE(rows("select * from slip").isEmpty()) << "the other style's data is not written";
}

TEST_F(EarlierSaving, CancelAndAFailedTruckCheckStoreNothing)
{
    QuilletForm1 &f = startWindow();
    ticket(f, "4", "GJ17TT4521");
    save(f, false);
    EXPECT_EQ(f.ActiveControl(), &f.Combo4) << "the focus stays where it was";
    EXPECT_EQ(f.Combo4.Text(), "GJ17TT4521") << "the ticket stays on screen";
    EXPECT_TRUE(rows("select * from emp").isEmpty());

    ticket(f, "4", "");
    EXPECT_TRUE(f.mAuto);
    save(f);
    EXPECT_EQ(host.boxTexts(), QStringList({"you must enter truck no"}));
    EXPECT_FALSE(f.mAuto);
    EXPECT_EQ(f.ActiveControl(), &f.Combo4);
    EXPECT_TRUE(rows("select * from emp").isEmpty());
    EXPECT_FALSE(host.modalsShown().contains("preview"));
}

} // namespace
