// The streamed capture against the simulated board and its converter, on a fake clock.
#include "analysis/Acquisition.h"
#include "analysis/EnobMeasurement.h"
#include "analysis/SingleConversion.h"
#include "sim/SimAdc.h"
#include "sim/SimChipMonitor.h"
#include "sim/SimParallelChip.h"
#include "sim/instruments/LoopbackPort.h"
#include "sim/SimUsbBackends.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <numeric>
#include <random>

using namespace vek;

namespace {

struct Rig {
    FakeClock clock;
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, QString(), scaleDmm, refresh, nullptr};
    SampleStore store;

    explicit Rig(InterfaceKind kind = InterfaceKind::SPI, bool photo = false)
    {
        bus.hid = &usb.hid;
        bus.driver = &usb.driver;
        usb.board.keepFrameLog = false;
        usb.board.protocol.state.plainSpecialHeader = UsesPlainSpecialHeader(QString(), 0);
        chips[0].interfaceKind = kind;
        port.photo = photo;
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, chips[0].link, status));
    }
    uint8_t Mode() const { return usb.board.memory.Read(kCaptureModeAddress); }
};

std::vector<int32_t> Ramp(int n, int32_t first = -1000)
{
    std::vector<int32_t> codes(static_cast<size_t>(n));
    std::iota(codes.begin(), codes.end(), first);
    codes[3] = -8388608; // among the dropped ones
    codes[10] = 8388607;
    codes[11] = -8388608;
    codes[12] = -1;
    return codes;
}

} // namespace

TEST(Acquisition, EveryDeviceLinkDeliversTheStreamInOrder)
{
    struct Case {
        InterfaceKind kind;
        bool photo;
        uint8_t route; // first byte of the count request
    } cases[] = {{InterfaceKind::SPI, false, 0xB1},
                 {InterfaceKind::SPI, true, 0xBC},
                 {InterfaceKind::Special, false, 0xBA},
                 {InterfaceKind::Special, true, 0xBE},
                 {InterfaceKind::UART, false, 0xC1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.route));
        Rig rig(c.kind, c.photo);
        rig.usb.board.keepFrameLog = true;
        const std::vector<int32_t> codes = Ramp(600);
        rig.adc.asFastAsPossible = true;
        rig.adc.Replay(codes);
        rig.store.TargetCount = 500;
        rig.store.CaptureIdle = false;
        int blocks = 0;
        bool gaugeShown = false, gaugeHidden = false;
        AcquisitionIo io(rig.port);
        io.kind = c.kind;
        io.blockDecoded = [&](const DecodedRange &, int n) {
            ++blocks;
            EXPECT_EQ(n % 3, 0);
        };
        io.gauge = [&](bool visible, int) { (visible ? gaugeShown : gaugeHidden) = true; };
        const CaptureOutcome out = ReadADCALL(io, rig.store);
        EXPECT_EQ(out.end, CaptureEnd::Complete);
        ASSERT_GE(rig.store.SampleCount, 500);
        EXPECT_LE(rig.store.SampleCount, 500 + 84);
        for (int k = 0; k < rig.store.SampleCount; ++k)
            ASSERT_EQ(rig.store.RawSamples[size_t(k)], codes[size_t(k) + 6]) << k;
        EXPECT_GT(blocks, 1);
        EXPECT_TRUE(gaugeShown && gaugeHidden);
        EXPECT_TRUE(rig.store.CaptureIdle);
        EXPECT_EQ(rig.Mode() & kStreamBit, 0) << "streaming stopped at the end";
        EXPECT_FALSE(rig.adc.Streaming());
        bool sawCount = false;
        for (const auto &f : rig.usb.board.FrameLog())
            sawCount |= f.size() >= 2 && f[0] == c.route && f[1] == kCountRequest;
        EXPECT_TRUE(sawCount);
    }
}

