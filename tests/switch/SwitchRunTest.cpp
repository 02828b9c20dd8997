// The channel switch test without a window: its settings and result files, the placement of the
// results, and whole runs against the simulated board and the chip's test program on a fake clock.
#include "bench/SwitchRun.h"
#include "bench/SwitchTest.h"
#include "link/ChipBlockTransfer.h"
#include "sim/SimAdc.h"
#include "sim/SimBlockTransfer.h"
#include "sim/SimSwitchTest.h"
#include "sim/SimUsbBackends.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace vek;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double StdDev(const std::vector<int32_t> &v, int n)
{
    double sum = 0, sq = 0;
    for (int i = 0; i < n; ++i) {
        sum += v[size_t(i)];
        sq += double(v[size_t(i)]) * v[size_t(i)];
    }
    const double mean = sum / n;
    return std::sqrt(std::max(0.0, sq / n - mean * mean));
}

struct Rig {
    FakeClock clock;
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    sim::SimBlockTransfer transfer{usb.board.memory};
    sim::SimSwitchTest firmware{usb.board, adc, clock, transfer};
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, QString(), scaleDmm, refresh, nullptr};
    SwitchTest test;
    bool stop = false;
    std::map<int, QString> status;
    std::vector<int> gauge;
    bool gaugeVisible = true;
    std::function<void()> onPump;

    explicit Rig(bool photo = false)
    {
        bus.hid = &usb.hid;
        bus.driver = &usb.driver;
        usb.board.keepFrameLog = false;
        port.photo = photo;
        uint8_t s = 0xFF;
        EXPECT_TRUE(ConnectLink(io, chips[0].link, s));
    }
    SwitchRunOutcome Run(int32_t divisor = 1)
    {
        SwitchRunIo run(port);
        run.scaleDivisor = divisor;
        run.stop = &stop;
        run.pump = [this] {
            if (onPump)
                onPump();
        };
        run.status = [this](int field, const QString &text) { status[field] = text; };
        run.gauge = [this](bool visible, int percent) {
            gaugeVisible = visible;
            if (visible)
                gauge.push_back(percent);
        };
        return RunSwitchTest(run, test);
    }
    void Check(std::initializer_list<int> channels)
    {
        test.checked.fill(false);
        for (int c : channels)
            test.checked[size_t(c)] = true;
    }
    uint8_t Mem(uint32_t a) const { return usb.board.memory.Read(a); }
};

} // namespace

TEST(SwitchSettings, StepFileWritesTwelveFixedWidthLinesAndReadsThemBack)
{
    SwitchTest t;
    t.checked[2] = true;
    t.sets[7].values[10] = 255;
    t.currentStep = 2;
    const QByteArray text = SerializeStepFile(t);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 13); // twelve lines, each ended by CR LF
    EXPECT_EQ(lines[0], "   2   0\r");
    EXPECT_EQ(lines[1], "   0   0   1   0   0   0   0   0\r");
    EXPECT_EQ(lines[2], "  49  50  55  60  61  62  63  64  48  73  52\r");
    EXPECT_EQ(lines[10], "   0   0   0   0   0   0   0   0   0   0 255\r");
    EXPECT_EQ(lines[11], "   2\r");
    SwitchTest back;
    EXPECT_EQ(ParseStepFile(text, back), 12);
    EXPECT_EQ(SerializeStepFile(back), text);
}

TEST(SwitchSettings, ValuesOutOfRangeAreBroughtIntoRangeAndAShortFileKeepsTheRest)
{
    SwitchTest t;
    t.sets[1].values[0] = 9;
    // Line 3 is ignored whatever it holds; the address lists become the fixed list.
    t.sets[0].addresses.fill(0);
    const QByteArray text = "  99  -3\r\n   2   0   0   0   0   0   0   1\r\nanything\r\n"
                            " 300  -5   7   0   0   0   0   0   0   0   1\r\n";
    EXPECT_EQ(ParseStepFile(text, t), 4);
    EXPECT_EQ(t.evStepIndex, -1);
    EXPECT_EQ(t.loopStepIndex, -1);
    ApplySampleIndex(t, t.evStepIndex);
    EXPECT_EQ(t.Samples(), 4);
    EXPECT_TRUE(t.checked[0]);
    EXPECT_TRUE(t.checked[7]);
    EXPECT_EQ(t.sets[0].values[0], 255);
    EXPECT_EQ(t.sets[0].values[1], 0);
    EXPECT_EQ(t.sets[0].values[2], 7);
    EXPECT_EQ(t.sets[0].addresses, kSetRegisters);
    EXPECT_EQ(t.sets[1].values[0], 9); // line 5 missing: kept
    // A step beyond the eighth is the eighth; text where a number belongs ends the reading.
    SwitchTest u;
    EXPECT_EQ(ParseStepFile(SerializeStepFile(u).replace("\r\n   0\r\n", "\r\n  12\r\n"), u), 12);
    EXPECT_EQ(u.currentStep, 7);
    EXPECT_EQ(ParseStepFile("   1   1\r\n   1   x\r\n", u), 1);
    EXPECT_FALSE(u.checked[0]);
}

