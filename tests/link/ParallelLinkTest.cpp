// The parallel-port link: bit sequences on the port registers, the port preparation, chip access
// through the simulated parallel chip, and openings that fail.
#include "link/ChipAccess.h"
#include "link/LinuxParallelPort.h"
#include "link/ParallelLink.h"
#include "sim/SimParallelChip.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vek::test {
namespace {

struct Access {
    char op; // 'r' or 'w'
    ParallelRegister reg;
    uint8_t value;
};

// Ports that log every access; status reads take the next value of `statusReads`.
struct RecordingPlatform final : ParallelPlatform {
    std::vector<Access> log;
    uint8_t regs[3] = {0, 0, 0x04};
    std::vector<uint8_t> statusReads;
    bool byteMode = false;

    struct Port final : ParallelPort {
        explicit Port(RecordingPlatform &p) : p(p) {}
        bool Read(ParallelRegister reg, uint8_t &value) override
        {
            value = p.regs[int(reg)];
            if (reg == ParallelRegister::Status && !p.statusReads.empty()) {
                value = p.statusReads.front();
                p.statusReads.erase(p.statusReads.begin());
            }
            p.log.push_back({'r', reg, value});
            return true;
        }
        bool Write(ParallelRegister reg, uint8_t value) override
        {
            p.regs[int(reg)] = value;
            p.log.push_back({'w', reg, value});
            return true;
        }
        bool SetByteMode() override { return p.byteMode = true; }
        RecordingPlatform &p;
    };
    ParallelOpening Open(uint16_t) override
    {
        ParallelOpening o;
        o.device = QStringLiteral("rec");
        o.port = std::make_unique<Port>(*this);
        return o;
    }
    std::vector<uint8_t> ControlWrites() const
    {
        std::vector<uint8_t> v;
        for (const Access &a : log)
            if (a.op == 'w' && a.reg == ParallelRegister::Control)
                v.push_back(a.value);
        return v;
    }
};

struct Recorded {
    RecordingPlatform rec;
    ParallelLink link;
    explicit Recorded(uint16_t base = 0x2BC)
    {
        link.platform = &rec;
        EXPECT_TRUE(link.InitParallel(base));
        rec.log.clear();
    }
};

TEST(ParallelBits, SendByteA5IsEightClockPulsesMsbFirst)
{
    Recorded r;
    ASSERT_TRUE(r.link.SendByte(0xA5));
    ASSERT_FALSE(r.rec.log.empty());
    EXPECT_EQ(r.rec.log[0].op, 'r'); // the control register is read once, first
    EXPECT_EQ(r.rec.log[0].reg, ParallelRegister::Control);
    const std::vector<uint8_t> expected = {
        0x05, 0x0D, 0x05, 0x04, 0x0C, 0x04, 0x05, 0x0D, 0x05, 0x04, 0x0C, 0x04,
        0x04, 0x0C, 0x04, 0x05, 0x0D, 0x05, 0x04, 0x0C, 0x04, 0x05, 0x0D, 0x05};
    EXPECT_EQ(r.rec.ControlWrites(), expected);
    EXPECT_EQ(r.rec.log.size(), 25u);
    // The data bit seen at each rising clock edge.
    std::vector<int> bits;
    uint8_t prev = 0x04;
    for (uint8_t c : r.rec.ControlWrites()) {
        if (!(prev & 0x08) && (c & 0x08))
            bits.push_back(c & 1);
        prev = c;
    }
    EXPECT_EQ(bits, (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1}));
}

TEST(ParallelBits, FrameReceiveAndPause)
{
    Recorded r;
    r.rec.regs[2] = 0x0D;
    ASSERT_TRUE(r.link.BeginFrame());
    EXPECT_EQ(r.rec.ControlWrites(), (std::vector<uint8_t>{0x06, 0x04}));
    r.rec.log.clear();
    ASSERT_TRUE(r.link.EndFrame());
    EXPECT_EQ(r.rec.ControlWrites(), (std::vector<uint8_t>{0x06}));

    for (int n : {0, 1000}) {
        r.rec.log.clear();
        ASSERT_TRUE(r.link.PortWait(n));
        ASSERT_EQ(r.rec.log.size(), size_t(n + 1));
        for (const Access &a : r.rec.log)
            ASSERT_TRUE(a.op == 'r' && a.reg == ParallelRegister::Data);
    }

    // 0x5A on status bit 6, other status bits noise; each status read happens with the clock high.
    r.rec.log.clear();
    r.rec.regs[2] = 0x04;
    for (int bit = 7; bit >= 0; --bit)
        r.rec.statusReads.push_back(uint8_t(((0x5A >> bit) & 1) ? 0xFF : 0xBF));
    uint8_t got = 0;
    ASSERT_TRUE(r.link.ReceiveByte(got));
    EXPECT_EQ(got, 0x5A);
    int statusReads = 0;
    for (const Access &a : r.rec.log)
        statusReads += a.reg == ParallelRegister::Status ? 1 : 0;
    EXPECT_EQ(statusReads, 8);
    for (size_t i = 1; i + 1 < r.rec.log.size(); ++i)
        if (r.rec.log[i].reg == ParallelRegister::Status) {
            EXPECT_EQ(r.rec.log[i - 1].value, 0x0C);
            EXPECT_EQ(r.rec.log[i + 1].value, 0x04);
        }
}

