// Program entry: creates the shared state and the windows, then runs the message loop.
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/SimulatedSetup.h"
#include "app/base/CommandLine.h"
#include "app/base/NumberText.h"
#include "app/base/ProgramDir.h"
#include "app/base/SafeFile.h"
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
#include <QMessageBox>
#include <QTemporaryFile>
#include <cstdio>
#include <limits>
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

// SIGINT, SIGTERM and SIGHUP close the main window the normal way, so its close steps run and the
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
    // A closed terminal too: the board's number goes back before the program ends.
    ::sigaction(SIGHUP, &sa, nullptr);
}

// What the command line asks for, read and checked before the window system is opened.
struct ProgramOptions {
    bool simulate = false;
    bool switchTest = false;
    QString trace;
    QString replay;
    uint64_t seed = 1;
    QStringList faults;
    QString sine;
};

// The options QApplication takes for itself ("-platform offscreen", "-style=fusion", ...): they
// are left to it. `platform` receives the value of -platform.
QStringList ProgramArguments(int argc, char *argv[], QString &platform)
{
    static const QStringList withValue = {
        QStringLiteral("-platform"), QStringLiteral("-platformpluginpath"), QStringLiteral("-platformtheme"),
        QStringLiteral("-plugin"), QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowtitle"),
        QStringLiteral("-qwindowicon"), QStringLiteral("-style"), QStringLiteral("-stylesheet"),
        QStringLiteral("-session"), QStringLiteral("-display"), QStringLiteral("-geometry"),
        QStringLiteral("-title"), QStringLiteral("-name")};
    static const QStringList flags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                                      QStringLiteral("-nograb"), QStringLiteral("-dograb"), QStringLiteral("-sync")};
    QStringList arguments{QStringLiteral("vek-enobtest")};
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        const QString single = a.startsWith(QLatin1String("--")) ? a.mid(1) : a;
        const QString name = single.section(QLatin1Char('='), 0, 0);
        if (withValue.contains(name)) {
            const QString value = single.contains(QLatin1Char('=')) ? single.section(QLatin1Char('='), 1)
                                  : i + 1 < argc                    ? QString::fromLocal8Bit(argv[++i])
                                                                    : QString();
            if (name == QLatin1String("-platform"))
                platform = value;
            continue;
        }
        if (!flags.contains(single))
            arguments << a;
    }
    return arguments;
}

// Reads the command line. kExitOk with the help text in `message`, kExitBadArgument with the
// first bad argument named, or -1 to go on.
int ReadCommandLine(const QStringList &arguments, ProgramOptions &o, QString &message)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("ADC front-end bench tool"));
    const QCommandLineOption help = p.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Talk to the simulated evaluation board."));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Write every frame to and from the board to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("With --simulate: noise seed of the simulated ADC."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption replay(QStringLiteral("replay"),
                                    QStringLiteral("With --simulate: the simulated ADC streams the codes of FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("With --simulate: make the simulated board misbehave "
                                                  "(repeatable; the faults are listed below)."),
                                   QStringLiteral("FAULT"));
    const QCommandLineOption sine(QStringLiteral("sine"), vek::sim::SimulatedBoard::SineHelp(),
                                  QStringLiteral("AMP,FREQ[,THD]"));
    const QCommandLineOption switchTest(QStringLiteral("switch-test"),
                                        QStringLiteral("Show the \"Switch Test\" menu item (channel switch test)."));
    for (const auto *opt : {&simulate, &trace, &seed, &replay, &fault, &sine, &switchTest})
        p.addOption(*opt);
    p.addOption(vek::ProgramDirOption()); // read by TakeProgramDirOption; listed by --help
    message = vek::ParseCommandLine(p, arguments);
    if (!message.isEmpty())
        return vek::kExitBadArgument;
    if (p.isSet(help) || p.isSet(QStringLiteral("help-all"))) {
        message = p.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("vek-enobtest")) +
                  QLatin1Char('\n') + vek::sim::SimulatedBoard::FaultHelp() + QLatin1Char('\n') +
                  QStringLiteral("Exit status:\n"
                                 "  0    the main window was closed (also after Ctrl+C or SIGTERM)\n"
                                 "  2    a bad argument (named; nothing ran)\n");
        return vek::kExitOk;
    }
    vek::OptionCheck check(p);
    o.simulate = p.isSet(simulate);
    o.switchTest = p.isSet(switchTest);
    for (const auto *opt : {&seed, &replay, &fault, &sine})
        check.Needs(*opt, o.simulate, QStringLiteral("--simulate"));
    const auto seedValue = check.Whole(seed, 0, std::numeric_limits<qlonglong>::max(),
                                       QStringLiteral("a whole number from 0 up"));
    o.trace = check.Text(trace);
    o.replay = check.Text(replay);
    o.faults = p.values(fault);
    o.sine = p.value(sine);
    if (!check.Ok()) {
        message = check.Error();
        return vek::kExitBadArgument;
    }
    o.seed = uint64_t(*seedValue);
    // The simulated board's set-up is tried on a board of its own, so that a bad fault, sine or
    // replay file is named before any window opens.
    if (o.simulate) {
        vek::FakeClock clock;
        vek::sim::SimulatedBoard trial(clock);
        QString error;
        if (!trial.SetUpConverter(o.seed, o.replay, &error))
            message = QStringLiteral("--replay: ") + error;
        for (const QString &f : o.faults)
            if (message.isEmpty() && !trial.ApplyFault(f, &error))
                message = QStringLiteral("--fault: ") + error;
        if (message.isEmpty() && p.isSet(sine) && !trial.ApplySine(o.sine, &error))
            message = error;
    }
    // The trace is rewritten whole while frames flow; a file that cannot be written is said now.
    QString reason;
    if (message.isEmpty() && !o.trace.isEmpty() && !vek::WriteFileAtomically(o.trace, QByteArray(), &reason))
        message = QStringLiteral("--trace \"%1\": cannot be written: %2").arg(o.trace, reason);
    return message.isEmpty() ? -1 : vek::kExitBadArgument;
}

