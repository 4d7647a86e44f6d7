// The earlier edition's start-up: the fixed connection string, no
// "constr.txt", and a start that goes on without a database.
#include "quilletoffice.h"

using namespace vb;

namespace {

using EarlierStartUp = QuilletOffice;

TEST_F(EarlierStartUp, IgnoresConstrTxtAndWritesNone)
{
    {
        // A connection file naming another database with other settings.
        ASSERT_TRUE(QFile::copy("wt.mdb", "office.mdb"));
        Connection c;
        c.Open("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=office.mdb");
        c.run(Sql("update counter set compnm='OTHER OFFICE'"));
        c.Close();
        QFile f("constr.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("DRIVER={Microsoft Access Driver (*.mdb)}; DBQ=office.mdb\r\n");
    }
    QuilletForm1 &f = start();
    EXPECT_TRUE(host.boxes().empty()) << host.boxTexts().join("; ").toStdString();
    EXPECT_EQ(f.lblLabels(17).Caption(), "SHREE BALAJI WEIGHBRIDGE") << "wt.mdb, not the file's database";
    EXPECT_TRUE(QFileInfo(aminv::dbConn().fileName()).fileName() == "wt.mdb");
    QFile::remove("constr.txt");
    f.Unload();
    start();
    EXPECT_FALSE(QFile::exists("constr.txt")) << "no connection file is written";
}

TEST_F(EarlierStartUp, WithoutTheDatabaseTheScreenOpensAfterOneErrorBox)
{
    QFile::remove("wt.mdb");
    QuilletForm1 *f = nullptr;
    ASSERT_NO_THROW(f = &start());
    EXPECT_TRUE(f->visible());
    EXPECT_FALSE(f->modal());
    ASSERT_EQ(host.boxes().size(), 1u) << host.boxTexts().join("; ").toStdString();
    EXPECT_TRUE(host.boxes()[0].prompt.startsWith("Could not find the database file 'wt.mdb'"))
        << "the box names the missing file: " << host.boxes()[0].prompt.toStdString();
    EXPECT_TRUE(aminv::connected()) << "the shared objects exist, with the connection closed";
    EXPECT_FALSE(aminv::dbConn().isOpen());
    EXPECT_FALSE(QFile::exists("wt.mdb")) << "no empty database is made in its place";
    EXPECT_EQ(f->Combo1.ListCount(), 0);
}

} // namespace

TEST_F(EarlierStartUp, LacksTheCurrentSettingsFormAndTheReprint)
{
    EXPECT_FALSE(vb::app().hasForm("newsetting2"));
    EXPECT_FALSE(vb::app().hasForm("printdupno"));
    EXPECT_TRUE(vb::app().hasForm("frmDataEnv"));
}
