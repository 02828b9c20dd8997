// The temperature test from the command line: the same step files and settings as the window
// ("Register.txt", "Delay.txt", "ACM.txt", "Fluke.txt", "Power.txt" in the folder), the same
// result files, one line per finished step on standard output. SIGINT and SIGTERM stop the run
// at its next wait or capture check; every finished step is on disk by then.
//
// Exit status: 0 every step measured; 3 the run finished with some steps "Test Fail"; 1 the run
// could not start or could not write its files; 2 a bad argument (nothing ran); 130 SIGINT and
// 143 SIGTERM, whenever they come.
#include "app/tools/TemperatureCommand.h"

#include "analysis/ResultJson.h"
#include "app/tools/HistoryCommand.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/ConverterRate.h"
#include "analysis/EnobMeasurement.h"
#include "app/base/Clock.h"
#include "app/base/NumberText.h"
#include "app/base/ProgramDir.h"
#include "app/base/CommandLine.h"
#include "app/base/SafeFile.h"
#include "bench/HeadlessBoard.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"
#include "instruments/MeterChannels.h"
#include "link/RealUsbBackends.h"
#include "sim/SimulatedTempBench.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <limits>
#include <cstdio>
#include <memory>

namespace vek {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int sig) { g_stopSignal = sig; }

const char kProgram[] = "vek-enob temperature";

int Fail(const QString &text) { return ReportFailure(kProgram, text); }

// The status of a command a signal stopped: 130 for SIGINT, 143 for SIGTERM.
int SignalStatus() { return g_stopSignal == SIGTERM ? kExitTerminated : kExitInterrupted; }

// SIGINT and SIGTERM only set the stop request while the command runs; the old handlers come back
// when it returns.
class StopSignals {
public:
    StopSignals()
    {
        g_stopSignal = 0;
        struct sigaction sa = {};
        sa.sa_handler = OnStopSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &m_oldInt);
        ::sigaction(SIGTERM, &sa, &m_oldTerm);
    }
    ~StopSignals()
    {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    struct sigaction m_oldInt = {}, m_oldTerm = {};
};

// The ready-to-run step set of --example: ten steps, the calibrator from 0 to 900 mV in 100 mV
// steps, the power supply on at 5 V from step 1, the ADC enabled with the gain register at 0,
// a capture wait of 1 s and a 1.2 V reference. Files that exist are not overwritten.
int WriteExample(const QString &dirText)
{
    const QString dir = QDir(dirText).absolutePath() + QLatin1Char('/');
    if (!QDir().mkpath(dir))
        return Fail(QStringLiteral("cannot create the folder %1").arg(dir));
    QByteArray reg = "  3C  30" + QByteArray(32, ' ') + "\r\n", delay, acm, fluke;
    for (int s = 1; s <= 10; ++s) {
        reg += "   0  80" + QByteArray(32, ' ') + "\r\n";
        delay += "     1\r\n";
        acm += "   1.2\r\n";
        fluke += "   1OUT " + QByteArray::number((s - 1) * 100) + " mV ,0 Hz\r\n";
    }
    const std::pair<const char *, QByteArray> files[] = {
        {"Register.txt", reg}, {"Delay.txt", delay}, {"ACM.txt", acm},
        {"Fluke.txt", fluke},  {"Power.txt", "   1VOLT 5.0\r\n"}};
    for (const auto &[name, bytes] : files)
        if (QFileInfo::exists(dir + QLatin1String(name)))
            return Fail(QStringLiteral("%1%2 exists; the example is not written over it")
                            .arg(dir, QLatin1String(name)));
    for (const auto &[name, bytes] : files)
        if (!WriteFileAtomically(dir + QLatin1String(name), bytes))
            return Fail(QStringLiteral("cannot write %1%2").arg(dir, QLatin1String(name)));
    std::printf("Ten steps written to %s: run them with\n  vek-enob temperature --simulate --steps 10 --dir %s\n",
                qPrintable(dir), qPrintable(QDir::toNativeSeparators(dirText)));
    return kExitOk;
}

} // namespace

