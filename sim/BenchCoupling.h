#pragma once
// The simulated bench wired like the real one: the calibrator's output is the converter's input
// (0 V in standby), the power supply feeds the board (with its output off, or below 2.7 V, the
// chip has no supply and does not answer), and each meter channel reads what it is wired to:
// channel 0 the calibrator's output, channel 1 the power supply's output, channels 2 to 5 the
// chamber temperature. An instrument nobody has talked to is not wired: the converter keeps its
// own input and the board its own supply until then.
#include "sim/SimulatedBoard.h"
#include "sim/instruments/MeterSim.h"

#include <functional>
#include <optional>

namespace vek::sim {

class CalibratorSim;
class PowerSupplySim;

constexpr double kChipSupplyMinVolts = 2.7;
constexpr double kChamberCelsius = 25.0;

struct BenchReadings {
    // The calibrator's output volts; nothing while it is not wired.
    std::function<std::optional<double>()> calibratorVolts;
    // The power supply's output volts; nothing while it is in local mode (not wired).
    std::function<std::optional<double>()> supplyVolts;
};

// Readings straight from the instruments' protocol objects (same thread as the board).
BenchReadings ReadingsOf(const CalibratorSim *calibrator, const PowerSupplySim *supply);

// Before every frame the board handles, the chip's supply and the converter's input follow the
// instruments.
void CoupleBench(SimulatedBoard &board, BenchReadings readings);

// The meter's display of a voltage (DC V) and of a temperature (℃).
MeterDisplay VoltsDisplay(double volts);
MeterDisplay CelsiusDisplay(double celsius);
// What meter channel 0..5 shows on this bench.
MeterDisplay MeterChannelDisplay(int channel, const BenchReadings &readings);

} // namespace vek::sim
