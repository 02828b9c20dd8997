// The temperature run without a window, on a fake clock: the result files' bytes, the counts a
// run takes from its tables, the instrument exchanges, failed and stopped steps.
#include "bench/TempRun.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/LoopbackPort.h"
#include "sim/instruments/PowerSupplySim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

using namespace vek;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A run on a fake clock with a calibrator and a power supply on in-memory lines; the board side
// is the test's.
struct RunRig {
    FakeClock clock;
    QTemporaryDir dir;
    SerialPorts ports;
    sim::LoopbackBench lines{clock};
    std::shared_ptr<sim::LoopbackLine> calLine, psLine;
    InstrumentPorts records{};
    InstrumentBuffers buffers;
    InstrumentLink link{ports, clock, buffers, records};
    TemperatureRun run{clock, link, records, dir.path() + QLatin1Char('/')};
    QStringList status2;
    int measured = 0;

    RunRig()
    {
        calLine = lines.Attach(QStringLiteral("COM7"), std::make_shared<sim::CalibratorSim>());
        auto ps = std::make_shared<sim::PowerSupplySim>();
        psLine = lines.Attach(QStringLiteral("COM8"), ps);
        ports.SetOpener(lines.Opener());
        records[kCalibratorPort] = {ports.Open(QStringLiteral("COM7")), QStringLiteral("COM7"), true};
        records[kPowerSupplyPort] = {ports.Open(QStringLiteral("COM8")), QStringLiteral("COM8"), true};
        ports.Port(records[kPowerSupplyPort].handle)->Write(reinterpret_cast<const uint8_t *>("SYST:REM\r\n"), 10);
        run.board.connected = [] { return true; };
        run.board.measure = [this](int, const QString &ref, AnalysisResults &r) {
            ++measured;
            r.mean = 100.0 * measured;
            r.enob = ref.toDouble();
            return ref != QLatin1String("0");
        };
        run.view.status = [this](int field, const QString &text) {
            if (field == 2)
                status2 << text;
        };
    }
    static TempTables Tables(int steps)
    {
        TempTables t;
        t.reg.resize(size_t(steps) + 1);
        t.reg[0][1] = QStringLiteral("3C");
        t.reg[0][2] = QStringLiteral("30");
        for (int s = 1; s <= steps; ++s) {
            t.reg[size_t(s)][1] = QStringLiteral("%1").arg(s, 0, 16);
            t.reg[size_t(s)][2] = QStringLiteral("0");
            t.reg[size_t(s)][kDelayColumn] = QStringLiteral("1");
            t.reg[size_t(s)][kAcmColumn] = QStringLiteral("2.4");
        }
        return t;
    }
    QString File(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST(TempFiles, SummaryAndMeterBytes)
{
    TempResults r;
    r.steps[1] = {1.5, 2, 3, 4, 5, 6, 7};
    r.state[1] = TempStepState::Measured;
    r.steps[2] = r.steps[1]; // figures of a step that did not measure are never written
    r.state[2] = TempStepState::Failed;
    const QByteArray once = SummaryFileBytes(r, 2, false);
    EXPECT_EQ(once, QByteArray("Test #0, , , \r\n ,\xA5\xAD\xA7\xA1\xAD\xC8, VPP(nV), RMS Noise(nV), Enob, "
                               "VPP(count), RMS Noise(count), Noise Free\r\n"
                               "1, 1.500000, 2.000000, 3.000000, 4.000000, 5.000000, 6.000000, 7.000000\r\n"
                               "2, nan, nan, nan, nan, nan, nan, nan, Test Fail\r\n"));
    const QByteArray twice = SummaryFileBytes(r, 2, true);
    EXPECT_EQ(twice.count("\r\n1, 1.5"), 2);
    EXPECT_EQ(twice.count("\r\n2, nan"), 2);

    r.meter[0][1] = 0.5;
    r.meterUnit[0][1] = MeterUnitText(0x06, 0);
    EXPECT_TRUE(SummaryFileBytes(r, 3, false, "Run stopped after step 2 of 3")
                    .endsWith("\r\n3, nan, nan, nan, nan, nan, nan, nan, not run\r\nRun stopped after step 2 of 3\r\n"));
    const QByteArray meter = MeterFileBytes(r, 1);
    EXPECT_TRUE(meter.startsWith(", , , Test #0, , , Test #1, , "));
    EXPECT_TRUE(meter.contains("\r\n, , , 1, .5, DC V, 1, , "));
}

TEST(TempFiles, ReadingPatternAndUnits)
{
    EXPECT_EQ(MeterReadingText(0), QByteArray());
    EXPECT_EQ(MeterReadingText(0.5), QByteArray(".5"));
    EXPECT_EQ(MeterReadingText(12), QByteArray("12"));
    EXPECT_EQ(MeterReadingText(-1234.5), QByteArray("-1234.5"));
    EXPECT_EQ(MeterReadingText(1.123456789), QByteArray("1.12345679"));
    EXPECT_EQ(MeterUnitText(0x06, 0x00), QByteArray("DC V"));
    EXPECT_EQ(MeterUnitText(0x82, 0x00), QByteArray("\xA3\x5B"));    // Ω, and no "DC " with bit 7
    EXPECT_EQ(MeterUnitText(0x21, 0x24), QByteArray("AC \xA2\x4A" "HzdB")); // ℃ then B's units
    EXPECT_DOUBLE_EQ(MiddleMean({4, 1, 3, 2}), 2.5);
}

TEST(TempRun, TablesGiveColumnsAndSteps)
{
    TempTables t = RunRig::Tables(6);
    EXPECT_EQ(CountRegisterColumns(t), 2);
    t.reg[4][1].clear(); // an empty value in row 4 ends the run after three steps
    EXPECT_EQ(CountSteps(t, 48), 3);
    EXPECT_EQ(CountSteps(t, 2), 2);
    for (int c = 1; c <= 11; ++c)
        t.reg[0][size_t(c)] = QStringLiteral("40");
    EXPECT_EQ(CountRegisterColumns(t), 10); // column 11 is the wait, never a register
    EXPECT_EQ(PowerDelayMs(QStringLiteral("x")), 500);
}

TEST(TempRun, StepsWriteRegistersInstrumentsAndFiles)
{
    RunRig rig;
    std::vector<std::pair<int, int>> writes;
    rig.run.board.writeRegister = [&](uint16_t a, uint8_t v) { writes.push_back({a, v}); };
    TempTables t = RunRig::Tables(3);
    t.reg[2][kAcmColumn] = QStringLiteral("0"); // step 2's measurement fails
    t.power = {{QStringLiteral("1"), QStringLiteral("VOLT 5.0")}, {QStringLiteral("1"), QStringLiteral("outp off")}};
    t.fluke = {{QStringLiteral("1"), QStringLiteral("OUT 100 mV ,0 Hz")}};
    TempSettings settings;
    settings.measure = TempMeasure::AdcOnly;
    const TempRunOutcome out = rig.run.Run(kTempModeStreamed, t, settings);
    EXPECT_EQ(out.end, TempRunEnd::Finished);
    EXPECT_EQ(out.failedSteps, 1);

    EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{0x3C, 1}, {0x30, 0}, {0x3C, 2}, {0x30, 0}, {0x3C, 3}, {0x30, 0}}));
    // "VOLT 5.0" is followed by "OUTP ON" (sent twice: the supply does not reply to either);
    // "outp off" is not.
    const QByteArray ps = rig.psLine->written;
    EXPECT_EQ(ps.count("VOLT 5.0\r\n"), 2);
    EXPECT_EQ(ps.count("OUTP ON\r\n"), 2);
    ASSERT_TRUE(ps.contains("outp off\r\n"));
    EXPECT_FALSE(ps.mid(ps.indexOf("outp off")).contains("OUTP ON"));
    // Step 1: standby, the command, operate; the closing standby after the run.
    EXPECT_TRUE(rig.calLine->written.startsWith("STBY\rOUT 100 mV ,0 Hz\rOPER\r"));
    EXPECT_TRUE(rig.calLine->written.endsWith("STBY\r"));
    EXPECT_TRUE(rig.status2.contains(QStringLiteral("Test Fail")));
    const QByteArray b = ReadAll(rig.File("VekTEMPB.CSV"));
    EXPECT_EQ(b.count("\r\n2, nan, nan, nan, nan, nan, nan, nan, Test Fail\r\n"), 2);
    EXPECT_EQ(b.count("\r\n3, 300.000000"), 2);
    EXPECT_TRUE(b.endsWith("\r\nRun finished: 3 of 3 steps done, 1 Test Fail\r\n"));
    EXPECT_EQ(ReadAll(rig.File("VekTEMPA.CSV")).count("\r\n3, 300.000000"), 1);
    EXPECT_FALSE(QFile::exists(rig.File("VekTEMPBryMen.CSV"))); // "ADC" alone
}

