#include "sim/SimChipMemory.h"

namespace vek::sim {

uint8_t SimChipMemory::Read(uint32_t address) const
{
    if (!m_powered)
        return 0xFF;
    return address < kSize ? m_bytes[address] : 0;
}

void SimChipMemory::Write(uint32_t address, uint8_t value)
{
    if (address >= kSize || !m_powered)
        return;
    m_bytes[address] = value;
    if (onWrite)
        onWrite(address, value);
    for (size_t i = 0; i < m_listeners.size(); ++i)
        m_listeners[i](address, value);
}

} // namespace vek::sim
