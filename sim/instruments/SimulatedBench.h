#pragma once
// The bench of the program's simulate option: a calibrator, a power supply and six meters
// answering on pseudo-terminals, with COM names pointing at them so the setup dialog finds them
// (calibrator COM7, power supply COM8, meter channels COM9 to COM14). The
// calibrator's output is readable here, for a simulated ADC that measures it.
#include "instruments/serial/ComNameMap.h"
#include "sim/instruments/MeterSim.h"
#include "sim/instruments/PtyInstrument.h"

#include <array>
#include <functional>

#include <memory>

namespace vek::sim {

class SimulatedBench {
public:
    static constexpr const char *kCalibratorCom = "COM7";
    static constexpr const char *kPowerSupplyCom = "COM8";

    // Starts both instruments and enters their devices under the two COM names. Null (with the
    // reason in error) when a pseudo-terminal cannot be made.
    static std::unique_ptr<SimulatedBench> Start(ComNameMap &entries,
                                                 const QString &calibratorCom = kCalibratorCom,
                                                 const QString &powerSupplyCom = kPowerSupplyCom,
                                                 QString *error = nullptr);

    PtyInstrument &Calibrator() { return *m_calibrator; }
    PtyInstrument &PowerSupply() { return *m_powerSupply; }
    static constexpr int kMeters = 6;
    static QString MeterCom(int channel) { return QStringLiteral("COM%1").arg(9 + channel); }
    PtyInstrument &Meter(int channel) { return *m_meters[size_t(channel)]; }
    // What meter channel c reads when asked (called on the meter's own thread).
    void SetMeterSource(int channel, std::function<MeterDisplay()> source);
    QString CalibratorCom() const { return m_calibratorCom; }
    QString PowerSupplyCom() const { return m_powerSupplyCom; }

    // The voltage the calibrator drives now (0 in standby). Safe from any thread.
    double CalibratorOutputVolts();
    // The power supply's output voltage (0 while its output is off). Safe from any thread.
    double PowerSupplyOutputVolts();

private:
    SimulatedBench() = default;

    std::unique_ptr<PtyInstrument> m_calibrator, m_powerSupply;
    std::array<std::unique_ptr<PtyInstrument>, kMeters> m_meters;
    QString m_calibratorCom, m_powerSupplyCom;
};

} // namespace vek::sim
