// The termios serial layer over real pseudo-terminals, the COM name map and the port table.
#include "instruments/serial/PosixSerialPort.h"
#include "instruments/serial/SerialPorts.h"
#include "tests/instruments/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <poll.h>

using namespace vek;
using vek::test::Eventually;
using vek::test::RawPty;

namespace {

QByteArray ReadMaster(int master, int expected)
{
    QByteArray got;
    Eventually([&] {
        char buf[256];
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
        }
        return got.size() >= expected;
    });
    return got;
}

} // namespace

TEST(PosixSerialPort, OpensOnlyOnceUntilClosed)
{
    RawPty pty;
    auto first = PosixSerialPort::Open(pty.path);
    ASSERT_NE(first, nullptr);
    QString why;
    EXPECT_EQ(PosixSerialPort::Open(pty.path, &why), nullptr);
    EXPECT_EQ(why, "in use");
    first.reset();
    // Closing gives the device back, exclusive mode included.
    EXPECT_NE(PosixSerialPort::Open(pty.path), nullptr);
}

TEST(PosixSerialPort, RefusesWhatIsNotASerialDevice)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("plain.txt");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QString why;
    EXPECT_EQ(PosixSerialPort::Open(file, &why), nullptr);
    EXPECT_EQ(why, "not a serial device");
    EXPECT_EQ(PosixSerialPort::Open(dir.filePath("missing")), nullptr);
    EXPECT_EQ(PosixSerialPort::Open(QString()), nullptr);
}

TEST(PosixSerialPort, DeviceControlBlockRoundTrips)
{
    RawPty pty;
    auto port = PosixSerialPort::Open(pty.path);
    ASSERT_NE(port, nullptr);
    struct Case {
        uint32_t baud;
        uint8_t size, parity, stop;
    } cases[] = {{9600, 8, kNoParity, kTwoStopBits},
                 {115200, 8, kEvenParity, kOneStopBit},
                 {300, 7, kOddParity, kOneStopBit},
                 {57600, 5, kMarkParity, kOneStopBit},
                 {1200, 6, kSpaceParity, kTwoStopBits}};
    for (const Case &c : cases) {
        ASSERT_TRUE(port->SetCommState({c.baud, c.size, c.parity, c.stop})) << c.baud;
        CommSettings back;
        ASSERT_TRUE(port->GetCommState(back));
        EXPECT_EQ(back.baudRate, c.baud);
        EXPECT_EQ(back.stopBits, c.stop);
        // A pseudo-terminal always works with 8 bits and no parity; a real port takes them.
        EXPECT_TRUE((back.byteSize == c.size && back.parity == c.parity) ||
                    (back.byteSize == 8 && back.parity == kNoParity))
            << c.baud;
    }
    // Rates and sizes the port cannot take leave it as it was.
    for (const CommSettings bad : {CommSettings{0, 8, 0, 0}, CommSettings{12345, 8, 0, 0},
                                   CommSettings{9600, 9, 0, 0}, CommSettings{9600, 8, 7, 0}})
        EXPECT_FALSE(port->SetCommState(bad));
    CommSettings back;
    port->GetCommState(back);
    EXPECT_EQ(back.baudRate, 1200u);
    EXPECT_EQ(back.stopBits, kTwoStopBits);
}

TEST(PosixSerialPort, QueueCountReadPurgeAndWrite)
{
    RawPty pty;
    auto port = PosixSerialPort::Open(pty.path);
    ASSERT_NE(port, nullptr);
    CommStatus s;
    ASSERT_TRUE(port->ClearCommError(s));
    EXPECT_EQ(s.inQueue, 0u);
    uint8_t buf[64];
    EXPECT_EQ(port->Read(buf, sizeof buf), 0); // nothing there: no waiting

    pty.Send(QByteArray("hello\r\nworld", 12));
    ASSERT_TRUE(Eventually([&] { return port->ClearCommError(s) && s.inQueue == 12; }));
    EXPECT_EQ(s.errors, 0u);
    EXPECT_EQ(port->Read(buf, 5), 5);
    EXPECT_EQ(QByteArray(reinterpret_cast<char *>(buf), 5), "hello");
    ASSERT_TRUE(port->ClearCommError(s));
    EXPECT_EQ(s.inQueue, 7u); // raw mode: CR LF pass untouched
    ASSERT_TRUE(port->PurgeInput());
    ASSERT_TRUE(port->ClearCommError(s));
    EXPECT_EQ(s.inQueue, 0u);

    const QByteArray out("SYST:REM\r\n");
    EXPECT_EQ(port->Write(reinterpret_cast<const uint8_t *>(out.constData()), int(out.size())), 10);
    EXPECT_EQ(ReadMaster(pty.master, 10), out);
}

