// vek-benchsim: a calibrator, a power supply and a digital meter on pseudo-terminals, so the
// setup dialog and the bench tests can be tried without instruments. Prints the devices (and
// can put them into a COM map file), then answers until Ctrl+C.
#include "app/base/SafeFile.h"
#include "instruments/serial/ComNameMap.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/MeterSim.h"
#include "sim/instruments/PowerSupplySim.h"
#include "sim/instruments/PtyInstrument.h"

#include <QFile>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <pthread.h>

using namespace vek;
using namespace vek::sim;

namespace {

void Usage()
{
    std::fputs(
        "usage: vek-benchsim [--map FILE] [--calibrator COMn] [--power COMn] [--meter COMn]\n"
        "                    [--fault calibrator=silent|noecho|garbage]\n"
        "                    [--fault power=silent|garbage] [--fault meter=silent|retry|partial|\n"
        "                                                     split|nostart|short]\n"
        "Starts the simulated instruments on pseudo-terminals and prints their devices.\n"
        "--map FILE puts their COM names (default COM7, COM8, COM9) into that COM map file.\n",
        stderr);
}

struct Faults {
    CalibratorFault calibrator = CalibratorFault::None;
    PowerSupplyFault power = PowerSupplyFault::None;
    MeterFault meter = MeterFault::None;
};

bool ParseFault(const QString &text, Faults &f)
{
    const QString who = text.section('=', 0, 0), kind = text.section('=', 1);
    if (who == "calibrator") {
        if (kind == "silent") f.calibrator = CalibratorFault::Silent;
        else if (kind == "noecho") f.calibrator = CalibratorFault::NoEcho;
        else if (kind == "garbage") f.calibrator = CalibratorFault::Garbage;
        else return false;
    } else if (who == "power") {
        if (kind == "silent") f.power = PowerSupplyFault::Silent;
        else if (kind == "garbage") f.power = PowerSupplyFault::Garbage;
        else return false;
    } else if (who == "meter") {
        if (kind == "silent") f.meter = MeterFault::Silent;
        else if (kind == "retry") f.meter = MeterFault::AnswerRetryOnly;
        else if (kind == "partial") f.meter = MeterFault::Partial;
        else if (kind == "split") f.meter = MeterFault::Split;
        else if (kind == "nostart") f.meter = MeterFault::NoStart;
        else if (kind == "short") f.meter = MeterFault::Short;
        else return false;
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QString mapFile;
    QString coms[3] = {QStringLiteral("COM7"), QStringLiteral("COM8"), QStringLiteral("COM9")};
    Faults faults;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        const bool hasValue = i + 1 < argc;
        const QString value = hasValue ? QString::fromLocal8Bit(argv[i + 1]) : QString();
        int which = a == "--calibrator" ? 0 : a == "--power" ? 1 : a == "--meter" ? 2 : -1;
        if (a == "--map" && hasValue) {
            mapFile = value;
            ++i;
        } else if (which >= 0 && hasValue && !ComNameMap::CanonicalName(value).isEmpty()) {
            coms[which] = ComNameMap::CanonicalName(value);
            ++i;
        } else if (a == "--fault" && hasValue && ParseFault(value, faults)) {
            ++i;
        } else {
            Usage();
            return a == "--help" || a == "-h" ? 0 : 2;
        }
    }

    // The answering threads must not take the stop signals; the main thread waits for them.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    auto calibrator = std::make_unique<CalibratorSim>();
    calibrator->SetFault(faults.calibrator);
    auto power = std::make_unique<PowerSupplySim>();
    power->SetFault(faults.power);
    auto meter = std::make_unique<MeterSim>();
    meter->SetFault(faults.meter);

    QString error;
    std::unique_ptr<PtyInstrument> ptys[3];
    ptys[0] = PtyInstrument::Start(std::move(calibrator), &error);
    if (ptys[0])
        ptys[1] = PtyInstrument::Start(std::move(power), &error);
    if (ptys[1])
        ptys[2] = PtyInstrument::Start(std::move(meter), &error);
    if (!ptys[2]) {
        std::fprintf(stderr, "vek-benchsim: %s\n", qPrintable(error));
        return 1;
    }

    const char *names[3] = {"calibrator", "power supply", "meter"};
    for (int i = 0; i < 3; ++i)
        std::printf("%-13s %-14s %s\n", names[i], qPrintable(ptys[i]->DevicePath()),
                    qPrintable(coms[i]));
    std::printf("# COM map entries:\n");
    for (int i = 0; i < 3; ++i)
        std::printf("%s = %s\n", qPrintable(coms[i]), qPrintable(ptys[i]->DevicePath()));
    std::fflush(stdout);

    if (!mapFile.isEmpty()) {
        QByteArray old;
        QFile f(mapFile);
        if (f.open(QIODevice::ReadOnly))
            old = f.readAll();
        f.close();
        QList<QPair<QString, QString>> entries;
        for (int i = 0; i < 3; ++i)
            entries.append({coms[i], ptys[i]->DevicePath()});
        if (!WriteFileAtomically(mapFile, ComNameMap::WithEntries(old, entries))) {
            std::fprintf(stderr, "vek-benchsim: cannot write %s\n", qPrintable(mapFile));
            return 1;
        }
        std::printf("# written to %s\n", qPrintable(mapFile));
        std::fflush(stdout);
    }

    int signal = 0;
    sigwait(&stops, &signal);
    return 0;
}
