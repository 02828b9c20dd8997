// The RS232 interface against the simulated chip's serial monitor on an in-memory line, on a
// fake clock.
#include "link/ChipAccess.h"
#include "link/SerialChipLink.h"
#include "sim/SimChipMonitor.h"
#include "sim/instruments/LoopbackPort.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vek;

namespace {

// A port that adds line errors to every status query, as a line with the wrong parity does.
class NoisyLine final : public SerialPort {
public:
    NoisyLine(SerialPort &inner, uint32_t errors) : m_inner(inner), m_errors(errors) {}
    bool GetCommState(CommSettings &s) override { return m_inner.GetCommState(s); }
    bool SetCommState(const CommSettings &s) override { return m_inner.SetCommState(s); }
    bool ClearCommError(CommStatus &st) override
    {
        const bool ok = m_inner.ClearCommError(st);
        st.errors |= m_errors;
        return ok;
    }
    bool SetDtr(bool on) override { return m_inner.SetDtr(on); }
    bool PurgeInput() override { return m_inner.PurgeInput(); }
    int Read(uint8_t *b, int max) override { return m_inner.Read(b, max); }
    int Write(const uint8_t *d, int n) override { return m_inner.Write(d, n); }

private:
    SerialPort &m_inner;
    uint32_t m_errors;
};

struct SerialRig {
    FakeClock clock;
    sim::SimChipMemory memory;
    std::shared_ptr<sim::SimChipMonitor> monitor = std::make_shared<sim::SimChipMonitor>(memory, nullptr);
    sim::LoopbackBench bench{clock};
    std::shared_ptr<sim::LoopbackLine> line = bench.Attach("COM3", monitor);
    std::unique_ptr<SerialPort> port = bench.Opener()("COM3");
    TransferBuffer buffer{};
    QString status = QStringLiteral("untouched");
    std::function<void(const QString &)> show = [this](const QString &t) { status = t; };

    double ElapsedMs(double startDays) const { return (clock.NowDays() - startDays) * kMsPerDay; }
    // What the program wrote after the handshake bytes.
    QByteArray WrittenAfterHandshakes() const
    {
        QByteArray w = line->written;
        while (w.startsWith(char(0x55)))
            w.remove(0, 1);
        return w;
    }
};

} // namespace

TEST(SerialChipLink, ReadsAndWritesTheChipMemoryWithTheMonitorFrames)
{
    SerialRig rig;
    for (int i = 0; i < 100; ++i)
        rig.memory.Write(0x180 + uint32_t(i), uint8_t(i * 7 + 1));

    const double start = rig.clock.NowDays();
    ASSERT_TRUE(SerialChipRead(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x180, 100));
    EXPECT_EQ(rig.line->written, QByteArray::fromHex("55c0800164"));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(rig.buffer[size_t(i)], uint8_t(i * 7 + 1)) << i;
    EXPECT_EQ(rig.status, QString()); // an error-free read clears the field
    // Reply times plus the 100 ms pause after an exchange, nothing like a time-out.
    EXPECT_GE(rig.ElapsedMs(start), 100.0);
    EXPECT_LT(rig.ElapsedMs(start), 120.0);

    // A write of two bytes: handshake, then 0x40, address, count and the data in one go.
    rig.line->written.clear();
    rig.buffer[5] = 0x12;
    rig.buffer[6] = 0x34;
    ASSERT_TRUE(SerialChipWrite(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x2A5, 2));
    EXPECT_EQ(rig.line->written, QByteArray::fromHex("5540a502021234"));
    EXPECT_EQ(rig.memory.Read(0x2A5), 0x12);
    EXPECT_EQ(rig.memory.Read(0x2A6), 0x34);
}

TEST(SerialChipLink, AWrongHandshakeCostsThreeAttemptsOnReadAndOneOnWrite)
{
    SerialRig rig;
    rig.monitor->faults.ackByte = 0x55;
    double start = rig.clock.NowDays();
    EXPECT_FALSE(SerialChipRead(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x10, 4));
    // Three attempts of up to 100 ms, each followed by a 4 s pause.
    EXPECT_NEAR(rig.ElapsedMs(start), 3 * 4000.0 + 3 * 2.0, 300.0);
    EXPECT_GE(rig.ElapsedMs(start), 12000.0);
    EXPECT_EQ(rig.line->written, QByteArray::fromHex("555555")); // no command was sent

    rig.line->written.clear();
    start = rig.clock.NowDays();
    rig.buffer[5] = 1;
    EXPECT_FALSE(SerialChipWrite(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x10, 1));
    EXPECT_NEAR(rig.ElapsedMs(start), 4000.0, 150.0);
    EXPECT_EQ(rig.line->written, QByteArray::fromHex("55"));
    EXPECT_EQ(rig.memory.Read(0x10), 0);
}