TEST(Acquisition, DataRateFollowsOversamplingOnTheClock)
{
    for (uint8_t osr : {0, 3, 6}) {
        Rig rig;
        rig.usb.board.memory.Write(0x30, osr);
        const double rate = rig.adc.DataRateHz();
        rig.store.TargetCount = 1024;
        rig.store.CaptureIdle = false;
        AcquisitionIo io(rig.port);
        ASSERT_TRUE(ReadADCALL(io, rig.store).ok());
        // The converter starts when the mode byte is written, and so does the capture's clock
        // (not after the 50 ms pause that follows the write). The last block may overshoot by
        // one fetch.
        const double expectedMs = rig.store.receivedCount / rate * 1000.0;
        EXPECT_NEAR(rig.store.ElapsedMs, expectedMs, 84 / rate * 1000.0 + 2.0) << int(osr);
        EXPECT_NEAR(rig.store.BinSpacingHz, 1000.0 / rig.store.ElapsedMs, 1e-9);
        EXPECT_EQ(rig.adc.LostBytes(), 0u);
    }
}

TEST(Acquisition, SecondClickStopsTheCapture)
{
    Rig rig;
    rig.adc.asFastAsPossible = true;
    rig.store.TargetCount = 65536;
    rig.store.CaptureIdle = false;
    int pumps = 0;
    AcquisitionIo io(rig.port);
    io.pumpMessages = [&] {
        if (++pumps == 3)
            rig.store.CaptureIdle = true; // the click arrives through the message pump
    };
    const CaptureOutcome out = ReadADCALL(io, rig.store);
    EXPECT_EQ(out.end, CaptureEnd::Stopped);
    EXPECT_FALSE(out.ok());
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(rig.store.SampleCount, 3 * 84 - 6);
    EXPECT_EQ(rig.Mode() & kStreamBit, 0);
    EXPECT_TRUE(rig.store.CaptureIdle);
}

TEST(Acquisition, BoardVanishingMidCaptureEndsCleanly)
{
    for (InterfaceKind kind : {InterfaceKind::SPI, InterfaceKind::UART}) {
        Rig rig(kind);
        rig.adc.asFastAsPossible = true;
        rig.usb.board.faults.unplugAfterFrames = rig.usb.board.FramesReceived() + 12;
        rig.store.TargetCount = 65536;
        rig.store.CaptureIdle = false;
        bool gaugeVisible = false;
        AcquisitionIo io(rig.port);
        io.kind = kind;
        io.gauge = [&](bool visible, int) { gaugeVisible = visible; };
        const CaptureOutcome out = ReadADCALL(io, rig.store);
        EXPECT_EQ(out.end, CaptureEnd::LinkFailed);
        EXPECT_FALSE(gaugeVisible);
        EXPECT_TRUE(rig.store.CaptureIdle) << "the next click starts a new capture";
        EXPECT_GT(rig.store.SampleCount, 0);
        EXPECT_EQ(rig.chips[0].link.handle, -1);
        // Plugged in again: a fresh board, and a new capture works after reconnecting.
        rig.usb.board.Plug();
        uint8_t status = 0xFF;
        ASSERT_TRUE(ConnectLink(rig.io, rig.chips[0].link, status));
        rig.store.CaptureIdle = false;
        rig.store.TargetCount = 100;
        EXPECT_TRUE(ReadADCALL(io, rig.store).ok());
    }
}

TEST(Acquisition, ABoardThatStopsSendingIsGivenUpWhenAsked)
{
    Rig rig;
    rig.adc.asFastAsPossible = true;
    rig.adc.Replay(Ramp(50));
    rig.store.TargetCount = 256;
    rig.store.CaptureIdle = false;
    AcquisitionIo io(rig.port);
    io.idleTimeoutMs = 500;
    const double before = rig.clock.NowDays();
    EXPECT_EQ(ReadADCALL(io, rig.store).end, CaptureEnd::NoData);
    EXPECT_EQ(rig.store.SampleCount, 44);
    EXPECT_LT((rig.clock.NowDays() - before) * kMsPerDay, 1000.0);
    EXPECT_EQ(rig.Mode() & kStreamBit, 0);
}

