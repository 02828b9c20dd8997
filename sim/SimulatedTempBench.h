#pragma once
// The bench of a temperature test on simulated time: the calibrator, the power supply and six
// meters on in-memory lines under COM names (calibrator COM7, power supply COM8, meters COM9 to
// COM14), wired to the simulated board as the real bench is (see BenchCoupling.h).
#include "sim/BenchCoupling.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/LoopbackPort.h"
#include "sim/instruments/MeterSim.h"
#include "sim/instruments/PowerSupplySim.h"

#include <array>
#include <memory>

namespace vek::sim {

class SimulatedTempBench {
public:
    static constexpr const char *kCalibratorCom = "COM7";
    static constexpr const char *kPowerSupplyCom = "COM8";
    static QString MeterCom(int channel) { return QStringLiteral("COM%1").arg(9 + channel); }

    // Puts the instruments behind the COM names of `ports` and couples them to the board.
    SimulatedTempBench(Clock &clock, SimulatedBoard &board, SerialPorts &ports);

    CalibratorSim &Calibrator() { return *m_calibrator; }
    PowerSupplySim &PowerSupply() { return *m_supply; }
    MeterSim &Meter(int channel) { return *m_meters[size_t(channel)]; }
    LoopbackBench &Lines() { return m_lines; }

private:
    LoopbackBench m_lines;
    std::shared_ptr<CalibratorSim> m_calibrator;
    std::shared_ptr<PowerSupplySim> m_supply;
    std::array<std::shared_ptr<MeterSim>, 6> m_meters;
};

} // namespace vek::sim
