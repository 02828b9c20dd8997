// The temperature test from the command line: the same step files and settings as the window
// ("Register.txt", "Delay.txt", "ACM.txt", "Fluke.txt", "Power.txt" in the folder), the same
// result files, one line per finished step on standard output. SIGINT and SIGTERM stop the run
// at its next wait or capture check; every finished step is on disk by then.
#include "app/tools/TemperatureCommand.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/EnobMeasurement.h"
#include "app/base/Clock.h"
#include "app/base/NumberText.h"
#include "bench/HeadlessBoard.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"
#include "instruments/MeterChannels.h"
#include "link/RealUsbBackends.h"
#include "sim/SimulatedTempBench.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <cstdio>
#include <memory>

namespace vek {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) { g_stopRequested = 1; }

int Fail(const QString &text)
{
    std::fprintf(stderr, "vek-enob temperature: %s\n", qPrintable(text));
    return 1;
}


} // namespace

int TemperatureCommand(const QStringList &arguments)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("The temperature test without a window"));
    p.addHelpOption();
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
    const auto samples = option("samples", "Samples per step.", "N", "256");
    const auto width = option("width", "Result width 8..24.", "BITS", "24");
    const auto average = option("average", "Averaging factor 1, 2, 4, 8, 16 or 32.", "N", "1");
    const auto measure = option("measure", "adc+meter, adc or meter.", "WHAT", "adc+meter");
    const auto delay = option("power-delay", "Power Supply Delay Time in ms.", "MS", "2000");
    const auto keepOn = option("keep-fluke", "Do not put the calibrator to standby before its step command.");
    const auto full = option("full-files", "Also write TEMP/VekTMP-k.CSV per step.");
    const auto calCom = option("calibrator", "COM port of the calibrator.", "COM");
    const auto psCom = option("power-supply", "COM port of the power supply.", "COM");
    const auto meterCom = option("meter", "COM port of the next meter channel (up to six).", "COM");
    p.process(arguments);

    bool ok = true, numbersOk = true;
    const int runMode = p.value(mode).toInt(&ok);
    numbersOk &= ok && runMode >= 0 && runMode <= 2;
    const int stepLimit = StepCountFromText(p.value(steps));
    const int sampleCount = p.value(samples).toInt(&ok);
    numbersOk &= ok && sampleCount > 0;
    const int resultWidth = p.value(width).toInt(&ok);
    numbersOk &= ok && resultWidth >= 8 && resultWidth <= 24;
    const int averagingIndex = AveragingIndexFor(p.value(average).toInt(&ok));
    numbersOk &= ok && averagingIndex >= 0;
    const qulonglong seedValue = p.value(seed).toULongLong(&ok);
    numbersOk &= ok;
    if (!numbersOk)
        return Fail(QStringLiteral("--mode is 0, 1 or 2; --samples, --width, --average and --seed take whole "
                                   "numbers (width 8..24, averaging 1..32)"));
    TempSettings settings;
    settings.stepLimit = stepLimit;
    settings.powerDelayText = p.value(delay);
    settings.keepCalibratorOn = p.isSet(keepOn);
    settings.fullFiles = p.isSet(full);
    const QString what = p.value(measure).toLower();
    if (what == QLatin1String("adc+meter"))
        settings.measure = TempMeasure::AdcAndMeter;
    else if (what == QLatin1String("adc"))
        settings.measure = TempMeasure::AdcOnly;
    else if (what == QLatin1String("meter"))
        settings.measure = TempMeasure::MeterOnly;
    else
        return Fail(QStringLiteral("--measure is adc+meter, adc or meter"));
    HeadlessBoardOptions boardOptions;
    boardOptions.averagingIndex = averagingIndex;
    const QString kindText = p.value(link).toUpper();
    if (kindText == QLatin1String("SPI"))
        boardOptions.kind = InterfaceKind::SPI;
    else if (kindText == QLatin1String("SPECIAL"))
        boardOptions.kind = InterfaceKind::Special;
    else if (kindText == QLatin1String("UART"))
        boardOptions.kind = InterfaceKind::UART;
    else
        return Fail(QStringLiteral("--interface is SPI, Special or UART"));

    const QString programDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QString folder = p.isSet(dir) ? QDir(p.value(dir)).absolutePath() : programDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    // The step tables, as the window's "Download" items load them.
    RegisterStepTable registers;
    registers.SetSteps(stepLimit);
    const RegisterStepLoad load = LoadRegisterStepFiles(folder, registers);
    if (!load.ok)
        return Fail(QStringLiteral("cannot read %1%2").arg(folder, load.failedFile));
    StepTable fluke, power;
    fluke.SetRows(stepLimit);
    power.SetRows(stepLimit);
    if (LoadStepFile(folder + QStringLiteral("Fluke.txt"), fluke, stepLimit, StepFileKind::Calibrator) ==
            FileRead::Unreadable ||
        LoadStepFile(folder + QStringLiteral("Power.txt"), power, stepLimit, StepFileKind::PowerSupply) ==
            FileRead::Unreadable)
        return Fail(QStringLiteral("cannot read Fluke.txt or Power.txt in %1").arg(folder));

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
        if (!simBoard->SetUpConverter(seedValue, QString(), &error))
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
    uint8_t status = 0xFF;
    if (!ConnectLink(io, chips[0].link, status))
        return Fail(QStringLiteral("no evaluation board found"));

    // The instruments, found the way the setup dialog finds them.
    InstrumentPorts records{};
    InstrumentBuffers buffers;
    InstrumentLink instruments(ports, clock, buffers, records);
    auto report = [](const SelectOutcome &o) { std::fprintf(stderr, "%s\n", qPrintable(o.statusText)); };
    if (!calibratorPort.isEmpty())
        report(SelectCalibrator(instruments, ports, records[kCalibratorPort], calibratorPort));
    if (!supplyPort.isEmpty())
        report(SelectPowerSupply(instruments, ports, records[kPowerSupplyPort], supplyPort));
    for (int c = 0; c < meterPorts.size() && c < kMeterChannelCount; ++c)
        report(SelectMeter(instruments, ports, records, c, meterPorts[c]));

    SampleStore store;
    store.TargetCount = CaptureTarget(sampleCount);
    ApplyScaleIndex(store, resultWidth - 8);
    AnalysisResults results;
    TemperatureRun run(clock, instruments, records, folder);
    ConnectHeadlessBoard(run, port, store, results, boardOptions);
    run.view.pumpMessages = [&run] {
        if (g_stopRequested && run.Running())
            run.Stop();
    };
    run.view.stepDone = [&run](int step, bool measured, bool measuredOk) {
        const AnalysisResults &r = run.Results().steps[size_t(step)];
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
    };
    struct sigaction sa = {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);

    const QString error = run.Run(runMode, TempTablesFrom(registers, fluke, power), settings);
    ReleaseBoard(io, chips[0].link);
    if (!error.isEmpty())
        return Fail(error);
    if (g_stopRequested) {
        std::fprintf(stderr, "vek-enob temperature: stopped\n");
        return 130;
    }
    return 0;
}

} // namespace vek