TEST(SwitchSettings, ListPositionsAndTheStepShown)
{
    EXPECT_EQ(SamplesForIndex(6), 64);
    EXPECT_EQ(SamplesForIndex(7), 4);
    EXPECT_EQ(LoopsForIndex(8), 256);
    EXPECT_EQ(LoopsForIndex(-1), 4);
    SwitchTest t;
    t.checked = {true, false, true, true, false, false, false, false};
    // Channel 4 has its own results although channel 2 is unchecked; channel 2 has none.
    EXPECT_EQ(ShownStep(t, 3), 3);
    EXPECT_EQ(ShownStep(t, 1), 0);
    t.checked[3] = false;
    EXPECT_EQ(ShownStep(t, 3), 0);
    EXPECT_EQ(ShownStep(t, 9), 0);
}

TEST(SwitchResults, CsvFilesHaveTheirExactTextAndAreWrittenAllOrNothing)
{
    SwitchTest t;
    ApplySampleIndex(t, 1); // S = 2
    t.sets[0].results[0] = 5;
    t.sets[0].results[1] = -7;
    EXPECT_EQ(SwitchCsvText(t.sets[0], 2, 1), QByteArray("  , Data 0, Data 1\r\n1, 5, -7\r\n"));

    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    for (int k = 0; k < 8; ++k) {
        QFile old(folder + SwitchCsvName(k));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    // File 5 cannot be written (a folder stands in its place): none of the eight changes.
    ASSERT_TRUE(QFile::remove(folder + "VekADCSW5.CSV"));
    ASSERT_TRUE(QDir(folder).mkdir("VekADCSW5.CSV"));
    int failed = -1;
    EXPECT_FALSE(WriteSwitchCsvFiles(folder, t, &failed));
    EXPECT_EQ(failed, 5);
    EXPECT_EQ(ReadAll(folder + "VekADCSW0.CSV"), "old");
    EXPECT_EQ(ReadAll(folder + "VekADCSW7.CSV"), "old");
    ASSERT_TRUE(QDir(folder).rmdir("VekADCSW5.CSV"));
    EXPECT_TRUE(WriteSwitchCsvFiles(folder, t, &failed));
    EXPECT_EQ(ReadAll(folder + "VekADCSW0.CSV"), "  , Data 0, Data 1\r\n1, 5, -7\r\n");
    EXPECT_EQ(ReadAll(folder + "VekADCSW5.CSV"), "  , Data 0, Data 1\r\n1, 0, 0\r\n");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 8); // no temporary files left

    // A rename that fails midway (file 5 taking its name) puts the five new ones back to old.
    const QByteArray firstRun = ReadAll(folder + "VekADCSW0.CSV");
    t.sets[0].results[0] = 6;
    int renames = 0;
    auto failAtFive = [&](const QString &from, const QString &to) {
        ++renames;
        return !(from.endsWith("VekADCSW5.CSV.new") && to.endsWith("VekADCSW5.CSV")) && RenameFile(from, to);
    };
    EXPECT_FALSE(WriteSwitchCsvFiles(folder, t, &failed, failAtFive));
    EXPECT_EQ(failed, 5);
    EXPECT_GT(renames, 10);
    EXPECT_EQ(ReadAll(folder + "VekADCSW0.CSV"), firstRun);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 8);
}

