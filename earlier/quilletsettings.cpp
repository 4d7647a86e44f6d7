#include "quilletsettings.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

namespace {

// The company lines are ordinary settings in this edition.
void enableCompany(TextBox &name, TextBox &address, TextBox &city)
{
    for (TextBox *t : {&name, &address, &city})
        t->setEnabled(true);
}

void storeCompany(Recordset &row, const TextBox &name, const TextBox &address, const TextBox &city)
{
    row.setField("compnm", name.Text());
    row.setField("address", address.Text());
    row.setField("city", city.Text());
}

// Option1 elements of "Normal" and "T7".
constexpr int NormalOption = 6;
constexpr int T7Option = 7;

} // namespace

QuilletSetting::QuilletSetting()
{
    enableCompany(Text4, Text5, Text6);
    setTabOrder({&Text4, &Text5, &Text6, &Text1, &OKButton, &CancelButton});
}

void QuilletSetting::storeSettings(Recordset &row)
{
    storeCompany(row, Text4, Text5, Text6);
    setting::storeSettings(row);
}

QuilletNewSetting::QuilletNewSetting()
{
    Option1.add(NormalOption, &Frame9);
    Option1.add(T7Option, &Frame9);
    enableCompany(Text4, Text5, Text6);
    m_toolsModal = false;
    layout();
}

void QuilletNewSetting::layout()
{
    optionFrame(Frame9, QString(), machineTypeRow(3720), Option1(NormalOption), "Normal", Option1(T7Option), "T7", 0,
                true);
    setTabOrder({&Text4, &Text5, &Text6, &Text1, &Text3, &Check1, &Check2, &Command1, &Command2, &OKButton,
                 &CancelButton});
}

void QuilletNewSetting::showSettings(const SettingsRow &row)
{
    newsetting::showSettings(row);
    // Without a value the design choice "Normal" stays.
    if (!row.machtyp.isNull())
        Option1(boolOf(row.machtyp) ? NormalOption : T7Option).setValue(true);
}

void QuilletNewSetting::storeSettings(Recordset &row)
{
    storeCompany(row, Text4, Text5, Text6);
    newsetting::storeSettings(row);
    row.setField("machtyp", QString::fromLatin1(Option1(NormalOption).Value() ? Normal : T7));
}
