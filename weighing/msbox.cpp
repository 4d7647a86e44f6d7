#include "msbox.h"

msbox::msbox() : Form(Name)
{
    setCaption("Varnock");
    Move(0, 0, 5400, 2400);
    Shape1.Move(120, 120, 5040, 1200);
    Shape1.setShapeType(4);
    msgtxt.setCaption("Do You Want To Save");
    msgtxt.setFont("Arial", 14, true);
    msgtxt.setAlignment(2);
    msgtxt.Move(240, 360, 4800, 600);
    OKButton.setCaption("Ok");
    OKButton.setFont("Arial", 12, true);
    OKButton.Move(960, 1500, 1560, 500);
    cmdCancel.setCaption("Cancel");
    cmdCancel.setFont("Arial", 12, true);
    cmdCancel.Move(2880, 1500, 1560, 500);
    OKButton.onClick = [this] { OKButton_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
}

void msbox::OKButton_Click()
{
    stat = 6;
    Unload();
}

void msbox::cmdCancel_Click()
{
    stat = 7;
    Unload();
}
