#include "commcontrol.h"

#include "runtime/convert.h"
#include "runtime/errors.h"
#include "runtime/form.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace vb {

namespace {

constexpr int InvalidPropertyValue = 380;
constexpr int InvalidPortNumber = 8002;
constexpr int PortAlreadyOpen = 8005;
constexpr int DeviceUnavailable = 8010;
constexpr int PortNotOpen = 8018;

RuntimeError invalidValue()
{
    return RuntimeError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

struct Line {
    qint32 baud;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
    QString text;
};

// The rates the control has always offered.
constexpr qint32 Rates[] = {110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                            19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

std::optional<Line> parseSettings(const QString &settings)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    QStringList p;
    for (const QString &s : parts)
        p << s.trimmed().toLower();

    Line line{};
    bool ok = false;
    line.baud = p[0].toInt(&ok);
    if (!ok || std::find(std::begin(Rates), std::end(Rates), line.baud) == std::end(Rates))
        return std::nullopt;

    if (p[1] == QLatin1String("n"))
        line.parity = QSerialPort::NoParity;
    else if (p[1] == QLatin1String("e"))
        line.parity = QSerialPort::EvenParity;
    else if (p[1] == QLatin1String("o"))
        line.parity = QSerialPort::OddParity;
    else if (p[1] == QLatin1String("m"))
        line.parity = QSerialPort::MarkParity;
    else if (p[1] == QLatin1String("s"))
        line.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int bits = p[2].toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return std::nullopt;
    line.dataBits = QSerialPort::DataBits(bits);

    if (p[3] == QLatin1String("1"))
        line.stopBits = QSerialPort::OneStop;
    else if (p[3] == QLatin1String("1.5"))
        line.stopBits = QSerialPort::OneAndHalfStop;
    else if (p[3] == QLatin1String("2"))
        line.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;

    line.text = QStringLiteral("%1,%2,%3,%4").arg(line.baud).arg(p[1]).arg(bits).arg(p[3]);
    return line;
}

QSerialPort::FlowControl flowControl(int handshaking)
{
    switch (handshaking) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

} // namespace

CommControl::CommControl(Form *form, const QString &name) : WithProps(form, name), m_port(std::make_unique<QSerialPort>())
{
    QSerialPort *port = m_port.get();
    m_reopen = new QTimer(port);
    m_reopen->setInterval(ReopenMs);
    QObject::connect(m_reopen, &QTimer::timeout, port, [this] { tryReopen(); });
    QObject::connect(port, &QSerialPort::readyRead, port, [this] { received(); });
    QObject::connect(port, &QSerialPort::bytesWritten, port, [this](qint64) { sent(); });
    QObject::connect(port, &QSerialPort::errorOccurred, port, [this](QSerialPort::SerialPortError e) {
        // The device went away (unplugged adapter, closed terminal): the
        // port is closed rather than left polling a dead descriptor. A
        // hung-up line reads as an end of file, which comes as a read error
        // on every poll; one read error alone does not close the port.
        const bool hungUp = e == QSerialPort::ReadError && ++m_readErrors >= HungUpReadErrors;
        if ((e == QSerialPort::ResourceError || hungUp) && m_port->isOpen())
            QTimer::singleShot(0, m_port.get(), [this] { deviceGone(); });
    });
}

CommControl::~CommControl()
{
    if (m_port)
        m_port->close();
}

QString CommControl::devicePath(int commPort)
{
    const QString wanted = QStringLiteral("com%1").arg(commPort);
    const QDir here = QDir::current();
    const QFileInfoList entries =
        here.entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        if (fi.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
            return here.absoluteFilePath(fi.fileName());
    }
    return QStringLiteral("/dev/ttyS%1").arg(commPort - 1);
}

void CommControl::setCommPort(int port)
{
    if (port < 1 || port > 255)
        throw RuntimeError(InvalidPortNumber, QStringLiteral("Invalid port number"));
    if (PortOpen())
        throw RuntimeError(PortAlreadyOpen, QStringLiteral("Port already open"));
    m_p.commPort = port;
}

void CommControl::setSettings(const QString &settings)
{
    const auto line = parseSettings(settings);
    if (!line)
        throw invalidValue();
    m_p.settings = line->text;
    if (PortOpen())
        applyLine();
}

bool CommControl::PortOpen() const
{
    return m_port->isOpen();
}

void CommControl::setPortOpen(bool open)
{
    if (!open) {
        m_reopen->stop();
        close();
        return;
    }
    if (PortOpen())
        throw RuntimeError(PortAlreadyOpen, QStringLiteral("Port already open (COM%1)").arg(m_p.commPort));
    m_reopen->stop();
    m_lost.clear();
    try {
        this->open();
    } catch (const RuntimeError &) {
        if (m_p.reopen)
            m_reopen->start();
        throw;
    }
}

void CommControl::open(const QString &at)
{
    const QString name = QStringLiteral("COM%1").arg(m_p.commPort);
    const QString path = at.isEmpty() ? devicePath(m_p.commPort) : at;
    m_path = path;
    const QFileInfo info(path);
    // A link named COMN is followed to its device, so the device's own lock
    // guards it whatever the link is called.
    const QString device = info.isSymLink() ? info.canonicalFilePath() : path;
    m_where = device.isEmpty() || device == path ? QStringLiteral("%1 (%2)").arg(name, path)
                                                 : QStringLiteral("%1 (%2 -> %3)").arg(name, path, device);
    if (!info.exists() || device.isEmpty())
        throw RuntimeError(InvalidPortNumber, QStringLiteral("Invalid port number: %1 (%2) does not exist")
                                                  .arg(name, path));

    m_port->setPortName(device);
    m_port->setReadBufferSize(0);
    m_in.clear();
    m_commEvent = 0;
    m_sendPending = false;
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString detail = m_port->errorString();
        m_port->clearError();
        const QString where = device == path ? path : QStringLiteral("%1 -> %2").arg(path, device);
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            throw RuntimeError(InvalidPortNumber, QStringLiteral("Invalid port number: %1 (%2): %3")
                                                      .arg(name, where, detail));
        case QSerialPort::PermissionError:
            throw RuntimeError(PortAlreadyOpen,
                               QStringLiteral("Port already open: %1 (%2) is in use or not permitted: %3")
                                   .arg(name, where, detail));
        default:
            throw RuntimeError(DeviceUnavailable, QStringLiteral("The device is not available: %1 (%2): %3")
                                                      .arg(name, where, detail));
        }
    }
    applyLine();
}