TEST(ParallelInit, KnownBasesArePreparedOthersStillTransfer)
{
    for (uint16_t base : {0x378, 0x278, 0x3BC}) {
        RecordingPlatform rec;
        rec.regs[0] = 0x77;
        rec.regs[2] = 0xFF;
        ParallelLink link;
        link.platform = &rec;
        ASSERT_TRUE(link.InitParallel(base));
        EXPECT_TRUE(rec.byteMode);
        EXPECT_EQ(rec.regs[0], 0);
        EXPECT_EQ(rec.regs[2], 0xD6);
    }
    RecordingPlatform rec;
    rec.regs[0] = 0x77;
    ParallelLink link;
    link.platform = &rec;
    ASSERT_TRUE(link.InitParallel(0x2BC));
    EXPECT_TRUE(rec.log.empty());
    EXPECT_FALSE(rec.byteMode);
    EXPECT_TRUE(link.SendByte(0x01));
    EXPECT_EQ(rec.ControlWrites().size(), 24u);
    // A register outside the open port's three is refused.
    uint8_t v;
    EXPECT_FALSE(link.ReadPort(0x378, v));
    EXPECT_TRUE(link.ReadPort(0x2BE, v));
}

// The simulated parallel chip on its own memory.
struct SimParallel {
    sim::SimChipMemory memory;
    sim::SimParallelChip chip{memory, nullptr};
    sim::SimParallelPlatform platform{chip};
    ParallelLink link;
    FakeClock clock;
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, QString(), scaleDmm, refresh, nullptr, &link};
    SimParallel()
    {
        link.platform = &platform;
        chips[0].interfaceKind = InterfaceKind::Parallel;
    }
};

TEST(ParallelChip, ReadsAndWritesTheChipMemory)
{
    SimParallel s;
    ASSERT_TRUE(s.link.InitParallel(0x378));
    EXPECT_TRUE(s.chip.ByteMode());
    EXPECT_EQ(s.link.StatusText(), QStringLiteral("LPT simulated parport0"));
    for (uint32_t a = 0; a < 0x400; ++a)
        s.memory.Write(a, uint8_t(a * 7 + (a >> 8)));

    // The whole image in 64-byte blocks, as the RAM read does it.
    for (int block = 0; block < kChipMemorySize; block += 64) {
        ASSERT_TRUE(ReadChip(s.port, uint16_t(block), 64, 0));
        for (int i = 0; i < 64; ++i)
            SetImageByte(s.chips, block + i, s.buffer[size_t(i)], 0);
    }
    for (uint32_t a = 0; a < 0x400; ++a)
        ASSERT_EQ(GetImageByte(s.chips, int(a), 0), s.memory.Read(a)) << a;
    EXPECT_NEAR(s.clock.SleptMs(), 16 * 50.0, 16.0); // 50 ms after every read
    EXPECT_EQ(s.chip.LastFrame(), (std::vector<uint8_t>{0xC0, 0xC0, 0x03}));

    s.buffer[5] = 0x12;
    s.buffer[6] = 0x34;
    const double sleptBeforeWrite = s.clock.SleptMs();
    ASSERT_TRUE(WriteChip(s.port, 0x23C, 2, 0));
    EXPECT_NEAR(s.clock.SleptMs() - sleptBeforeWrite, 50.0, 1.0); // a write pauses as a read does
    EXPECT_EQ(s.memory.Read(0x23C), 0x12);
    EXPECT_EQ(s.memory.Read(0x23D), 0x34);
    EXPECT_EQ(s.chip.LastFrame(), (std::vector<uint8_t>{0x40, 0x3C, 0x02, 0x12, 0x34}));
    EXPECT_EQ(s.chip.ControlRegister() & 0x0A, 0x02) << "frame ended, clock low";
}