TEST(TempRun, MeterAloneMeasuresNothingAndLogsNoEarlierFigures)
{
    RunRig rig;
    TempSettings settings;
    rig.run.Run(kTempModeStreamed, RunRig::Tables(2), settings);
    ASSERT_EQ(rig.measured, 2);
    settings.measure = TempMeasure::MeterOnly;
    rig.run.board.connected = [] { return false; }; // no board needed without a chip measurement
    EXPECT_EQ(rig.run.Run(kTempModeStreamed, RunRig::Tables(2), settings).end, TempRunEnd::Finished);
    EXPECT_EQ(rig.measured, 2);
    EXPECT_TRUE(ReadAll(rig.File("VekTEMPB.CSV")).contains("\r\n2, nan, nan, nan, nan, nan, nan, nan, no chip measurement\r\n"));
    EXPECT_TRUE(QFile::exists(rig.File("VekTEMPBryMen.CSV")));
}

TEST(TempRun, WithoutBoardNothingRunsAndAStepWithoutItsRowIsTestFail)
{
    RunRig rig;
    bool up = false;
    int tries = 0;
    rig.run.board.connected = [&] { return up; };
    rig.run.board.connect = [&] { ++tries; };
    TempRunOutcome out = rig.run.Run(kTempModeStreamed, RunRig::Tables(3), {});
    EXPECT_EQ(out.end, TempRunEnd::NotStarted);
    EXPECT_EQ(out.error, QStringLiteral("USB not Connect !!!"));
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(rig.measured, 0);
    EXPECT_FALSE(QFile::exists(rig.File("VekTEMPB.CSV")));
    EXPECT_TRUE(rig.calLine->written.isEmpty());

    // Connected on the first try; the link drops after step 1's capture and is back only after
    // step 2's register row was due: step 2 measures nothing.
    rig.run.board.connect = [&] { up = true; };
    std::vector<int> rowsWritten;
    rig.run.board.writeRegister = [&](uint16_t a, uint8_t v) {
        if (a == 0x3C)
            rowsWritten.push_back(v);
    };
    auto measure = rig.run.board.measure;
    rig.run.board.measure = [&](int mode, const QString &ref, AnalysisResults &r) {
        const bool ok = measure(mode, ref, r);
        up = rig.measured != 1;
        return ok;
    };
    rig.run.board.clearSamples = [&] { up = true; };
    out = rig.run.Run(kTempModeStreamed, RunRig::Tables(3), {});
    EXPECT_EQ(out.end, TempRunEnd::Finished);
    EXPECT_EQ(out.failedSteps, 1);
    EXPECT_EQ(rowsWritten, (std::vector<int>{1, 3}));
    EXPECT_EQ(rig.measured, 2);
    const QByteArray a = ReadAll(rig.File("VekTEMPA.CSV"));
    EXPECT_TRUE(a.contains("\r\n2, nan, nan, nan, nan, nan, nan, nan, Test Fail\r\n")) << a.toStdString();
    EXPECT_TRUE(a.contains("\r\n3, 200.000000"));
}

