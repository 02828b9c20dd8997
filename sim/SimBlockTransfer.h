#pragma once
// The firmware's block transfer on the simulated chip: data the chip holds on its own side (the
// channel switch test's results, a recorded series) is handed out one block at a time. The
// program writes the byte offset to 0x170-0x172 and the byte count to 0x173-0x175 (low byte
// first) and sets bit 3 of 0xA4; the firmware copies the bytes into the window at 0x100 and
// clears the bit. Bytes past the end of the data read as 0. Every firmware test that records
// data on the chip hands it out through this one handshake.
#include "sim/SimChipMemory.h"

#include <cstdint>
#include <vector>

namespace vek::sim {

class SimBlockTransfer {
public:
    static constexpr uint32_t kOffsetAddress = 0x170;
    static constexpr uint32_t kLengthAddress = 0x173;
    static constexpr uint32_t kControlAddress = 0xA4;
    static constexpr uint8_t kRequestBit = 0x08;
    static constexpr uint32_t kWindowAddress = 0x100;
    // The window's size; a longer request is cut to it.
    static constexpr uint32_t kWindowBytes = 64;

    explicit SimBlockTransfer(SimChipMemory &memory);
    SimBlockTransfer(const SimBlockTransfer &) = delete;
    SimBlockTransfer &operator=(const SimBlockTransfer &) = delete;

    // The data the firmware hands out.
    std::vector<uint8_t> data;
    // A firmware that never answers: the request bit stays set.
    bool stalled = false;
    // Requests served since the start.
    int Served() const { return m_served; }

private:
    void OnWrite(uint32_t address, uint8_t value);
    uint32_t Read24(uint32_t address) const;

    SimChipMemory &m_memory;
    bool m_serving = false;
    int m_served = 0;
};

} // namespace vek::sim