TEST(Acquisition, TheParallelPortDeliversTheStreamInOrder)
{
    // The chip on the parallel port, in front of the same memory and converter as the board.
    Rig rig(InterfaceKind::Parallel);
    sim::SimParallelChip chip{rig.usb.board.memory, &rig.adc};
    sim::SimParallelPlatform platform{chip};
    ParallelLink parallel;
    parallel.platform = &platform;
    rig.port.parallel = &parallel;
    ASSERT_TRUE(parallel.InitParallel(0x378));
    const int usbFrames = rig.usb.board.FramesReceived();
    const std::vector<int32_t> codes = Ramp(400);
    rig.adc.asFastAsPossible = true;
    rig.adc.Replay(codes);
    rig.store.TargetCount = 300;
    rig.store.CaptureIdle = false;
    AcquisitionIo io(rig.port);
    io.kind = InterfaceKind::Parallel;
    std::vector<int> blockSizes;
    io.blockDecoded = [&](const DecodedRange &, int n) { blockSizes.push_back(n); };
    ASSERT_EQ(ReadADCALL(io, rig.store).end, CaptureEnd::Complete);
    ASSERT_GE(rig.store.SampleCount, 300);
    for (int k = 0; k < rig.store.SampleCount; ++k)
        ASSERT_EQ(rig.store.RawSamples[size_t(k)], codes[size_t(k) + 6]) << k;
    EXPECT_GT(blockSizes.size(), 1u);
    for (int n : blockSizes)
        EXPECT_TRUE(n >= 3 && n <= 252 && n % 3 == 0) << n;
    EXPECT_EQ(rig.Mode() & kStreamBit, 0) << "streaming stopped at the end";
    EXPECT_EQ(rig.usb.board.FramesReceived(), usbFrames) << "nothing went over USB";

    // The port goes away: the capture ends as a link failure, never waiting for data.
    rig.store.CaptureIdle = false;
    platform.failAccesses = true;
    EXPECT_EQ(ReadADCALL(io, rig.store).end, CaptureEnd::LinkFailed);
    EXPECT_TRUE(rig.store.CaptureIdle);
}

namespace {

// The chip on its own COM port: the simulated chip's serial monitor on an in-memory line, in
// front of the same chip memory and converter as the board rig.
struct SerialRig : Rig {
    std::shared_ptr<sim::SimChipMonitor> monitor =
        std::make_shared<sim::SimChipMonitor>(usb.board.memory, &adc);
    sim::LoopbackBench bench{clock};
    std::shared_ptr<sim::LoopbackLine> line = bench.Attach("COM3", monitor);
    std::unique_ptr<SerialPort> com = bench.Opener()("COM3");
    QStringList statusTexts;
    SerialChipIo serial;

    SerialRig() : Rig(InterfaceKind::RS232)
    {
        serial.port = [this](int64_t handle) { return handle == 9 ? com.get() : nullptr; };
        serial.status = [this](const QString &t) { statusTexts << t; };
        port.serial = &serial;
        chips[0].comHandle = 9;
        chips[0].comOpen = 1;
    }
    // A capture of `target` samples over the COM port, with the converter as fast as fetched.
    AcquisitionIo Capture(int32_t target)
    {
        adc.asFastAsPossible = true;
        store.TargetCount = target;
        store.CaptureIdle = false;
        AcquisitionIo io(port);
        io.kind = InterfaceKind::RS232;
        return io;
    }
    // How often the program sent these bytes in a row.
    int Count(const QByteArray &pattern) const { return int(line->written.count(pattern)); }
};

} // namespace

TEST(Acquisition, TheChipsComPortDeliversTheStreamInOrder)
{
    SerialRig rig;
    const std::vector<int32_t> codes = Ramp(400);
    rig.adc.Replay(codes);
    std::vector<int> blockBytes;
    AcquisitionIo io = rig.Capture(300);
    io.blockDecoded = [&](const DecodedRange &, int n) { blockBytes.push_back(n); };
    const double start = rig.clock.NowDays();
    const CaptureOutcome out = ReadADCALL(io, rig.store);
    EXPECT_EQ(out.end, CaptureEnd::Complete);
    ASSERT_GE(rig.store.SampleCount, 300);
    for (int k = 0; k < rig.store.SampleCount; ++k)
        ASSERT_EQ(rig.store.RawSamples[size_t(k)], codes[size_t(k) + 6]) << k;
    EXPECT_EQ(rig.Mode() & kStreamBit, 0) << "streaming stopped at the end";
    EXPECT_TRUE(rig.store.CaptureIdle);
    // Blocks of up to 84 results; every pass: acknowledge, count, acknowledge, fetch of n bytes.
    ASSERT_FALSE(blockBytes.empty());
    for (int n : blockBytes)
        EXPECT_TRUE(n > 0 && n <= 252);
    EXPECT_EQ(rig.Count(QByteArray::fromHex("5581")), int(blockBytes.size()));
    for (int n : blockBytes)
        EXPECT_GE(rig.Count(QByteArray::fromHex("5582") + char(n)), 1) << n;
    // Each pass ends with a 50 ms pause; the end waits 100 ms before the mode byte is cleared.
    const double elapsedMs = (rig.clock.NowDays() - start) * kMsPerDay;
    EXPECT_GE(elapsedMs, 50.0 * double(blockBytes.size()) + 100.0);
    // A clean line leaves the status field empty after every count.
    ASSERT_FALSE(rig.statusTexts.isEmpty());
    EXPECT_EQ(rig.statusTexts.back(), QString());
}

