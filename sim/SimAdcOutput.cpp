#include "sim/SimAdcOutput.h"

namespace vek::sim {

namespace {
bool Bit(const SimChipMemory &m, const FieldBinding &b)
{
    return b.width > 0 && b.position < 8 && ((m.Read(b.address) >> b.position) & 1) != 0;
}
} // namespace

SimAdcOutput::SimAdcOutput(SimBoard &board, SimAdc &adc, Clock &clock)
    : m_board(board), m_adc(adc), m_clock(clock)
{
    board.protocol.AddFrameHandler([this](const uint8_t *, size_t, std::vector<uint8_t> &) {
        Update();
        return false; // the frame itself is handled as usual
    });
}

void SimAdcOutput::Update()
{
    const AdcFieldMap &f = m_adc.fields;
    if (!Bit(m_board.memory, f.enable)) {
        m_lastDays = -1;
        return;
    }
    const double now = m_clock.NowDays();
    if (m_lastDays >= 0 && (now - m_lastDays) * 86400.0 * m_adc.DataRateHz() < 1.0)
        return;
    m_lastDays = now;
    const uint32_t u = uint32_t(m_adc.ConvertNow()) & 0xFFFFFF;
    if (f.hasHighByte) {
        m_board.memory.Write(f.outHigh.address, uint8_t(u >> 16));
        m_board.memory.Write(f.outMiddle.address, uint8_t(u >> 8));
        m_board.memory.Write(f.outLow.address, uint8_t(u));
    } else {
        // A 16-bit converter: its result in the two registers it has, nothing beside them.
        m_board.memory.Write(f.outMiddle.address, uint8_t(u >> 16));
        m_board.memory.Write(f.outLow.address, uint8_t(u >> 8));
    }
    if (doneFlag.width == 1 && doneFlag.position < 8)
        m_board.memory.Write(doneFlag.address,
                             uint8_t(m_board.memory.Read(doneFlag.address) | (1u << doneFlag.position)));
    ++m_written;
}

} // namespace vek::sim
