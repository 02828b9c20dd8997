// The temperature run on the simulated bench, where the calibrator drives the converter, the
// power supply feeds the board and the meters read what they are wired to; the board-buffered
// capture on the simulated chip; a run killed in the middle; the command-line run's files.
#include "analysis/AnalysisSettings.h"
#include "analysis/FlashCapture.h"
#include "bench/HeadlessBoard.h"
#include "chipdesc/ChipSelection.h"
#include "instruments/MeterChannels.h"
#include "sim/SimulatedTempBench.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

using namespace vek;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The simulated board and bench, set up the way "vek-enob temperature --simulate" sets them up.
struct SimRig {
    FakeClock clock;
    sim::SimulatedBoard board{clock};
    SerialPorts ports;
    sim::SimulatedTempBench bench{clock, board, ports};
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> noRefresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipModelState model;
    ChipPort port{io, chips, false, QString(), scaleDmm, noRefresh, nullptr};
    InstrumentPorts records{};
    InstrumentBuffers buffers;
    InstrumentLink link{ports, clock, buffers, records};
    SampleStore store;
    AnalysisResults results;

    SimRig()
    {
        board.SetUpConverter(1, QString(), nullptr);
        bus.hid = &board.usb.hid;
        bus.driver = &board.usb.driver;
        const QString programDir = QStringLiteral(VEK_SOURCE_DIR "/");
        ChipSelectionScope scope = model.Scope(programDir, 0);
        GetSELUP(scope);
        board.SetUpForChip(model.chip.productName, 0, model.bindings);
        port.productName = model.chip.productName;
        chips[0].interfaceKind = InterfaceKind::SPI;
        uint8_t status = 0;
        ConnectLink(io, chips[0].link, status);
        SelectCalibrator(link, ports, records[kCalibratorPort], QStringLiteral("COM7"));
        SelectPowerSupply(link, ports, records[kPowerSupplyPort], QStringLiteral("COM8"));
        for (int c = 0; c < kMeterChannelCount; ++c)
            SelectMeter(link, ports, records, c, sim::SimulatedTempBench::MeterCom(c));
        store.TargetCount = 256;
        ApplyScaleIndex(store, 16);
    }
    // The supply's output on: the chip has power (the search left it off).
    void PowerOn()
    {
        QByteArray reply;
        link.QueryText(records[kPowerSupplyPort], "VOLT 5.0", reply);
        link.QueryText(records[kPowerSupplyPort], "OUTP ON", reply);
    }
};

// Ten steps: the calibrator at 0, 100, ..., 900 mV; register 0x40 changes per step; the power
// supply on at step 1, off at step 5 and on again at step 6.
void WriteTenStepFiles(const QString &dir)
{
    QByteArray reg = "  40  30" + QByteArray(32, ' ') + "\r\n", delay, acm, fluke, power;
    for (int s = 1; s <= 10; ++s) {
        reg += QByteArray::number(s, 16).rightJustified(4, ' ') + "   0" + QByteArray(32, ' ') + "\r\n";
        delay += "     1\r\n";
        acm += "   1.2\r\n";
        fluke += "   1OUT " + QByteArray::number((s - 1) * 100) + " mV ,0 Hz\r\n";
    }
    power = "   1VOLT 5.0\r\n   0\r\n   0\r\n   0\r\n   1OUTP OFF\r\n   1VOLT 5.0\r\n";
    ASSERT_TRUE(WriteAll(dir + "/Register.txt", reg) && WriteAll(dir + "/Delay.txt", delay) &&
                WriteAll(dir + "/ACM.txt", acm) && WriteAll(dir + "/Fluke.txt", fluke) &&
                WriteAll(dir + "/Power.txt", power));
}