TEST(Acquisition, ACutShortSerialBlockDoesNotShiftTheSamplesAfterIt)
{
    // A slow line: only part of each offered block arrives within the fetch's time limit, and
    // the rest is discarded. Every sample kept must still be one of the codes sent, in order.
    for (int arriving : {99, 100, 101, 250}) {
        SerialRig rig;
        std::vector<int32_t> codes(3000);
        std::iota(codes.begin(), codes.end(), 100000);
        rig.adc.Replay(codes);
        rig.monitor->faults.dataLimit = arriving;
        AcquisitionIo io = rig.Capture(300);
        EXPECT_TRUE(ReadADCALL(io, rig.store).ok()) << arriving;
        ASSERT_GE(rig.store.SampleCount, 300);
        int32_t previous = 0;
        for (int k = 0; k < rig.store.SampleCount; ++k) {
            const int32_t v = int32_t(rig.store.RawSamples[size_t(k)]);
            ASSERT_TRUE(v >= 100000 && v < 103000 && v > previous) << arriving << " sample " << k << " = " << v;
            previous = v;
        }
    }
}

TEST(Acquisition, TheChipsComPortFailsCleanlyAndShowsLineErrors)
{
    // The chip stops acknowledging in the middle of the capture.
    {
        SerialRig rig;
        bool gaugeVisible = false;
        int passes = 0;
        AcquisitionIo io = rig.Capture(65536);
        io.gauge = [&](bool visible, int) { gaugeVisible = visible; };
        io.pumpMessages = [&] {
            if (++passes == 3)
                rig.monitor->faults.ackByte = 0x00;
        };
        const double start = rig.clock.NowDays();
        const CaptureOutcome out = ReadADCALL(io, rig.store);
        EXPECT_EQ(out.end, CaptureEnd::LinkFailed);
        EXPECT_FALSE(gaugeVisible);
        EXPECT_TRUE(rig.store.CaptureIdle) << "the next click starts a new capture";
        EXPECT_GT(rig.store.SampleCount, 0);
        // One quick handshake finds the chip still not acknowledging; no 12 s of handshake
        // retries follow.
        EXPECT_LT((rig.clock.NowDays() - start) * kMsPerDay, 1500.0);
        // The chip answers again: the next capture works and clears the stream bit it sets.
        rig.monitor->faults.ackByte = 0xAA;
        rig.store.CaptureIdle = false;
        rig.store.TargetCount = 100;
        EXPECT_TRUE(ReadADCALL(io, rig.store).ok());
        EXPECT_EQ(rig.Mode() & kStreamBit, 0);
    }
    // The count request goes unanswered, but the chip still acknowledges: the capture fails and
    // the stream is switched off.
    {
        SerialRig rig;
        AcquisitionIo io = rig.Capture(65536);
        int passes = 0;
        io.pumpMessages = [&] {
            if (++passes == 2)
                rig.monitor->faults.countUnanswered = true;
        };
        EXPECT_EQ(ReadADCALL(io, rig.store).end, CaptureEnd::LinkFailed);
        EXPECT_TRUE(rig.adc.Streaming() == false);
        EXPECT_EQ(rig.Mode() & kStreamBit, 0);
        EXPECT_TRUE(rig.store.CaptureIdle);
    }
    // A parity error on the line is shown in the status field; the capture carries on.
    {
        SerialRig rig;
        AcquisitionIo io = rig.Capture(100);
        int pumps = 0;
        io.pumpMessages = [&] {
            if (++pumps == 1)
                rig.line->pendingErrors = kCommRxParity;
        };
        EXPECT_TRUE(ReadADCALL(io, rig.store).ok());
        EXPECT_TRUE(rig.statusTexts.contains(QStringLiteral("Parity Fail")));
    }
    // No open COM port: the capture fails at once without waiting.
    {
        SerialRig rig;
        rig.chips[0].comOpen = 0;
        AcquisitionIo io = rig.Capture(256);
        const double start = rig.clock.NowDays();
        EXPECT_EQ(ReadADCALL(io, rig.store).end, CaptureEnd::LinkFailed);
        EXPECT_TRUE(rig.store.CaptureIdle);
        EXPECT_EQ((rig.clock.NowDays() - start) * kMsPerDay, 0.0);
        EXPECT_TRUE(rig.line->written.isEmpty());
    }
}

