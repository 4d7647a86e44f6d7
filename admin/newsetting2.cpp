#include "newsetting2.h"

#include "weighing/aminv.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

const char *const MachTypeQuery = "select * from listvalue  where type='machtyp'";
// Option1 elements of the machine types "1" to "4".
constexpr int FirstMachOption = 6;
constexpr int MachTypes = 4;

} // namespace

newsetting2::newsetting2() : newsetting(Name)
{
    for (int i = 0; i < MachTypes; ++i)
        Option1.add(FirstMachOption + i, &Frame9);
    layout();
}

void newsetting2::layout()
{
    const QRect row = machineTypeRow(7320);
    place(Frame9, row.x(), row.y(), row.width(), row.height());
    const char *captions[MachTypes] = {"Normal", "D2+", "New", "Digital"};
    for (int i = 0; i < MachTypes; ++i) {
        OptionButton &o = Option1(FirstMachOption + i);
        o.setCaption(captions[i]);
        place(o, 120 + i * 1800, 200, 1560, 300);
    }
    Option1(FirstMachOption).setValue(true);
    setTabOrder({&Text1, &Text3, &Check1, &Check2, &Command1, &Command2, &OKButton, &CancelButton});
}

void newsetting2::loadMore()
{
    // A missing row (or one without a value) leaves "Normal" selected.
    machType.clear();
    Recordset &rs = aminv::mainRs();
    rs.Open(MachTypeQuery, aminv::dbConn(), 3, 3, -1);
    if (!rs.Eof() && !rs.value("Name").isNull())
        machType = textOf(rs.value("Name"));
    rs.Close();
    for (int i = 0; i < MachTypes; ++i)
        if (machType == QString::number(i + 1))
            Option1(FirstMachOption + i).setValue(true);
}

void newsetting2::saveMore()
{
    for (int i = 0; i < MachTypes; ++i)
        if (Option1(FirstMachOption + i).Value())
            machType = QString::number(i + 1);

    // The row is only updated here; the main screen adds it when missing.
    Recordset &rs = aminv::mainRs();
    rs.Open(MachTypeQuery, aminv::dbConn(), 3, 3, -1);
    if (!rs.Eof()) {
        Recordset &aux = aminv::auxRs();
        aux.Open(MachTypeQuery, aminv::dbConn(), 3, 3, -1);
        aux.setField("Name", machType);
        aux.setField("Type", QStringLiteral("machtyp"));
        aux.Update();
        aux.Close();
    }
    rs.Close();
}
