// The settings row as its one reader gives it: each column into its own
// field, Null kept as Null, and no row told apart from an empty one.
#include "support/office.h"

#include "weighing/settingsrow.h"

using namespace vb;

namespace {

class SettingsRowRead : public OfficeDirectory
{
protected:
    void SetUp() override
    {
        OfficeDirectory::SetUp();
        db.Open(QString::fromLatin1(aminv::DefaultConnection), QString(), QString(), -1);
    }
    void TearDown() override
    {
        db.Close();
        OfficeDirectory::TearDown();
    }

    Connection db;
    Recordset rs;
};

struct ColumnCase {
    const char *column;
    QVariant stored;
    QVariant SettingsRow::*field;
    QVariant read; // as the field holds it
};

const ColumnCase columnCases[] = {
    {"compnm", "North Yard Weighbridge", &SettingsRow::compnm, "North Yard Weighbridge"},
    {"address", "Gate 3, Dock Road", &SettingsRow::address, "Gate 3, Dock Road"},
    {"city", "Kandla", &SettingsRow::city, "Kandla"},
    {"Marque", "Drive slowly", &SettingsRow::marque, "Drive slowly"},
    {"oral", 0, &SettingsRow::oral, false},
    {"printstyle", 0, &SettingsRow::printstyle, false},
    {"printformat", 0, &SettingsRow::printformat, false},
    {"printcopy", 4, &SettingsRow::printcopy, 4},
    {"public", 1, &SettingsRow::publicMode, true},
    {"mweight", 2, &SettingsRow::mweight, 2},
    {"musb", 1, &SettingsRow::musb, true},
    {"machtyp", "T7", &SettingsRow::machtyp, "T7"},
    {"prnusb", 0, &SettingsRow::prnusb, false},
    {"prnlpt", 1, &SettingsRow::prnlpt, true},
    {"comport", 9, &SettingsRow::comport, 9},
    {"totline", 33, &SettingsRow::totline, 33},
};

// Every field, for comparing two rows as a whole.
const QVariant SettingsRow::*const allFields[] = {
    &SettingsRow::compnm,    &SettingsRow::address,     &SettingsRow::city,      &SettingsRow::marque,
    &SettingsRow::oral,      &SettingsRow::printstyle,  &SettingsRow::printformat, &SettingsRow::printcopy,
    &SettingsRow::publicMode, &SettingsRow::mweight,    &SettingsRow::musb,      &SettingsRow::machtyp,
    &SettingsRow::prnusb,    &SettingsRow::prnlpt,      &SettingsRow::comport,   &SettingsRow::totline,
};

// Sets one column of the settings row.
void setColumn(Connection &db, const char *column, const QVariant &value)
{
    Command cmd;
    cmd.setActiveConnection(&db);
    cmd.setCommandText(Sql(QStringLiteral("update counter set \"%1\"=?").arg(QLatin1String(column)), {value}));
    cmd.Execute();
}

TEST_F(SettingsRowRead, EachColumnFillsItsOwnField)
{
    // Each column in turn holds a value the delivered row does not; only
    // its own field changes.
    const auto delivered = readSettingsRow(rs, db);
    ASSERT_TRUE(delivered);
    for (const ColumnCase &c : columnCases) {
        SCOPED_TRACE(c.column);
        setColumn(db, c.column, c.stored);

        const auto row = readSettingsRow(rs, db);
        ASSERT_TRUE(row);
        EXPECT_FALSE(rs.isOpen()) << "the reader closes what it opened";
        for (const auto field : allFields) {
            if (field == c.field) {
                EXPECT_NE((*row).*field, (*delivered).*field) << "the case must change the value";
                EXPECT_EQ((*row).*field, c.read);
            } else {
                EXPECT_EQ((*row).*field, (*delivered).*field) << "another field changed";
            }
        }

        setColumn(db, c.column, (*delivered).*c.field);
    }
}

TEST_F(SettingsRowRead, NullStaysNull)
{
    Command cmd;
    cmd.setActiveConnection(&db);
    QStringList columns;
    for (const ColumnCase &c : columnCases)
        columns << QStringLiteral("\"%1\"=null").arg(QLatin1String(c.column));
    cmd.setCommandText(Sql("update counter set " + columns.join(", ")));
    cmd.Execute();

    const auto row = readSettingsRow(rs, db);
    ASSERT_TRUE(row) << "a row of Nulls is a row";
    for (const auto field : allFields)
        EXPECT_TRUE(((*row).*field).isNull());
    EXPECT_TRUE(readExistingSettingsRow(rs, db).compnm.isNull());
}

TEST_F(SettingsRowRead, WithoutTheRowThereIsNone)
{
    Command cmd;
    cmd.setActiveConnection(&db);
    cmd.setCommandText(Sql("delete from counter"));
    cmd.Execute();

    EXPECT_FALSE(readSettingsRow(rs, db));
    EXPECT_FALSE(rs.isOpen());
    // The readers that take the row as it stands get the recordset's error.
    try {
        readExistingSettingsRow(rs, db);
        FAIL() << "a missing row was read";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), 3021) << e.description().toStdString();
    }
    EXPECT_FALSE(rs.isOpen()) << "closed after the failed read, so the recordset can open again";
}

TEST_F(SettingsRowRead, TheSettingsFormsQueryAndAReadOnlyCursorReadTheSameRow)
{
    const auto plain = readSettingsRow(rs, db);
    const auto spaced = readSettingsRow(rs, db, "select  * from counter");
    const SettingsRow readOnly = readExistingSettingsRow(rs, db, SettingsQuery, LockType::ReadOnly);
    ASSERT_TRUE(plain && spaced);
    for (const auto field : allFields) {
        EXPECT_EQ((*plain).*field, (*spaced).*field);
        EXPECT_EQ((*plain).*field, readOnly.*field);
    }
}

} // namespace
