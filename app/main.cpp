// Program entry: creates the shared state and the windows, then runs the message loop.
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/SimulatedSetup.h"
#include "app/base/NumberText.h"
#include "app/context/AppContext.h"
#include "sim/instruments/SimulatedBench.h"
#include "link/FrameTrace.h"
#include "link/LinuxParallelPort.h"
#include "link/RealUsbBackends.h"
#include "sim/BenchCoupling.h"
#include "sim/SimulatedBoard.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/PowerSupplySim.h"
#include "sim/SimChipMonitor.h"
#include "sim/SimParallelChip.h"
#include "sim/instruments/LoopbackPort.h"
#include "instruments/serial/PosixSerialPort.h"
#include "widgets/QtDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <QSocketNotifier>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char c = 1;
    // Only async-signal-safe work here: wake the event loop through the pipe.
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[0], &c, 1);
}

// SIGINT and SIGTERM close the main window the normal way, so its close steps run and the
// program ends with status 0.
void InstallStopSignals(QWidget *mainWindow)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, mainWindow);
    QObject::connect(notifier, &QSocketNotifier::activated, mainWindow, [mainWindow]() {
        char c;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[1], &c, 1);
        mainWindow->close();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vek-enobtest"));
    vek::UsePointForNumbers();

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("ADC front-end bench tool"));
    options.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Talk to the simulated evaluation board."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every frame to and from the board to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Noise seed of the simulated ADC."), QStringLiteral("N"),
                                  QStringLiteral("1"));
    const QCommandLineOption replay(QStringLiteral("replay"),
                                    QStringLiteral("The simulated ADC streams the codes of FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("With --simulate: make the simulated board misbehave "
                                                  "(repeatable).\n") +
                                       vek::sim::SimulatedBoard::FaultHelp(),
                                   QStringLiteral("FAULT"));
    options.addOption(fault);
    const QCommandLineOption sine(QStringLiteral("sine"), vek::sim::SimulatedBoard::SineHelp(),
                                  QStringLiteral("AMP,FREQ[,THD]"));
    options.addOption(sine);
    options.addOption(simulate);
    options.addOption(seed);
    options.addOption(replay);
    const QCommandLineOption switchTest(QStringLiteral("switch-test"),
                                        QStringLiteral("Show the \"Switch Test\" menu item (channel switch test)."));
    options.addOption(trace);
    options.addOption(switchTest);
    options.process(app);

    vek::SystemClock clock;
    vek::QtDialogs dialogs;
    vek::AppContext ctx(clock, dialogs, QCoreApplication::applicationDirPath());

    // The board is either real hardware (hidapi and libusb) or the simulated board, never both.
    std::unique_ptr<vek::sim::SimulatedBoard> simulated;
    std::unique_ptr<vek::HidapiBackend> realHid;
    std::unique_ptr<vek::LibusbBackend> realDriver;
    vek::sim::SimAdc *simAdc = nullptr;
    if (options.isSet(simulate)) {
        simulated = std::make_unique<vek::sim::SimulatedBoard>(clock);
        // Every chip selection sets the simulated board up for the model, as vek-enob does.
        vek::UseSimulatedBoard(ctx, *simulated);
        // The chip's converter, at the data rate its oversampling setting gives.
        simAdc = &simulated->adc;
        QString error;
        if (!simulated->SetUpConverter(options.value(seed).toULongLong(),
                                       options.isSet(replay) ? options.value(replay) : QString(), &error))
            std::fprintf(stderr, "vek-enobtest: %s\n", qPrintable(error));
        for (const QString &faultText : options.values(fault))
            if (!simulated->ApplyFault(faultText, &error)) {
                std::fprintf(stderr, "vek-enobtest: %s\n", qPrintable(error));
                return 2;
            }
        if (options.isSet(sine) && !simulated->ApplySine(options.value(sine), &error)) {
            std::fprintf(stderr, "vek-enobtest: %s\n", qPrintable(error));
            return 2;
        }
    } else {
        realHid = std::make_unique<vek::HidapiBackend>();
        realDriver = std::make_unique<vek::LibusbBackend>();
        ctx.usb.hid = realHid.get();
        ctx.usb.driver = realDriver.get();
    }
    std::unique_ptr<vek::FrameTrace> frameTrace;
    if (options.isSet(trace)) {
        frameTrace = std::make_unique<vek::FrameTrace>(clock, options.value(trace));
        ctx.usb.trace = frameTrace.get();
    }

    // The simulated calibrator and power supply answer on pseudo-terminals under two COM names.
    std::unique_ptr<vek::sim::SimulatedBench> bench;
    if (options.isSet(simulate)) {
        QString error;
        bench = vek::sim::SimulatedBench::Start(ctx.serialPorts.ProgramEntries(),
                                                vek::sim::SimulatedBench::kCalibratorCom,
                                                vek::sim::SimulatedBench::kPowerSupplyCom, &error);
        if (bench) {
            // Wired like the real bench: the calibrator drives the converter's input, the power
            // supply feeds the board, the meters read what their channels are wired to.
            vek::sim::BenchReadings readings;
            readings.calibratorVolts = [b = bench.get()]() {
                return b->Calibrator().With<vek::sim::CalibratorSim>([](vek::sim::CalibratorSim &c) {
                    return c.State().commands > 0 ? std::optional<double>(c.OutputVolts()) : std::nullopt;
                });
            };
            readings.supplyVolts = [b = bench.get()]() {
                return b->PowerSupply().With<vek::sim::PowerSupplySim>([](vek::sim::PowerSupplySim &p) {
                    return p.State().remote ? std::optional<double>(p.OutputVolts()) : std::nullopt;
                });
            };
            vek::sim::CoupleBench(*simulated, readings);
            for (int c = 0; c < vek::sim::SimulatedBench::kMeters; ++c)
                bench->SetMeterSource(c, [c, readings] { return vek::sim::MeterChannelDisplay(c, readings); });
        }
        if (bench)
            std::fprintf(stderr, "vek-enobtest: simulated calibrator on %s (%s), power supply on %s (%s)\n",
                         qPrintable(bench->CalibratorCom()),
                         qPrintable(bench->Calibrator().DevicePath()),
                         qPrintable(bench->PowerSupplyCom()),
                         qPrintable(bench->PowerSupply().DevicePath()));
        else
            std::fprintf(stderr, "vek-enobtest: no simulated instruments: %s\n", qPrintable(error));
    }

    // The simulated chip's own serial monitor, for the RS232 interface, on an in-memory line.
    std::unique_ptr<vek::sim::LoopbackBench> chipLine;
    if (options.isSet(simulate)) {
        chipLine = std::make_unique<vek::sim::LoopbackBench>(clock);
        auto monitor = std::make_shared<vek::sim::SimChipMonitor>(simulated->usb.board.memory, simAdc);
        monitor->faults = simulated->monitorFaults;
        chipLine->Attach(QString::fromLatin1(vek::sim::SimChipMonitor::kSimulatedCom), monitor);
        ctx.serialPorts.SetOpener([&ctx, lines = chipLine->Opener()](const QString &comName)
                                      -> std::unique_ptr<vek::SerialPort> {
            if (vek::ComNameMap::CanonicalName(comName) ==
                QLatin1String(vek::sim::SimChipMonitor::kSimulatedCom))
                return lines(comName);
            return vek::PosixSerialPort::Open(ctx.serialPorts.DevicePath(comName));
        });
        std::fprintf(stderr, "vek-enobtest: simulated chip serial monitor on %s\n",
                     vek::sim::SimChipMonitor::kSimulatedCom);
    }

    // The parallel port: ppdev (or direct port access) on real hardware; with the simulation, a
    // chip on the simulated board's memory and converter behind the same port registers.
    std::unique_ptr<vek::sim::SimParallelChip> parallelChip;
    std::unique_ptr<vek::ParallelPlatform> parallelPlatform;
    if (options.isSet(simulate)) {
        parallelChip = std::make_unique<vek::sim::SimParallelChip>(simulated->usb.board.memory, simAdc);
        parallelPlatform = std::make_unique<vek::sim::SimParallelPlatform>(*parallelChip);
    } else {
        parallelPlatform = std::make_unique<vek::LinuxParallelPlatform>();
    }
    ctx.parallel.platform = parallelPlatform.get();

    vek::Program program(ctx);
    vek::TMainPanel &mainWindow = program.Main();
    InstallStopSignals(&mainWindow);
    // The channel switch test's menu item is built hidden; this option shows it.
    if (options.isSet(switchTest))
        if (QAction *item = mainWindow.MenuItem(QStringLiteral("MCALW")))
            item->setVisible(true);
    // Activation (settings loaded) comes before the first show, which puts the windows back
    // where the user left them.
    program.Activate();
    mainWindow.show();
    std::fprintf(stderr, "vek-enobtest: main window shown\n");
    const int rc = app.exec();
    ctx.parallel.Close();
    if (mainWindow.Closed())
        std::fprintf(stderr, "vek-enobtest: main window closed\n");
    return rc;
}