struct LoadedTables {
    RegisterStepTable registers;
    StepTable fluke, power;
    explicit LoadedTables(const QString &dir)
    {
        registers.SetSteps(10);
        LoadRegisterStepFiles(dir + "/", registers);
        fluke.SetRows(10);
        power.SetRows(10);
        LoadStepFile(dir + "/Fluke.txt", fluke, 10, StepFileKind::Calibrator);
        LoadStepFile(dir + "/Power.txt", power, 10, StepFileKind::PowerSupply);
    }
    TempTables Tables() const { return TempTablesFrom(registers, fluke, power); }
};

// Runs the ten steps in dir; `afterStep` runs after each finished step.
void RunTenSteps(const QString &dir, bool fullFiles, const std::function<void(int)> &afterStep = {},
                 int mode = kTempModeStreamed)
{
    SimRig rig;
    LoadedTables t(dir);
    TemperatureRun run(rig.clock, rig.link, rig.records, dir + "/");
    HeadlessBoardOptions options; // the RAM banks of the chip, as the command-line run takes them
    options.bank1Present = rig.model.chip.ramBanks[1].Defined();
    options.bank2Present = rig.model.chip.ramBanks[2].Defined();
    ConnectHeadlessBoard(run, rig.port, rig.store, rig.results, options);
    if (afterStep)
        run.view.stepDone = [&](int s, bool, bool) { afterStep(s); };
    TempSettings settings;
    settings.stepLimit = 10;
    settings.fullFiles = fullFiles;
    EXPECT_EQ(run.Run(mode, t.Tables(), settings).end, TempRunEnd::Finished);
    ReleaseBoard(rig.io, rig.chips[0].link);
}

std::vector<QList<QByteArray>> StepLines(const QByteArray &file)
{
    std::vector<QList<QByteArray>> lines;
    for (const QByteArray &line : file.split('\n').mid(2))
        if (!line.trimmed().isEmpty() && !line.startsWith("Run "))
            lines.push_back(line.trimmed().split(','));
    return lines;
}

} // namespace

TEST(TempBench, TenStepsFollowTheCalibratorAndLogTheOffStep)
{
    QTemporaryDir dir;
    WriteTenStepFiles(dir.path());
    RunTenSteps(dir.path(), true);

    const std::vector<QList<QByteArray>> a = StepLines(ReadAll(dir.filePath("VekTEMPA.CSV")));
    ASSERT_EQ(a.size(), 10u);
    // Gain 0.25 (0x3C = 0), 24-bit results on 1.2 V: 2^22 codes per 4.8 V, plus the offset.
    for (int s = 1; s <= 10; ++s) {
        SCOPED_TRACE(s);
        const QList<QByteArray> &line = a[size_t(s - 1)];
        ASSERT_EQ(line.size(), s == 5 ? 9 : 8); // step 5 ends with "Test Fail"
        EXPECT_EQ(line[0].toInt(), s);
        if (s == 5) {
            EXPECT_EQ(line[1].trimmed(), QByteArray("nan")); // no supply: the chip does not answer
            continue;
        }
        const double expected = (s - 1) * 0.1 * 0.25 / 1.2 * 4194304.0 + 37;
        EXPECT_NEAR(line[1].toDouble(), expected, 10.0);
        EXPECT_GT(line[4].toDouble(), 15.0); // ENOB
    }
    const QByteArray b = ReadAll(dir.filePath("VekTEMPB.CSV"));
    EXPECT_EQ(StepLines(b).size(), 20u);
    // The meters: channel 0 reads the calibrator, channel 1 the supply, channel 2 the chamber.
    const QByteArray meters = ReadAll(dir.filePath("VekTEMPBryMen.CSV"));
    EXPECT_TRUE(meters.contains("\r\n, , , 3, .2, DC V, 3, 5, DC V, 3, 25, \xA2\x4A, ")) << meters.toStdString();
    EXPECT_TRUE(meters.contains(", 5, .4, DC V, 5, , DC V, ")); // supply off: 0 V
    for (int k = 0; k < 10; ++k)
        EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("TEMP/VekTMP-%1.CSV").arg(k))).contains("\xA5\xAD\xA7\xA1\xAD\xC8"));
}