// A display to show a message box on: a window system the toolkit can reach, not the offscreen
// or minimal platform of a scripted run.
bool DisplayThere(const QString &platformOption)
{
    const QString platform = platformOption.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platformOption;
    if (platform.startsWith(QLatin1String("offscreen")) || platform.startsWith(QLatin1String("minimal")))
        return false;
    if (platform.startsWith(QLatin1String("wayland")))
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// True when a file can be created in the folder (settings, tables and results are written there).
bool FolderWritable(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.vek-write-check-XXXXXX"));
    return probe.open();
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is checked before the window system is opened, so a bad argument (or
    // --help) is answered without a display too.
    if (const QString error = vek::TakeProgramDirOption(argc, argv); !error.isEmpty())
        return vek::RefuseArguments("vek-enobtest", error);
    QString platform;
    ProgramOptions o;
    QString message;
    const int early = ReadCommandLine(ProgramArguments(argc, argv, platform), o, message);
    if (early == vek::kExitOk) {
        std::fputs(qPrintable(message), stdout);
        return vek::kExitOk;
    }
    if (early == vek::kExitBadArgument) {
        vek::RefuseArguments("vek-enobtest", message);
        if (DisplayThere(platform)) {
            QApplication app(argc, argv);
            QMessageBox::critical(nullptr, QStringLiteral("vek-enobtest"), message);
        }
        return vek::kExitBadArgument;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vek-enobtest"));
    vek::UsePointForNumbers();

    vek::SystemClock clock;
    vek::QtDialogs dialogs;
    vek::AppContext ctx(clock, dialogs, vek::ProgramDirectory());

    // The board is either real hardware (hidapi and libusb) or the simulated board, never both.
    std::unique_ptr<vek::sim::SimulatedBoard> simulated;
    std::unique_ptr<vek::HidapiBackend> realHid;
    std::unique_ptr<vek::LibusbBackend> realDriver;
    vek::sim::SimAdc *simAdc = nullptr;
    if (o.simulate) {
        simulated = std::make_unique<vek::sim::SimulatedBoard>(clock);
        // Every chip selection sets the simulated board up for the model, as vek-enob does.
        vek::UseSimulatedBoard(ctx, *simulated);
        // The chip's converter, at the data rate its oversampling setting gives.
        simAdc = &simulated->adc;
        // Checked on a trial board before; these cannot fail here.
        QString error;
        simulated->SetUpConverter(o.seed, o.replay, &error);
        for (const QString &faultText : o.faults)
            simulated->ApplyFault(faultText, &error);
        if (!o.sine.isEmpty())
            simulated->ApplySine(o.sine, &error);
    } else {
        realHid = std::make_unique<vek::HidapiBackend>();
        realDriver = std::make_unique<vek::LibusbBackend>();
        ctx.usb.hid = realHid.get();
        ctx.usb.driver = realDriver.get();
    }
    std::unique_ptr<vek::FrameTrace> frameTrace;
    if (!o.trace.isEmpty()) {
        frameTrace = std::make_unique<vek::FrameTrace>(clock, o.trace);
        ctx.usb.trace = frameTrace.get();
    }

    // The simulated calibrator and power supply answer on pseudo-terminals under two COM names.
    std::unique_ptr<vek::sim::SimulatedBench> bench;
    if (o.simulate) {
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
    if (o.simulate) {
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
    if (o.simulate) {
        parallelChip = std::make_unique<vek::sim::SimParallelChip>(simulated->usb.board.memory, simAdc);
        parallelPlatform = std::make_unique<vek::sim::SimParallelPlatform>(*parallelChip);
    } else {
        parallelPlatform = std::make_unique<vek::LinuxParallelPlatform>();
    }
    ctx.parallel.platform = parallelPlatform.get();

    vek::Program program(ctx);
    program.KeepHistory();
    vek::TMainPanel &mainWindow = program.Main();
    InstallStopSignals(&mainWindow);
    // The channel switch test's menu item is built hidden; this option shows it.
    if (o.switchTest)
        if (QAction *item = mainWindow.MenuItem(QStringLiteral("MCALW")))
            item->setVisible(true);
    // Activation (settings loaded) comes before the first show, which puts the windows back
    // where the user left them.
    program.Activate();
    // Settings, tables and results all live in the program's folder: say once when it is closed
    // to writing, rather than losing them quietly at the close. Field 2 keeps the words until a
    // capture or test writes its own (field 0 gets the link state at the first look for the board).
    if (!FolderWritable(ctx.programDir)) {
        const QString warning = QStringLiteral("The folder %1 cannot be written: settings will not be saved")
                                    .arg(ctx.programDir);
        ctx.status.SetText(2, warning);
        std::fprintf(stderr, "vek-enobtest: %s\n", qPrintable(warning));
    }
    mainWindow.show();
    std::fprintf(stderr, "vek-enobtest: main window shown\n");
    const int rc = app.exec();
    ctx.parallel.Close();
    if (mainWindow.Closed())
        std::fprintf(stderr, "vek-enobtest: main window closed\n");
    return rc;
}
