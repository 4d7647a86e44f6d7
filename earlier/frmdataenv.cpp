#include "frmdataenv.h"

#include "receivetext.h"

#include "runtime/convert.h"
#include "runtime/errors.h"

#include <QDeadlineTimer>

using namespace vb;

frmDataEnv::frmDataEnv() : Form(Name)
{
    setCaption("Form1");
    Move(0, 0, 9600, 7200);

    txtTerm.setMultiLine(true);
    txtTerm.Move(120, 120, 9240, 4800);
    txtTerm.setFont(QStringLiteral("DejaVu Sans Mono"), 10);
    Command1.setCaption("Command1");
    Command1.Move(120, 5040, 1335, 375);

    struct Key {
        CommandButton *button;
        const char *caption;
    } keys[] = {{&cmdFirst, "&First"},   {&cmdPrevious, "P&rev"}, {&cmdNext, "&Next"},
                {&cmdLast, "&Last"},     {&cmdPrint, "&Print"},   {&cmdLocate, "&Locate"},
                {&cmdAdd, "&Add"},       {&cmdDelete, "&Delete"}, {&cmdClose, "&Close"},
                {&cmdFind, "F&ind"},     {&cmdUpdate, "&Save"}};
    int i = 0;
    for (auto &k : keys) {
        k.button->setCaption(k.caption);
        k.button->Move(120 + (i % 6) * 1560, 5640 + (i / 6) * 480, 1455, 375);
        ++i;
    }

    MSComm1.setSettings("9600,n,8,1");
    MSComm1.setInputMode(1);
    MSComm1.setInBufferSize(1024);
    MSComm1.setOutBufferSize(512);
    MSComm1.setParityReplace("?");

    Command1.onClick = [this] { Command1_Click(); };
    MSComm1.onComm = [this] { MSComm1_OnComm(); };
}

void frmDataEnv::Command1_Click()
{
    try {
        MSComm1.setPortOpen(!MSComm1.PortOpen());
    } catch (const RuntimeError &e) {
        MsgBox(e.description(), Msg::Exclamation);
    }
}

void frmDataEnv::MSComm1_OnComm()
{
    if (MSComm1.CommEvent() != 2)
        return;
    m_received = MSComm1.inputBytes();
    if (m_probing)
        m_reply += m_received;
    QString data = fromAnsi(m_received);
    ShowTermData(txtTerm, data);
}

void frmDataEnv::ShowTermData(TextBox &box, QString &data)
{
    earlier::receiveInto(box, data, m_termLength, [&] { box.setSelText(data); });
}

bool frmDataEnv::ProbeModem(int timeoutMs)
{
    MSComm1.setCommPort(1);
    MSComm1.setSettings("9600,N,8,1");
    MSComm1.setInputLen(0);
    MSComm1.setPortOpen(true);
    MSComm1.Output(QStringLiteral("ATV1Q0") + QChar(13));

    // The receive handler may take the reply before this loop reads it, so
    // both add what they read to the one reply.
    m_reply.clear();
    m_probing = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_probing};
    const QDeadlineTimer deadline(timeoutMs);
    bool answered = false;
    while (!answered && !deadline.hasExpired()) {
        host().doEvents();
        if (!MSComm1.PortOpen())
            break;
        m_reply += MSComm1.inputBytes();
        answered = m_reply.contains("OK\r\n");
    }
    if (MSComm1.PortOpen())
        MSComm1.setPortOpen(false);
    return answered;
}

void frmDataEnv::DrainInput()
{
    MSComm1.setInputLen(0);
    if (MSComm1.InBufferCount() != 0)
        MSComm1.inputBytes();
}