TEST(TempBench, RamBlockWithoutSupplyIsTestFail)
{
    QTemporaryDir dir;
    WriteTenStepFiles(dir.path());
    RunTenSteps(dir.path(), true, {}, kTempModeRamBlock);
    const std::vector<QList<QByteArray>> a = StepLines(ReadAll(dir.filePath("VekTEMPA.CSV")));
    ASSERT_EQ(a.size(), 10u);
    EXPECT_GT(a[3][4].toDouble(), 15.0); // step 4, ENOB
    EXPECT_EQ(a[4][1].trimmed(), QByteArray("nan")); // step 5: the chip read nothing but 0xFF
    EXPECT_EQ(a[4].back().trimmed(), QByteArray("Test Fail"));
    // Its full sample file carries no figures of another step.
    const QByteArray full = ReadAll(dir.filePath("TEMP/VekTMP-4.CSV"));
    EXPECT_TRUE(full.contains("nan")) << full.right(200).toStdString();
}

TEST(TempBench, KilledAfterStepFiveKeepsStepsOneToFive)
{
    QTemporaryDir dir;
    WriteTenStepFiles(dir.path());
    const QString path = dir.path();
    EXPECT_EXIT(RunTenSteps(path, true, [](int s) {
                    if (s == 5)
                        ::raise(SIGKILL);
                }),
                ::testing::KilledBySignal(SIGKILL), "");
    const std::vector<QList<QByteArray>> b = StepLines(ReadAll(dir.filePath("VekTEMPB.CSV")));
    ASSERT_EQ(b.size(), 20u);
    EXPECT_GT(b[6][1].toDouble(), 80000.0);    // step 4, 300 mV
    EXPECT_EQ(b[8][1].trimmed(), QByteArray("nan")); // step 5
    EXPECT_EQ(b[10].back().trimmed(), QByteArray("not run")); // step 6 never ran
    for (int k = 0; k < 5; ++k)
        EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("TEMP/VekTMP-%1.CSV").arg(k))).endsWith("\r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath("TEMP/VekTMP-5.CSV")));
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.CSV.*")}).isEmpty()); // no temporary left
}

TEST(TempBench, CommandLineRunWritesTheSameFiles)
{
    QTemporaryDir inProcess, tool;
    WriteTenStepFiles(inProcess.path());
    WriteTenStepFiles(tool.path());
    RunTenSteps(inProcess.path(), false);
    QProcess p;
    p.start(QStringLiteral(VEK_ENOB_EXE), {QStringLiteral("temperature"), QStringLiteral("--simulate"),
                                           QStringLiteral("--steps"), QStringLiteral("10"), QStringLiteral("--dir"),
                                           tool.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 3) << p.readAllStandardError().toStdString(); // step 5 failed
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(out.count("\nStep ") + out.startsWith("Step "), 10) << out.toStdString();
    EXPECT_TRUE(out.contains("Step 5: Test Fail"));
    for (const char *name : {"VekTEMPA.CSV", "VekTEMPB.CSV", "VekTEMPBryMen.CSV"})
        EXPECT_EQ(ReadAll(tool.filePath(name)), ReadAll(inProcess.filePath(name))) << name;
}

TEST(TempBench, SigtermEndsTheCommandWith143AndItsFilesWhole)
{
    QTemporaryDir dir;
    QProcess example;
    example.start(QStringLiteral(VEK_ENOB_EXE), {"temperature", "--example", dir.path()});
    ASSERT_TRUE(example.waitForFinished(10000));
    ASSERT_EQ(example.exitCode(), 0);
    // On the wall clock a step takes seconds: the signal comes in the middle of the first ones.
    QProcess p;
    p.start(QStringLiteral(VEK_ENOB_EXE),
            {"temperature", "--simulate", "--real-time", "--steps", "10", "--dir", dir.path()});
    ASSERT_TRUE(p.waitForStarted(10000));
    QThread::msleep(700);
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 143) << p.readAllStandardError().toStdString();
    const QByteArray b = ReadAll(dir.filePath("VekTEMPB.CSV"));
    if (!b.isEmpty()) { // the run had begun
        EXPECT_TRUE(b.endsWith("\r\nRun stopped after step 0 of 10\r\n")) << b.right(80).toStdString();
    }
}

