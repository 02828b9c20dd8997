#include "sim/SimulatedBoard.h"

#include "link/ChipAccess.h"

#include <QStringList>
#include <cmath>
#include <optional>

namespace vek::sim {

SimulatedBoard::SimulatedBoard(Clock &clock)
    : adc(usb.board, clock), adcOutput(usb.board, adc, clock), transfer(usb.board.memory),
      switchTest(usb.board, adc, clock, transfer), recorder(usb.board, adc, clock, transfer)
{
    usb.board.keepFrameLog = false;
    usb.board.clock = &clock;
    // A board pulled out by a fault is back when next looked for, unless replug-after says when.
    usb.board.faults.replugAfterMs = 0;
}

QString SimulatedBoard::FaultHelp(bool withSerial)
{
    QString text = QStringLiteral(
        "Faults of the simulated board (--fault, repeatable):\n"
        "  unplug-after=N          the board is pulled out after N frames (and is back when\n"
        "                          next looked for, unless replug-after says otherwise)\n"
        "  replug-after=MS|never   an unplugged board comes back after MS milliseconds, or never\n"
        "  silent                  frames are taken but never answered\n"
        "  short                   every reply comes back one byte short\n"
        "  garbled                 every reply byte comes back inverted\n"
        "  wrong-identity          the board names itself wrongly\n"
        "  claimed                 another program holds the board\n"
        "  stall-stream-after=N    the converter stops delivering after N results\n");
    if (withSerial)
        text += QStringLiteral(
            "  serial=noack|silent|cut the chip's serial monitor: wrong acknowledge, no answer at all,\n"
            "                          or replies cut short\n");
    return text;
}

bool SimulatedBoard::ApplyFault(const QString &fault, QString *error)
{
    const QString name = fault.section(QLatin1Char('='), 0, 0).trimmed();
    const QString value = fault.section(QLatin1Char('='), 1).trimmed();
    const bool hasValue = fault.contains(QLatin1Char('='));
    bool numberOk = false;
    const qlonglong number = value.toLongLong(&numberOk);
    const bool count = hasValue && numberOk && number >= 0 && number <= 1000000000;
    SimFaults &f = usb.board.faults;
    bool ok = true;
    if (name == QLatin1String("unplug-after") && count)
        f.unplugAfterFrames = int(number);
    else if (name == QLatin1String("replug-after") && count)
        f.replugAfterMs = int(number);
    else if (name == QLatin1String("replug-after") && value == QLatin1String("never"))
        f.replugAfterMs = -1;
    else if (name == QLatin1String("silent") && !hasValue)
        f.noReply = true;
    else if (name == QLatin1String("short") && !hasValue)
        f.shortReply = true;
    else if (name == QLatin1String("garbled") && !hasValue)
        f.garbledReply = true;
    else if (name == QLatin1String("wrong-identity") && !hasValue)
        f.wrongIdentity = true;
    else if (name == QLatin1String("claimed") && !hasValue)
        usb.board.protocol.state.boardNumber = 0x0815;
    else if (name == QLatin1String("stall-stream-after") && count)
        adc.stallAfterResults = number;
    else if (name == QLatin1String("serial") && value == QLatin1String("noack"))
        monitorFaults.ackByte = 0x00;
    else if (name == QLatin1String("serial") && value == QLatin1String("silent"))
        monitorFaults.silent = true;
    else if (name == QLatin1String("serial") && value == QLatin1String("cut"))
        monitorFaults.dataLimit = 2;
    else
        ok = false;
    if (!ok && error)
        *error = QStringLiteral("unknown fault \"%1\" (--help lists them)").arg(fault);
    return ok;
}

QString SimulatedBoard::SineHelp()
{
    return QStringLiteral(
        "With --simulate: a sine of AMP volts peak at FREQ Hz on the simulated converter's input, "
        "with THD dBc of distortion (a 2nd and a 3rd harmonic) when given, e.g. 0.4,50,-70.");
}

bool SimulatedBoard::ApplySine(const QString &text, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("--sine \"%1\": %2").arg(text, why);
        return false;
    };
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || parts.size() > 3)
        return fail(QStringLiteral("give AMP,FREQ or AMP,FREQ,THD"));
    double v[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return fail(QStringLiteral("\"%1\" is not a number").arg(parts[i].trimmed()));
    }
    if (v[0] < 0)
        return fail(QStringLiteral("the amplitude cannot be negative"));
    if (v[1] <= 0)
        return fail(QStringLiteral("the frequency must be above 0 Hz"));
    if (parts.size() == 3 && v[2] > 0)
        return fail(QStringLiteral("THD is in dBc below the tone (0 or less)"));
    adc.sine.amplitudeVolts = v[0];
    adc.sine.frequencyHz = v[1];
    adc.sine.thdDbc = parts.size() == 3 ? std::optional<double>(v[2]) : std::nullopt;
    return true;
}

bool SimulatedBoard::SetUpConverter(uint64_t seed, const QString &replayPath, QString *error)
{
    adc.Seed(seed);
    if (replayPath.isEmpty())
        return true;
    std::vector<int32_t> codes;
    if (!LoadReplayCodes(replayPath, codes, error))
        return false;
    adc.Replay(std::move(codes));
    return true;
}

void SimulatedBoard::SetUpForChip(const QString &productName, int chipModelIndex, const FieldBindings &bindings)
{
    usb.board.protocol.state.plainSpecialHeader = UsesPlainSpecialHeader(productName, chipModelIndex);
    adc.fields = AdcFieldsFrom(bindings);
}

} // namespace vek::sim
