#pragma once
// A calibrator of the 5500 family on its serial port, in its default terminal mode: every
// command line is echoed back (with CR LF) before anything else is sent. It keeps its output
// state: value, frequency, operate or standby, range lock.
#include "sim/instruments/InstrumentProtocol.h"

namespace vek::sim {

enum class CalibratorFault {
    None,
    Silent,  // sends nothing at all
    NoEcho,  // answers queries but does not echo
    Garbage, // answers every line with bytes that mean nothing
};

struct CalibratorState {
    double volts = 0;    // output value set by OUT
    double hertz = 0;    // its frequency (0 for DC)
    bool operate = false;
    bool rangeLocked = false;
    int commands = 0;    // command lines taken
    int errors = 0;      // command lines not understood
};

class CalibratorSim final : public InstrumentProtocol {
public:
    Replies Feed(const QByteArray &input) override;

    void SetFault(CalibratorFault fault) { m_fault = fault; }
    const CalibratorState &State() const { return m_state; }
    // The voltage at the output terminals: the set value while operating, else 0.
    double OutputVolts() const { return m_state.operate ? m_state.volts : 0.0; }

    // The reply to "*OPT": the installed options.
    static constexpr const char *kOptions = "0";

private:
    // Carries out one command; a query's answer is appended to out.
    void Command(const QByteArray &command, QByteArray &out);
    bool SetOutput(const QByteArray &arguments);

    LineSplitter m_lines;
    CalibratorState m_state;
    CalibratorFault m_fault = CalibratorFault::None;
};

} // namespace vek::sim