TEST(SwitchResults, PlacementDecodingAndTheStatusFigures)
{
    // S = 4, L = 2, channels 1 and 2: sixteen results in one block.
    SwitchTest t;
    std::vector<uint8_t> block;
    for (int i = 0; i < 16; ++i)
        block.insert(block.end(), {uint8_t(i), 0, 0});
    int q = 0;
    PlaceSwitchResults(block.data(), 48, q, {0, 1}, 4, 1, t);
    EXPECT_EQ(q, 16);
    const std::vector<int32_t> set0(t.sets[0].results.begin(), t.sets[0].results.begin() + 8);
    const std::vector<int32_t> set1(t.sets[1].results.begin(), t.sets[1].results.begin() + 8);
    EXPECT_EQ(set0, (std::vector<int32_t>{0, 1, 2, 3, 8, 9, 10, 11}));
    EXPECT_EQ(set1, (std::vector<int32_t>{4, 5, 6, 7, 12, 13, 14, 15}));
    // Channels 1 and 3: the second rank is channel 3's.
    SwitchTest u;
    q = 0;
    PlaceSwitchResults(block.data(), 24, q, {0, 2}, 4, 1, u);
    EXPECT_EQ(u.sets[2].results[0], 4);
    EXPECT_EQ(u.sets[1].results[0], 0);

    const uint8_t minusOne[3] = {0xFF, 0xFF, 0xFF}, largest[3] = {0xFF, 0xFF, 0x7F};
    for (auto [bytes, divisor, expected] : {std::tuple{minusOne, 1, -1}, std::tuple{minusOne, 256, 0},
                                            std::tuple{largest, 65536, 127}}) {
        q = 0;
        PlaceSwitchResults(bytes, 3, q, {0}, 1, divisor, u);
        EXPECT_EQ(u.sets[0].results[0], expected);
    }
    EXPECT_EQ(SwitchBlockBytes(20), 48);
    EXPECT_EQ(SwitchBlockBytes(4), 12);
    EXPECT_EQ(ElapsedWholeSeconds(46000.25, 46000.25 + 3725.0 / 86400), 3725);
    EXPECT_EQ(SwitchDoneBit("ENOB-SIM", true), 0x10);
    EXPECT_EQ(SwitchDoneBit("ENOB-SIM", false), 0x20);
    EXPECT_EQ(SwitchDoneBit("OTHERBRD", true), 0x20);
}

TEST(SwitchRun, ChannelsOneAndThreeRunWithTheirOwnGains)
{
    for (bool photo : {false, true}) {
        SCOPED_TRACE(photo);
        Rig rig(photo);
        rig.adc.inputVolts = 0.001;
        rig.adc.Seed(5);
        rig.Check({0, 2});
        ApplySampleIndex(rig.test, 4); // S = 16
        ApplyLoopIndex(rig.test, 2);   // L = 4
        // Channel 1: gain 1, OSR 256; channel 3: gain 16 (input x16), OSR 64.
        rig.test.sets[0].values = {0, 0x03, 0, 0x02, 0, 0, 0, 0, 0, 0, 0};
        rig.test.sets[2].values = {0, 0x01, 0, 0x06, 0, 0, 0, 0, 0, 0, 0};
        rig.test.sets[1].values.fill(0x77);
        rig.test.sets[1].results[0] = 1234;
        // The parameters as the chip found them (the result window at 0x100 covers them later).
        std::vector<int> params;
        rig.onPump = [&] {
            if (rig.firmware.Running() && params.empty())
                params = {rig.Mem(0x124), rig.Mem(0x120), rig.Mem(0x122), rig.Mem(0x128)};
        };
        const double start = rig.clock.NowDays();
        const SwitchRunOutcome out = rig.Run();
        ASSERT_EQ(out.end, SwitchRunEnd::Complete);
        EXPECT_EQ(out.received, 128);
        EXPECT_EQ(rig.status[2], "Test OK");
        EXPECT_FALSE(rig.gaugeVisible);
        EXPECT_EQ(rig.gauge.back(), 100);
        // The chip ran channel 3's set second, and found C = 2, S = 16, L = 4.
        EXPECT_EQ(rig.Mem(0x130 + 9), 0x01);
        EXPECT_EQ(rig.Mem(0x130 + 8 * 2 + 1), 0x77);
        EXPECT_EQ(params, (std::vector<int>{2, 16, 4, 0x31}));
        // Results: mean and spread follow each set's gain; channel 2 kept its old results.
        const auto &a = rig.test.sets[0].results, &c = rig.test.sets[2].results;
        double meanA = 0, meanC = 0;
        for (int i = 0; i < 64; ++i) {
            meanA += a[size_t(i)] / 64.0;
            meanC += c[size_t(i)] / 64.0;
        }
        EXPECT_NEAR((meanC - 37) / (meanA - 37), 16.0, 0.5);
        EXPECT_GT(StdDev(c, 64), 3 * StdDev(a, 64));
        EXPECT_EQ(rig.test.sets[1].results[0], 1234);
        // 128 conversions take well under a second; the run lasts the whole-second status waits
        // plus the fetch's accesses.
        const double seconds = (rig.clock.NowDays() - start) * 86400;
        EXPECT_GT(seconds, 1.0);
        EXPECT_LT(seconds, 10.0);
        EXPECT_EQ(rig.status[1], "1");
    }
}

TEST(SwitchRun, TwentyResultsComeInBlocksOf48And12Bytes)
{
    Rig rig;
    std::vector<int32_t> codes(20);
    for (int i = 0; i < 20; ++i)
        codes[size_t(i)] = i % 2 ? -i : i;
    size_t next = 0;
    rig.firmware.convert = [&] { return codes[next++]; };
    rig.Check({0, 1, 2, 3, 4}); // C = 5, S = 4, L = 1
    ASSERT_EQ(rig.Run().end, SwitchRunEnd::Complete);
    EXPECT_EQ(rig.transfer.Served(), 2);
    EXPECT_EQ(rig.Mem(0x173), 12); // the last request's length
    EXPECT_EQ(rig.Mem(0x170), 48);
    EXPECT_EQ(rig.test.sets[4].results[3], -19);
    EXPECT_EQ(rig.test.sets[1].results[1], -5);
}