TEST(TempBench, StopEndsACaptureInProgress)
{
    QTemporaryDir dir;
    SimRig rig;
    rig.PowerOn();
    rig.store.TargetCount = 65536; // 6.4 s at the converter's 10240 Hz
    TemperatureRun run(rig.clock, rig.link, rig.records, dir.path() + "/");
    ConnectHeadlessBoard(run, rig.port, rig.store, rig.results, {});
    double stoppedAt = 0;
    run.view.pumpMessages = [&] {
        if (stoppedAt == 0 && rig.store.SampleCount > 1000) {
            stoppedAt = rig.clock.NowDays();
            run.Stop();
        }
    };
    TempTables t;
    t.reg.resize(2);
    t.reg[0][1] = QStringLiteral("40");
    t.reg[1][1] = QStringLiteral("1");
    TempSettings settings;
    settings.measure = TempMeasure::AdcOnly;
    run.Run(kTempModeStreamed, t, settings);
    ASSERT_GT(stoppedAt, 0);
    EXPECT_LT(rig.store.SampleCount, 65536);
    EXPECT_LT((rig.clock.NowDays() - stoppedAt) * kMsPerDay, 1000 + 700); // and the closing standby
    EXPECT_TRUE(ReadAll(dir.filePath("VekTEMPA.CSV")).contains("\r\n1, nan, nan, nan, nan, nan, nan, nan, not run\r\n"));
}

TEST(TempBench, BoardBufferedCaptureStoresEachRecordedSampleOnce)
{
    SimRig rig;
    rig.PowerOn();
    rig.store.TargetCount = 32;
    std::vector<int> chunks;
    FlashCaptureIo io(rig.port);
    io.blockDecoded = [&](const DecodedRange &r, int bytes) { chunks.push_back(bytes * 100 + r.stored); };
    MeasureSettings settings;
    Figures f;
    ASSERT_TRUE(BFlashRDCOM(io, rig.store, settings, rig.results, &f));
    EXPECT_EQ(chunks, (std::vector<int>{4810, 4816, 1806}));
    EXPECT_EQ(rig.board.recorder.LastByteCount(), 38u * 3u);
    const std::vector<uint8_t> &recorded = rig.board.transfer.data;
    double sum = 0;
    for (int k = 0; k < 32; ++k) {
        const size_t at = size_t(k + 6) * 3;
        const int32_t code = DecodeSampleCode(recorded[at], recorded[at + 1], recorded[at + 2]);
        ASSERT_EQ(rig.store.RawSamples[size_t(k)], code) << k;
        sum += code;
    }
    EXPECT_DOUBLE_EQ(f.mean, sum / 32);
    // The recording's duration, as the status polls saw it; no bin spacing from a zero duration.
    EXPECT_TRUE(rig.store.ElapsedMs > 0 || rig.store.BinSpacingHz == 1.0);
}

TEST(TempBench, StopDuringReadOutRestoresThePortRegister)
{
    SimRig rig;
    rig.PowerOn();
    ASSERT_TRUE(ReadChip(rig.port, 0x00, 1, 0)); // the chip starts up with the first frame
    rig.board.usb.board.memory.Write(0x23, 0x5A);
    rig.board.usb.board.memory.Write(0xF0, 0x02);
    rig.store.TargetCount = 64;
    FlashCaptureIo io(rig.port);
    io.blockDecoded = [&](const DecodedRange &, int) { rig.store.CaptureIdle = true; };
    rig.store.CaptureIdle = false;
    EXPECT_FALSE(ReadADFlash(io, rig.store));
    EXPECT_EQ(rig.board.usb.board.memory.Read(0x23), 0x5A);
    EXPECT_EQ(rig.board.usb.board.memory.Read(0xF0) & 0x02, 0);

    // A chip that never finishes recording: the wait ends at its limit, without figures.
    rig.board.recorder.neverFinish = true;
    io.blockDecoded = nullptr;
    io.recordLimitMs = 5000;
    rig.store.CaptureIdle = false;
    const double start = rig.clock.NowDays();
    EXPECT_FALSE(ReadADFlash(io, rig.store));
    EXPECT_LT((rig.clock.NowDays() - start) * kMsPerDay, 8000.0);
}

