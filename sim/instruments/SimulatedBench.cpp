#include "sim/instruments/SimulatedBench.h"

#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/PowerSupplySim.h"

namespace vek::sim {

std::unique_ptr<SimulatedBench> SimulatedBench::Start(ComNameMap &entries,
                                                      const QString &calibratorCom,
                                                      const QString &powerSupplyCom,
                                                      QString *error)
{
    std::unique_ptr<SimulatedBench> bench(new SimulatedBench);
    bench->m_calibrator = PtyInstrument::Start(std::make_unique<CalibratorSim>(), error);
    if (!bench->m_calibrator)
        return nullptr;
    bench->m_powerSupply = PtyInstrument::Start(std::make_unique<PowerSupplySim>(), error);
    if (!bench->m_powerSupply)
        return nullptr;
    bench->m_calibratorCom = ComNameMap::CanonicalName(calibratorCom);
    bench->m_powerSupplyCom = ComNameMap::CanonicalName(powerSupplyCom);
    entries.Set(bench->m_calibratorCom, bench->m_calibrator->DevicePath());
    entries.Set(bench->m_powerSupplyCom, bench->m_powerSupply->DevicePath());
    for (int c = 0; c < kMeters; ++c) {
        bench->m_meters[size_t(c)] = PtyInstrument::Start(std::make_unique<MeterSim>(), error);
        if (!bench->m_meters[size_t(c)])
            return nullptr;
        entries.Set(MeterCom(c), bench->m_meters[size_t(c)]->DevicePath());
    }
    return bench;
}

double SimulatedBench::CalibratorOutputVolts()
{
    return m_calibrator->With<CalibratorSim>([](CalibratorSim &c) { return c.OutputVolts(); });
}

double SimulatedBench::PowerSupplyOutputVolts()
{
    return m_powerSupply->With<PowerSupplySim>([](PowerSupplySim &p) { return p.OutputVolts(); });
}

} // namespace vek::sim

namespace vek::sim {

void SimulatedBench::SetMeterSource(int channel, std::function<MeterDisplay()> source)
{
    if (channel < 0 || channel >= kMeters)
        return;
    m_meters[size_t(channel)]->With<MeterSim>([&source](MeterSim &m) { m.source = std::move(source); });
}

} // namespace vek::sim
