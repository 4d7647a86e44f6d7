// The serial-port control against real pseudo-terminals: socat links one
// end as COM1 in a temporary directory (the current directory while the
// test runs) and the test plays the device on the other end.
#include "serial/commcontrol.h"
#include "testing/ptypair.h"
#include "testing/scriptedhost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>


#include <functional>
#include <ostream>
#include <vector>

using namespace vb;

namespace {


class PortForm : public Form
{
public:
    PortForm() : Form(QStringLiteral("PortForm")) { captureDesign(); }
    CommControl MSComm1{this, QStringLiteral("MSComm1")};
};

// Runs the test in a fresh temporary directory.
class InTempDir : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        App::instance().setHost(&m_host);
    }
    void TearDown() override
    {
        QDir::setCurrent(m_oldDir);
        App::instance().setHost(nullptr);
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QString m_oldDir;
    ScriptedHost m_host;
};

// --- device names ---------------------------------------------------------

struct DeviceCase {
    const char *files;    // entries made in the directory, "link:" for links
    int port;
    const char *expected; // a name in the directory, or an absolute path
};

void PrintTo(const DeviceCase &c, std::ostream *os)
{
    *os << "[" << c.files << "] COM" << c.port;
}

class DevicePath : public InTempDir, public ::testing::WithParamInterface<DeviceCase>
{
};

TEST_P(DevicePath, FollowsTheComRule)
{
    const DeviceCase &c = GetParam();
    for (const QString &entry : QString::fromLatin1(c.files).split(' ', Qt::SkipEmptyParts)) {
        if (entry.startsWith("link:"))
            ASSERT_TRUE(QFile::link("/dev/null", path(entry.mid(5))));
        else {
            QFile f(path(entry));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    const QString expected = QString::fromLatin1(c.expected);
    EXPECT_EQ(CommControl::devicePath(c.port), expected.startsWith('/') ? expected : path(expected));
}

INSTANTIATE_TEST_SUITE_P(Rule, DevicePath,
                         ::testing::Values(DeviceCase{"COM1", 1, "COM1"},
                                           DeviceCase{"link:com3", 3, "com3"},
                                           DeviceCase{"link:Com2", 2, "Com2"},
                                           DeviceCase{"COM1", 2, "/dev/ttyS1"},
                                           DeviceCase{"COM10 COM11", 1, "/dev/ttyS0"},
                                           DeviceCase{"", 1, "/dev/ttyS0"},
                                           DeviceCase{"", 5, "/dev/ttyS4"}));

// --- properties -----------------------------------------------------------

struct SettingsCase {
    const char *text;
    const char *readBack; // null: refused with 380
};

void PrintTo(const SettingsCase &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class SettingsText : public ::testing::TestWithParam<SettingsCase>
{
};

TEST_P(SettingsText, IsCheckedAndKept)
{
    const SettingsCase &c = GetParam();
    CommControl port(nullptr, QStringLiteral("MSComm1"));
    port.setSettings("2400,n,8,1");
    if (c.readBack) {
        port.setSettings(QString::fromLatin1(c.text));
        EXPECT_EQ(port.Settings(), QString::fromLatin1(c.readBack));
    } else {
        try {
            port.setSettings(QString::fromLatin1(c.text));
            FAIL() << "accepted " << c.text;
        } catch (const RuntimeError &e) {
            EXPECT_EQ(e.number(), 380);
            EXPECT_EQ(e.description(), "Invalid property value");
        }
        EXPECT_EQ(port.Settings(), "2400,n,8,1");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsText,
    ::testing::Values(SettingsCase{"9600,n,8,1", "9600,n,8,1"}, SettingsCase{"9600,N,8,1", "9600,n,8,1"},
                      SettingsCase{"19200,e,7,2", "19200,e,7,2"}, SettingsCase{"110,o,5,1.5", "110,o,5,1.5"},
                      SettingsCase{"115200,M,6,1", "115200,m,6,1"}, SettingsCase{" 4800 , s , 8 , 2 ", "4800,s,8,2"},
                      SettingsCase{"", nullptr}, SettingsCase{"9600", nullptr}, SettingsCase{"9600,n,8", nullptr},
                      SettingsCase{"9600,n,8,1,1", nullptr}, SettingsCase{"9601,n,8,1", nullptr},
                      SettingsCase{"fast,n,8,1", nullptr}, SettingsCase{"9600,x,8,1", nullptr},
                      SettingsCase{"9600,n,4,1", nullptr}, SettingsCase{"9600,n,9,1", nullptr},
                      SettingsCase{"9600,n,8,3", nullptr}, SettingsCase{"9600,n,8,0", nullptr}));

TEST(CommControlProperties, DefaultsAndRefusedValues)
{
    CommControl port(nullptr, QStringLiteral("MSComm1"));
    EXPECT_EQ(port.kind(), ControlKind::Other);
    EXPECT_FALSE(port.focusable());
    EXPECT_EQ(port.CommPort(), 1);
    EXPECT_EQ(port.Settings(), "9600,n,8,1");
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(port.InputMode(), 0);
    EXPECT_EQ(port.InputLen(), 0);
    EXPECT_EQ(port.ParityReplace(), "?");
    EXPECT_EQ(port.RThreshold(), 1); // a receive event whenever data waits
    EXPECT_EQ(port.CommEvent(), 0);

    auto number = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const RuntimeError &e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(number([&] { port.setCommPort(0); }), 8002);
    EXPECT_EQ(number([&] { port.setInputMode(2); }), 380);
    EXPECT_EQ(number([&] { port.setRThreshold(-1); }), 380);
    EXPECT_EQ(number([&] { port.setInBufferSize(0); }), 380);
    EXPECT_EQ(number([&] { port.setHandshaking(4); }), 380);
    EXPECT_EQ(number([&] { port.setParityReplace("??"); }), 380);
    // A closed port can be neither read nor written.
    EXPECT_EQ(number([&] { port.Input(); }), 8018);
    EXPECT_EQ(number([&] { port.InBufferCount(); }), 8018);
    EXPECT_EQ(number([&] { port.Output(QStringLiteral("x")); }), 8018);
    EXPECT_EQ(port.CommPort(), 1);
    EXPECT_EQ(port.InputMode(), 0);
}

// --- opening devices that are not there ------------------------------------

class OpenFailure : public InTempDir
{
};

TEST_F(OpenFailure, MissingDeviceNamesItAndStaysClosed)
{
    ASSERT_TRUE(QFile::link(path("nowhere"), path("COM7")));
    PortForm form;
    form.MSComm1.setCommPort(7);
    try {
        form.MSComm1.setPortOpen(true);
        FAIL() << "opened a missing device";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), 8002);
        EXPECT_TRUE(e.description().startsWith("Invalid port number")) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains("COM7")) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(path("COM7"))) << e.description().toStdString();
    }
    EXPECT_FALSE(form.MSComm1.PortOpen());
}

