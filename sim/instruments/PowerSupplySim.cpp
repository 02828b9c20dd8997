#include "sim/instruments/PowerSupplySim.h"

namespace vek::sim {

namespace {

const char kGarbageBytes[] = "\xFF\x13#?!\x81\x00noise";
const QByteArray kGarbage(kGarbageBytes, sizeof kGarbageBytes - 1);

// A command header in long or short form ("VOLTAGE" or "VOLT").
bool Is(const QByteArray &head, const char *shortForm, const char *longForm)
{
    return head == shortForm || head == longForm;
}

QByteArray NumberReply(double v)
{
    QByteArray n = QByteArray::number(v, 'E', 8);
    if (!n.startsWith('-'))
        n.prepend('+');
    return n + "\r\n";
}

bool ParseSetting(const QByteArray &arguments, double low, double high, double &value)
{
    QByteArray rest;
    double v = 0;
    if (!ParseInstrumentNumber(arguments, v, rest) || !rest.trimmed().isEmpty())
        return false;
    if (v < low || v > high)
        return false;
    value = v;
    return true;
}

} // namespace

void PowerSupplySim::Command(const QByteArray &command, QByteArray &out)
{
    const QByteArray upper = command.trimmed().toUpper();
    const int blank = upper.indexOf(' ');
    const QByteArray head = blank < 0 ? upper : upper.left(blank);
    const QByteArray arguments = blank < 0 ? QByteArray() : upper.mid(blank + 1).trimmed();

    if (Is(head, "SYST:REM", "SYSTEM:REMOTE")) {
        m_state.remote = true;
        return;
    }
    // In local mode the front panel rules and the serial line is not listened to.
    if (!m_state.remote)
        return;
    ++m_state.commands;
    bool ok = true;
    if (Is(head, "SYST:LOC", "SYSTEM:LOCAL")) {
        m_state.remote = false;
    } else if (head == "*IDN?") {
        out += m_identity + "\r\n";
    } else if (head == "*RST") {
        m_state.volts = 0;
        m_state.amps = 0;
        m_state.output = false;
    } else if (Is(head, "VOLT", "VOLTAGE") && !arguments.isEmpty()) {
        ok = ParseSetting(arguments, 0, 30, m_state.volts);
    } else if (Is(head, "VOLT?", "VOLTAGE?")) {
        out += NumberReply(m_state.volts);
    } else if (Is(head, "CURR", "CURRENT") && !arguments.isEmpty()) {
        ok = ParseSetting(arguments, 0, 7, m_state.amps);
    } else if (Is(head, "CURR?", "CURRENT?")) {
        out += NumberReply(m_state.amps);
    } else if (Is(head, "OUTP", "OUTPUT")) {
        if (arguments == "ON" || arguments == "1")
            m_state.output = true;
        else if (arguments == "OFF" || arguments == "0")
            m_state.output = false;
        else
            ok = false;
    } else if (Is(head, "OUTP?", "OUTPUT?")) {
        out += m_state.output ? "1\r\n" : "0\r\n";
    } else if (Is(head, "MEAS:VOLT?", "MEASURE:VOLTAGE?")) {
        out += NumberReply(OutputVolts());
    } else if (Is(head, "SYST:ERR?", "SYSTEM:ERROR?")) {
        if (m_state.errors > 0) {
            --m_state.errors;
            out += "-113,\"Undefined header\"\r\n";
        } else {
            out += "+0,\"No error\"\r\n";
        }
        return;
    } else {
        ok = false;
    }
    if (!ok)
        ++m_state.errors;
}

Replies PowerSupplySim::Feed(const QByteArray &input)
{
    QByteArray out;
    for (const QByteArray &line : m_lines.Add(input))
        for (const QByteArray &command : line.split(';'))
            if (!command.trimmed().isEmpty()) {
                QByteArray answer;
                Command(command, answer);
                if (!answer.isEmpty() && m_fault == PowerSupplyFault::None)
                    out += answer;
                else if (!answer.isEmpty() && m_fault == PowerSupplyFault::Garbage)
                    out += kGarbage + "\r\n";
            }
    if (out.isEmpty())
        return {};
    return {TimedReply{0, out}};
}

} // namespace vek::sim
