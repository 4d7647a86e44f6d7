#pragma once
// A small serial terminal: opens and closes a port, shows what arrives, can
// ask a modem for "OK" and empty the port's input buffer. Nothing in the
// program opens it; it stays available for testing a cable at the office.
#include "runtime/form.h"
#include "serial/commcontrol.h"

#include <QByteArray>

class frmDataEnv : public vb::Form
{
public:
    frmDataEnv();
    static constexpr const char *Name = "frmDataEnv";

    vb::TextBox txtTerm{this, "txtTerm"};
    vb::CommandButton Command1{this, "Command1"};
    vb::CommControl MSComm1{this, "MSComm1"};
    // Buttons of the form's design without handlers.
    vb::CommandButton cmdFirst{this, "cmdFirst"};
    vb::CommandButton cmdPrevious{this, "cmdPrevious"};
    vb::CommandButton cmdNext{this, "cmdNext"};
    vb::CommandButton cmdLast{this, "cmdLast"};
    vb::CommandButton cmdPrint{this, "cmdPrint"};
    vb::CommandButton cmdLocate{this, "cmdLocate"};
    vb::CommandButton cmdAdd{this, "cmdAdd"};
    vb::CommandButton cmdDelete{this, "cmdDelete"};
    vb::CommandButton cmdClose{this, "cmdClose"};
    vb::CommandButton cmdFind{this, "cmdFind"};
    vb::CommandButton cmdUpdate{this, "cmdUpdate"};

    // Toggles the port; a port that cannot be opened or closed is reported
    // with a warning.
    void Command1_Click();
    void MSComm1_OnComm();
    // Appends arrived text to the terminal: backspaces, line feeds and
    // carriage returns as a terminal takes them.
    void ShowTermData(vb::TextBox &box, QString &data);

    // Opens port 1, sends "ATV1Q0" and CR, and waits (keeping the screen
    // alive) until the reply holds "OK" with CR LF; closes the port. Gives
    // up after timeoutMs milliseconds without that reply. True when the
    // modem answered.
    bool ProbeModem(int timeoutMs = 10000);
    // Empties the port's input buffer.
    void DrainInput();

private:
    QByteArray m_received; // what the receive handler last read
    int m_termLength = 0;  // the terminal text's length after its last trim
    bool m_probing = false;
    QByteArray m_reply;    // what a probe has heard so far
};
