// The noise table's sweep on the simulated board: each point's figures against a single capture at
// the same settings, the trends of the converter model, the registers put back, a stop.
#include "analysis/NoiseSweep.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"
#include "sim/SimulatedBoard.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vek;

namespace {

struct SweepRig {
    FakeClock clock;
    sim::SimulatedBoard board{clock};
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ChipModelState model;
    ScaleDmmMemory scaleDmm;
    std::function<void()> noRefresh;
    LinkIo io{bus, buffer, hidMode, clock};
    std::unique_ptr<ChipPort> port;
    SampleStore store;

    SweepRig()
    {
        bus.hid = &board.usb.hid;
        bus.driver = &board.usb.driver;
        const QString dir = QStringLiteral(VEK_SOURCE_DIR "/");
        const int index = ChipIndexFromChoice(dir, QStringLiteral("ZR300"));
        ChipSelectionScope scope = model.Scope(dir, index);
        EXPECT_TRUE(GetSELUP(scope));
        board.SetUpConverter(7, QString(), nullptr);
        board.SetUpForChip(model.chip.productName, index, model.bindings);
        chips[0].chipModel = uint16_t(index);
        chips[0].interfaceKind = InterfaceKind::SPI;
        port = std::make_unique<ChipPort>(
            ChipPort{io, chips, false, model.chip.productName, scaleDmm, noRefresh, nullptr, nullptr});
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, chips[0].link, status));
    }
    SweepIo Io() { return SweepIo{*port, InterfaceKind::SPI, model.bindings.adc, model.chip, clock, store, {}, {}}; }
};

} // namespace

TEST(NoiseSweep, PointsMatchSingleCapturesFollowTheModelAndPutTheRegistersBack)
{
    SweepRig rig;
    auto &memory = rig.board.usb.board.memory;
    memory.Write(0x30, 0x85); // converter on, OSR code 5
    memory.Write(0x3C, 0x0A); // PGA x2, ADGN x4
    // The converter sets its flag (0x30 bit 6) on its own: the settings are what must come back.
    auto settings = [&] { return std::array<int, 3>{memory.Read(0x30) & 0xBF, memory.Read(0x33), memory.Read(0x3C)}; };
    const std::array<int, 3> before = settings();

    SweepOptions o;
    o.osrCodes = {0, 3, 7};
    ASSERT_TRUE(ParseSweepGains(QStringLiteral("0.25,1,16,128"), o.gains));
    o.samples = 2048;
    int reported = 0;
    SweepIo io = rig.Io();
    io.pointDone = [&](const SweepPoint &, int index, int total) {
        EXPECT_EQ(index, reported++);
        EXPECT_EQ(total, 12);
    };
    const SweepRun run = RunNoiseSweep(io, o);
    ASSERT_TRUE(run.ok) << run.error.toStdString();
    ASSERT_EQ(run.points.size(), 12u);
    EXPECT_EQ(reported, 12);
    EXPECT_EQ(settings(), before);

    auto at = [&](int osr, double gain) -> const SweepPoint & {
        for (const SweepPoint &p : run.points)
            if (p.osr == osr && p.gain.Gain() == gain)
                return p;
        throw std::runtime_error("no point");
    };
    for (const SweepPoint &p : run.points) {
        EXPECT_TRUE(p.rate.fromSettings);
        EXPECT_NEAR(p.gainRead, p.gain.Gain(), 1e-12); // the gain registers took the column's gain
        EXPECT_GT(p.settleMs, 0);
    }
    // Noise in codes falls with the oversampling as sqrt(OSR) (white noise): 8x per 3 codes.
    EXPECT_NEAR(at(0, 1).results.sigma / at(3, 1).results.sigma, std::sqrt(8.0), 0.4);
    EXPECT_NEAR(at(0, 0.25).results.sigma / at(3, 0.25).results.sigma, std::sqrt(8.0), 0.4);
    // Input-referred noise falls with the gain until the front end's own noise dominates.
    EXPECT_GT(at(3, 0.25).results.rmsNv, 2 * at(3, 16).results.rmsNv);
    EXPECT_NEAR(at(3, 16).results.rmsNv / at(3, 128).results.rmsNv, 1.0, 0.25);

    // One point again as a single capture at the same settings: the same figures within what
    // another stretch of the same noise gives (sigma of 2048 samples: 1.6 %).
    SweepRig single;
    auto &m = single.board.usb.board.memory;
    m.Write(0x30, uint8_t(0x80 | 3));
    m.Write(0x3C, uint8_t(0x06)); // ADGN x16, PGA off
    m.Write(0x33, uint8_t(m.Read(0x33) | 0x20)); // input shorted
    EnobOptions e;
    e.samples = 2048;
    AnalysisResults results;
    const EnobRun alone = MeasureEnob(*single.port, InterfaceKind::SPI, single.store, e, results);
    ASSERT_TRUE(alone.ok) << alone.error.toStdString();
    const SweepPoint &cell = at(3, 16);
    EXPECT_NEAR(cell.results.sigma / alone.results.sigma, 1.0, 0.06);
    EXPECT_NEAR(cell.results.rmsNv / alone.results.rmsNv, 1.0, 0.06);
    EXPECT_NEAR(cell.results.mean, alone.results.mean, 5 * alone.results.sigma / std::sqrt(2048.0));
}

TEST(NoiseSweep, AStopEndsTheSweepAndStillPutsTheRegistersBack)
{
    SweepRig rig;
    auto &memory = rig.board.usb.board.memory;
    memory.Write(0x30, 0x82);
    const int before = memory.Read(0x30) & 0xBF;
    SweepOptions o;
    o.osrCodes = {0, 1};
    o.samples = 512;
    int points = 0;
    SweepIo io = rig.Io();
    io.pointDone = [&](const SweepPoint &, int, int) { ++points; };
    io.stopRequested = [&] { return points >= 3; };
    const SweepRun run = RunNoiseSweep(io, o);
    EXPECT_TRUE(run.stopped);
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.restored);
    EXPECT_EQ(run.points.size(), 3u);
    EXPECT_EQ(memory.Read(0x30) & 0xBF, before);

    // Options the sweep cannot take.
    std::vector<int> codes;
    EXPECT_TRUE(ParseOsrCodes(QStringLiteral("0-2,5"), codes));
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 2, 5}));
    for (const char *bad : {"", "8", "3-1", "a", "0-7-1", "-1"})
        EXPECT_FALSE(ParseOsrCodes(QString::fromLatin1(bad), codes)) << bad;
    std::vector<SweepGain> gains;
    EXPECT_TRUE(ParseSweepGains(QStringLiteral("1/4,128"), gains));
    EXPECT_EQ(gains.size(), 2u);
    for (const char *bad : {"3", "0", "x2", ""})
        EXPECT_FALSE(ParseSweepGains(QString::fromLatin1(bad), gains)) << bad;
}