TEST(TempRun, FilesBelongToTheRunFromItsStartAndSayHowItEnded)
{
    RunRig rig;
    for (const char *name : {"VekTEMPA.CSV", "VekTEMPB.CSV"}) {
        QFile old(rig.File(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("1, 7.000000, 7.000000\r\n2, 7.000000, 7.000000\r\n");
    }
    QByteArray duringStep1;
    rig.run.view.stepDone = [&](int s, bool, bool) {
        if (s == 1) {
            duringStep1 = ReadAll(rig.File("VekTEMPB.CSV"));
            rig.run.Stop();
        }
    };
    const TempRunOutcome out = rig.run.Run(kTempModeStreamed, RunRig::Tables(3), {});
    EXPECT_EQ(out.end, TempRunEnd::Stopped);
    EXPECT_EQ(out.stepsDone, 1);
    EXPECT_TRUE(duringStep1.contains("\r\n1, 100.000000"));
    EXPECT_TRUE(duringStep1.contains("\r\n3, nan, nan, nan, nan, nan, nan, nan, not run\r\n"));
    EXPECT_TRUE(duringStep1.endsWith("\r\nRun in progress: 1 of 3 steps done\r\n"));
    for (const char *name : {"VekTEMPA.CSV", "VekTEMPB.CSV"}) {
        const QByteArray f = ReadAll(rig.File(name));
        EXPECT_FALSE(f.contains("7.000000")) << name;
        EXPECT_TRUE(f.contains("\r\n2, nan, nan, nan, nan, nan, nan, nan, not run\r\n")) << name;
        EXPECT_TRUE(f.endsWith("\r\nRun stopped after step 1 of 3\r\n")) << name;
    }
    EXPECT_TRUE(ReadAll(rig.File("VekTEMPBryMen.CSV")).contains(", 3, , , not run\r\n"));
}

TEST(TempRun, SummaryFilesThatCannotBeWrittenAreSaidAndStopTheRun)
{
    RunRig rig;
    QStringList notices;
    rig.run.view.notice = [&](const QString &text) { notices << text; };
    // The name is taken (a folder): the file goes under its "OVER" name, and that is said.
    ASSERT_TRUE(QDir(rig.dir.path()).mkdir("VekTEMPB.CSV"));
    EXPECT_EQ(rig.run.Run(kTempModeStreamed, RunRig::Tables(2), {}).end, TempRunEnd::Finished);
    EXPECT_TRUE(ReadAll(rig.File("VekTEMPFOVER.CSV")).contains("\r\n2, 200.000000"));
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_EQ(notices.first(), QStringLiteral("Cannot write VekTEMPB.CSV: written as VekTEMPFOVER.CSV"));
    // Neither name can be written: the run does not go on.
    ASSERT_TRUE(QFile::remove(rig.File("VekTEMPFOVER.CSV")));
    ASSERT_TRUE(QDir(rig.dir.path()).mkdir("VekTEMPFOVER.CSV"));
    const TempRunOutcome out = rig.run.Run(kTempModeStreamed, RunRig::Tables(2), {});
    EXPECT_EQ(out.end, TempRunEnd::Failed);
    EXPECT_TRUE(out.error.startsWith(QStringLiteral("Cannot write ") + rig.File("VekTEMPB.CSV") + " (")) << out.error.toStdString();
    EXPECT_EQ(rig.measured, 2);
    EXPECT_TRUE(out.lastLine.startsWith(QStringLiteral("Run ended after step 0 of 2: Cannot write ")));
}

TEST(TempRun, StopEndsAWaitWithinASecond)
{
    RunRig rig;
    double stoppedAt = 0;
    rig.run.view.pumpMessages = [&] {
        // Stop 1.5 s into step 1's capture wait of 10 s.
        if (stoppedAt == 0 && rig.status2.contains(QStringLiteral("1"))) {
            stoppedAt = rig.clock.NowDays();
            rig.run.Stop();
        }
    };
    TempTables t = RunRig::Tables(3);
    t.reg[1][kDelayColumn] = QStringLiteral("10");
    rig.run.Run(kTempModeStreamed, t, {});
    ASSERT_GT(stoppedAt, 0);
    EXPECT_EQ(rig.measured, 0);
    // Within a second, plus the closing standby (0.5 s and the echo).
    EXPECT_LT((rig.clock.NowDays() - stoppedAt) * kMsPerDay, 1000 + 700);
    EXPECT_FALSE(rig.run.Running());
}

TEST(TempRun, CannotCreateStillRunsTheClosingSteps)
{
    RunRig rig;
    QFile blocker(rig.File("TEMP"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    TempSettings settings;
    settings.fullFiles = true;
    rig.run.board.saveFullFile = [](const QString &, const AnalysisResults &) { return true; };
    const QString error = rig.run.Run(kTempModeStreamed, RunRig::Tables(3), settings).error;
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot create "))) << error.toStdString();
    EXPECT_EQ(rig.measured, 1);
    EXPECT_FALSE(rig.run.Running());
    EXPECT_TRUE(QFile::exists(rig.File("VekTEMPA.CSV")));
    EXPECT_TRUE(rig.calLine->written.endsWith("STBY\r"));
}

TEST(TempRun, RangeLockSequences)
{
    RunRig rig;
    rig.run.LKENTER(RangeLock::Lock3V);
    EXPECT_EQ(rig.calLine->written,
              QByteArray("STBY\rRANGELCK OFF\rOUT 600 mV ,0 Hz \rRANGELCK ON\rOUT 0 V ,0 Hz\r"));
    rig.calLine->written.clear();
    rig.run.LKENTER(RangeLock::None);
    EXPECT_EQ(rig.calLine->written, QByteArray("STBY\rRANGELCK OFF\r"));
}

TEST(TempRun, AFailedStepsFullFileHoldsNoFiguresOfAnother)
{
    RunRig rig;
    std::vector<double> means;
    rig.run.board.saveFullFile = [&](const QString &, const AnalysisResults &r) {
        means.push_back(r.mean);
        return true;
    };
    TempTables t = RunRig::Tables(3);
    t.reg[2][kAcmColumn] = QStringLiteral("0"); // step 2's measurement fails
    TempSettings settings;
    settings.fullFiles = true;
    rig.run.Run(kTempModeStreamed, t, settings);
    ASSERT_EQ(means.size(), 3u);
    EXPECT_EQ(means[0], 100.0);
    EXPECT_TRUE(std::isnan(means[1]));
    EXPECT_EQ(means[2], 300.0);
}
