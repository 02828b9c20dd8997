#include "link/ClaimRecord.h"
#include "link/RealUsbBackends.h"
#include "tests/link/LinkFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vek::test {
namespace {

using Frames = std::vector<QByteArray>;

TEST(UsbSearch, NoBoardTriesEveryNameAndIndexAndClosesEveryHandle)
{
    LinkBench b;
    // Devices that open but are not the board, on both buses.
    for (int i = 0; i < 3; ++i) {
        b.driver.devices.push_back({0x1D6B, 0x0002, nullptr});
        b.hid.devices.push_back({HidAttributes{0x046D, 0xC52B, 0x1200}, nullptr});
    }
    uint8_t status = 0;
    EXPECT_FALSE(b.Connect(&status));
    EXPECT_EQ(status, 0xFF);
    EXPECT_EQ(b.driver.OpensTried(), 32);
    EXPECT_EQ(b.hid.OpensTried(), 128);
    EXPECT_EQ(b.driver.OpenHandles(), 0);
    EXPECT_EQ(b.hid.OpenHandles(), 0);
    EXPECT_EQ(b.Link().handle, -1);
    EXPECT_EQ(b.Link().connected, 0);
    EXPECT_EQ(b.hidMode, 0);
}

TEST(UsbSearch, HidBoardIsClaimedWithItsIndexAndInitialised)
{
    LinkBench b;
    b.BoardOnHid(2);
    uint8_t status = 0;
    ASSERT_TRUE(b.Connect(&status));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(b.hidMode, 1);
    EXPECT_EQ(b.Link().connected, 1);
    EXPECT_EQ(b.Link().state, 1);
    EXPECT_EQ(b.Link().openMarker, 1);
    EXPECT_EQ(b.board.protocol.state.boardNumber, 2);
    EXPECT_EQ(b.board.protocol.state.initFrames, 2);
    // Every HID frame is a whole 64-byte report; the meaningful bytes lead.
    const Frames expected = {"F9 02 00 00", "F9 01 02 00", "F9 04 02 00", "F9 06 02 00",
                             "C5 FF 01 00", "C5 FF 00 00"};
    EXPECT_EQ(b.Frames(4), expected);
    for (const auto &f : b.board.FrameLog())
        EXPECT_EQ(f.size(), 64u);
    for (const auto &pipe : b.Link().pipes)
        EXPECT_EQ(LoadPipeEntry(pipe.data()).maxPacketSize, 64);
    EXPECT_EQ(b.hid.OpenHandles(), 1); // the foreign devices were closed again

    // An open link that still identifies is kept as it is.
    b.board.ClearFrameLog();
    ASSERT_TRUE(b.Connect(&status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(b.Frames(2), Frames{"F9 AC"});
}

TEST(UsbSearch, DriverBoardIsClaimedWithExactFrameLengths)
{
    LinkBench b;
    b.BoardOnDriver(1);
    uint8_t status = 0;
    ASSERT_TRUE(b.Connect(&status));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(b.hidMode, 0);
    EXPECT_EQ(b.Link().deviceName, QStringLiteral("VekUSB-1"));
    EXPECT_EQ(b.board.protocol.state.boardNumber, 1);
    const Frames expected = {"F9 02 00 00", "F9 01 01 00", "F9 04 01 00", "C5 FF 01 00", "C5 FF 00 00"};
    EXPECT_EQ(b.Frames(), expected);
    EXPECT_EQ(b.hid.OpensTried(), 0); // found before the HID search
    EXPECT_EQ(LoadPipeEntry(b.Link().pipes[0].data()).endpointAddress, 0x81);
    EXPECT_EQ(LoadPipeEntry(b.Link().pipes[1].data()).endpointAddress, 0x01);
}

TEST(UsbSearch, DriverBoardAnsweringShortConnectsWhenTheExaminedBytesArrive)
{
    LinkBench b;
    b.BoardOnDriver();
    b.board.faults.shortReply = true; // every reply one byte short of the count asked
    ASSERT_TRUE(b.Connect());
    EXPECT_EQ(b.board.protocol.state.boardNumber, 0);
    EXPECT_EQ(b.board.protocol.state.initFrames, 2);
    // The identity text and chip data are examined whole: a short reply still fails.
    LinkIo io = b.Io();
    EXPECT_FALSE(IdentifyBoard(io, b.Link()));
    EXPECT_EQ(b.Link().connected, 0);
}

TEST(UsbSearch, DriverDevicesThatAreNotTheBoardAreRefused)
{
    struct Case {
        const char *name;
        uint16_t vendor, product;
        bool swapped;
    } cases[] = {{"other vendor", 0x0548, 0x1004, false},
                 {"other product", 0x0547, 0x1005, false},
                 {"pipes the wrong way round", 0x0547, 0x1004, true}};
    for (const Case &c : cases) {
        LinkBench b;
        b.driver.devices.push_back({c.vendor, c.product, &b.board, c.swapped});
        EXPECT_FALSE(b.Connect()) << c.name;
        EXPECT_EQ(b.driver.OpenHandles(), 0) << c.name;
        EXPECT_EQ(b.board.protocol.state.boardNumber, 0xFFFF) << c.name;
    }
}

TEST(UsbSearch, BoardClaimedByAnotherProgramIsSkipped)
{
    LinkBench b;
    b.BoardOnHid();
    b.board.protocol.state.boardNumber = 0; // the number another program gave it
    uint8_t status = 0;
    EXPECT_FALSE(b.Connect(&status));
    EXPECT_EQ(status, 0xFF);
    EXPECT_EQ(b.hid.OpenHandles(), 0);
    EXPECT_EQ(b.board.protocol.state.boardNumber, 0);
    EXPECT_EQ(b.Frames(4), Frames{"F9 02 00 00"});
}

TEST(UsbSearch, WrongIdentityIsNotSearchedThenSupervisionRecovers)
{
    LinkBench b;
    b.BoardOnHid();
    ASSERT_TRUE(b.Connect());
    b.board.faults.wrongIdentity = true;
    const int opens = b.hid.OpensTried();
    uint8_t status = 0;
    EXPECT_FALSE(b.Connect(&status));
    EXPECT_EQ(status, 0xFF);
    EXPECT_EQ(b.hid.OpensTried(), opens); // no search
    EXPECT_EQ(b.Link().connected, 1);

    LinkIo io = b.Io();
    EXPECT_FALSE(SuperviseLink(io, b.Link())); // gives the link up
    EXPECT_EQ(b.Link().handle, -1);
    EXPECT_EQ(b.hid.OpenHandles(), 0);

    b.board.faults.wrongIdentity = false;
    EXPECT_TRUE(SuperviseLink(io, b.Link())); // released when given up: claimed afresh
    EXPECT_EQ(b.Link().connected, 1);
    EXPECT_TRUE(IdentifyBoard(io, b.Link()));
}

// A fault while connected: the call fails, the link closes, and once the fault is gone the next
// supervision check finds the board again.
TEST(UsbFaults, EachFaultClosesTheLinkAndTheNextCheckRecovers)
{
    struct Case {
        const char *name;
        std::function<void(sim::SimBoard &)> on, off;
        bool driverPath;
    };
    const auto noReply = [](sim::SimBoard &s) { s.faults.noReply = true; };
    const auto shortReply = [](sim::SimBoard &s) { s.faults.shortReply = true; };
    const auto garbled = [](sim::SimBoard &s) { s.faults.garbledReply = true; };
    const auto unplug = [](sim::SimBoard &s) { s.faults.unplugAfterFrames = s.FramesReceived() + 1; };
    const auto clear = [](sim::SimBoard &s) { s.faults = {}; };
    const auto replug = [](sim::SimBoard &s) { s.Plug(); };
    const Case cases[] = {
        {"no reply, HID", noReply, clear, false},      {"no reply, driver", noReply, clear, true},
        {"short reply, HID", shortReply, clear, false}, {"short reply, driver", shortReply, clear, true},
        {"garbled, HID", garbled, clear, false},       {"garbled, driver", garbled, clear, true},
        {"unplugged, HID", unplug, replug, false},     {"unplugged, driver", unplug, replug, true},
    };
    for (const Case &c : cases) {
        LinkBench b;
        // Not at index 0: a garbled free number (0xFFFF inverted) must not look like our own claim.
        c.driverPath ? b.BoardOnDriver(1) : b.BoardOnHid(1);
        b.chips[0].interfaceKind = InterfaceKind::UART;
        ASSERT_TRUE(b.Connect()) << c.name;
        c.on(b.board);
        ChipPort port = b.Port();
        // A UART read checks its status byte, so even a garbled reply is caught.
        EXPECT_FALSE(ReadChip(port, 0x40, 4, 0)) << c.name;
        LinkIo io = b.Io();
        if (b.Link().connected) { // the garbled reply came back whole: the identity check fails
            EXPECT_FALSE(SuperviseLink(io, b.Link())) << c.name;
        }
        EXPECT_EQ(b.Link().connected, 0) << c.name;
        EXPECT_EQ(b.Link().handle, -1) << c.name;
        EXPECT_EQ(b.hid.OpenHandles() + b.driver.OpenHandles(), 0) << c.name;
        // Still faulty; only a short reply on the driver path lets the claim through again.
        const bool claims = c.driverPath && b.board.faults.shortReply;
        EXPECT_EQ(SuperviseLink(io, b.Link()), claims) << c.name;
        EXPECT_FALSE(ReadChip(port, 0x40, 4, 0)) << c.name;
        c.off(b.board);
        EXPECT_TRUE(SuperviseLink(io, b.Link())) << c.name;
        EXPECT_TRUE(ReadChip(port, 0x40, 4, 0)) << c.name;
    }
}

TEST(UsbFaults, BoardLostDuringTheClaimIsNoConnection)
{
    LinkBench b;
    b.BoardOnHid();
    b.board.faults.unplugAfterFrames = 2; // the number query works, the claim's reply is lost
    uint8_t status = 0;
    EXPECT_FALSE(b.Connect(&status));
    EXPECT_EQ(status, 0xFF);
    EXPECT_EQ(b.Link().connected, 0);
    EXPECT_EQ(b.hid.OpenHandles(), 0);
}

TEST(UsbTransfer, HidPathMovesWholeReportsWhateverTheCount)
{
    LinkBench b;
    b.BoardOnHid();
    ASSERT_TRUE(b.Connect());
    b.board.memory.Write(0x120, 0x11);
    b.board.memory.Write(0x121, 0x22);
    b.chips[0].interfaceKind = InterfaceKind::SPI;
    b.board.ClearFrameLog();
    b.buffer.fill(0xEE);
    ChipPort port = b.Port();
    ASSERT_TRUE(ReadChip(port, 0x120, 2, 0));
    ASSERT_EQ(b.board.FrameLog().size(), 1u);
    EXPECT_EQ(b.board.FrameLog()[0].size(), 64u);
    // The reply lands at byte 0; the rest of the report (zeros from the board) follows.
    EXPECT_EQ(b.buffer[0], 0x11);
    EXPECT_EQ(b.buffer[1], 0x22);
    EXPECT_EQ(b.buffer[2], 0x00);
    EXPECT_EQ(b.buffer[63], 0x00);
}

TEST(UsbTransfer, ReportLengthOtherThanTheDevicesFailsAndResets)
{
    LinkBench b;
    b.BoardOnHid();
    ASSERT_TRUE(b.Connect());
    b.bus.outputReportLength = 64; // not what the device takes
    LinkIo io = b.Io();
    EXPECT_FALSE(LinkWrite(io, b.Link(), 2));
    EXPECT_EQ(b.Link().connected, 0);
    EXPECT_EQ(b.hid.OpenHandles(), 0);
}

TEST(UsbRelease, ReleaseGivesTheNumberBackThenCloses)
{
    LinkBench b;
    b.BoardOnDriver();
    ASSERT_TRUE(b.Connect());
    b.board.ClearFrameLog();
    LinkIo io = b.Io();
    ReleaseBoard(io, b.Link());
    EXPECT_EQ(b.Frames(), Frames{"F9 01 FF FF"});
    EXPECT_EQ(b.board.protocol.state.boardNumber, 0xFFFF);
    EXPECT_EQ(b.Link().handle, -1);
    EXPECT_EQ(b.driver.OpenHandles(), 0);
    // Nothing to release on a closed link.
    ReleaseBoard(io, b.Link());
    EXPECT_EQ(b.Frames().size(), 1u);
}

// A link that broke (the claim stands on the board) or a board that named itself wrongly: the
// number this program gave it goes back all the same, so the next start finds the board free.
TEST(UsbRelease, ClaimOfABrokenLinkOrAWrongIdentityIsGivenBack)
{
    for (bool driverPath : {false, true}) {
        LinkBench b;
        driverPath ? b.BoardOnDriver(1) : b.BoardOnHid(1);
        ASSERT_TRUE(b.Connect());
        ASSERT_EQ(b.board.protocol.state.boardNumber, 1);
        b.board.faults.noReply = true;
        LinkIo io = b.Io();
        EXPECT_FALSE(IdentifyBoard(io, b.Link()));
        ASSERT_EQ(b.Link().connected, 0);
        b.board.faults = {};
        b.board.ClearFrameLog();
        ReleaseBoard(io, b.Link());
        EXPECT_EQ(b.Frames(4), (Frames{"F9 02 00 00", "F9 01 FF FF"})) << driverPath;
        EXPECT_EQ(b.board.protocol.state.boardNumber, 0xFFFF) << driverPath;
        EXPECT_EQ(b.hid.OpenHandles() + b.driver.OpenHandles(), 0) << driverPath;
        // Given back once: a second release has nothing to do.
        b.board.ClearFrameLog();
        ReleaseBoard(io, b.Link());
        EXPECT_TRUE(b.Frames().empty()) << driverPath;
    }
    LinkBench b;
    b.BoardOnHid();
    ASSERT_TRUE(b.Connect());
    b.board.faults.wrongIdentity = true;
    LinkIo io = b.Io();
    EXPECT_FALSE(SuperviseLink(io, b.Link()));
    EXPECT_EQ(b.board.protocol.state.boardNumber, 0xFFFF);
    EXPECT_EQ(b.hid.OpenHandles(), 0);
}

// A run killed while it held the board leaves a note; the next run takes that board back, while
// a board held by a run that still goes on stays skipped.
TEST(UsbRelease, ABoardClaimedByAKilledRunIsTakenBack)
{
    LinkBench killed;
    killed.BoardOnHid(1);
    ASSERT_TRUE(killed.Connect());
    const QByteArray note = ClaimRecordText(killed.bus, 4321);
    EXPECT_EQ(note, "hid 1 pid 4321\n");

    LinkBench next; // the same board, still holding the number 1
    next.BoardOnHid(1);
    next.board.protocol.state.boardNumber = 1;
    TakeClaimRecord(note, next.bus, [](int64_t) { return true; }); // that run still goes on
    EXPECT_FALSE(next.Connect());
    TakeClaimRecord(note, next.bus, [](int64_t pid) { return pid != 4321; });
    EXPECT_TRUE(next.Connect());
    LinkIo io = next.Io();
    ReleaseBoard(io, next.Link());
    EXPECT_EQ(next.board.protocol.state.boardNumber, 0xFFFF);
    EXPECT_TRUE(ClaimRecordText(next.bus, 1).isEmpty());
}

TEST(UsbSupervision, EveryFifteenthTickIsACheck)
{
    int ticks = 0;
    int due = 0;
    for (int i = 0; i < 45; ++i)
        due += SupervisionTickDue(ticks) ? 1 : 0;
    EXPECT_EQ(due, 3);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(UsesUsbBoard(InterfaceKind::RS232));
    EXPECT_FALSE(UsesUsbBoard(InterfaceKind::Parallel));
    EXPECT_TRUE(UsesUsbBoard(InterfaceKind::Special));
}

TEST(FrameTraceFile, RecordsEveryFrameWithTimeDirectionAndBytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frames.txt"));
    LinkBench b;
    b.BoardOnDriver();
    // The fake clock starts at midnight; 12:34:56.789 that day.
    FakeClock &clock = b.clock;
    clock.AdvanceMs(45296789.0);
    {
        FrameTrace trace(clock, path);
        b.bus.trace = &trace;
        ASSERT_TRUE(b.Connect());
        b.bus.trace = nullptr;
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], QByteArray("12:34:56.789 ->  4  F9 02 00 00"));
    EXPECT_EQ(lines[1], QByteArray("12:34:56.789 <-  8  FF FF 00 00 00 00 00 00"));
    EXPECT_TRUE(lines[2].startsWith("12:34:56.789 -- board claimed on VekUSB-0"));
}

TEST(FrameTraceFile, FailedTransfersAreMarked)
{
    LinkBench b;
    b.BoardOnHid();
    FrameTrace trace(b.clock, QString());
    ASSERT_TRUE(b.Connect());
    b.bus.trace = &trace;
    b.board.faults.noReply = true;
    LinkIo io = b.Io();
    EXPECT_FALSE(IdentifyBoard(io, b.Link()));
    const QByteArray text = trace.Text();
    EXPECT_TRUE(text.contains("->  2  F9 AC\n")) << text.constData();
    EXPECT_TRUE(text.contains("<-  8 FAILED")) << text.constData();
    EXPECT_TRUE(text.contains("-- link closed")) << text.constData();
}

TEST(UsbPermissions, NoticeNamesTheNodeAndTheRuleOncePerNode)
{
    PermissionNotice notice;
    QStringList said;
    notice.sink = [&said](const QString &text) { said << text; };
    notice.Report(QStringLiteral("/dev/hidraw3"));
    notice.Report(QStringLiteral("/dev/hidraw3"));
    notice.Report(QStringLiteral("/dev/bus/usb/001/007"));
    ASSERT_EQ(said.size(), 2);
    EXPECT_TRUE(said[0].contains(QStringLiteral("/dev/hidraw3")));
    EXPECT_TRUE(said[0].contains(QStringLiteral("tools/udev/70-vek-enobtest.rules")));
    EXPECT_TRUE(said[1].contains(QStringLiteral("/dev/bus/usb/001/007")));
}

TEST(UsbPermissions, BoardThatCannotBeOpenedIsNotConnected)
{
    LinkBench b;
    b.hid.devices.push_back({sim::kBoardHidAttributes, &b.board, false});
    EXPECT_FALSE(b.Connect());
    EXPECT_EQ(b.board.FramesReceived(), 0);
}

// The real platform on this machine: whatever it lists, the search ends with a clear result and
// leaves nothing claimed.
TEST(RealPlatform, SearchEndsWithAClearResult)
{
    HidapiBackend hid;
    LibusbBackend driver;
    QStringList said;
    hid.notice.sink = driver.notice.sink = [&said](const QString &text) { said << text; };
    FakeClock clock;
    UsbBus bus;
    bus.hid = &hid;
    bus.driver = &driver;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    LinkIo io{bus, buffer, hidMode, clock};
    UsbLink link;
    uint8_t status = 0;
    const bool found = ConnectLink(io, link, status);
    EXPECT_EQ(status, found ? 1 : 0xFF);
    EXPECT_EQ(link.connected, found ? 1 : 0);
    ReleaseBoard(io, link);
    EXPECT_EQ(link.handle, -1);
}

} // namespace
} // namespace vek::test