void CommControl::setReopen(bool v)
{
    m_p.reopen = v;
    if (!v)
        m_reopen->stop();
}

bool CommControl::reopening() const { return m_reopen->isActive(); }

QString CommControl::deviceName() const
{
    return m_where.isEmpty() ? QStringLiteral("COM%1 (%2)").arg(m_p.commPort).arg(devicePath(m_p.commPort))
                             : m_where;
}

// The open port's device went away: closed, told, and tried again.
void CommControl::deviceGone()
{
    if (!m_port->isOpen())
        return;
    close();
    // Looked for where it went away: while a COMN link is gone, the port
    // number would otherwise name /dev/ttyS(N-1), another device.
    m_lost = m_path;
    if (m_p.reopen)
        m_reopen->start();
    if (onDeviceLost)
        App::instance().dispatch([this] { onDeviceLost(); });
}

// A try at the device, silent while it is still away.
void CommControl::tryReopen()
{
    if (PortOpen()) {
        m_reopen->stop();
        return;
    }
    try {
        open(m_lost);
        m_reopen->stop();
    } catch (const RuntimeError &) {
        m_port->clearError();
    }
}

void CommControl::close()
{
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
    m_readErrors = 0;
    m_in.clear();
    m_commEvent = 0;
    m_sendPending = false;
}

// Line settings and modem lines on the open port. Pseudo-terminals and
// some adapters refuse parts of this (modem lines, odd rates); the port is
// usable all the same, so refusals are not errors.
void CommControl::applyLine()
{
    const auto line = parseSettings(m_p.settings);
    if (!line)
        return;
    m_port->setBaudRate(line->baud);
    m_port->setParity(line->parity);
    m_port->setDataBits(line->dataBits);
    m_port->setStopBits(line->stopBits);
    m_port->setFlowControl(flowControl(m_p.handshaking));
    m_port->setDataTerminalReady(true);
    if (m_p.handshaking < 2)
        m_port->setRequestToSend(false);
    m_port->clearError();
}

