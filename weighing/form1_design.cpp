// Form1's design: the controls' places, captions, fonts and colours, the
// popup menus, the indicator ports' line settings and the tab order, as the
// constructor sets them before any event is wired.
#include "form1.h"

// The report and master menus, as the main screen and the manual form
// both carry them.
void fillPopupMenus(vb::Menu &pl, vb::Menu &mast)
{
    pl.addItem("snw", "Serial No Wise");
    pl.addItem("dw", "Date Wise");
    pl.addItem("mw", "Material Wise");
    pl.addItem("sw", "Supplier Wise");
    pl.addItem("vw", "Vehical Wise");
    pl.addItem("rw", "Receiver Wise");
    pl.addItem("dupslip", "Duplicate Slip");
    mast.addItem("mtruck", "Truck ");
    mast.addItem("mrece", "Receiver");
    mast.addItem("mmate", "Material");
    mast.addItem("msup", "Supplier");
    mast.addItem("intg", "Intigrate");
}

// The company heading: name, address and city, centred across the top.
void placeCompanyHeading(vb::ControlArray<vb::Label> &lblLabels, const QString &face)
{
    struct Heading {
        int index, top, height;
        double size;
    } headings[] = {{17, 120, 720, 28}, {16, 840, 420, 14}, {18, 1260, 420, 14}};
    for (auto h : headings) {
        vb::Label &l = lblLabels(h.index);
        l.Move(240, h.top, 18720, h.height);
        l.setFont(face, h.size, true);
        l.setAlignment(2);
    }
}

using namespace vb;

