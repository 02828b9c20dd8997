#include "sim/SimulatedTempBench.h"

namespace vek::sim {

SimulatedTempBench::SimulatedTempBench(Clock &clock, SimulatedBoard &board, SerialPorts &ports)
    : m_lines(clock), m_calibrator(std::make_shared<CalibratorSim>()), m_supply(std::make_shared<PowerSupplySim>())
{
    m_lines.Attach(QString::fromLatin1(kCalibratorCom), m_calibrator);
    m_lines.Attach(QString::fromLatin1(kPowerSupplyCom), m_supply);
    const BenchReadings readings = ReadingsOf(m_calibrator.get(), m_supply.get());
    for (int c = 0; c < 6; ++c) {
        m_meters[size_t(c)] = std::make_shared<MeterSim>();
        m_meters[size_t(c)]->source = [c, readings] { return MeterChannelDisplay(c, readings); };
        m_lines.Attach(MeterCom(c), m_meters[size_t(c)]);
    }
    ports.SetOpener(m_lines.Opener());
    CoupleBench(board, readings);
}

} // namespace vek::sim
