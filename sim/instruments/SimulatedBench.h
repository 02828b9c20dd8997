#pragma once
// The bench of the program's simulate option: a calibrator and a power supply answering on
// pseudo-terminals, with COM names pointing at them so the setup dialog finds them. The
// calibrator's output is readable here, for a simulated ADC that measures it.
#include "instruments/serial/ComNameMap.h"
#include "sim/instruments/PtyInstrument.h"

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
    QString CalibratorCom() const { return m_calibratorCom; }
    QString PowerSupplyCom() const { return m_powerSupplyCom; }

    // The voltage the calibrator drives now (0 in standby). Safe from any thread.
    double CalibratorOutputVolts();
    // The power supply's output voltage (0 while its output is off). Safe from any thread.
    double PowerSupplyOutputVolts();

private:
    SimulatedBench() = default;

    std::unique_ptr<PtyInstrument> m_calibrator, m_powerSupply;
    QString m_calibratorCom, m_powerSupplyCom;
};

} // namespace vek::sim
