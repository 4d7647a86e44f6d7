#include "settingsrow.h"

#include "database/database.h"

using namespace vb;

namespace {

SettingsRow take(const Recordset &rs)
{
    auto v = [&](const char *column) { return rs.Fields(QLatin1String(column)).Value(); };
    SettingsRow row;
    row.compnm = v("compnm");
    row.address = v("address");
    row.city = v("city");
    row.marque = v("Marque");
    row.oral = v("oral");
    row.printstyle = v("printstyle");
    row.printformat = v("printformat");
    row.printcopy = v("printcopy");
    row.publicMode = v("public");
    row.mweight = v("mweight");
    row.musb = v("musb");
    row.machtyp = v("machtyp");
    row.prnusb = v("prnusb");
    row.prnlpt = v("prnlpt");
    row.comport = v("comport");
    row.totline = v("totline");
    return row;
}

// Closes the recordset however the read ends.
struct Closing {
    Recordset &rs;
    ~Closing()
    {
        try {
            if (rs.isOpen())
                rs.Close();
        } catch (const RuntimeError &) {
            // The read's own error, if any, is the one to report.
        }
    }
};

} // namespace

std::optional<SettingsRow> readSettingsRow(Recordset &rs, Connection &db, const Sql &query, int lockType)
{
    rs.Open(query, db, CursorType::Static, lockType, -1);
    Closing closing{rs};
    if (rs.Eof())
        return std::nullopt;
    return take(rs);
}

SettingsRow readExistingSettingsRow(Recordset &rs, Connection &db, const Sql &query, int lockType)
{
    rs.Open(query, db, CursorType::Static, lockType, -1);
    Closing closing{rs};
    // At the end of the rows this raises the recordset's error.
    return take(rs);
}
