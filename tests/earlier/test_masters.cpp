// The earlier edition's master forms, which open modeless: two of them side
// by side, each with its own adding state.
#include "quilletoffice.h"

#include "admin/frmtruck.h"
#include "admin/masters.h"

using namespace vb;

namespace {

class EarlierMasters : public QuilletOffice
{
protected:
    // Opens a master from the main screen's master menu (F3).
    template <class MasterType> MasterType &openMaster(QuilletForm1 &main, const char *item, const char *formName)
    {
        host.pickMenu(item);
        ui::press(main, Key::F3);
        return app().form<MasterType>(formName);
    }
    int truckRows(const QString &name)
    {
        return int(rows(QStringLiteral("select num from truckmast where Name='%1'").arg(name)).size());
    }
};

TEST_F(EarlierMasters, AddOnOneMasterFormLeavesTheOtherAsItWas)
{
    QuilletForm1 &main = start();
    frmtruck &truck = openMaster<frmtruck>(main, "mtruck", frmtruck::Name);
    frmmaterial &material = openMaster<frmmaterial>(main, "mmate", frmmaterial::Name);
    ASSERT_TRUE(truck.visible() && !truck.modal());
    ASSERT_TRUE(material.visible() && !material.modal());
    ASSERT_EQ(material.txtFields(2).Text(), "Sand");
    ASSERT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();

    // 1. Add on the truck form.
    ui::click(truck.cmdAdd);
    EXPECT_EQ(truck.num.Text(), "5");
    EXPECT_TRUE(truck.addMode);
    EXPECT_FALSE(material.addMode);

    // 2. Next on the material form, from its name box: the next material,
    // no duplicate check.
    ui::focus(material.txtFields(2));
    ui::click(material.cmdNext);
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(material.num.Text(), "2");
    EXPECT_EQ(material.txtFields(2).Text(), "Coal");
    EXPECT_TRUE(truck.addMode) << "the truck form is still adding";

    // 3. A truck name in use, typed on the truck form and saved: the
    // duplicate check runs and nothing is stored.
    ui::typeInto(truck.txtFields(2), "GJ17TT4521");
    ui::click(truck.cmdUpdate);
    EXPECT_EQ(host.boxTexts(), (QStringList{"Duplicate Name", "You must enter name"}));
    EXPECT_EQ(truckRows("GJ17TT4521"), 1);
    EXPECT_EQ(rows("select count(*) from truckmast"), QStringList{"4"});

    // A new name is stored under the next number.
    host.clearRecords();
    ui::typeInto(truck.txtFields(2), "GJ20KK1100");
    ui::click(truck.cmdUpdate);
    EXPECT_TRUE(host.boxTexts().isEmpty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(rows("select num from truckmast where Name='GJ20KK1100'"), QStringList{"5"});
    EXPECT_EQ(material.txtFields(2).Text(), "Coal");
}

} // namespace
