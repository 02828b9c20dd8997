#include "sim/SimChipMemory.h"

namespace vek::sim {

uint8_t SimChipMemory::Read(uint32_t address) const
{
    return address < kSize ? m_bytes[address] : 0;
}

void SimChipMemory::Write(uint32_t address, uint8_t value)
{
    if (address >= kSize)
        return;
    m_bytes[address] = value;
    if (onWrite)
        onWrite(address, value);
}

} // namespace vek::sim