TEST(SwitchRun, FailuresEndWithTestFailAndNeverHang)
{
    {   // No channel checked: nothing is started.
        Rig rig;
        rig.usb.board.memory.Write(0x124, 9);
        EXPECT_EQ(rig.Run().end, SwitchRunEnd::Failed);
        EXPECT_EQ(rig.status[2], "Test Fail");
        EXPECT_EQ(rig.firmware.RunsStarted(), 0);
        EXPECT_EQ(rig.Mem(0x124), 9);
    }
    {   // The chip never takes the start request: the poll gives up after its limit.
        Rig rig;
        rig.Check({0});
        rig.firmware.ignoreClearRequest = true;
        const double start = rig.clock.NowDays();
        EXPECT_EQ(rig.Run().end, SwitchRunEnd::Failed);
        EXPECT_EQ(rig.status[2], "Test Fail");
        EXPECT_LT((rig.clock.NowDays() - start) * 86400, 6.0);
    }
    {   // STOP while the chip runs: the wait ends within a second.
        Rig rig;
        rig.Check({0});
        rig.firmware.neverFinish = true;
        double stopAt = 0;
        rig.onPump = [&] {
            if (rig.firmware.Running() && stopAt == 0) {
                stopAt = rig.clock.NowDays();
                rig.stop = true;
            }
        };
        EXPECT_EQ(rig.Run().end, SwitchRunEnd::Failed);
        EXPECT_EQ(rig.status[2], "Test Fail");
        EXPECT_LT((rig.clock.NowDays() - stopAt) * 86400, 1.0);
    }
    {   // The block transfer never answers: the results so far stay, "Test Fail".
        Rig rig;
        rig.Check({0});
        ApplyLoopIndex(rig.test, 3); // 32 results
        rig.onPump = [&] { rig.transfer.stalled = rig.transfer.Served() >= 1; };
        const SwitchRunOutcome out = rig.Run();
        EXPECT_EQ(out.end, SwitchRunEnd::FetchFailed);
        EXPECT_EQ(out.received, 16);
        EXPECT_EQ(rig.status[2], "Test Fail");
        EXPECT_FALSE(rig.gaugeVisible);
    }
    {   // STOP while the chip readies a block: the run stays "Test OK" with the results so far.
        Rig rig;
        rig.Check({0});
        ApplyLoopIndex(rig.test, 3); // 32 results
        int stalledPumps = 0;
        rig.onPump = [&] {
            rig.transfer.stalled = rig.transfer.Served() >= 1;
            if (rig.transfer.stalled && ++stalledPumps == 2)
                rig.stop = true; // inside the poll of the second block
        };
        const SwitchRunOutcome out = rig.Run();
        EXPECT_EQ(out.end, SwitchRunEnd::Stopped);
        EXPECT_EQ(out.received, 16);
        EXPECT_EQ(rig.status[2], "Test OK");
        EXPECT_TRUE(out.ShowsResults());
    }
    {   // The check pattern does not read back; a write of the sets fails.
        Rig rig;
        rig.Check({0});
        rig.usb.board.faults.garbledReply = true;
        EXPECT_FALSE(SendTOZR200WR(rig.port, rig.test, 0));
        Rig other;
        other.usb.board.faults.unplugAfterFrames = other.usb.board.FramesReceived() + 5; // at S
        EXPECT_FALSE(SendTOZR200WR(other.port, other.test, 0));
    }
    {   // An unplugged board: nothing happens.
        Rig rig;
        rig.Check({0});
        rig.usb.board.Unplug();
        EXPECT_EQ(rig.Run().end, SwitchRunEnd::NotStarted);
        EXPECT_TRUE(rig.status.empty());
    }
}

TEST(SwitchRun, PollsOfTheRequestBitsHaveALimitAndStop)
{
    Rig rig;
    rig.usb.board.memory.Write(0xA4, 0x08); // no transfer firmware answers: stays set
    rig.transfer.stalled = true;
    ChipPoll poll;
    poll.limitMs = 300;
    const double start = rig.clock.NowDays();
    EXPECT_EQ(FetchChipBlock(rig.port, 0, 48, 0, poll), BlockResult::TimedOut);
    EXPECT_NEAR((rig.clock.NowDays() - start) * 86400, 0.3 + 0.4, 0.2);
    int pumps = 0;
    poll.pump = [&] { ++pumps; };
    poll.stopped = [&] { return pumps >= 2; };
    EXPECT_EQ(PollUntilClear(rig.port, 0xA4, 0x08, 0, poll), PollResult::Stopped);
}
