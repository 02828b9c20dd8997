// vek-enob: the ENOB test from the command line. Connects to the evaluation board (or the
// simulated one), selects the chip model, captures, prints the seven figures (or, with --json, one
// JSON object of the settings, the figures and the windowed spectrum's figures) and writes the
// result file. "vek-enob temperature ..." runs the temperature test instead.
#include "analysis/AnalysisSettings.h"
#include "analysis/ConverterRate.h"
#include "analysis/EnobMeasurement.h"
#include "analysis/ResultJson.h"
#include "analysis/WindowedSpectrum.h"
#include "app/tools/TemperatureCommand.h"
#include "app/base/Clock.h"
#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"
#include "link/LinuxParallelPort.h"
#include "link/ParallelLink.h"
#include "link/RealUsbBackends.h"
#include "link/UsbTransport.h"
#include "sim/SimulatedBoard.h"
#include "sim/SimParallelChip.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

using namespace vek;

namespace {

int Fail(const QString &text)
{
    std::fprintf(stderr, "vek-enob: %s\n", qPrintable(text));
    return 1;
}


// The codes as the board sent them (the dropped first ones included, before any averaging), one
// decimal integer a line: what --replay needs to give the same capture again.
QByteArray CodesText(const SampleStore &store)
{
    QByteArray text;
    const int n = std::clamp(store.SampleCount, 0, kSampleCapacity);
    text.reserve((n + kDroppedSamples) * 9);
    const int64_t dropped = std::min<int64_t>(store.receivedCount, kDroppedSamples);
    for (int64_t k = 0; k < dropped; ++k) {
        text += QByteArray::number(store.droppedCodes[size_t(k)]);
        text += '\n';
    }
    for (int k = 0; k < n; ++k) {
        text += QByteArray::number(qlonglong(std::llround(store.SampleItems[size_t(k)])));
        text += '\n';
    }
    return text;
}

bool InterfaceFromText(const QString &t, InterfaceKind &kind)
{
    const QString s = t.toUpper();
    if (s == QLatin1String("SPI"))
        kind = InterfaceKind::SPI;
    else if (s == QLatin1String("SPECIAL"))
        kind = InterfaceKind::Special;
    else if (s == QLatin1String("UART"))
        kind = InterfaceKind::UART;
    else if (s == QLatin1String("PARALLEL"))
        kind = InterfaceKind::Parallel;
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vek-enob"));
    UsePointForNumbers();
    // "vek-enob temperature ...": the temperature test.
    if (QCoreApplication::arguments().value(1) == QLatin1String("temperature")) {
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeAt(1);
        return TemperatureCommand(arguments);
    }
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("ENOB test of the chip's ADC, without a window"));
    p.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"), QStringLiteral("Use the simulated board."));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Noise seed of the simulated ADC."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption replay(QStringLiteral("replay"),
                                    QStringLiteral("Simulated ADC streams the codes of FILE (one a line)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption realTime(QStringLiteral("real-time"),
                                      QStringLiteral("Simulated ADC at its data rate on the wall clock "
                                                     "(default: as fast as possible on simulated time)."));
    const QCommandLineOption input(QStringLiteral("input"), QStringLiteral("Simulated input in volts."),
                                   QStringLiteral("V"));
    const QCommandLineOption chip(QStringLiteral("chip"), QStringLiteral("Chip model name or list index."),
                                  QStringLiteral("NAME"), QStringLiteral("0"));
    const QCommandLineOption link(QStringLiteral("interface"), QStringLiteral("SPI, Special, UART or Parallel."),
                                  QStringLiteral("KIND"), QStringLiteral("SPI"));
    const QCommandLineOption lpt(QStringLiteral("lpt"),
                                 QStringLiteral("Base address of the parallel port (hexadecimal)."),
                                 QStringLiteral("BASE"), QStringLiteral("378"));
    const QCommandLineOption samples(QStringLiteral("samples"), QStringLiteral("Samples to keep."),
                                     QStringLiteral("N"), QStringLiteral("256"));
    const QCommandLineOption width(QStringLiteral("width"), QStringLiteral("Result width 8..24."),
                                   QStringLiteral("BITS"), QStringLiteral("24"));
    const QCommandLineOption ref(QStringLiteral("ref"), QStringLiteral("Reference voltage."),
                                 QStringLiteral("V"), QStringLiteral("1.2"));
    const QCommandLineOption avg(QStringLiteral("average"), QStringLiteral("Averaging factor 1..32."),
                                 QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption reg(QStringLiteral("reg"),
                                 QStringLiteral("Write chip register ADDR (hex) with VALUE (hex) first."),
                                 QStringLiteral("ADDR=VALUE"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Result file."), QStringLiteral("FILE"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("With --simulate: make the simulated board misbehave "
                                                  "(repeatable).\n") +
                                       sim::SimulatedBoard::FaultHelp(),
                                   QStringLiteral("FAULT"));
    const QCommandLineOption sine(QStringLiteral("sine"), sim::SimulatedBoard::SineHelp(),
                                  QStringLiteral("AMP,FREQ[,THD]"));
    const QCommandLineOption codes(QStringLiteral("codes"),
                                   QStringLiteral("Write the captured codes, one a line, to FILE "
                                                  "(as --replay reads them)."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the settings, the figures and the windowed "
                                                 "spectrum's figures as one JSON object."));
    const QCommandLineOption window(QStringLiteral("window"),
                                    QStringLiteral("Window of the spectrum for --json: rect, hann or bh4."),
                                    QStringLiteral("NAME"), QStringLiteral("bh4"));
    const QCommandLineOption blocks(QStringLiteral("blocks"),
                                    QStringLiteral("Consecutive blocks whose spectra --json averages."),
                                    QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption retry(QStringLiteral("retry"),
                                   QStringLiteral("After a failed capture, look for the board again and "
                                                  "capture once more, up to N times, 1 s apart."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    for (const auto *o : {&json, &window, &blocks, &sine, &codes, &fault, &retry, &simulate, &seed, &replay, &realTime, &input, &chip, &link, &lpt, &samples, &width, &ref,
                          &avg, &reg, &out})
        p.addOption(*o);
    p.process(app);

    EnobOptions options;
    bool ok = true, numbersOk = true;
    options.samples = p.value(samples).toInt(&ok);
    numbersOk &= ok && options.samples > 0;
    options.width = p.value(width).toInt(&ok);
    numbersOk &= ok;
    options.averaging = p.value(avg).toInt(&ok);
    numbersOk &= ok;
    options.refVoltText = p.value(ref);
    options.outPath = p.value(out);
    const qulonglong seedValue = p.value(seed).toULongLong(&ok);
    numbersOk &= ok;
    const int retries = p.value(retry).toInt(&ok);
    numbersOk &= ok && retries >= 0;
    const int blockCount = p.value(blocks).toInt(&ok);
    numbersOk &= ok && blockCount > 0;
    if (!numbersOk)
        return Fail(QStringLiteral("--samples, --width, --average, --seed, --retry and --blocks take whole numbers"));
    SpectrumWindow spectrumWindow = SpectrumWindow::BlackmanHarris4;
    if (!WindowFromText(p.value(window), spectrumWindow))
        return Fail(QStringLiteral("--window is rect, hann or bh4"));
    InterfaceKind kind;
    if (!InterfaceFromText(p.value(link), kind))
        return Fail(QStringLiteral("--interface is SPI, Special, UART or Parallel"));
    const uint lptBase = p.value(lpt).toUInt(&ok, 16);
    if (!ok || lptBase == 0 || lptBase > 0xFFFF)
        return Fail(QStringLiteral("--lpt takes a port address in hexadecimal, such as 378"));
    const bool sim = p.isSet(simulate) || p.isSet(replay);
    if (p.isSet(sine) && !sim)
        return Fail(QStringLiteral("--sine needs --simulate"));

    // Simulated time unless a real board or --real-time asks for the wall clock.
    SystemClock systemClock;
    FakeClock fakeClock;
    Clock &clock = sim && !p.isSet(realTime) ? static_cast<Clock &>(fakeClock) : systemClock;

    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    std::unique_ptr<sim::SimulatedBoard> simBoard;
    std::unique_ptr<HidapiBackend> realHid;
    std::unique_ptr<LibusbBackend> realDriver;
    if (sim) {
        simBoard = std::make_unique<sim::SimulatedBoard>(clock);
        bus.hid = &simBoard->usb.hid;
        bus.driver = &simBoard->usb.driver;
        // The converter keeps its data rate on either clock: on simulated time that costs no
        // wall time and still gives the capture real milliseconds and hertz.
        simBoard->adc.asFastAsPossible = false;
        if (p.isSet(input)) {
            bool inputOk = false;
            simBoard->adc.inputVolts = p.value(input).toDouble(&inputOk);
            if (!inputOk)
                return Fail(QStringLiteral("--input takes a number of volts, not %1").arg(p.value(input)));
        }
        QString error;
        if (!simBoard->SetUpConverter(seedValue, p.isSet(replay) ? p.value(replay) : QString(), &error))
            return Fail(error);
        for (const QString &faultText : p.values(fault))
            if (!simBoard->ApplyFault(faultText, &error))
                return Fail(error);
        if (p.isSet(sine) && !simBoard->ApplySine(p.value(sine), &error))
            return Fail(error);
    } else {
        realHid = std::make_unique<HidapiBackend>();
        realDriver = std::make_unique<LibusbBackend>();
        bus.hid = realHid.get();
        bus.driver = realDriver.get();
    }

    // The chip description of the model.
    const QString programDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const int chipIndex = ChipIndexFromChoice(programDir, p.value(chip));
    if (chipIndex < 0)
        return Fail(QStringLiteral("no chip model %1 in the chip list").arg(p.value(chip)));
    ChipModelState model;
    ChipSelectionScope scope = model.Scope(programDir, chipIndex);
    if (!GetSELUP(scope))
        return Fail(QStringLiteral("cannot read the description of chip model %1").arg(p.value(chip)));
    if (model.interfaceIndex == int(InterfaceKind::Special) && !p.isSet(link))
        kind = InterfaceKind::Special;
    if (simBoard)
        simBoard->SetUpForChip(model.chip.productName, chipIndex, model.bindings);

    ChipSlots chips{};
    chips[0].chipModel = uint16_t(chipIndex);
    chips[0].interfaceKind = kind;
    ScaleDmmMemory scaleDmm;
    const std::function<void()> noRefresh;
    LinkIo io{bus, buffer, hidMode, clock};
    // The parallel port: the simulated chip on the board's memory and converter, or ppdev.
    std::unique_ptr<sim::SimParallelChip> simParallelChip;
    std::unique_ptr<ParallelPlatform> parallelPlatform;
    if (simBoard) {
        simParallelChip = std::make_unique<sim::SimParallelChip>(simBoard->usb.board.memory, &simBoard->adc);
        parallelPlatform = std::make_unique<sim::SimParallelPlatform>(*simParallelChip);
    } else {
        parallelPlatform = std::make_unique<LinuxParallelPlatform>();
    }
    ParallelLink parallel;
    parallel.platform = parallelPlatform.get();
    ChipPort port{io, chips, false, model.chip.productName, scaleDmm, noRefresh, nullptr, &parallel};
    uint8_t status = 0xFF;
    if (kind == InterfaceKind::Parallel) {
        if (!parallel.InitParallel(uint16_t(lptBase)))
            return Fail(parallel.StatusText());
    } else {
        if (!ConnectLink(io, chips[0].link, status))
            return Fail(QStringLiteral("no evaluation board found"));
        // As the link supervisor does: a board that does not name itself is not measured.
        if (!IdentifyBoard(io, chips[0].link))
            return Fail(QStringLiteral("the board did not answer with its identity"));
    }

    for (const QString &assignment : p.values(reg)) {
        const QStringList parts = assignment.split(QLatin1Char('='));
        bool okA = false, okV = false;
        const uint addr = parts.value(0).toUInt(&okA, 16);
        const uint value = parts.value(1).toUInt(&okV, 16);
        if (parts.size() != 2 || !okA || !okV || addr >= uint(kChipMemorySize) || value > 0xFF)
            return Fail(QStringLiteral("--reg takes ADDR=VALUE in hexadecimal, not %1").arg(assignment));
        buffer[5] = uint8_t(value);
        if (!WriteChip(port, uint16_t(addr), 1, 0))
            return Fail(QStringLiteral("writing register %1 failed").arg(assignment));
    }

    SampleStore store;
    AnalysisResults results;
    EnobRun run = MeasureEnob(port, kind, store, options, results);
    // A board that went away may come back: look for it again, a second apart, and start over.
    for (int attempt = 1; !run.ok && attempt <= retries && kind != InterfaceKind::Parallel; ++attempt) {
        std::fprintf(stderr, "vek-enob: %s; retry %d of %d\n", qPrintable(run.error), attempt, retries);
        ReleaseBoard(io, chips[0].link);
        WaitMs(clock, 1000);
        if (!ConnectLink(io, chips[0].link, status)) {
            run.error = QStringLiteral("no evaluation board found");
            continue;
        }
        run = MeasureEnob(port, kind, store, options, results);
    }
    // The rate the converter's settings give (read while the link is up); the capture's own
    // timing where they do not give one.
    const ConverterRate rate =
        run.ok ? ReadConverterRateFromChip(port, model.bindings.adc, model.chip, 0) : ConverterRate{};
    if (kind != InterfaceKind::Parallel)
        ReleaseBoard(io, chips[0].link);
    parallel.Close();
    if (!run.ok)
        return Fail(run.error);
    if (p.isSet(codes) && !WriteFileAtomically(p.value(codes), CodesText(store)))
        return Fail(QStringLiteral("cannot write %1").arg(p.value(codes)));
    if (p.isSet(json)) {
        const int averaging = std::max(options.averaging, 1);
        RunDescription description;
        description.chip = model.chip.productName;
        description.interfaceName = InterfaceDisplayName(int(kind));
        description.width = options.width;
        description.reference = options.refVoltText;
        description.averaging = averaging;
        description.samples = run.sampleCount;
        description.elapsedMs = run.elapsedMs;
        description.dataRateHz = rate.fromSettings ? rate.hz : CaptureDataRateHz(store);
        description.dataRateSource = rate.fromSettings ? QStringLiteral("settings") : QStringLiteral("measured");
        description.gain = run.gain;
        description.window = WindowShortName(spectrumWindow);
        // The figures' scale: the reference spans 2^(width - 2) codes at the input after the gain.
        SpectrumOptions spectrum;
        spectrum.window = spectrumWindow;
        spectrum.blocks = blockCount;
        spectrum.width = options.width;
        spectrum.dataRateHz = description.dataRateHz / averaging;
        spectrum.voltsPerCode = ReferenceVolts(options.refVoltText) / (run.gain * std::ldexp(1.0, options.width - 2));
        const std::vector<double> kept = AnalysedCodes(store, averaging);
        const QByteArray text = ResultJson(description, run.results, AnalyseTone(kept, spectrum));
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    std::printf("Samples: %d\nElapsed ms: %s\nGain: %s\n%s", run.sampleCount, FixedText(run.elapsedMs).c_str(),
                FixedText(run.gain).c_str(), qPrintable(FiguresReport(run.results)));
    return 0;
}