void Form1::layout()
{
    setCaption("Varnock");
    setWindowState(WindowState::Maximized);
    Move(0, 0, 19200, 10800);
    setBackColor(NewTicketColour);
    setKeyPreview(true);

    const QString face = QStringLiteral("Arial");
    auto caption = [&](int i, const QString &text, int left, int top, int width) {
        Label &l = lblLabels(i);
        l.setCaption(text);
        l.Move(left, top, width, 420);
        l.setFont(face, 14, true);
        l.setTransparent(true);
    };
    lblLabels.forEach([](Label &l) { l.setVisible(false); });
    for (int i : {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 7, 14, 15, 16, 17, 18})
        lblLabels(i).setVisible(true);

    placeCompanyHeading(lblLabels, face);
    lblLabels(17).setCaption("Company Name");
    lblLabels(16).setCaption("Address");
    lblLabels(18).setCaption("City");
    // The banner that scrolls right to left.
    Label &banner = lblLabels(7);
    banner.setCaption("");
    banner.Move(19200, 1800, 14400, 480);
    banner.setFont(face, 16, true);
    banner.setForeColor(0x000080);
    banner.setTransparent(true);

    // Ticket fields, one row each, on the left.
    const int labelLeft = 360, boxLeft = 2760, rowTop = 2640, step = 600, boxH = 450;
    caption(0, "Ticket No. :", labelLeft, rowTop, 2300);
    num.Move(boxLeft, rowTop - 30, 1800, boxH);
    caption(1, "Truck No. :", labelLeft, rowTop + step, 2300);
    Combo4.Move(boxLeft, rowTop + step - 30, 3600, boxH);
    // In the order Enter walks them: truck, receiver, material, supplier.
    caption(6, "Receiver :", labelLeft, rowTop + 2 * step, 2300);
    Combo2.Move(boxLeft, rowTop + 2 * step - 30, 3600, boxH);
    caption(5, "Material :", labelLeft, rowTop + 3 * step, 2300);
    Combo1.Move(boxLeft, rowTop + 3 * step - 30, 3600, boxH);
    caption(8, "Supplier :", labelLeft, rowTop + 4 * step, 2300);
    Combo3.Move(boxLeft, rowTop + 4 * step - 30, 3600, boxH);

    const int wTop = rowTop + 5 * step + 240;
    caption(2, "Gross :", labelLeft, wTop, 2300);
    txtFields(2).Move(boxLeft, wTop - 30, 1800, boxH);
    lblLabels(14).Move(4620, wTop, 900, 420);
    caption(10, "On Date :", 5520, wTop, 1500);
    txtFields(3).Move(7020, wTop - 30, 1800, boxH);
    caption(9, "Time :", 8940, wTop, 1000);
    txtFields(9).Move(9960, wTop - 30, 1100, boxH);

    caption(3, "Tare :", labelLeft, wTop + step, 2300);
    txtFields(4).Move(boxLeft, wTop + step - 30, 1800, boxH);
    lblLabels(15).Move(4620, wTop + step, 900, 420);
    caption(13, "On Date :", 5520, wTop + step, 1500);
    txtFields(5).Move(7020, wTop + step - 30, 1800, boxH);
    caption(12, "Time :", 8940, wTop + step, 1000);
    txtFields(0).Move(9960, wTop + step - 30, 1100, boxH);

    caption(4, "Net :", labelLeft, wTop + 2 * step, 2300);
    txtFields(6).Move(boxLeft, wTop + 2 * step - 30, 1800, boxH);
    caption(11, "Rupees :", labelLeft, wTop + 3 * step, 2300);
    txtFields(8).Move(boxLeft, wTop + 3 * step - 30, 1800, boxH);
    for (Label *l : {&lblLabels(14), &lblLabels(15)}) {
        l->setCaption("");
        l->setFont(face, 12, true);
        l->setForeColor(0x0000C0);
        l->setTransparent(true);
    }
    for (TextBox *t : {&num, &txtFields(2), &txtFields(3), &txtFields(9), &txtFields(4), &txtFields(5),
                       &txtFields(0), &txtFields(6), &txtFields(8)})
        t->setFont(face, 14, true);
    for (ComboBox *c : {&Combo4, &Combo1, &Combo2, &Combo3})
        c->setFont(face, 14, true);

    // The live weight, in digits read from across the room.
    Label1.setCaption("8888");
    Label1.Move(11400, 2520, 7440, 2400);
    Label1.setFont(QStringLiteral("DejaVu Sans Mono"), 84, true);
    Label1.setAlignment(2);
    Label1.setBackColor(0x000000);
    Label1.setForeColor(0x00FF00);
    Label1.setToolTipText("Live weight (kg)");

    // The receive box sits mostly off the form's left edge.
    Text1.Move(-1800, 10200, 1920, 300);
    Text1.setTabStop(false);

    Frame1.setCaption("Weight");
    Frame1.Move(11400, 5160, 4200, 1260);
    Frame1.setFont(face, 12, true);
    Option1(0).setCaption("Gross");
    Option1(0).Move(240, 420, 1700, 600);
    Option1(1).setCaption("Tare");
    Option1(1).Move(2100, 420, 1700, 600);
    Option1.forEach([&](OptionButton &o) { o.setFont(face, 14, true); });
    ToggleButton1.setCaption("Auto");
    ToggleButton1.setValue(true);
    ToggleButton1.Move(15960, 5280, 2880, 1140);
    ToggleButton1.setFont(face, 20, true);

    // The function-key row along the bottom.
    struct Key {
        CommandButton *button;
        const char *caption;
    } keys[] = {{&Command3, "F1 Calc. "},   {&Command1, "F2 Report "}, {&Command2, "F3 Master"},
                {&cmdDelete, "F4 Delete"},  {&cmdLocate, "F5 List...."}, {&cmdPrint, "F6 Ticket"},
                {&cmdSetting, "F7 Setting"}, {&cmdUpdate, "F8 Save.."},  {&cmdClose, "F12 Close"}};
    int left = 360;
    for (auto &k : keys) {
        k.button->setCaption(k.caption);
        k.button->Move(left, 9240, 1980, 720);
        k.button->setFont(face, 12, true);
        left += 2060;
    }

    fillPopupMenus(pl, mast);

    // Indicator ports: fixed line settings of each machine type.
    MSComm1.setSettings("9600,n,8,1");
    MSComm1.setInputMode(1);
    MSComm1.setInBufferSize(500);
    MSComm1.setOutBufferSize(512);
    MSComm2.setSettings("9600,n,8,1");
    MSComm2.setInputMode(0);
    MSComm2.setInBufferSize(1024);
    MSComm2.setOutBufferSize(512);
    MSComm3.setSettings("2400,n,8,1");
    MSComm3.setInputMode(0);
    MSComm3.setInBufferSize(1024);
    MSComm3.setOutBufferSize(512);
    // A port that loses its device, or finds none at load, is opened again
    // by itself once the device is there.
    for (CommControl *c : {&MSComm1, &MSComm2, &MSComm3}) {
        c->setParityReplace("?");
        c->setReopen(true);
    }

    // Tab order: the ticket number first, so the screen opens on a new
    // ticket, then the ticket fields, then the keys.
    int tab = 0;
    for (Control *c : std::initializer_list<Control *>{
             &num, &Option1(0), &Option1(1), &ToggleButton1, &Combo4, &Combo2, &Combo1, &Combo3,
             &txtFields(2), &txtFields(4), &txtFields(8), &txtFields(3), &txtFields(9), &txtFields(5),
             &txtFields(0), &txtFields(6), &Command3, &Command1, &Command2, &cmdDelete, &cmdLocate,
             &cmdPrint, &cmdSetting, &cmdUpdate, &cmdClose, &Text1})
        c->setTabIndex(tab++);
}
