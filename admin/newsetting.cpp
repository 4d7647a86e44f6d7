#include "newsetting.h"

#include "database/database.h"
#include "runtime/convert.h"

using namespace vb;

newsetting::newsetting() : newsetting(Name) {}

newsetting::newsetting(const QString &name) : setting(name)
{
    Option1.add(2, &Frame8);
    Option1.add(3, &Frame8);
    Option1.add(4, &Frame6);
    Option1.add(5, &Frame6);
    lblLabels.add(0, &Frame7);
    layout();
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void newsetting::layout()
{
    Move(0, 0, 9360, 7080);

    // The company frame grows a row for the indicator port.
    place(Frame7, 120, 120, 9120, 2880);
    lblLabels(0).setCaption("Comport No");
    place(lblLabels(0), 240, 2240, 1200, 300);
    place(Text3, 1560, 2200, 900, 345);
    optionFrame(Frame8, QString(), {2640, 2060, 2640, 600}, Option1(2), "USB", Option1(3), "Serial", 1, true);

    // Four choices side by side: the two of `setting` move down.
    place(Frame1, 120, 3120, 2160, 1080);
    place(Frame3, 2440, 3120, 2160, 1080);
    optionFrame(Frame2, "Oral Option", {4760, 3120, 2160, 1080}, Option2(0), "Yes", Option2(1), "No");
    optionFrame(Frame4, "Rupees Option", {7080, 3120, 2160, 1080}, Option4(0), "Public", Option4(1), "Industries");

    Frame5.setCaption("Manual Weight Option ");
    place(Frame5, 120, 4320, 4440, 840);
    Check1.setCaption("Tare");
    place(Check1, 240, 360, 1800, 300);
    Check2.setCaption("Gross");
    place(Check2, 2280, 360, 1800, 300);

    optionFrame(Frame6, "Printing ", {4680, 4320, 4560, 840}, Option1(4), "Lpt", Option1(5), "USB", 0, true);

    Command1.setCaption("Design");
    place(Command1, 120, 5400, 1320, 420);
    Command2.setCaption("Manual");
    place(Command2, 1560, 5400, 1320, 420);
    place(OKButton, 6480, 5400, 1320, 420);
    place(CancelButton, 7920, 5400, 1320, 420);

    setTabOrder({&Text1, &Text3, &Check1, &Check2, &Command1, &Command2, &OKButton, &CancelButton});
}

QRect newsetting::machineTypeRow(int width)
{
    const int grow = 660;
    lblLabels.add(2, &Frame7);
    place(Frame7, 120, 120, 9120, 2880 + grow);
    lblLabels(2).setCaption("Mach. Typ");
    place(lblLabels(2), 240, 2900, 1200, 300);
    for (vb::Control *c : std::initializer_list<vb::Control *>{&Frame1, &Frame3, &Frame2, &Frame4, &Frame5, &Frame6,
                                                               &Command1, &Command2, &OKButton, &CancelButton})
        c->setTop(c->Top() + grow);
    setHeight(Height() + grow);
    return QRect(1560, 2720, width, 600);
}

bool newsetting::isPortNumber(const QString &text)
{
    const double port = roundHalfEven(val(text));
    return port >= 1 && port <= 255;
}

void newsetting::showSettings(const SettingsRow &row)
{
    setting::showSettings(row);
    auto has = [](const QVariant &v) { return !v.isNull(); };
    auto yes = [](const QVariant &v) { return boolOf(v); };

    if (has(row.comport))
        Text3.setText(textOf(row.comport));
    if (has(row.oral))
        Option2(yes(row.oral) ? 0 : 1).setValue(true);
    if (has(row.publicMode))
        Option4(yes(row.publicMode) ? 0 : 1).setValue(true);

    if (has(row.mweight)) {
        const double w = numberOf(row.mweight);
        // Tare counts 1, gross 2; other values keep the design state.
        if (w == 0 || w == 1 || w == 2 || w == 3) {
            Check1.setValue(w == 1 || w == 3 ? 1 : 0);
            Check2.setValue(w == 2 || w == 3 ? 1 : 0);
        }
    }

    // A False value selects nothing, so the design choice ("Serial", "Lpt")
    // stays; with both printer flags True "USB" ends up selected.
    if (has(row.musb) && yes(row.musb))
        Option1(2).setValue(true);
    if (has(row.prnlpt) && yes(row.prnlpt))
        Option1(4).setValue(true);
    if (has(row.prnusb) && yes(row.prnusb))
        Option1(5).setValue(true);
}

void newsetting::blankRule()
{
    setting::blankRule();
    // A port the main screen could not open is stored as port 1, as a
    // blank one is; the box shows it.
    if (!isPortNumber(Text3.Text()))
        Text3.setText("1");
}

void newsetting::storeSettings(Recordset &row)
{
    setting::storeSettings(row);
    row.setField("comport", val(Text3.Text()));
    row.setField("musb", Option1(2).Value());
    row.setField("oral", Option2(0).Value());
    row.setField("public", Option4(0).Value());
    row.setField("prnlpt", Option1(4).Value());
    row.setField("prnusb", Option1(5).Value());
    row.setField("mweight", (Check1.Value() ? 1 : 0) + (Check2.Value() ? 2 : 0));
}

void newsetting::Command1_Click()
{
    // The designer follows the options as they stand on the form.
    if (Option1(0).Value())
        app().form(Option3(0).Value() ? "reportplain" : "reportprint").Show(m_toolsModal);
    else
        MsgBox("in windows format plz change in crystal report");
}

void newsetting::Command2_Click() { app().form("manual").Show(m_toolsModal); }