int TemperatureCommand(const QStringList &arguments, const std::function<void(int step)> &afterStep)
{
    // From the first moment: a signal stops the command cleanly, never kills it outright.
    StopSignals stopSignals;
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "The temperature test without a window. The folder holds the step files Register.txt, Delay.txt, "
        "ACM.txt, Fluke.txt and Power.txt (as the window saves them); --example DIR writes a ready-to-run set. "
        "Status 0 only when every step measured. ") + ExitStatusHelp(true));
    const QCommandLineOption help = p.addHelpOption();
    auto option = [&p](const char *name, const char *help, const char *value = nullptr, const char *def = nullptr) {
        QCommandLineOption o(QString::fromLatin1(name), QString::fromUtf8(help));
        if (value)
            o.setValueName(QString::fromLatin1(value));
        if (def)
            o.setDefaultValue(QString::fromLatin1(def));
        p.addOption(o);
        return o;
    };
    const auto simulate = option("simulate", "Simulated board and bench (calibrator COM7, power supply COM8, "
                                             "meters COM9-COM14), on simulated time.");
    const auto realTime = option("real-time", "Simulated bench on the wall clock.");
    const auto seed = option("seed", "Noise seed of the simulated converter.", "N", "1");
    const auto chip = option("chip", "Chip model name or list index.", "NAME", "0");
    const auto link = option("interface", "SPI, Special or UART.", "KIND", "SPI");
    const auto mode = option("mode", "1 streamed capture (\"Catch ADC\"), 0 RAM block (\"ADC\"), 2 board-buffered "
                                     "(\"Ca.Flash\").", "MODE", "1");
    const auto steps = option("steps", "Step count N (1..10000).", "N", "48");
    const auto dir = option("dir", "Folder of the step files and the result files (default: the program's).", "DIR");
    const auto example = option("example", "Write a ready-to-run set of ten step files into DIR and stop.", "DIR");
    const auto samples = option("samples", "Samples per step (1..65536).", "N", "256");
    const auto width = option("width", "Result width 8..24.", "BITS", "24");
    const auto average = option("average", "Averaging factor 1, 2, 4, 8, 16 or 32.", "N", "1");
    const auto measure = option("measure", "adc+meter, adc or meter.", "WHAT", "adc+meter");
    const auto delay = option("power-delay", "Power Supply Delay Time in ms (0..3600000).", "MS", "2000");
    const auto keepOn = option("keep-fluke", "Do not put the calibrator to standby before its step command.");
    const auto full = option("full-files", "Also write TEMP/VekTMP-k.CSV per step.");
    const auto calCom = option("calibrator", "COM port of the calibrator.", "COM");
    const auto psCom = option("power-supply", "COM port of the power supply.", "COM");
    const auto meterCom = option("meter", "COM port of the next meter channel (up to six).", "COM");
    const auto history = option("history", "The results history to add every step to (default VekHistory.db in the "
                                           "program directory; none: keep no record).", "FILE|none");

    // Every argument is checked before anything runs; a bad one is named.
    const QString parseError = ParseCommandLine(p, arguments);
    if (!parseError.isEmpty())
        return RefuseArguments(kProgram, parseError);
    if (p.isSet(help)) {
        // The usage line names the subcommand too.
        std::printf("%s", qPrintable(p.helpText().replace(QRegularExpression(QStringLiteral("^Usage: (\\S+)")),
                                                            QStringLiteral("Usage: \\1 temperature"))));
        return kExitOk;
    }
    if (p.isSet(example))
        return WriteExample(p.value(example));
    OptionCheck check(p);
    const auto runMode = check.Whole(mode, 0, 2, QStringLiteral("0, 1 or 2"));
    const auto stepLimit = check.Whole(steps, 1, kMaxStepCount);
    const auto sampleCount = check.Whole(samples, 1, kSampleCapacity);
    const auto resultWidth = check.Whole(width, 8, 24);
    const QStringList factors = {QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("4"),
                                 QStringLiteral("8"),  QStringLiteral("16"), QStringLiteral("32")};
    const int averageChoice = check.Choice(average, factors);
    const auto seedValue = check.Whole(seed, 0, std::numeric_limits<qlonglong>::max());
    const auto powerDelay = check.Whole(delay, 0, 3600000);
    const int measureChoice =
        check.Choice(measure, {QStringLiteral("adc+meter"), QStringLiteral("adc"), QStringLiteral("meter")});
    const int kindChoice =
        check.Choice(link, {QStringLiteral("SPI"), QStringLiteral("Special"), QStringLiteral("UART")});
    check.Needs(realTime, p.isSet(simulate), QStringLiteral("--simulate"));
    check.Needs(seed, p.isSet(simulate), QStringLiteral("--simulate"));
    if (p.values(meterCom).size() > kMeterChannelCount)
        check.Refuse(meterCom, QStringLiteral("is given at most six times"));
    if (!check.Ok())
        return RefuseArguments(kProgram, check.Error());
    const int averagingIndex = AveragingIndexFor(factors[averageChoice].toInt());
    TempSettings settings;
    settings.stepLimit = int(*stepLimit);
    settings.powerDelayText = QString::number(*powerDelay);
    settings.keepCalibratorOn = p.isSet(keepOn);
    settings.fullFiles = p.isSet(full);
    settings.measure = static_cast<TempMeasure>(measureChoice); // the choices in TempMeasure's order
    HeadlessBoardOptions boardOptions;
    boardOptions.averagingIndex = averagingIndex;
    static const InterfaceKind kKinds[] = {InterfaceKind::SPI, InterfaceKind::Special, InterfaceKind::UART};
    boardOptions.kind = kKinds[kindChoice];

    const QString programDir = ProgramDirectory();
    QString folder = p.isSet(dir) ? QDir(p.value(dir)).absolutePath() : programDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    // The step tables, as the window's "Download" items load them.
    RegisterStepTable registers;
    registers.SetSteps(settings.stepLimit);
    const RegisterStepLoad load = LoadRegisterStepFiles(folder, registers);
    if (!load.ok)
        return Fail(QStringLiteral("cannot read %1%2 (the folder holds the step files Register.txt, Delay.txt, "
                                   "ACM.txt, Fluke.txt and Power.txt; --example %3 writes a ready-to-run set)")
                        .arg(folder, load.failedFile, QDir::toNativeSeparators(folder)));
    StepTable fluke, power;
    fluke.SetRows(settings.stepLimit);
    power.SetRows(settings.stepLimit);
    if (LoadStepFile(folder + QStringLiteral("Fluke.txt"), fluke, settings.stepLimit, StepFileKind::Calibrator) ==
            FileRead::Unreadable ||
        LoadStepFile(folder + QStringLiteral("Power.txt"), power, settings.stepLimit, StepFileKind::PowerSupply) ==
            FileRead::Unreadable)
        return Fail(QStringLiteral("cannot read Fluke.txt or Power.txt in %1").arg(folder));
    const TempTables tables = TempTablesFrom(registers, fluke, power);
    if (CountSteps(tables, settings.stepLimit) == 0)
        return Fail(QStringLiteral("no step to run: %1Register.txt has no value in column 1 of step 1").arg(folder));
    if (g_stopSignal)
        return SignalStatus();

    // The board and the bench: real, or the simulated ones on simulated time.
    const bool sim = p.isSet(simulate);
    SystemClock systemClock;
    FakeClock fakeClock;
    Clock &clock = sim && !p.isSet(realTime) ? static_cast<Clock &>(fakeClock) : systemClock;
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    SerialPorts ports;
    ports.SetMapFile(programDir + QString::fromLatin1(ComNameMap::kFileName));
    std::unique_ptr<sim::SimulatedBoard> simBoard;
    std::unique_ptr<sim::SimulatedTempBench> simBench;
    std::unique_ptr<HidapiBackend> realHid;
    std::unique_ptr<LibusbBackend> realDriver;
    QString calibratorPort = p.value(calCom), supplyPort = p.value(psCom);
    QStringList meterPorts = p.values(meterCom);
    if (sim) {
        simBoard = std::make_unique<sim::SimulatedBoard>(clock);
        QString error;
        if (!simBoard->SetUpConverter(qulonglong(*seedValue), QString(), &error))
            return Fail(error);
        bus.hid = &simBoard->usb.hid;
        bus.driver = &simBoard->usb.driver;
        simBench = std::make_unique<sim::SimulatedTempBench>(clock, *simBoard, ports);
        if (calibratorPort.isEmpty())
            calibratorPort = QString::fromLatin1(sim::SimulatedTempBench::kCalibratorCom);
        if (supplyPort.isEmpty())
            supplyPort = QString::fromLatin1(sim::SimulatedTempBench::kPowerSupplyCom);
        if (meterPorts.isEmpty())
            for (int c = 0; c < kMeterChannelCount; ++c)
                meterPorts << sim::SimulatedTempBench::MeterCom(c);
    } else {
        realHid = std::make_unique<HidapiBackend>();
        realDriver = std::make_unique<LibusbBackend>();
        bus.hid = realHid.get();
        bus.driver = realDriver.get();
    }

    const int chipIndex = ChipIndexFromChoice(programDir, p.value(chip));
    if (chipIndex < 0)
        return Fail(QStringLiteral("no chip model %1 in the chip list").arg(p.value(chip)));
    ChipModelState model;
    ChipSelectionScope scope = model.Scope(programDir, chipIndex);
    if (!GetSELUP(scope))
        return Fail(QStringLiteral("cannot read the description of chip model %1").arg(p.value(chip)));
    if (simBoard)
        simBoard->SetUpForChip(model.chip.productName, chipIndex, model.bindings);
    boardOptions.layout = UsesPlainSpecialHeader(model.chip.productName, chipIndex) ? RamBlockLayout::SmallModel
                                                                                   : RamBlockLayout::Banked;
    boardOptions.bank1Present = model.chip.ramBanks[1].Defined();
    boardOptions.bank2Present = model.chip.ramBanks[2].Defined();

    ChipSlots chips{};
    chips[0].chipModel = uint16_t(chipIndex);
    chips[0].interfaceKind = boardOptions.kind;
    ScaleDmmMemory scaleDmm;
    const std::function<void()> noRefresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, model.chip.productName, scaleDmm, noRefresh, nullptr};
    boardOptions.dataRateHz = [&port, &model] {
        return ReadConverterRateFromChip(port, model.bindings.adc, model.chip, 0).hz;
    };
    uint8_t status = 0xFF;
    if (!ConnectLink(io, chips[0].link, status))
        return Fail(QStringLiteral("no evaluation board found"));

    // The instruments, found the way the setup dialog finds them.
    InstrumentPorts records{};
    InstrumentBuffers buffers;
    InstrumentLink instruments(ports, clock, buffers, records);
    // An instrument that was asked for and is not found stops the command before the run.
    QStringList missing;
    auto report = [&missing](const SelectOutcome &o, const InstrumentPort &record, const QString &what) {
        std::fprintf(stderr, "%s\n", qPrintable(o.statusText));
        if (!record.present)
            missing << what;
    };
    if (!calibratorPort.isEmpty() && !g_stopSignal) {
        const SelectOutcome o = SelectCalibrator(instruments, ports, records[kCalibratorPort], calibratorPort);
        report(o, records[kCalibratorPort], QStringLiteral("calibrator on ") + calibratorPort);
    }
    if (!supplyPort.isEmpty() && !g_stopSignal) {
        const SelectOutcome o = SelectPowerSupply(instruments, ports, records[kPowerSupplyPort], supplyPort);
        report(o, records[kPowerSupplyPort], QStringLiteral("power supply on ") + supplyPort);
    }
    for (int c = 0; c < meterPorts.size() && c < kMeterChannelCount && !g_stopSignal; ++c) {
        const SelectOutcome o = SelectMeter(instruments, ports, records, c, meterPorts[c]);
        report(o, records[size_t(kFirstMeterPort + c)], QStringLiteral("meter %1 on %2").arg(c).arg(meterPorts[c]));
    }
    if (g_stopSignal) {
        ReleaseBoard(io, chips[0].link);
        return SignalStatus();
    }
    if (!missing.isEmpty()) {
        ReleaseBoard(io, chips[0].link);
        return Fail(QStringLiteral("not found: ") + missing.join(QStringLiteral(", ")));
    }

    SampleStore store;
    store.TargetCount = CaptureTarget(int(*sampleCount));
    ApplyScaleIndex(store, int(*resultWidth) - 8);
    AnalysisResults results;
    TemperatureRun run(clock, instruments, records, folder);
    ConnectHeadlessBoard(run, port, store, results, boardOptions);
    run.view.pumpMessages = [&run] {
        if (g_stopSignal && run.Running())
            run.Stop();
    };
    run.view.notice = [](const QString &text) { std::fprintf(stderr, "vek-enob temperature: %s\n", qPrintable(text)); };
    const QString historyOption = p.value(history);
    bool historySaid = false;
    run.view.stepDone = [&](int step, bool measured, bool measuredOk) {
        const AnalysisResults &r = run.Results().steps[size_t(step)];
        if (historyOption != QLatin1String("none") && !historySaid) {
            // One record a step: its figures, or why it measured nothing.
            MeasurementRecord record;
            record.kind = QStringLiteral("temperature-step");
            record.chip = model.chip.productName;
            record.board = sim ? QStringLiteral("simulated") : BoardIdentity(chips[0].link);
            record.interfaceName = InterfaceDisplayName(int(boardOptions.kind));
            record.registers = CaptureSettingsFromImage(chips[0].image, model.bindings.adc);
            record.registers.insert(QStringLiteral("step"), step);
            record.samples = store.SampleCount;
            record.ok = measured && measuredOk;
            record.failure = !measured ? QStringLiteral("no chip measurement") : measuredOk ? QString() : QStringLiteral("Test Fail");
            if (record.ok)
                record.figures = FiguresJson(r);
            historySaid = !RecordToHistory(record, historyOption);
        }
        QString line = QStringLiteral("Step %1:").arg(step);
        if (!measured)
            line += QStringLiteral(" no chip measurement");
        else if (!measuredOk)
            line += QStringLiteral(" Test Fail");
        else
            line += QStringLiteral(" mean %1, RMS noise %2 count, ENOB %3")
                        .arg(FixedQText(r.mean), FixedQText(r.sigma), FixedQText(r.enob));
        for (int c = 0; c < kMeterChannelCount; ++c)
            if (run.Results().meterUnit[size_t(c)][size_t(step)].size() > 0)
                line += QStringLiteral(", meter %1: %2").arg(c).arg(
                    QString::fromLatin1(MeterReadingText(run.Results().meter[size_t(c)][size_t(step)])));
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
        if (afterStep)
            afterStep(step);
    };

    const TempRunOutcome out = run.Run(int(*runMode), tables, settings);
    ReleaseBoard(io, chips[0].link);
    if (out.end == TempRunEnd::NotStarted)
        return Fail(out.error);
    std::fprintf(stderr, "vek-enob temperature: %s\n", qPrintable(out.lastLine));
    if (out.end == TempRunEnd::Failed)
        return kExitFailed;
    if (g_stopSignal)
        return SignalStatus();
    return out.failedSteps > 0 || out.end != TempRunEnd::Finished ? kExitSomeStepsFailed : kExitOk;
}

} // namespace vek