TEST(SerialChipLink, ShortReadsEmptyReadsAndClosedPorts)
{
    SerialRig rig;
    for (int i = 0; i < 100; ++i)
        rig.memory.Write(0x100 + uint32_t(i), uint8_t(0x80 + i));
    rig.buffer.fill(0xEE);

    // 60 of 100 bytes arrive: after the 4 s data limit the read succeeds with those 60.
    rig.monitor->faults.dataLimit = 60;
    double start = rig.clock.NowDays();
    ASSERT_TRUE(SerialChipRead(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x100, 100));
    EXPECT_NEAR(rig.ElapsedMs(start), 4000.0 + 100.0, 50.0);
    EXPECT_EQ(rig.buffer[59], 0x80 + 59);
    EXPECT_EQ(rig.buffer[60], 0xEE); // the missing bytes keep what the buffer held

    // Nothing after the command: "Data Empty" and a 4 s pause.
    rig.monitor->faults.dataLimit = 0;
    start = rig.clock.NowDays();
    EXPECT_FALSE(SerialChipRead(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x100, 8));
    EXPECT_EQ(rig.status, QStringLiteral("Data Empty"));
    EXPECT_NEAR(rig.ElapsedMs(start), 8000.0, 50.0);

    // A chip that sends more than the buffer holds cannot write past it.
    rig.monitor->faults.dataLimit = -1;
    rig.monitor->faults.extraBytes = 300;
    EXPECT_TRUE(SerialChipRead(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x100, 100));
    EXPECT_EQ(rig.buffer[99], 0x80 + 99);
    EXPECT_EQ(rig.buffer[100], 0x5E); // the first of the extra bytes
    EXPECT_EQ(rig.buffer[rig.buffer.size() - 1], 0x5E);
    rig.monitor->faults.extraBytes = 0;

    // No port (closed) fails at once and sends nothing.
    rig.line->written.clear();
    start = rig.clock.NowDays();
    EXPECT_FALSE(SerialChipRead(nullptr, rig.buffer, rig.clock, rig.show, 0x100, 8));
    EXPECT_FALSE(SerialChipWrite(nullptr, rig.buffer, rig.clock, rig.show, 0x100, 8));
    EXPECT_EQ(rig.ElapsedMs(start), 0.0);
    EXPECT_TRUE(rig.line->written.isEmpty());
}

TEST(SerialChipLink, AWriteNeedsTheChipsAcknowledge)
{
    struct Case {
        int ack;          // the chip's answer to the write (-1: none)
        double minMs, maxMs;
    } cases[] = {{0x00, 4000.0, 4010.0}, {-1, 200.0, 210.0}};
    for (const Case &c : cases) {
        SerialRig rig;
        rig.monitor->faults.writeAck = c.ack;
        rig.buffer[5] = 0x77;
        const double start = rig.clock.NowDays();
        EXPECT_FALSE(SerialChipWrite(rig.port.get(), rig.buffer, rig.clock, rig.show, 0x20, 1));
        // The monitor did take the byte; the program just cannot know.
        EXPECT_EQ(rig.memory.Read(0x20), 0x77);
        EXPECT_GE(rig.ElapsedMs(start), c.minMs) << c.ack;
        EXPECT_LE(rig.ElapsedMs(start), c.maxMs) << c.ack;
    }
}

TEST(SerialChipLink, LineErrorsAreShownButDoNotFailARead)
{
    for (const auto &[errors, text] :
         {std::pair<uint32_t, QString>{kCommRxParity, QStringLiteral("Parity Fail")},
          {kCommFrame, QStringLiteral("Other Err")},
          {kCommRxParity | kCommOverrun, QStringLiteral("Other Err")}}) {
        SerialRig rig;
        rig.memory.Write(0x40, 0x5A);
        NoisyLine noisy(*rig.port, errors);
        ASSERT_TRUE(SerialChipRead(&noisy, rig.buffer, rig.clock, rig.show, 0x40, 1));
        EXPECT_EQ(rig.buffer[0], 0x5A);
        EXPECT_EQ(rig.status, text);
    }
}

TEST(SerialChipLink, ChipAccessTakesTheSlotsComPortOnTheRs232Interface)
{
    SerialRig rig;
    rig.memory.Write(0xF0, 0x01);
    UsbBus bus;
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    SerialChipIo serial;
    serial.port = [&](int64_t handle) { return handle == 42 ? rig.port.get() : nullptr; };
    serial.status = rig.show;
    ChipPort port{LinkIo{bus, rig.buffer, hidMode, rig.clock}, chips, false, QString(), scaleDmm, refresh, &serial};
    chips[0].interfaceKind = InterfaceKind::RS232;
    chips[0].comHandle = 42;

    chips[0].comOpen = 0; // the open flag is what counts
    EXPECT_FALSE(ReadChip(port, 0xF0, 1, 0));
    chips[0].comOpen = 1;
    ASSERT_TRUE(ReadChip(port, 0xF0, 1, 0));
    EXPECT_EQ(rig.buffer[0], 0x01);

    rig.buffer[5] = 0x03;
    ASSERT_TRUE(WriteChip(port, 0xF0, 1, 0));
    EXPECT_EQ(rig.memory.Read(0xF0), 0x03);
    // A register write reads back and stores what the chip holds.
    WriteRegister(port, 0x3C, 0x1A, 0);
    EXPECT_EQ(rig.memory.Read(0x3C), 0x1A);
    EXPECT_EQ(GetImageByte(chips, 0x3C, 0), 0x1A);
}