TEST(SimAdc, OversamplingAndGainChangeTheMeasuredNoise)
{
    auto sigmaWith = [](uint8_t r30, uint8_t r3C) {
        Rig rig;
        rig.adc.asFastAsPossible = true;
        rig.adc.Seed(7);
        rig.usb.board.memory.Write(0x30, r30);
        rig.usb.board.memory.Write(0x3C, r3C);
        EnobOptions o;
        o.samples = 4096;
        AnalysisResults results;
        const EnobRun run = MeasureEnob(rig.port, InterfaceKind::SPI, rig.store, o, results);
        EXPECT_TRUE(run.ok) << run.error.toStdString();
        return run.figures;
    };
    const Figures base = sigmaWith(0x00, 0x00);
    const Figures moreOsr = sigmaWith(0x05, 0x00);
    const Figures moreGain = sigmaWith(0x00, 0x1A); // gain 8
    EXPECT_LT(moreOsr.sigma, base.sigma / 4);
    EXPECT_GT(moreOsr.enob, base.enob + 2);
    EXPECT_GT(moreGain.sigma, base.sigma * 1.5);
    EXPECT_LT(moreGain.rmsNv, base.rmsNv) << "input-referred noise falls with gain";
    // The same seed gives the same codes.
    EXPECT_DOUBLE_EQ(sigmaWith(0x00, 0x00).sigma, base.sigma);
}

TEST(Acquisition, AUartCountAboveOneFrameFetchesWholeSamplesThatFit)
{
    Rig rig(InterfaceKind::UART);
    rig.adc.asFastAsPossible = true;
    rig.adc.uartCountLimitBytes = 252; // the board offers more than one reply frame carries
    rig.adc.Replay(Ramp(400));
    rig.store.TargetCount = 256;
    rig.store.CaptureIdle = false;
    AcquisitionIo io(rig.port);
    io.kind = InterfaceKind::UART;
    ASSERT_TRUE(ReadADCALL(io, rig.store).ok());
    ASSERT_GE(rig.store.SampleCount, 256);
    for (int i = 7; i < 256; ++i) // past the ramp's special codes
        ASSERT_EQ(rig.store.RawSamples[i], -1000 + 6 + i) << i;
}

TEST(SimAdc, InjectedNoiseIsTheNoiseTheFiguresReport)
{
    for (uint8_t r3C : {0x02, 0x1A}) { // gain 1 and gain 8
        Rig rig;
        rig.adc.asFastAsPossible = true;
        rig.adc.Seed(11);
        rig.usb.board.memory.Write(0x3C, r3C);
        // Input-referred noise from the converter's own settings, in nV.
        const double averaging = std::sqrt(rig.adc.OversamplingRatio() / 32.0);
        const double front = rig.adc.frontNoiseVolts / averaging;
        const double converter = rig.adc.converterNoiseVolts / averaging / rig.adc.Gain();
        const double injectedNv = std::hypot(front, converter) * 1e9;
        EnobOptions o;
        o.samples = 8192;
        AnalysisResults results;
        const EnobRun run = MeasureEnob(rig.port, InterfaceKind::SPI, rig.store, o, results);
        ASSERT_TRUE(run.ok) << run.error.toStdString();
        // The standard error of a standard deviation over n samples is sigma / sqrt(2n): 0.8 %.
        std::printf("gain %g: injected %.0f nV, measured %.0f nV\n", rig.adc.Gain(), injectedNv, results.rmsNv);
        EXPECT_NEAR(results.rmsNv / injectedNv, 1.0, 0.04) << int(r3C);
    }
}

