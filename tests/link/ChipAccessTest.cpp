#include "tests/link/LinkFixture.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace vek::test {
namespace {

using Frames = std::vector<QByteArray>;

// A board on the driver path (frames travel with their exact length), connected, log cleared.
struct Connected : LinkBench {
    explicit Connected(InterfaceKind kind)
    {
        BoardOnDriver();
        chips[0].interfaceKind = kind;
        EXPECT_TRUE(Connect());
        board.ClearFrameLog();
    }
};

void PutData(TransferBuffer &b, std::initializer_list<uint8_t> data)
{
    size_t i = 5;
    for (uint8_t v : data)
        b[i++] = v;
}

TEST(ChipFrames, EachDialectByteByByte)
{
    struct Case {
        const char *name;
        InterfaceKind kind;
        bool photo;
        const char *product;
        int model;
        bool read;
        uint16_t address;
        int count;
        QByteArray frame;
    } cases[] = {
        {"SPI read", InterfaceKind::SPI, true, "", 0, true, 0x0123, 3, "BC C0 23 01 03"},
        {"SPI read, no optocoupler", InterfaceKind::SPI, false, "", 0, true, 0x0040, 1, "B1 C0 40 00 01"},
        {"SPI write", InterfaceKind::SPI, true, "", 0, false, 0x0281, 2, "BC 40 81 02 02 A1 A2"},
        {"Special read, banked (ZR200)", InterfaceKind::Special, true, "", 2, true, 0x0123, 8,
         "BE 84 23 08 08"},
        {"Special read, banked, no optocoupler", InterfaceKind::Special, false, "", 2, true, 0x0123, 8,
         "BA 84 23 08 08"},
        {"Special write, banked", InterfaceKind::Special, true, "", 0, false, 0x0305, 1, "BE 0C 05 01 01 A1"},
        {"Special read, plain (ZR100 by list)", InterfaceKind::Special, true, "", 3, true, 0x0023, 2,
         "BE C0 23 02 02"},
        {"Special write, plain (ZR400 by product)", InterfaceKind::Special, true, "ZR400", 2, false, 0x0023,
         1, "BE 40 23 01 01 A1"},
        {"UART read", InterfaceKind::UART, true, "", 0, true, 0x0123, 4, "C1 80 23 01 04"},
        {"UART write", InterfaceKind::UART, false, "", 0, false, 0x00F0, 3, "C1 00 F0 00 03 A1 A2 A3"},
    };
    for (const Case &c : cases) {
        Connected b(c.kind);
        b.photo = c.photo;
        b.productName = QString::fromLatin1(c.product);
        b.chips[0].chipModel = uint16_t(c.model);
        b.board.protocol.state.plainSpecialHeader = UsesPlainSpecialHeader(b.productName, c.model);
        ChipPort port = b.Port();
        PutData(b.buffer, {0xA1, 0xA2, 0xA3});
        const bool ok = c.read ? ReadChip(port, c.address, c.count, 0) : WriteChip(port, c.address, c.count, 0);
        EXPECT_TRUE(ok) << c.name;
        EXPECT_EQ(b.Frames(), Frames{c.frame}) << c.name;
        // Every successful access ends with a 50 ms pause.
        EXPECT_GE(b.clock.SleptMs(), 49.9) << c.name;
        EXPECT_LT(b.clock.SleptMs(), 52.0) << c.name;
    }
}

TEST(ChipFrames, WhatIsWrittenReadsBackOnEveryDialect)
{
    for (InterfaceKind kind : {InterfaceKind::SPI, InterfaceKind::Special, InterfaceKind::UART}) {
        Connected b(kind);
        b.chips[0].chipModel = 2; // a banked Special header
        ChipPort port = b.Port();
        // Bank 4 lies beyond the image but the chip has it.
        PutData(b.buffer, {1, 2, 3, 4});
        ASSERT_TRUE(WriteChip(port, 0x4A0, 4, 0));
        b.buffer.fill(0);
        ASSERT_TRUE(ReadChip(port, 0x4A0, 4, 0));
        EXPECT_EQ(b.buffer[0], 1);
        EXPECT_EQ(b.buffer[3], 4);
        EXPECT_EQ(b.board.memory.Read(0x4A2), 3);
    }
}

TEST(ChipFrames, UartReadFailsOnTheStatusByteAfterThePause)
{
    Connected b(InterfaceKind::UART);
    // The chip side reports a failed read: the bytes arrive but the status is not 0xFA.
    b.board.protocol.AddFrameHandler([](const uint8_t *f, size_t, std::vector<uint8_t> &reply) {
        if (f[0] != 0xC1 || f[1] != 0x80)
            return false;
        reply = {0x10, 0x20, 0x30, 0x40, 0xF0};
        return true;
    });
    ChipPort port = b.Port();
    EXPECT_FALSE(ReadChip(port, 0x40, 4, 0));
    EXPECT_EQ(b.Frames(), Frames{"C1 80 40 00 04"});
    EXPECT_GE(b.clock.SleptMs(), 49.9);
    EXPECT_EQ(b.Link().connected, 1); // the transfers themselves worked
}

TEST(ChipFrames, UartWriteNeedsTheAcknowledge)
{
    Connected b(InterfaceKind::UART);
    b.board.protocol.AddFrameHandler([](const uint8_t *f, size_t, std::vector<uint8_t> &reply) {
        if (f[0] != 0xC1 || f[1] != 0x00)
            return false;
        reply = {0x55};
        return true;
    });
    ChipPort port = b.Port();
    PutData(b.buffer, {7});
    EXPECT_FALSE(WriteChip(port, 0x40, 1, 0));
}

TEST(ChipFrames, CountsBeyondOneFrameAreRefusedWithoutTraffic)
{
    struct Case {
        InterfaceKind kind;
        bool read;
        int count;
        bool ok;
    } cases[] = {
        {InterfaceKind::SPI, false, 59, true},  {InterfaceKind::SPI, false, 60, false},
        {InterfaceKind::SPI, true, 64, true},   {InterfaceKind::SPI, true, 65, false},
        {InterfaceKind::UART, true, 63, true},  {InterfaceKind::UART, true, 64, false},
        {InterfaceKind::Special, true, 0, false},
    };
    for (const Case &c : cases) {
        Connected b(c.kind);
        ChipPort port = b.Port();
        const bool ok = c.read ? ReadChip(port, 0x100, c.count, 0) : WriteChip(port, 0x100, c.count, 0);
        EXPECT_EQ(ok, c.ok) << int(c.kind) << " " << c.count;
        EXPECT_EQ(b.board.FrameLog().empty(), !c.ok);
    }
}

TEST(ChipFrames, OtherInterfacesAndClosedLinks)
{
    for (InterfaceKind kind : {InterfaceKind::RS232, InterfaceKind::Parallel}) {
        Connected b(kind);
        ChipPort port = b.Port();
        EXPECT_FALSE(ReadChip(port, 0x40, 1, 0));
        EXPECT_FALSE(WriteChip(port, 0x40, 1, 0));
        EXPECT_TRUE(b.board.FrameLog().empty());
    }
    // A SPI or Special read on a closed link fails before any frame.
    LinkBench b;
    b.chips[0].interfaceKind = InterfaceKind::Special;
    ChipPort port = b.Port();
    EXPECT_FALSE(ReadChip(port, 0x40, 1, 0));
    EXPECT_FALSE(ReadChip(port, 0x40, 1, 16)); // no such slot
    EXPECT_EQ(b.clock.SleptMs(), 0.0);
}

TEST(ChipFrames, PlainSpecialHeaderRefusesWhatItCannotReach)
{
    struct Case {
        const char *product;
        bool read;
        uint16_t address;
        int count;
        bool ok;
    } cases[] = {
        {"ZR400", false, 0x123, 1, false}, {"ZR100", true, 0x100, 1, false}, {"ZR100", true, 0xF0, 17, false},
        {"ZR100", true, 0xF0, 16, true},   {"ZR400", false, 0xFF, 1, true},  {"ZR200", false, 0x123, 1, true},
    };
    for (const Case &c : cases) {
        Connected b(InterfaceKind::Special);
        b.productName = QString::fromLatin1(c.product);
        b.board.protocol.state.plainSpecialHeader = UsesPlainSpecialHeader(b.productName, 0);
        QStringList said;
        const SerialChipIo serial{nullptr, [&said](const QString &t) { said << t; }};
        ChipPort port = b.Port();
        port.serial = &serial;
        b.board.memory.Write(0x23, 0x11);
        PutData(b.buffer, {0xA1});
        const bool ok = c.read ? ReadChip(port, c.address, c.count, 0) : WriteChip(port, c.address, c.count, 0);
        EXPECT_EQ(ok, c.ok) << c.product << " " << c.address;
        EXPECT_EQ(b.board.FrameLog().empty(), !c.ok) << c.product << " " << c.address;
        EXPECT_EQ(said, c.ok ? QStringList() : QStringList{"Address Out of Range"});
        EXPECT_EQ(b.board.memory.Read(0x23), 0x11); // special register 0x23 untouched
    }
}

TEST(ChipImage, OutsideTheImageReadsZeroAndWritesNothing)
{
    ChipSlots chips{};
    SetImageByte(chips, 0x3FF, 0x5A, 0);
    SetImageByte(chips, -1, 0x77, 0);
    SetImageByte(chips, 1024, 0x77, 0);
    SetImageByte(chips, 0, 0x77, 16);
    EXPECT_EQ(GetImageByte(chips, 0x3FF, 0), 0x5A);
    EXPECT_EQ(GetImageByte(chips, 1024, 0), 0);
    EXPECT_EQ(GetImageByte(chips, -1, 0), 0);
    int sum = 0;
    for (const ChipSlot &s : chips)
        for (uint8_t v : s.image)
            sum += v;
    EXPECT_EQ(sum, 0x5A);
}

TEST(WriteRegisterOp, StoresTheValueThatReadsBack)
{
    Connected b(InterfaceKind::SPI);
    // Bit 7 of this register does not exist on the chip.
    b.board.memory.onWrite = [&b](uint32_t a, uint8_t v) {
        if (a == 0x45 && (v & 0x80))
            b.board.memory.Write(a, v & 0x7F);
    };
    ChipPort port = b.Port();
    WriteRegister(port, 0x45, 0xC3, 0);
    EXPECT_EQ(b.Frames(), (Frames{"BC 40 45 00 01 C3", "BC C0 45 00 01"}));
    EXPECT_EQ(GetImageByte(b.chips, 0x45, 0), 0x43);
    EXPECT_EQ(b.refreshes, 1);
    EXPECT_GE(b.clock.SleptMs(), 99.9);
}

TEST(WriteRegisterOp, Register1BIsWrittenAsAPairAndKeptAsZero)
{
    Connected b(InterfaceKind::SPI);
    SetImageByte(b.chips, 0x1A, 0x5A, 0);
    SetImageByte(b.chips, 0x1B, 0x99, 0);
    ChipPort port = b.Port();
    WriteRegister(port, 0x1B, 0x77, 0);
    EXPECT_EQ(b.Frames(), Frames{"BC 40 1A 00 02 5A 77"});
    EXPECT_EQ(b.board.memory.Read(0x1A), 0x5A);
    EXPECT_EQ(b.board.memory.Read(0x1B), 0x77);
    EXPECT_EQ(GetImageByte(b.chips, 0x1B, 0), 0);
    EXPECT_EQ(GetImageByte(b.chips, 0x1A, 0), 0x5A);
    EXPECT_EQ(b.refreshes, 1);
}

TEST(WriteRegisterOp, Registers31And32SettleForASecond)
{
    Connected b(InterfaceKind::SPI);
    ChipPort port = b.Port();
    WriteRegister(port, 0x31, 0x12, 0);
    EXPECT_EQ(b.Frames(), (Frames{"BC 40 31 00 01 12", "BC C0 31 00 01"}));
    EXPECT_GE(b.clock.SleptMs(), 1099.0); // 1000 ms settling and two 50 ms pauses
    EXPECT_EQ(GetImageByte(b.chips, 0x31, 0), 0x12);
}

TEST(WriteRegisterOp, UartSetsUpTheBoardFirst)
{
    Connected b(InterfaceKind::UART);
    ChipPort port = b.Port();
    WriteRegister(port, 0x50, 0x21, 0);
    EXPECT_EQ(b.Frames(), (Frames{"C0 00 00 06 81 02", "C1 00 50 00 01 21", "C1 80 50 00 01"}));
    EXPECT_EQ(GetImageByte(b.chips, 0x50, 0), 0x21);
}

TEST(WriteRegisterOp, AFailedTransferLeavesImageAndPanelsAlone)
{
    Connected b(InterfaceKind::SPI);
    SetImageByte(b.chips, 0x50, 0x33, 0);
    b.board.faults.noReply = true;
    ChipPort port = b.Port();
    WriteRegister(port, 0x50, 0x21, 0);
    EXPECT_EQ(GetImageByte(b.chips, 0x50, 0), 0x33);
    EXPECT_EQ(b.refreshes, 0);
    EXPECT_EQ(b.Link().connected, 0);
    // With the link closed a Special or SPI read now fails at once; a write still tries.
    b.board.ClearFrameLog();
    EXPECT_FALSE(ReadChip(port, 0x50, 1, 0));
    EXPECT_TRUE(b.board.FrameLog().empty());
}

TEST(WriteRegisterOp, ScaleAndDmmRememberTheRequestedValue)
{
    struct Case {
        int comFun;
        uint16_t address;
        int set, entry;
    } cases[] = {{1, 0x3D, 1, 1}, {0, 0x3C, 0, 0}, {0, 0x40, 0, 4}, {1, 0x30, 1, 5}, {2, 0x3D, -1, -1},
                 {0, 0x41, -1, -1}};
    for (const Case &c : cases) {
        Connected b(InterfaceKind::SPI);
        b.scaleDmm.comFun = c.comFun;
        // The chip keeps only the low nibble, so the read-back differs from the request.
        b.board.memory.onWrite = [&b](uint32_t a, uint8_t v) {
            if (v & 0xF0)
                b.board.memory.Write(a, v & 0x0F);
        };
        ChipPort port = b.Port();
        WriteRegister(port, c.address, 0xA7, 0);
        EXPECT_EQ(GetImageByte(b.chips, c.address, 0), 0x07);
        int stored = 0;
        for (const auto &set : b.scaleDmm.sets)
            for (uint8_t v : set)
                stored += v != 0;
        if (c.set < 0) {
            EXPECT_EQ(stored, 0) << c.address;
        } else {
            EXPECT_EQ(stored, 1) << c.address;
            EXPECT_EQ(b.scaleDmm.sets[size_t(c.set)][size_t(c.entry)], 0xA7) << c.address;
        }
    }
}

TEST(BoardCommands, ResetPulseStatusTextUartSetupAndSleep)
{
    Connected b(InterfaceKind::SPI);
    LinkIo io = b.Io();
    PulseReset(io, b.Link());
    EXPECT_EQ(b.Frames(), (Frames{"B5 01 01", "B5 01 00", "B5 01 01"}));
    EXPECT_EQ(b.board.protocol.state.chipResets, 1);
    EXPECT_GE(b.clock.SleptMs(), 2199.0); // 100 + 100 + 2000 ms

    b.board.ClearFrameLog();
    b.board.protocol.state.status = {0x20, 0x03, 0x04};
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    ASSERT_TRUE(ReadBoardStatus(io, b.Link(), s1, s2, s3));
    EXPECT_EQ(s1, 0x20);
    EXPECT_EQ(s2, 0x03);
    EXPECT_EQ(s3, 0x04);
    QString text;
    ASSERT_TRUE(ReadBoardText(io, b.Link(), text));
    EXPECT_EQ(text, QStringLiteral("ENOB-SIM"));
    EXPECT_TRUE(SetupUartLink(io, b.Link()));
    ChipPort port = b.Port();
    EXPECT_TRUE(SleepChip(port));
    EXPECT_EQ(b.Frames(), (Frames{"B5 07 00", "F9 05 00 00 00 00 00 00", "C0 00 00 06 81 02",
                                  "BC 40 FD 00 01 A5"}));
    EXPECT_EQ(b.board.memory.Read(0xFD), 0xA5);
}

TEST(BoardCommands, ResetPulseFailureLeavesTheSlotLinkMarkedConnected)
{
    Connected b(InterfaceKind::SPI);
    b.board.faults.noReply = true;
    LinkIo io = b.Io();
    PulseReset(io, b.Link());
    EXPECT_EQ(b.Frames(), Frames{"B5 01 01"});
    EXPECT_EQ(b.Link().connected, 1);
    // Its handle went with the copy, so the next transfer fails and closes the link properly.
    b.board.faults.noReply = false;
    uint8_t s1, s2, s3;
    EXPECT_FALSE(ReadBoardStatus(io, b.Link(), s1, s2, s3));
    EXPECT_EQ(b.Link().connected, 0);
}

TEST(BoardCommands, UartSetupNeedsAHandle)
{
    LinkBench b;
    b.BoardOnHid();
    LinkIo io = b.Io();
    EXPECT_FALSE(SetupUartLink(io, b.Link()));
    EXPECT_TRUE(b.board.FrameLog().empty());
}

TEST(SpecialHeader, ModelDecidesPlainOrBanked)
{
    EXPECT_TRUE(UsesPlainSpecialHeader(QStringLiteral("ZR100"), 0));
    EXPECT_TRUE(UsesPlainSpecialHeader(QStringLiteral("zr400"), 0));
    EXPECT_FALSE(UsesPlainSpecialHeader(QStringLiteral("ZR200"), 3)); // the description decides
    EXPECT_TRUE(UsesPlainSpecialHeader(QString(), 3));               // "ZR100  (2k)" of the built-in list
    EXPECT_TRUE(UsesPlainSpecialHeader(QString(), 63));
    EXPECT_FALSE(UsesPlainSpecialHeader(QString(), 2));
    EXPECT_FALSE(UsesPlainSpecialHeader(QString(), 64));
    EXPECT_EQ(SpecialHeaderByte(false, true, 0x0123), 0x84);
    EXPECT_EQ(SpecialHeaderByte(false, false, 0x1F00), 0x7C);
    EXPECT_EQ(SpecialHeaderByte(false, true, 0x2000), 0x80); // bits above the header's reach drop out
    EXPECT_EQ(SpecialHeaderByte(true, true, 0x0123), 0xC0);
    EXPECT_EQ(SpecialHeaderByte(true, false, 0x0123), 0x40);
}

} // namespace
} // namespace vek::test
