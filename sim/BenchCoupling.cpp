#include "sim/BenchCoupling.h"

#include "app/base/NumberText.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/PowerSupplySim.h"

#include <cmath>

namespace vek::sim {

BenchReadings ReadingsOf(const CalibratorSim *calibrator, const PowerSupplySim *supply)
{
    BenchReadings r;
    r.calibratorVolts = [calibrator]() -> std::optional<double> {
        if (!calibrator || calibrator->State().commands == 0)
            return std::nullopt;
        return calibrator->OutputVolts();
    };
    r.supplyVolts = [supply]() -> std::optional<double> {
        if (!supply || !supply->State().remote)
            return std::nullopt;
        return supply->OutputVolts();
    };
    return r;
}

void CoupleBench(SimulatedBoard &board, BenchReadings readings)
{
    const double ownInput = board.adc.inputVolts;
    board.usb.board.protocol.beforeFrame = [&board, readings, ownInput]() {
        const std::optional<double> supply = readings.supplyVolts ? readings.supplyVolts() : std::nullopt;
        board.usb.board.memory.SetPowered(!supply || *supply >= kChipSupplyMinVolts);
        const std::optional<double> input = readings.calibratorVolts ? readings.calibratorVolts() : std::nullopt;
        board.adc.inputVolts = input.value_or(ownInput);
    };
}

namespace {

// Eight characters: a sign position and seven of digits and point, with the decimal exponent
// that brings the reading into that width.
MeterDisplay Display(double value, uint8_t statusA)
{
    MeterDisplay d;
    d.statusA = statusA;
    double magnitude = std::fabs(value);
    int shift = 0;
    while (magnitude >= 99999.5 && shift < 9) {
        magnitude /= 10;
        ++shift;
    }
    const int whole = magnitude >= 1 ? int(std::floor(std::log10(magnitude))) + 1 : 1;
    const QByteArray digits = QByteArray::fromStdString(FixedText(magnitude, std::max(0, 6 - whole)));
    d.reading = (value < 0 ? "-" : " ") + digits.left(7);
    d.exponentSign = '+';
    d.exponentDigit = char('0' + shift);
    return d;
}

} // namespace

MeterDisplay VoltsDisplay(double volts) { return Display(volts, 0x06); }

MeterDisplay CelsiusDisplay(double celsius) { return Display(celsius, 0x20); }

MeterDisplay MeterChannelDisplay(int channel, const BenchReadings &readings)
{
    auto volts = [](const std::function<std::optional<double>()> &f) {
        const std::optional<double> v = f ? f() : std::nullopt;
        return v.value_or(0.0);
    };
    switch (channel) {
    case 0: return VoltsDisplay(volts(readings.calibratorVolts));
    case 1: return VoltsDisplay(volts(readings.supplyVolts));
    default: return CelsiusDisplay(kChamberCelsius);
    }
}

} // namespace vek::sim
