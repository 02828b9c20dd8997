#pragma once
// A programmable power supply on its serial port. It takes commands only after "SYST:REM"
// (remote mode), answers "*IDN?" with its identity and CR LF, and keeps its voltage, current
// and output state. Commands end with LF (a CR before it is ignored).
#include "sim/instruments/InstrumentProtocol.h"

namespace vek::sim {

enum class PowerSupplyFault {
    None,
    Silent,  // sends nothing at all
    Garbage, // answers every query with bytes that mean nothing
};

struct PowerSupplyState {
    bool remote = false;
    double volts = 0;
    double amps = 0;
    bool output = false;
    int commands = 0; // commands taken in remote mode
    int errors = 0;   // commands not understood
};

class PowerSupplySim final : public InstrumentProtocol {
public:
    static constexpr const char *kIdentity = "HEWLETT-PACKARD,E3632A,0,1.4-5.0-1.0";

    Replies Feed(const QByteArray &input) override;

    void SetFault(PowerSupplyFault fault) { m_fault = fault; }
    // The identity text answered to "*IDN?" (without its CR LF).
    void SetIdentity(const QByteArray &identity) { m_identity = identity; }
    const PowerSupplyState &State() const { return m_state; }
    // The voltage at the terminals: the set value while the output is on, else 0.
    double OutputVolts() const { return m_state.output ? m_state.volts : 0.0; }

private:
    void Command(const QByteArray &command, QByteArray &out);

    LineSplitter m_lines;
    PowerSupplyState m_state;
    PowerSupplyFault m_fault = PowerSupplyFault::None;
    QByteArray m_identity = kIdentity;
};

} // namespace vek::sim