TEST(ParallelChip, LocalFailuresMakeTheAccessFail)
{
    {
        SimParallel s;
        s.link.platform = nullptr;
        EXPECT_FALSE(s.link.InitParallel(0x378));
        EXPECT_FALSE(ReadChip(s.port, 0, 1, 0));
        EXPECT_FALSE(WriteChip(s.port, 0, 1, 0));
        EXPECT_EQ(s.clock.SleptMs(), 0.0);
    }
    const std::pair<ParallelOpenError, QString> cases[] = {
        {ParallelOpenError::Missing, QStringLiteral("LPT simulated parport0 missing")},
        {ParallelOpenError::Permission, QStringLiteral("LPT simulated parport0: permission denied")},
        {ParallelOpenError::Busy, QStringLiteral("LPT simulated parport0 busy")}};
    for (const auto &[error, text] : cases) {
        SimParallel s;
        s.platform.openError = error;
        EXPECT_FALSE(s.link.InitParallel(0x378));
        EXPECT_EQ(s.link.StatusText(), text);
        EXPECT_FALSE(ReadChip(s.port, 0, 1, 0));
        EXPECT_EQ(s.platform.accesses, 0u);
    }
    // A register access that keeps failing: tried four times, then the access fails.
    SimParallel s;
    ASSERT_TRUE(s.link.InitParallel(0x378));
    s.platform.failAccesses = true;
    s.platform.accesses = 0;
    EXPECT_FALSE(ReadChip(s.port, 0x10, 1, 0));
    EXPECT_EQ(s.platform.accesses, 4u);
    s.buffer[5] = 1;
    EXPECT_FALSE(WriteChip(s.port, 0x10, 1, 0));
    EXPECT_EQ(s.memory.Read(0x10), 0);
    EXPECT_EQ(s.clock.SleptMs(), 0.0);
}

void WriteFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(LinuxParallel, TheBaseAddressNamesTheDeviceAndMissingDevicesFailAtOnce)
{
    QTemporaryDir dir;
    LinuxParallelPlatform platform;
    platform.paths = {dir.filePath("sys"), dir.filePath("proc"), dir.filePath("dev")};
    platform.allowDirectIo = false;
    QDir().mkpath(dir.filePath("dev"));
    WriteFile(dir.filePath("proc/parport0/base-addr"), "888\t1912\n");
    WriteFile(dir.filePath("proc/parport0/modes"), "PCSPP,TRISTATE,COMPAT,ECP\n");
    WriteFile(dir.filePath("proc/parport1/base-addr"), "632\t0\n");
    WriteFile(dir.filePath("proc/parport1/modes"), "PCSPP\n");
    QDir().mkpath(dir.filePath("sys/parport1"));

    bool ecr = false;
    EXPECT_EQ(FindParallelPortNumber(platform.paths, 0x378, &ecr), 0);
    EXPECT_TRUE(ecr);
    EXPECT_EQ(FindParallelPortNumber(platform.paths, 0x278, &ecr), 1);
    EXPECT_FALSE(ecr);
    EXPECT_EQ(FindParallelPortNumber(platform.paths, 0x3BC), -1);

    QElapsedTimer t;
    t.start();
    ParallelLink link;
    link.platform = &platform;
    EXPECT_FALSE(link.InitParallel(0x278));
    EXPECT_EQ(link.StatusText(), QStringLiteral("LPT %1 missing")
                                     .arg(dir.filePath("dev/parport1")));
    // No port at 0x3BC: the first port is tried, and the text says so.
    ParallelOpening o = platform.Open(0x3BC);
    EXPECT_TRUE(o.fallback);
    EXPECT_EQ(o.device, dir.filePath("dev/parport0"));
    EXPECT_EQ(o.error, ParallelOpenError::Missing);
    EXPECT_EQ(ParallelOpeningText(o, 0x3BC),
              QStringLiteral("LPT %1 missing (no port at 0x3BC)").arg(o.device));
    // Something that is not a ppdev device cannot be claimed.
    WriteFile(dir.filePath("dev/parport0"), "");
    o = platform.Open(0x378);
    EXPECT_EQ(o.error, ParallelOpenError::Failed);
    EXPECT_FALSE(o.port);
    EXPECT_LT(t.elapsed(), 500);
}

} // namespace
} // namespace vek::test
