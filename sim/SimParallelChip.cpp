#include "sim/SimParallelChip.h"

namespace vek::sim {

namespace {
constexpr uint8_t kFrameBit = 0x02;
constexpr uint8_t kClockBit = 0x08;
constexpr uint8_t kIdleStatus = 0x18; // no error, selected
} // namespace

uint8_t SimParallelChip::Read(ParallelRegister reg) const
{
    switch (reg) {
    case ParallelRegister::Data:
        return m_data;
    case ParallelRegister::Status:
        return uint8_t(kIdleStatus | (m_outBit ? 0x40 : 0));
    case ParallelRegister::Control:
        return m_control;
    }
    return 0;
}

void SimParallelChip::Write(ParallelRegister reg, uint8_t value)
{
    if (reg == ParallelRegister::Data) {
        m_data = value;
        return;
    }
    if (reg != ParallelRegister::Control)
        return;
    const uint8_t old = m_control;
    m_control = value;
    if ((old & kFrameBit) && !(value & kFrameBit)) {
        m_inFrame = true;
        m_phase = Phase::In;
        m_in.clear();
        m_bits = 0;
        m_outBit = false;
    } else if (!(old & kFrameBit) && (value & kFrameBit) && m_inFrame) {
        m_inFrame = false;
        m_phase = Phase::Idle;
        m_lastFrame = m_in;
        ++m_framesEnded;
    }
    if (m_inFrame && !(old & kClockBit) && (value & kClockBit))
        ClockEdge();
}

void SimParallelChip::ClockEdge()
{
    if (m_phase == Phase::In) {
        m_shift = uint8_t((m_shift << 1) | (m_control & 0x01));
        if (++m_bits == 8) {
            m_bits = 0;
            ByteIn(m_shift);
        }
    } else if (m_phase == Phase::Out) {
        if (m_bits == 0)
            m_outByte = NextOutByte();
        m_outBit = (m_outByte >> (7 - m_bits)) & 1;
        m_bits = (m_bits + 1) % 8;
    }
}

void SimParallelChip::ByteIn(uint8_t byte)
{
    m_in.push_back(byte);
    const uint8_t op = m_in[0];
    const size_t n = m_in.size();
    auto startOut = [this]() {
        m_phase = Phase::Out;
        m_bits = 0;
        m_outPos = 0;
    };
    if ((op == 0xC0 || op == 0x40) && n == 3) {
        m_address = uint32_t(m_in[1]) | uint32_t(m_in[2]) << 8;
        if (op == 0xC0) {
            m_outFromMemory = true;
            startOut();
        }
    } else if (op == 0x40 && n > 3) {
        m_memory.Write(m_address++, byte);
    } else if (op == 0x81 && n == 1) {
        m_outFromMemory = false;
        m_out.assign(1, m_adc ? m_adc->OfferCount(kStreamBlockBytes) : 0);
        startOut();
    } else if (op == 0x82 && n == 2) {
        m_outFromMemory = false;
        m_out = m_adc ? m_adc->TakeStreamBytes(byte) : std::vector<uint8_t>{};
        m_out.resize(byte, 0);
        startOut();
    } else if (op != 0xC0 && op != 0x40 && op != 0x81 && op != 0x82) {
        m_phase = Phase::Idle; // not a command: the rest of the frame is ignored
    }
}

uint8_t SimParallelChip::NextOutByte()
{
    if (m_outFromMemory)
        return m_memory.Read(m_address++);
    return m_outPos < m_out.size() ? m_out[m_outPos++] : 0;
}

namespace {

class SimPort final : public ParallelPort {
public:
    SimPort(SimParallelChip &chip, SimParallelPlatform &platform) : m_chip(chip), m_platform(platform) {}
    bool Read(ParallelRegister reg, uint8_t &value) override
    {
        ++m_platform.accesses;
        if (m_platform.failAccesses)
            return false;
        value = m_chip.Read(reg);
        return true;
    }
    bool Write(ParallelRegister reg, uint8_t value) override
    {
        ++m_platform.accesses;
        if (m_platform.failAccesses || reg == ParallelRegister::Status)
            return false;
        m_chip.Write(reg, value);
        return true;
    }
    bool SetByteMode() override
    {
        if (m_platform.failAccesses)
            return false;
        m_chip.SetByteMode();
        return true;
    }

private:
    SimParallelChip &m_chip;
    SimParallelPlatform &m_platform;
};

} // namespace

ParallelOpening SimParallelPlatform::Open(uint16_t)
{
    ++opens;
    ParallelOpening o;
    o.device = QString::fromLatin1(kDevice);
    o.error = openError;
    if (openError == ParallelOpenError::None)
        o.port = std::make_unique<SimPort>(m_chip, *this);
    return o;
}

} // namespace vek::sim
