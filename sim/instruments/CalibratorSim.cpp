#include "sim/instruments/CalibratorSim.h"

namespace vek::sim {

namespace {

const char kGarbageBytes[] = "\x15\xFE~#?\x7F\x80garbage\x00\x01";
const QByteArray kGarbage(kGarbageBytes, sizeof kGarbageBytes - 1);

// Multiplier of a unit text with an SI prefix ("MV", "UV", "KHZ"); 0 when not that unit.
double UnitScale(const QByteArray &unit, const QByteArray &base)
{
    if (unit == base)
        return 1;
    if (unit.size() != base.size() + 1 || !unit.endsWith(base))
        return 0;
    switch (unit[0]) {
    case 'N': return 1e-9;
    case 'U': return 1e-6;
    case 'M': return base == "HZ" ? 1e6 : 1e-3; // "MHZ" is mega-hertz, "MV" milli-volts
    case 'K': return 1e3;
    default: return 0;
    }
}

// A value with an optional unit of the given base; a value without a unit is taken as is.
bool ParseQuantity(const QByteArray &text, const QByteArray &base, double &value)
{
    QByteArray rest;
    if (!ParseInstrumentNumber(text, value, rest))
        return false;
    const QByteArray unit = rest.trimmed().toUpper().replace(' ', "");
    if (unit.isEmpty())
        return true;
    const double scale = UnitScale(unit, base);
    if (scale == 0)
        return false;
    value *= scale;
    return true;
}

} // namespace

bool CalibratorSim::SetOutput(const QByteArray &arguments)
{
    const QList<QByteArray> parts = arguments.split(',');
    if (parts.isEmpty() || parts.size() > 2)
        return false;
    double volts = 0, hertz = m_state.hertz;
    if (!ParseQuantity(parts[0], "V", volts))
        return false;
    if (parts.size() == 2 && !ParseQuantity(parts[1], "HZ", hertz))
        return false;
    if (volts < -1100 || volts > 1100 || hertz < 0 || hertz > 2e6)
        return false;
    m_state.volts = volts;
    m_state.hertz = hertz;
    return true;
}

void CalibratorSim::Command(const QByteArray &command, QByteArray &out)
{
    const QByteArray c = command.trimmed();
    const QByteArray upper = c.toUpper();
    const int blank = upper.indexOf(' ');
    const QByteArray head = blank < 0 ? upper : upper.left(blank);
    const QByteArray arguments = blank < 0 ? QByteArray() : c.mid(blank + 1).trimmed();
    bool ok = true;
    if (head == "*OPT" || head == "*OPT?") {
        out += QByteArray(kOptions) + "\r\n";
    } else if (head == "STBY" && arguments.isEmpty()) {
        m_state.operate = false;
    } else if (head == "OPER" && arguments.isEmpty()) {
        m_state.operate = true;
    } else if (head == "OUT") {
        ok = SetOutput(arguments);
    } else if (head == "OUT?") {
        out += QByteArray::number(m_state.volts, 'E', 6) + ",V," +
               QByteArray::number(m_state.hertz, 'E', 2) + "\r\n";
    } else if (head == "RANGELCK") {
        const QByteArray a = arguments.toUpper();
        if (a == "ON")
            m_state.rangeLocked = true;
        else if (a == "OFF")
            m_state.rangeLocked = false;
        else
            ok = false;
    } else if (head == "RANGELCK?") {
        out += m_state.rangeLocked ? "ON\r\n" : "OFF\r\n";
    } else if (head == "OPER?") {
        out += m_state.operate ? "1\r\n" : "0\r\n";
    } else {
        ok = false;
    }
    if (!ok)
        ++m_state.errors;
}

Replies CalibratorSim::Feed(const QByteArray &input)
{
    QByteArray out;
    for (const QByteArray &line : m_lines.Add(input)) {
        ++m_state.commands;
        QByteArray answers;
        for (const QByteArray &command : line.split(';'))
            if (!command.trimmed().isEmpty())
                Command(command, answers);
        switch (m_fault) {
        case CalibratorFault::None: out += line + "\r\n" + answers; break;
        case CalibratorFault::NoEcho: out += answers; break;
        case CalibratorFault::Garbage: out += kGarbage + "\r\n"; break;
        case CalibratorFault::Silent: break;
        }
    }
    if (out.isEmpty())
        return {};
    return {TimedReply{0, out}};
}

} // namespace vek::sim