void CommControl::setInputMode(int mode)
{
    if (mode != 0 && mode != 1)
        throw invalidValue();
    m_p.inputMode = mode;
}

void CommControl::setInBufferSize(int bytes)
{
    if (bytes < 1)
        throw invalidValue();
    m_p.inBufferSize = bytes;
    if (m_in.size() > bytes)
        m_in.truncate(bytes);
}

void CommControl::setOutBufferSize(int bytes)
{
    if (bytes < 1)
        throw invalidValue();
    m_p.outBufferSize = bytes;
}

void CommControl::setInputLen(int bytes)
{
    if (bytes < 0)
        throw invalidValue();
    m_p.inputLen = bytes;
}

void CommControl::setParityReplace(const QString &ch)
{
    if (ch.size() > 1)
        throw invalidValue();
    m_p.parityReplace = ch;
}

void CommControl::setRThreshold(int bytes)
{
    if (bytes < 0)
        throw invalidValue();
    m_p.rThreshold = bytes;
}

void CommControl::setSThreshold(int bytes)
{
    if (bytes < 0)
        throw invalidValue();
    m_p.sThreshold = bytes;
}

void CommControl::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        throw invalidValue();
    m_p.handshaking = mode;
    if (PortOpen())
        applyLine();
}

void CommControl::notOpen() const
{
    throw RuntimeError(PortNotOpen, QStringLiteral("Operation valid only when the port is open (COM%1)")
                                        .arg(m_p.commPort));
}

int CommControl::InBufferCount()
{
    if (!PortOpen())
        notOpen();
    return int(m_in.size());
}

QByteArray CommControl::inputBytes()
{
    if (!PortOpen())
        notOpen();
    const qsizetype n = m_p.inputLen > 0 ? std::min<qsizetype>(m_p.inputLen, m_in.size()) : m_in.size();
    QByteArray taken = m_in.left(n);
    m_in.remove(0, n);
    return taken;
}

QString CommControl::Input()
{
    return fromAnsi(inputBytes());
}

void CommControl::Output(const QString &text)
{
    Output(toAnsi(text));
}

void CommControl::Output(const QByteArray &bytes)
{
    if (!PortOpen())
        notOpen();
    if (bytes.isEmpty())
        return;
    m_port->write(bytes);
    m_port->flush();
    m_sendPending = m_p.sThreshold > 0;
}

// New bytes from the device: into the input buffer as far as it has room,
// then the receive event. Bytes arriving while a handler of this port runs
// (it may let events run) are collected and raise one more event after it.
void CommControl::received()
{
    const QByteArray bytes = m_port->readAll();
    if (bytes.isEmpty())
        return;
    m_readErrors = 0;
    const qsizetype room = std::max<qsizetype>(0, m_p.inBufferSize - m_in.size());
    const bool overflow = bytes.size() > room;
    m_in.append(bytes.left(room));

    if (m_inHandler) {
        m_arrivedInHandler = true;
        return;
    }
    if (overflow)
        raiseEvent(CommEv::RxOver);
    while (PortOpen() && m_p.rThreshold > 0 && m_in.size() >= m_p.rThreshold) {
        m_arrivedInHandler = false;
        raiseEvent(CommEv::Receive);
        if (!m_arrivedInHandler)
            break;
    }
}

void CommControl::sent()
{
    if (!m_sendPending || !PortOpen() || m_port->bytesToWrite() >= m_p.sThreshold)
        return;
    m_sendPending = false;
    // Not inside the write that caused it: the event runs from the loop.
    QTimer::singleShot(0, m_port.get(), [this] {
        if (PortOpen())
            raiseEvent(CommEv::Send);
    });
}

void CommControl::raiseEvent(int event)
{
    m_commEvent = event;
    if (!onComm)
        return;
    m_inHandler = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_inHandler};
    App::instance().dispatch([this] { onComm(); });
}

void CommControl::restoreDesign()
{
    m_reopen->stop();
    close();
    WithProps::restoreDesign();
}

} // namespace vb
