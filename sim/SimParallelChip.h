#pragma once
// A chip wired to the parallel port, as the port's registers see it. The chip watches the
// control register: a falling edge of bit 1 opens a frame, a rising edge closes it; inside a
// frame every rising edge of the clock (bit 3) shifts one bit, most significant first, in from
// bit 0 or out to status bit 6. Frames:
//   0xC0 addrL addrH, then bytes out   -> chip memory from the address
//   0x40 addrL addrH data...           -> written to chip memory as each byte completes
//   0x81, then one byte out            -> result bytes of the stream ready (at most 252)
//   0x82 n, then n bytes out           -> the next n result bytes of the stream
// It answers from the same chip memory and converter as the simulated evaluation board.
#include "link/ParallelPort.h"
#include "sim/SimAdc.h"
#include "sim/SimChipMemory.h"

#include <cstdint>
#include <vector>

namespace vek::sim {

class SimParallelChip {
public:
    static constexpr size_t kStreamBlockBytes = 252;

    SimParallelChip(SimChipMemory &memory, SimAdc *adc) : m_memory(memory), m_adc(adc) {}

    uint8_t Read(ParallelRegister reg) const;
    void Write(ParallelRegister reg, uint8_t value);
    void SetByteMode() { m_byteMode = true; }

    bool ByteMode() const { return m_byteMode; }
    uint8_t ControlRegister() const { return m_control; }
    uint8_t DataRegister() const { return m_data; }
    int FramesEnded() const { return m_framesEnded; }
    // The bytes the host sent in the last frame that ended.
    const std::vector<uint8_t> &LastFrame() const { return m_lastFrame; }

private:
    enum class Phase { Idle, In, Out };
    void ClockEdge();
    void ByteIn(uint8_t byte);
    uint8_t NextOutByte();

    SimChipMemory &m_memory;
    SimAdc *m_adc;
    uint8_t m_data = 0;
    uint8_t m_control = 0x0C;
    bool m_byteMode = false;
    bool m_inFrame = false;
    Phase m_phase = Phase::Idle;
    uint8_t m_shift = 0;
    int m_bits = 0;
    bool m_outBit = false;
    uint8_t m_outByte = 0;
    std::vector<uint8_t> m_in;
    // Out phase: memory from m_address on, or the prepared bytes.
    bool m_outFromMemory = false;
    uint32_t m_address = 0;
    std::vector<uint8_t> m_out;
    size_t m_outPos = 0;
    int m_framesEnded = 0;
    std::vector<uint8_t> m_lastFrame;
};

// The port of the simulated chip, opened like ppdev: an opening can be made to fail the way a
// missing, forbidden or busy device does, and register accesses can be made to fail.
class SimParallelPlatform final : public ParallelPlatform {
public:
    explicit SimParallelPlatform(SimParallelChip &chip) : m_chip(chip) {}

    ParallelOpenError openError = ParallelOpenError::None;
    bool failAccesses = false;
    // Every register access of every port opened here.
    uint64_t accesses = 0;
    int opens = 0;

    ParallelOpening Open(uint16_t base) override;

    static constexpr const char *kDevice = "simulated parport0";

private:
    SimParallelChip &m_chip;
};

} // namespace vek::sim
