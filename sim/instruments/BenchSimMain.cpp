// vek-benchsim: a calibrator, a power supply and a digital meter on pseudo-terminals, so the
// setup dialog and the bench tests can be tried without instruments. Prints the devices (and
// can put them into a COM map file), then answers until Ctrl+C or SIGTERM, when it takes its
// entries out of the map file again.
//
// Exit status: 130 after SIGINT and 143 after SIGTERM (the usual end); 1 when the terminals
// cannot be opened or the map file cannot be written; 2 for a bad argument (named, nothing ran).
#include "app/base/CommandLine.h"
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

constexpr const char *kProgram = "vek-benchsim";

struct Faults {
    CalibratorFault calibrator = CalibratorFault::None;
    PowerSupplyFault power = PowerSupplyFault::None;
    MeterFault meter = MeterFault::None;
};

const char *const kFaultList = "calibrator=silent|noecho|garbage, power=silent|garbage or "
                               "meter=silent|retry|partial|split|nostart|short";

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

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The map file's text with our entries taken out again: each name that still stands for our
// terminal gets the entry it had before we started back, or none.
QByteArray WithoutOurEntries(const QByteArray &now, const QByteArray &before,
                             const QList<QPair<QString, QString>> &ours)
{
    ComNameMap current, old;
    current.Parse(now);
    old.Parse(before);
    QList<QPair<QString, QString>> back;
    for (const auto &[com, device] : ours)
        if (current.Contains(com) && current.DevicePath(com) == device)
            back.append({com, old.Contains(com) ? old.DevicePath(com) : QString()});
    return ComNameMap::WithEntries(now, back);
}

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Starts a simulated calibrator, power supply and digital meter on pseudo-terminals, prints "
        "their devices and answers until Ctrl+C or SIGTERM."));
    const QCommandLineOption help = p.addHelpOption();
    const QCommandLineOption map(QStringLiteral("map"),
                                 QStringLiteral("Put the instruments' COM names into this COM map file (other "
                                                "entries are kept; ours are taken out again at the end)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption comOptions[3] = {
        {QStringLiteral("calibrator"), QStringLiteral("COM name of the calibrator (default COM7)."),
         QStringLiteral("COMn"), QStringLiteral("COM7")},
        {QStringLiteral("power"), QStringLiteral("COM name of the power supply (default COM8)."),
         QStringLiteral("COMn"), QStringLiteral("COM8")},
        {QStringLiteral("meter"), QStringLiteral("COM name of the meter (default COM9)."), QStringLiteral("COMn"),
         QStringLiteral("COM9")}};
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("A misbehaving instrument (repeatable): ") +
                                       QLatin1String(kFaultList) + QLatin1Char('.'),
                                   QStringLiteral("WHO=KIND"));
    p.addOption(map);
    for (const QCommandLineOption &o : comOptions)
        p.addOption(o);
    p.addOption(fault);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString parseError = ParseCommandLine(p, arguments);
    if (!parseError.isEmpty())
        return RefuseArguments(kProgram, parseError);
    if (p.isSet(help) || p.isSet(QStringLiteral("help-all"))) {
        std::printf("%s\n%s", qPrintable(p.helpText().replace(QLatin1String("<executable_name>"),
                                                                 QLatin1String(kProgram))),
                    qPrintable(ExitStatusHelp()));
        return kExitOk;
    }
    OptionCheck check(p);
    const QString mapFile = check.Text(map);
    QString coms[3];
    for (int i = 0; i < 3; ++i) {
        const QString name = ComNameMap::CanonicalName(p.value(comOptions[i]));
        const int number = name.mid(3).toInt();
        if (number < 1 || number > 16)
            check.Refuse(comOptions[i], QStringLiteral("COM1 to COM16"), p.value(comOptions[i]));
        for (int j = 0; j < i; ++j)
            if (!name.isEmpty() && name == coms[j])
                check.Refuse(comOptions[i], QStringLiteral("already taken by --%1").arg(comOptions[j].names().first()),
                             p.value(comOptions[i]));
        coms[i] = name;
    }
    Faults faults;
    for (const QString &text : p.values(fault))
        if (!ParseFault(text, faults))
            check.Refuse(fault, QString::fromLatin1(kFaultList), text);
    if (!check.Ok())
        return RefuseArguments(kProgram, check.Error());

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

    QByteArray before;
    QList<QPair<QString, QString>> entries;
    for (int i = 0; i < 3; ++i)
        entries.append({coms[i], ptys[i]->DevicePath()});
    if (!mapFile.isEmpty()) {
        before = ReadAll(mapFile);
        QString reason;
        if (!WriteFileAtomically(mapFile, ComNameMap::WithEntries(before, entries), &reason))
            return ReportFailure(kProgram, QStringLiteral("cannot write %1: %2").arg(mapFile, reason));
        std::printf("# written to %s\n", qPrintable(mapFile));
        std::fflush(stdout);
    }

    int signal = 0;
    sigwait(&stops, &signal);
    // The terminals end with the program: entries that point at them would lead nowhere.
    if (!mapFile.isEmpty()) {
        QString reason;
        if (!WriteFileAtomically(mapFile, WithoutOurEntries(ReadAll(mapFile), before, entries), &reason))
            std::fprintf(stderr, "%s: cannot take the entries out of %s: %s\n", kProgram, qPrintable(mapFile),
                         qPrintable(reason));
    }
    return 128 + signal;
}
