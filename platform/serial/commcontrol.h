#pragma once
// The serial-port control of the forms, over QSerialPort.
//
// Port number N names a device: a file or symbolic link named "COMN" (any
// case: "COM1", "com1") in the current directory when there is one, for
// example `ln -s /dev/ttyUSB0 COM1`; else /dev/ttyS followed by N-1
// (COM1 is /dev/ttyS0).
//
// Received bytes are collected in the control's own input buffer (at most
// InBufferSize bytes; bytes that do not fit are dropped, with CommEvent
// 1008) and the OnComm
// event runs through the application's event dispatcher with CommEvent 2
// once at least RThreshold bytes wait. Data arrives through the Qt event
// loop, so the host's event loop (or DoEvents) must run.
//
// A port with Reopen set stays on its device: when the device goes away
// (the line hangs up, the adapter is unplugged) the port closes, raises
// onDeviceLost, and is opened again every ReopenMs, the "COMN" rule followed
// afresh each time, so a device linked again under the same name is found.
// An open that fails is tried again the same way (the failing open still
// raises its error). Closing the port through PortOpen stops the tries.
//
// Property errors are run-time errors as the forms know them: 380 for an
// invalid value, 8002 for a port that does not exist, 8005 for a port that
// is already open or in use, 8010 for a device that cannot be opened for
// another reason and 8018 for reading or writing a closed port.
#include "runtime/control.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QSerialPort;
class QTimer;

namespace vb {

// The CommEvent values the control raises.
namespace CommEv {
constexpr int Send = 1;    // fewer than SThreshold bytes wait to be sent
constexpr int Receive = 2; // at least RThreshold bytes wait to be read
constexpr int RxOver = 1008; // bytes were dropped: the input buffer was full
} // namespace CommEv

struct CommProps {
    int commPort = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    int inputMode = 0;
    int inBufferSize = 1024;
    int outBufferSize = 512;
    int inputLen = 0;
    QString parityReplace = QStringLiteral("?");
    int rThreshold = 1;
    int sThreshold = 0;
    int handshaking = 0;
    bool reopen = false;
};

class CommControl : public WithProps<CommProps, Control>
{
public:
    CommControl(Form *form, const QString &name);
    ~CommControl() override;

    ControlKind kind() const override { return ControlKind::Other; }

    // The device port number n maps to (see above).
    static QString devicePath(int commPort);

    // The getters of the design settings (CommPort, Settings, InputMode,
    // InBufferSize, InputLen, ParityReplace, RThreshold, SThreshold) are read
    // by no form; they stay because the tests read back what each form sets.
    // A setting no form reads back and no test checks has a setter only.
    int CommPort() const { return m_p.commPort; }
    void setCommPort(int port); // 8002 outside 1..255, 8005 while open

    // "baud,parity,data bits,stop bits", for example "9600,n,8,1"; parity
    // n, e, o, m or s (any case), data bits 5 to 8, stop bits 1, 1.5 or 2.
    // Read back in lower case. A bad text raises 380; an open port takes
    // the new settings at once.
    const QString &Settings() const { return m_p.settings; }
    void setSettings(const QString &settings);

    bool PortOpen() const;
    // true opens the device (8005 when already open), false closes it
    // (dropping what waits in the input buffer).
    void setPortOpen(bool open);

    int InputMode() const { return m_p.inputMode; } // 0 text, 1 binary
    void setInputMode(int mode);
    int InBufferSize() const { return m_p.inBufferSize; }
    void setInBufferSize(int bytes);
    // Stored as the forms set it: Qt Serial Port's write buffer grows as
    // needed.
    void setOutBufferSize(int bytes);
    // Bytes one read takes; 0 takes all that wait.
    int InputLen() const { return m_p.inputLen; }
    void setInputLen(int bytes);
    // Stored and checked as the forms set it, and never used: Qt Serial
    // Port hands over a byte that arrived with a parity error as it came.
    const QString &ParityReplace() const { return m_p.parityReplace; }
    void setParityReplace(const QString &ch); // one character or ""
    // The default is 1, not 0: the forms rely on a receive event whenever
    // data waits and never set the threshold themselves. 0 raises none.
    int RThreshold() const { return m_p.rThreshold; }
    void setRThreshold(int bytes);
    // Send event once fewer than this many bytes wait to be sent; 0 none.
    int SThreshold() const { return m_p.sThreshold; }
    void setSThreshold(int bytes);
    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both (taken as RTS/CTS). The port
    // opens with DTR on and, without RTS/CTS, RTS off.
    void setHandshaking(int mode);

    // Bytes waiting in the input buffer (8018 when closed).
    int InBufferCount();
    // The event being handled (0 before any).
    int CommEvent() const { return m_commEvent; }

    // Takes InputLen bytes (all when 0 or fewer wait) from the input
    // buffer; 8018 when closed. inputBytes() is the byte-mode read,
    // Input() the text-mode read (each byte one Windows-1252 character).
    // Both work in either InputMode.
    QByteArray inputBytes();
    QString Input();

    // Sends text (as Windows-1252 bytes) or bytes; 8018 when closed.
    void Output(const QString &text);
    void Output(const QByteArray &bytes);

    // The port's event, run through the application's event dispatcher.
    std::function<void()> onComm;

    // Keep the port on its device (see above). Off by default.
    void setReopen(bool v);
    static constexpr int ReopenMs = 1000;
    // True while the port waits to be opened again.
    bool reopening() const;
    // The device of the port as last opened or tried: "COM1 (/dev/ttyS0)",
    // or for a link "COM1 (/run/COM1 -> /dev/ttyUSB0)".
    QString deviceName() const;
    // The device of an open port went away and the port closed; run
    // through the application's event dispatcher.
    std::function<void()> onDeviceLost;

    // Unload puts the design state back, and a port is never open at
    // design time: restoring closes it.
    void restoreDesign() override;

private:
    // Opens the device the port number names, or the given path.
    void open(const QString &at = QString());
    void deviceGone();
    void tryReopen();
    void close();
    void applyLine();
    void received();
    void sent();
    void raiseEvent(int event);
    [[noreturn]] void notOpen() const;


    // Read errors in a row, no data between, that mean the line hung up.
    static constexpr int HungUpReadErrors = 50;

    std::unique_ptr<QSerialPort> m_port;
    QTimer *m_reopen = nullptr; // owned by m_port
    QString m_where; // the device as deviceName() gives it
    QString m_path; // the path last opened (a COMN link or a device)
    QString m_lost; // the path a lost device is looked for at
    QByteArray m_in;
    int m_commEvent = 0;
    int m_readErrors = 0; // read errors since data last came in
    bool m_inHandler = false;
    bool m_arrivedInHandler = false;
    bool m_sendPending = false;
};

} // namespace vb