TEST_F(OpenFailure, FileThatIsNoTerminalIsRefused)
{
    QFile f(path("COM2"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    PortForm form;
    form.MSComm1.setCommPort(2);
    EXPECT_THROW(form.MSComm1.setPortOpen(true), RuntimeError);
    EXPECT_FALSE(form.MSComm1.PortOpen());
}

// --- a real port -----------------------------------------------------------

// A pseudo-terminal pair: COM1 in the current directory for the control,
// "peer" for the test, which plays the device.
class RealPort : public InTempDir
{
protected:
    void SetUp() override
    {
        InTempDir::SetUp();
        if (!vb::PtyPair::available())
            GTEST_SKIP() << "socat is not installed";
        ASSERT_TRUE(m_pty.start(path("COM1"), path("peer")));
    }

    void send(const QByteArray &bytes) { ASSERT_TRUE(m_pty.send(bytes)); }
    // What the peer received, waiting until it has at least n bytes.
    QByteArray receive(int n) { return m_pty.receive(n); }

    vb::PtyPair m_pty;
};

TEST_F(RealPort, BytesReachTheHandlerAsBytes)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setInputMode(1);
    QByteArray got;
    std::vector<int> events;
    port.onComm = [&] {
        events.push_back(port.CommEvent());
        if (port.CommEvent() == CommEv::Receive)
            got += port.inputBytes();
    };
    port.setPortOpen(true);
    ASSERT_TRUE(port.PortOpen());

    const QByteArray sent("\x01\x80\x00\xffxyz", 7);
    send(sent);
    ASSERT_TRUE(vb::waitUntil([&] { return got.size() >= sent.size(); }));
    EXPECT_EQ(got, sent);
    EXPECT_EQ(port.InBufferCount(), 0);
    for (int e : events)
        EXPECT_EQ(e, CommEv::Receive);
}

TEST_F(RealPort, TextModeReadsWindows1252)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    QString got;
    port.onComm = [&] {
        if (port.CommEvent() == CommEv::Receive)
            got += port.Input();
    };
    port.setPortOpen(true);
    send("A\x80" "B\r\n");
    ASSERT_TRUE(vb::waitUntil([&] { return got.size() >= 5; }));
    EXPECT_EQ(got, QString::fromUtf8("A\u20ACB\r\n"));
}

