#pragma once
// What the forms that show a ticket in the main screen's controls (the
// main screen, the manual ticket form and the earlier edition's main
// screen) do alike.
#include "runtime/control.h"
#include "runtime/convert.h"
#include "runtime/form.h"

// Fills the four name lists from the masters, each in table order.
void fillNameLists(vb::ComboBox &truck, vb::ComboBox &receiver, vb::ComboBox &material,
                   vb::ComboBox &supplier);
template <class TicketForm> void fillNameLists(TicketForm &f)
{
    fillNameLists(f.Combo4, f.Combo2, f.Combo1, f.Combo3);
}

// Before a save no text stays empty: one blank, the amount "0". The weights
// go first: their change handler stamps or clears dates and times that the
// later fills cover.
template <class TicketForm> void fillBlanks(TicketForm &f)
{
    for (vb::TextEditable *box : std::initializer_list<vb::TextEditable *>{
             &f.Combo2, &f.Combo1, &f.Combo3, &f.txtFields(2), &f.txtFields(4), &f.txtFields(3),
             &f.txtFields(5), &f.txtFields(9), &f.txtFields(0), &f.txtFields(6)})
        if (box->Text().isEmpty())
            box->setText(QStringLiteral(" "));
    if (f.txtFields(8).Text().isEmpty())
        f.txtFields(8).setText(QStringLiteral("0"));
    for (vb::Label *mark : {&f.lblLabels(14), &f.lblLabels(15)})
        if (mark->Caption().isEmpty())
            mark->setCaption(QStringLiteral(" "));
}

// The heavier weight is the gross: when the gross is not 0 and the tare is
// heavier, the two exchange, each weight taking its date, time and mark
// along. The dates and times are written after their weight, over the stamps
// its change handler puts in.
template <class TicketForm> void heavierAsGross(TicketForm &f)
{
    const double gross = vb::val(f.txtFields(2).Text());
    if (gross == 0 || vb::val(f.txtFields(4).Text()) <= gross)
        return;
    const QString grossDate = f.txtFields(3).Text();
    const QString grossTime = f.txtFields(9).Text();
    const QString grossMark = f.lblLabels(14).Caption();
    f.txtFields(2).setText(f.txtFields(4).Text());
    f.txtFields(3).setText(f.txtFields(5).Text());
    f.txtFields(9).setText(f.txtFields(0).Text());
    f.lblLabels(14).setCaption(f.lblLabels(15).Caption());
    f.txtFields(4).setText(vb::numText(gross));
    f.txtFields(5).setText(grossDate);
    f.txtFields(0).setText(grossTime);
    f.lblLabels(15).setCaption(grossMark);
}

// The name a weight box's field goes by in a message: "Gross" for
// txtFields(2), "Tare" for txtFields(4), none for the other boxes.
const char *weightField(int index);

// A typed weight that is not a plain number is refused, naming its field:
// the box keeps its text and gets the focus back. True when refused.
bool refuseWeight(vb::TextBox &box, const QString &field);

// On the main screen a weight is typed when its mark says "Oral" (gross
// mark lblLabels(14), tare mark lblLabels(15)). A captured weight, and a
// recalled one stored without the mark, is not checked.
template <class TicketForm> bool markedTyped(const TicketForm &f, int index)
{
    const int mark = index == 2 ? 14 : 15;
    return f.lblLabels(mark).Caption().trimmed() == QLatin1String("Oral");
}

// At the save: the typed weights, gross first, each refused as when its box
// is left. False when one is refused (nothing more is done then).
template <class TicketForm, class Typed> bool typedWeightsPlain(TicketForm &f, Typed typed)
{
    for (int index : {2, 4})
        if (typed(index) && refuseWeight(f.txtFields(index), QString::fromLatin1(weightField(index))))
            return false;
    return true;
}

// Leaving the amount box with no amount (0, empty, or no leading number):
// "you must enter value", the box is cleared and gets the focus back.
template <class TicketForm> void refuseEmptyAmount(TicketForm &f)
{
    if (vb::val(f.txtFields(8).Text()) != 0)
        return;
    vb::MsgBox(QStringLiteral("you must enter value"), vb::Msg::OKOnly);
    f.txtFields(8).setText(QString());
    f.txtFields(8).SetFocus();
}
