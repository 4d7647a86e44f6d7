#include "logingate.h"

#include "runtime/convert.h"

LoginGate::LoginGate(Design design) : Form(design.name), m_gate(std::move(design))
{
    setCaption("Login");
    Move(0, 0, 4800, 3000);

    Shape1.setShapeType(4);
    Shape1.Move(120, 120, 4560, 900);
    Shape2.Move(120, 1110, 4560, 1740);

    Label1.setCaption(m_gate.heading);
    Label1.setFont("Arial", 14, true);
    Label1.setAlignment(2);
    Label1.Move(240, 180, 4320, 420);
    Label2.setFont("Arial", 9, true);
    Label2.setAlignment(2);
    Label2.Move(240, 630, 4320, 300);

    lblLabels(0).setCaption("&User Name:");
    lblLabels(0).Move(360, 1320, 1320, 300);
    lblLabels(1).setCaption("&Password:");
    lblLabels(1).Move(360, 1800, 1320, 300);
    txtUserName.Move(1800, 1275, 2520, 345);
    txtPassword.Move(1800, 1755, 2520, 345);
    txtPassword.setPasswordChar('*');

    cmdOK.setCaption("OK");
    cmdOK.setDefault(true);
    cmdOK.Move(1080, 2280, 1140, 420);
    cmdCancel.setCaption("Cancel");
    cmdCancel.setCancel(true);
    cmdCancel.Move(2580, 2280, 1140, 420);

    // Tab order: user name, password, OK, Cancel; the rest takes no focus.
    int tab = 0;
    for (vb::Control *c : {static_cast<vb::Control *>(&txtUserName), static_cast<vb::Control *>(&txtPassword),
                           static_cast<vb::Control *>(&cmdOK), static_cast<vb::Control *>(&cmdCancel)})
        c->setTabIndex(tab++);
    for (vb::Control *c : controls())
        if (!c->focusable())
            c->setTabIndex(tab++);

    onLoad = [this] { Form_Load(); };
    txtPassword.onKeyPress = [this](int &k) { txtPassword_KeyPress(k); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

std::function<QString(const QDate &)> LoginGate::fixedPassword(const QString &password)
{
    return [password](const QDate &) { return password; };
}

void LoginGate::Form_Load()
{
    Label2.setCaption("Date :-" + vb::shortDate(vb::host().now().date()));
}

void LoginGate::txtPassword_KeyPress(int &KeyAscii)
{
    if (KeyAscii == vb::Key::Enter)
        cmdOK.SetFocus();
}

void LoginGate::cmdCancel_Click() { Unload(); }

void LoginGate::cmdOK_Click()
{
    if (txtUserName.Text().isEmpty()) {
        txtUserName.SetFocus();
        return;
    }
    if (txtPassword.Text().isEmpty()) {
        txtPassword.SetFocus();
        return;
    }
    // Date-built passwords follow the clock: the date is taken at each press.
    const QDate today = vb::host().now().date();
    for (const Account &a : m_gate.accounts) {
        if (txtUserName.Text() == a.userName && txtPassword.Text() == a.password(today)) {
            Unload();
            vb::app().form(a.opens).Show(m_gate.modalOpen);
            return;
        }
    }
    vb::MsgBox(m_gate.refusal);
}