TEST(PosixSerialPort, ModemLinesAndCountersOfAPseudoTerminalQuietlyDoNothing)
{
    RawPty pty;
    auto port = PosixSerialPort::Open(pty.path);
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->HasErrorCounters());
    EXPECT_TRUE(port->SetDtr(false));
    EXPECT_TRUE(port->SetDtr(true));
    CommStatus s;
    ASSERT_TRUE(port->ClearCommError(s));
    EXPECT_EQ(s.errors, 0u);
}

TEST(PosixSerialPort, ADeviceThatGoesAwayFailsWithoutHanging)
{
    RawPty pty;
    auto port = PosixSerialPort::Open(pty.path);
    ASSERT_NE(port, nullptr);
    pty.CloseAll();
    CommStatus s;
    // Either the queue cannot be asked or it is empty; reads and writes end at once.
    EXPECT_TRUE(!port->ClearCommError(s) || s.inQueue == 0);
    uint8_t buf[8];
    EXPECT_LE(port->Read(buf, sizeof buf), 0);
    const uint8_t b = 0x55;
    EXPECT_EQ(port->Write(&b, 1), -1);
}

TEST(ComNameMap, ParsesEntriesAndFallsBackToTheStandardPorts)
{
    ComNameMap map;
    map.Parse("\xEF\xBB\xBF# bench adapters\r\n"
              "COM3 = /dev/ttyUSB0\r\n"
              "  com4=/dev/ttyACM1  \n"
              "COM5 = relative/path\n"
              "COM0 = /dev/null\n"
              "COM05 = /dev/null\n"
              "LPT1 = /dev/lp0\n"
              "= /dev/x\n"
              "COM6 /dev/ttyS9\n"
              "COM3 = /dev/ttyUSB1\n"); // a later entry wins
    EXPECT_EQ(map.Count(), 2);
    EXPECT_EQ(map.DevicePath("COM3"), "/dev/ttyUSB1");
    EXPECT_EQ(map.DevicePath("com4"), "/dev/ttyACM1");
    EXPECT_EQ(map.DevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(map.DevicePath("COM5"), "/dev/ttyS4");
    EXPECT_EQ(map.DevicePath("COM16"), "/dev/ttyS15");
    EXPECT_EQ(map.DevicePath("COM17"), "");
    EXPECT_EQ(map.DevicePath("COM"), "");
    EXPECT_EQ(map.DevicePath("COM1x"), "");
    EXPECT_TRUE(map.Set("COM20", "/dev/ttyUSB3"));
    EXPECT_EQ(map.DevicePath("COM20"), "/dev/ttyUSB3");
    EXPECT_FALSE(map.Set("COM21", "ttyUSB3"));
    EXPECT_FALSE(map.Set("PORT1", "/dev/ttyUSB3"));
}

TEST(ComNameMap, PuttingEntriesInKeepsTheOtherLines)
{
    const QByteArray old = "# mine\r\nCOM3 = /dev/ttyUSB0\r\nCOM7 = /dev/pts/9\r\nCOM9=/dev/old\r\n";
    const QByteArray text =
        ComNameMap::WithEntries(old, {{"COM7", "/dev/pts/2"}, {"com9", "/dev/pts/3"}});
    EXPECT_EQ(text, "# mine\r\nCOM3 = /dev/ttyUSB0\r\nCOM7 = /dev/pts/2\r\nCOM9 = /dev/pts/3\r\n");
    ComNameMap map;
    map.Parse(text);
    EXPECT_EQ(map.DevicePath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath("COM9"), "/dev/pts/3");
}

TEST(SerialPorts, OpensByNameThroughTheMapFileReadAtEveryOpening)
{
    QTemporaryDir dir;
    RawPty a, b;
    SerialPorts ports;
    const QString mapFile = dir.filePath(ComNameMap::kFileName);
    ports.SetMapFile(mapFile);
    auto writeMap = [&](const QByteArray &text) {
        QFile f(mapFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    writeMap("COM3 = " + a.path.toUtf8() + "\n");
    const int64_t h = ports.Open("COM3");
    ASSERT_GT(h, 0);
    EXPECT_NE(ports.Port(h), nullptr);
    EXPECT_EQ(ports.Open("COM3"), -1); // already open
    EXPECT_EQ(ports.Open("NOPE"), -1);

    // The file is read again: an edit takes effect without a restart.
    writeMap("COM4 = " + b.path.toUtf8() + "\n");
    const int64_t h4 = ports.Open("COM4");
    EXPECT_GT(h4, h);
    // Entries of the program win over the file.
    ports.ProgramEntries().Set("COM4", "/dev/none-such");
    EXPECT_EQ(ports.DevicePath("COM4"), "/dev/none-such");
    EXPECT_EQ(ports.OpenCount(), 2);
    ports.Close(h);
    ports.Close(h);
    ports.Close(-1);
    EXPECT_EQ(ports.Port(h), nullptr);
    EXPECT_EQ(ports.OpenCount(), 1);
}