// Data the handler leaves unread keeps waiting without new events; the
// next arrival raises one, and a read then takes all that waits.
TEST_F(RealPort, UnreadDataWaitsForTheNextArrival)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    int events = 0;
    QByteArray got;
    bool read = false;
    port.onComm = [&] {
        ++events;
        if (read)
            got += port.inputBytes();
    };
    port.setPortOpen(true);
    send("123");
    ASSERT_TRUE(vb::waitUntil([&] { return port.InBufferCount() == 3; }));
    const int before = events;
    EXPECT_GE(before, 1);

    read = true;
    send("45");
    ASSERT_TRUE(vb::waitUntil([&] { return got.size() >= 5; }));
    EXPECT_GT(events, before);
    EXPECT_EQ(got, "12345");
}

TEST_F(RealPort, InputLenLimitsOneRead)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setRThreshold(0); // no events: the test reads when it likes
    port.setInputLen(2);
    port.setPortOpen(true);
    send("abcde");
    ASSERT_TRUE(vb::waitUntil([&] { return port.InBufferCount() == 5; }));
    EXPECT_EQ(port.CommEvent(), 0);
    EXPECT_EQ(port.Input(), "ab");
    EXPECT_EQ(port.InBufferCount(), 3);
    port.setInputLen(0);
    EXPECT_EQ(port.Input(), "cde");
    EXPECT_EQ(port.Input(), "");
}

TEST_F(RealPort, ThresholdWaitsForEnoughBytes)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setRThreshold(8);
    QString got;
    port.onComm = [&] { got += port.Input(); };
    port.setPortOpen(true);
    send("1234");
    ASSERT_TRUE(vb::waitUntil([&] { return port.InBufferCount() == 4; }));
    EXPECT_EQ(got, "");
    send("5678");
    ASSERT_TRUE(vb::waitUntil([&] { return !got.isEmpty(); }));
    EXPECT_EQ(got, "12345678");
}

// A full input buffer keeps the oldest bytes and drops what does not fit.
TEST_F(RealPort, InputBufferIsCapped)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setInBufferSize(4);
    bool overflowed = false;
    port.onComm = [&] {
        if (port.CommEvent() == CommEv::RxOver)
            overflowed = true;
    };
    port.setPortOpen(true);
    send("abcdefgh");
    ASSERT_TRUE(vb::waitUntil([&] { return overflowed; }));
    EXPECT_EQ(port.InBufferCount(), 4);
    EXPECT_EQ(port.Input(), "abcd");
}

TEST_F(RealPort, OutputReachesThePeer)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setSThreshold(1);
    std::vector<int> events;
    port.onComm = [&] { events.push_back(port.CommEvent()); };
    port.setPortOpen(true);
    port.Output(QString::fromUtf8("AT\u20AC\r"));
    port.Output(QByteArray("\x00\x01", 2));
    EXPECT_EQ(receive(6), QByteArray("AT\x80\r\x00\x01", 6));
    // The send event comes once the bytes have left.
    EXPECT_TRUE(vb::waitUntil([&] { return !events.empty(); }));
    for (int e : events)
        EXPECT_EQ(e, CommEv::Send);
}