TEST(SimAdc, BlockCaptureAndSingleConversion)
{
    Rig rig;
    rig.adc.Replay(Ramp(400, 5000));
    ASSERT_TRUE(TMPTRIGER(rig.port, 0));
    EXPECT_EQ(rig.Mode() & kBlockCaptureBit, 0) << "the firmware clears the request when done";
    ASSERT_TRUE(ReadChip(rig.port, 0x103, 3, 0));
    EXPECT_EQ(int(rig.buffer[0]) | rig.buffer[1] << 8, 5000 + 16);

    const auto request = SingleConversionRequest(1, false, 1, QStringLiteral("D4"));
    std::copy(request.begin(), request.end(), rig.buffer.begin());
    ASSERT_TRUE(LinkWrite(rig.io, rig.chips[0].link, 9));
    ASSERT_TRUE(LinkRead(rig.io, rig.chips[0].link, 7));
    int32_t value = 0;
    ASSERT_TRUE(ReadSingleConversionReply({rig.buffer.data(), 7}, 1, 1, value));
    // Input minus zero: the input's codes within the noise.
    const double expected = rig.adc.inputVolts * rig.adc.Gain() / rig.adc.refVolts * 4194304.0;
    EXPECT_NEAR(value, expected, 8 * rig.adc.NoiseCodes() + 2);
}

TEST(SimAdc, ReplayFilesAreReadStrictly)
{
    QTemporaryDir dir;
    auto write = [&](const char *name, const QByteArray &text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    std::vector<int32_t> codes;
    QString error;
    EXPECT_TRUE(sim::LoadReplayCodes(write("ok", " 12\n-8388608\r\n\n8388607"), codes, &error));
    EXPECT_EQ(codes, (std::vector<int32_t>{12, -8388608, 8388607}));
    EXPECT_FALSE(sim::LoadReplayCodes(write("big", "1\n8388608\n"), codes, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("line 2")));
    EXPECT_FALSE(sim::LoadReplayCodes(write("text", "1\nabc\n"), codes, &error));
    EXPECT_FALSE(sim::LoadReplayCodes(dir.filePath(QStringLiteral("missing")), codes, &error));
}

TEST(BlockCapture, TriggerWaitAndReadGiveTheFirmwaresBlock)
{
    struct Case {
        InterfaceKind kind;
        bool bank2;
        int expected;
    } cases[] = {{InterfaceKind::SPI, true, 41 + 85}, {InterfaceKind::SPI, false, 41},
                 {InterfaceKind::UART, true, 41 + 85}, {InterfaceKind::Special, false, 41}};
    for (const Case &c : cases) {
        Rig rig(c.kind);
        const std::vector<int32_t> codes = Ramp(200, -70);
        rig.adc.Replay(codes);
        BlockCaptureIo io(rig.port);
        io.kind = c.kind;
        io.bank1Present = true;
        io.bank2Present = c.bank2;
        io.waitSeconds = 2;
        int lastTick = -1;
        io.waitTick = [&](int s) { lastTick = s; };
        const double before = rig.clock.NowDays();
        ASSERT_TRUE(TriggerBlockCapture(io));
        EXPECT_EQ(lastTick, 2);
        EXPECT_GE((rig.clock.NowDays() - before) * kMsPerDay, 2000.0);
        ASSERT_TRUE(ReadRamBlock(io));
        ASSERT_EQ(DecodeRamBlock(rig.store, rig.chips[0].image, RamBlockLayout::Banked, c.bank2), c.expected);
        // The firmware wrote 16 codes for the small models first, then the banked block.
        for (int k = 0; k < c.expected; ++k)
            ASSERT_EQ(rig.store.RawSamples[size_t(k)], codes[size_t(16 + k)]) << k;
    }
}

TEST(BlockCapture, FailedReadsEndWithoutResults)
{
    Rig rig;
    BlockCaptureIo io(rig.port);
    io.waitSeconds = 1;
    io.waitTick = [&](int s) {
        if (s >= 1)
            rig.usb.board.Unplug(); // gone while the firmware fills its block
    };
    EXPECT_FALSE(TriggerBlockCapture(io));
    EXPECT_FALSE(ReadRamBlock(io));
    EXPECT_EQ(BlockWaitSeconds(QStringLiteral("x")), 15);
    EXPECT_EQ(BlockWaitSeconds(QStringLiteral("0")), 1);
    EXPECT_EQ(BlockWaitSeconds(QStringLiteral(" 4 ")), 4);
}
