#include "sim/SimBlockTransfer.h"

#include <algorithm>

namespace vek::sim {

SimBlockTransfer::SimBlockTransfer(SimChipMemory &memory) : m_memory(memory)
{
    memory.AddWriteListener([this](uint32_t address, uint8_t value) { OnWrite(address, value); });
}

uint32_t SimBlockTransfer::Read24(uint32_t address) const
{
    return uint32_t(m_memory.Read(address)) | uint32_t(m_memory.Read(address + 1)) << 8 |
           uint32_t(m_memory.Read(address + 2)) << 16;
}

void SimBlockTransfer::OnWrite(uint32_t address, uint8_t value)
{
    if (address != kControlAddress || (value & kRequestBit) == 0 || m_serving || stalled)
        return;
    m_serving = true;
    const uint32_t offset = Read24(kOffsetAddress);
    const uint32_t count = std::min(Read24(kLengthAddress), kWindowBytes);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = uint64_t(offset) + i;
        m_memory.Write(kWindowAddress + i, at < data.size() ? data[size_t(at)] : 0);
    }
    ++m_served;
    m_memory.Write(kControlAddress, uint8_t(m_memory.Read(kControlAddress) & ~kRequestBit));
    m_serving = false;
}

} // namespace vek::sim