TEST_F(RealPort, OpenPortCannotBeOpenedTwice)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setPortOpen(true);
    try {
        port.setPortOpen(true);
        FAIL() << "opened twice";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), 8005);
    }
    EXPECT_TRUE(port.PortOpen());
    EXPECT_THROW(port.setCommPort(2), RuntimeError);

    // A second control on the same device finds it in use.
    CommControl other(nullptr, QStringLiteral("MSComm2"));
    try {
        other.setPortOpen(true);
        FAIL() << "opened a device in use";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), 8005);
        EXPECT_TRUE(e.description().contains("COM1")) << e.description().toStdString();
    }
    EXPECT_FALSE(other.PortOpen());

    port.setPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
    other.setPortOpen(true);
    EXPECT_TRUE(other.PortOpen());
}

TEST_F(RealPort, UnloadClosesAndRestoresTheDesign)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    form.Load();
    port.setRThreshold(8);
    port.setInputMode(1);
    port.setPortOpen(true);
    send("xy");
    ASSERT_TRUE(vb::waitUntil([&] { return port.InBufferCount() == 2; }));
    form.Unload();
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(port.RThreshold(), 1);
    EXPECT_EQ(port.InputMode(), 0);
    EXPECT_EQ(port.CommEvent(), 0);

    // Loaded again, the port opens afresh with nothing left from before.
    form.Load();
    port.setPortOpen(true);
    EXPECT_EQ(port.InBufferCount(), 0);
}

TEST_F(RealPort, DestroyedControlReleasesTheDevice)
{
    {
        PortForm form;
        form.MSComm1.setPortOpen(true);
    }
    PortForm again;
    again.MSComm1.setPortOpen(true);
    EXPECT_TRUE(again.MSComm1.PortOpen());
}

// A cable pulled while the port is open: the port closes instead of
// polling the dead line (which kept a core busy), and no handler runs.
TEST_F(RealPort, AnUnpluggedDeviceClosesThePort)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    int events = 0;
    port.onComm = [&] {
        ++events;
        port.Input();
    };
    port.setPortOpen(true);
    send("01250");
    ASSERT_TRUE(vb::waitUntil([&] { return events > 0; }));
    events = 0;
    m_pty.unplug();
    EXPECT_TRUE(vb::waitUntil([&] { return !port.PortOpen(); }));
    EXPECT_EQ(events, 0);
}

// A port kept on its device (Reopen): a pulled cable closes it and tells
// the program once; the device linked again under the same name is opened
// and read again without a call from the program, until the program closes
// the port. Without Reopen the port stays closed.
TEST_F(RealPort, AKeptPortOpensAgainWhenItsDeviceIsBack)
{
    for (bool reopen : {true, false}) {
        SCOPED_TRACE(reopen ? "Reopen" : "no Reopen");
        if (!QFileInfo::exists(path("COM1"))) {
            ASSERT_TRUE(m_pty.start(path("COM1"), path("peer")));
        }
        PortForm form;
        CommControl &port = form.MSComm1;
        port.setReopen(reopen);
        QByteArray got;
        int lost = 0;
        port.onComm = [&] {
            if (port.CommEvent() == CommEv::Receive)
                got += port.inputBytes();
        };
        port.onDeviceLost = [&] {
            ++lost;
            EXPECT_FALSE(port.PortOpen()) << "closed before it is told";
        };
        port.setPortOpen(true);
        const QString device = QFileInfo(path("COM1")).canonicalFilePath();
        send("07000");
        ASSERT_TRUE(vb::waitUntil([&] { return got == "07000"; }));

        m_pty.unplug();
        ASSERT_TRUE(vb::waitUntil([&] { return !port.PortOpen() && lost > 0; }));
        EXPECT_EQ(lost, 1);
        EXPECT_EQ(port.deviceName(), QStringLiteral("COM1 (%1 -> %2)").arg(path("COM1"), device));
        EXPECT_EQ(port.reopening(), reopen);

        ASSERT_TRUE(m_pty.start(path("COM1"), path("peer")));
        if (!reopen) {
            vb::waitUntil([] { return false; }, CommControl::ReopenMs * 2);
            EXPECT_FALSE(port.PortOpen());
            continue;
        }
        ASSERT_TRUE(vb::waitUntil([&] { return port.PortOpen(); }));
        EXPECT_FALSE(port.reopening());
        send("08500");
        ASSERT_TRUE(vb::waitUntil([&] { return got.endsWith("08500"); }));
        EXPECT_EQ(got, "0700008500");
        EXPECT_EQ(lost, 1) << "no second word for the same loss";

        m_pty.unplug();
        ASSERT_TRUE(vb::waitUntil([&] { return lost == 2; }));
        EXPECT_TRUE(port.reopening());
        port.setPortOpen(false);
        EXPECT_FALSE(port.reopening()) << "closed by the program, the port is left closed";
    }
}