TEST(TempBench, BoardBufferedCaptureOf9600SamplesAt5Hz)
{
    SimRig rig;
    rig.PowerOn();
    ASSERT_TRUE(ReadChip(rig.port, 0x00, 1, 0));
    // Oversampling 32768 on the halved clock, divider 8: 5 results a second.
    rig.board.usb.board.memory.Write(0x30, 0x27);
    rig.board.usb.board.memory.Write(0x31, 0x03);
    ASSERT_DOUBLE_EQ(rig.board.adc.DataRateHz(), 5.0);
    rig.store.TargetCount = 9600;
    FlashCaptureIo io(rig.port);
    const double start = rig.clock.NowDays();
    MeasureSettings settings;
    ASSERT_TRUE(BFlashRDCOM(io, rig.store, settings, rig.results)) << io.failure.toStdString();
    EXPECT_EQ(rig.store.SampleCount, 9600);
    // 9606 recorded results at 5 Hz: 32 minutes, longer than any fixed half hour.
    EXPECT_NEAR(rig.store.ElapsedMs, 9606 / 5.0 * 1000, 9606 / 5.0 * 10);
    EXPECT_GT((rig.clock.NowDays() - start) * kMsPerDay, 1921000.0);

    // A recording that never completes fails at the limit its sample count sets, and says why.
    rig.board.recorder.neverFinish = true;
    rig.store.TargetCount = 100;
    QStringList status0;
    io.status = [&](int field, const QString &text) {
        if (field == 0)
            status0 << text;
    };
    const double again = rig.clock.NowDays();
    EXPECT_FALSE(BFlashRDCOM(io, rig.store, settings, rig.results));
    const double waitedMs = (rig.clock.NowDays() - again) * kMsPerDay;
    EXPECT_GT(waitedMs, RecordingLimitMs(106, 0));
    EXPECT_LT(waitedMs, RecordingLimitMs(106, 0) * 1.02);
    ASSERT_EQ(status0.size(), 1);
    EXPECT_TRUE(status0[0].startsWith(QStringLiteral("Ca.Flash: the recording was not complete after "))) << status0[0].toStdString();
}

TEST(MeterChannels, ChoicesFileAndSearch)
{
    MeterChoices c{2, -1, 15, 0, 40, -1};
    const MeterChoices back = ParseMeterChoices(MeterChoicesBytes(c));
    EXPECT_EQ(back, (MeterChoices{2, -1, 15, 0, -1, -1}));
    EXPECT_EQ(MeterChoicesBytes(back).left(12), QByteArray("   2\r\n  -1\r\n"));

    SimRig rig; // the six simulated meters were found
    for (int m = 0; m < kMeterChannelCount; ++m)
        EXPECT_TRUE(rig.records[size_t(kFirstMeterPort + m)].present);
    rig.bench.Meter(5).SetFault(sim::MeterFault::Silent);
    rig.ports.Close(rig.records[kFirstMeterPort + 5].handle);
    rig.records[kFirstMeterPort + 5] = {};
    const SelectOutcome o = SelectMeter(rig.link, rig.ports, rig.records, 5, QStringLiteral("COM14"));
    EXPECT_FALSE(rig.records[kFirstMeterPort + 5].present);
    EXPECT_EQ(o.statusText, QStringLiteral("Fail Select Meter 5 COM14"));
}