// An adapter unplugged takes its COMN link with it: the port is looked for
// under that link only, not opened on the /dev/ttyS device its number would
// name without one (a serial port of the PC, with no indicator on it).
TEST_F(InTempDir, ALostLinkedDeviceIsLookedForUnderItsLinkOnly)
{
    if (!vb::PtyPair::available())
        GTEST_SKIP() << "socat is not installed";
    auto cable = std::make_unique<vb::PtyPair>();
    ASSERT_TRUE(cable->start(path("COM1"), path("peer")));
    PortForm form;
    CommControl &port = form.MSComm1;
    port.setReopen(true);
    port.setPortOpen(true);
    cable.reset(); // the link and its device are gone
    ASSERT_TRUE(vb::waitUntil([&] { return !port.PortOpen(); }));
    ASSERT_FALSE(QFileInfo::exists(path("COM1")));
    vb::waitUntil([] { return false; }, CommControl::ReopenMs * 5 / 2);
    EXPECT_FALSE(port.PortOpen()) << "opened " << port.deviceName().toStdString() << " in its place";
    cable = std::make_unique<vb::PtyPair>();
    ASSERT_TRUE(cable->start(path("COM1"), path("peer")));
    EXPECT_TRUE(vb::waitUntil([&] { return port.PortOpen(); }));
    port.setPortOpen(false);
}

// An open that finds no device raises its error as ever; a kept port then
// tries again until the device is there, without telling of a loss.
TEST_F(RealPort, AKeptPortMissingAtTheOpenOpensWhenTheDeviceComes)
{
    for (bool reopen : {true, false}) {
        SCOPED_TRACE(reopen ? "Reopen" : "no Reopen");
        QFile::remove(path("COM2"));
        PortForm form;
        CommControl &port = form.MSComm1;
        port.setCommPort(2);
        port.setReopen(reopen);
        QByteArray got;
        int lost = 0;
        port.onComm = [&] { got += port.inputBytes(); };
        port.onDeviceLost = [&] { ++lost; };
        try {
            port.setPortOpen(true);
            FAIL() << "opened a missing device";
        } catch (const RuntimeError &e) {
            EXPECT_EQ(e.number(), 8002);
        }
        EXPECT_EQ(port.reopening(), reopen);

        vb::PtyPair later;
        ASSERT_TRUE(later.start(path("COM2"), path("peer2")));
        if (!reopen) {
            vb::waitUntil([] { return false; }, CommControl::ReopenMs * 2);
            EXPECT_FALSE(port.PortOpen());
            continue;
        }
        ASSERT_TRUE(vb::waitUntil([&] { return port.PortOpen(); }));
        ASSERT_TRUE(later.send("01250"));
        ASSERT_TRUE(vb::waitUntil([&] { return got == "01250"; }));
        EXPECT_EQ(lost, 0);
    }
}

// An error in the handler is reported by the dispatcher; the port goes on.
TEST_F(RealPort, HandlerErrorIsReportedAndPortGoesOn)
{
    PortForm form;
    CommControl &port = form.MSComm1;
    QString got;
    bool fail = true;
    port.onComm = [&] {
        if (fail) {
            fail = false;
            throw RuntimeError::typeMismatch();
        }
        got += port.Input();
    };
    port.setPortOpen(true);
    send("1");
    ASSERT_TRUE(vb::waitUntil([&] { return !fail; }));
    EXPECT_EQ(App::instance().lastErrorNumber(), 13);
    ASSERT_FALSE(m_host.boxes().empty());
    EXPECT_EQ(m_host.boxes().back().prompt, "Type mismatch");
    send("2");
    ASSERT_TRUE(vb::waitUntil([&] { return got.size() >= 2; }));
    EXPECT_EQ(got, "12");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
