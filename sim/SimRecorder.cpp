#include "sim/SimRecorder.h"

#include <algorithm>
#include <limits>

namespace vek::sim {

namespace {
constexpr uint8_t kDoneBitDirect = 0x20;
constexpr uint8_t kDoneBitOptocoupler = 0x10;
constexpr uint32_t kCountAddress = 0x173;
} // namespace

SimRecorder::SimRecorder(SimBoard &board, SimAdc &adc, Clock &clock, SimBlockTransfer &transfer)
    : m_board(board), m_adc(adc), m_clock(clock), m_transfer(transfer)
{
    board.memory.AddWriteListener([this](uint32_t address, uint8_t value) { OnWrite(address, value); });
    board.protocol.AddFrameHandler([this](const uint8_t *f, size_t length, std::vector<uint8_t> &) {
        Peek(f, length);
        return false;
    });
}

void SimRecorder::OnWrite(uint32_t address, uint8_t value)
{
    if (address != kControlAddress)
        return;
    if (value & 0x80) { // a clear request ends a recording
        m_recording = false;
        return;
    }
    if ((value & kStartBit) && !(value & 0x40) && !m_recording)
        Start();
}

void SimRecorder::Start()
{
    const SimChipMemory &mem = m_board.memory;
    m_bytes = std::min<uint32_t>(uint32_t(mem.Read(kCountAddress)) | uint32_t(mem.Read(kCountAddress + 1)) << 8 |
                                     uint32_t(mem.Read(kCountAddress + 2)) << 16,
                                 kMaxBytes);
    const uint32_t conversions = (m_bytes + 2) / 3;
    std::vector<uint8_t> &out = m_transfer.data;
    out.clear();
    out.reserve(size_t(conversions) * 3);
    for (uint32_t i = 0; i < conversions; ++i) {
        const uint32_t u = uint32_t(m_adc.Replaying() ? 0 : m_adc.NextCode()) & 0xFFFFFF;
        out.push_back(uint8_t(u));
        out.push_back(uint8_t(u >> 8));
        out.push_back(uint8_t(u >> 16));
    }
    out.resize(m_bytes);
    m_board.protocol.state.status[0] &= uint8_t(~(kDoneBitDirect | kDoneBitOptocoupler));
    const double rate = m_adc.DataRateHz();
    const double seconds = rate > 0 ? conversions / rate : 0.0;
    m_doneAtDays = neverFinish ? std::numeric_limits<double>::infinity() : m_clock.NowDays() + seconds / 86400.0;
    m_recording = true;
    ++m_recordings;
}

void SimRecorder::Finish()
{
    m_recording = false;
    const std::string &text = m_board.protocol.state.boardText;
    const bool optocoupler = m_photoRoute && text.rfind("ENOB", 0) == 0;
    m_board.protocol.state.status[0] |= optocoupler ? kDoneBitOptocoupler : kDoneBitDirect;
}

void SimRecorder::Peek(const uint8_t *f, size_t length)
{
    if (length == 0)
        return;
    if (f[0] == 0xBC || f[0] == 0xBE)
        m_photoRoute = true;
    else if (f[0] == 0xB1 || f[0] == 0xBA)
        m_photoRoute = false;
    if (!m_board.memory.Powered())
        m_recording = false; // a chip without supply loses its recording
    if (m_recording && m_clock.NowDays() >= m_doneAtDays)
        Finish();
}

} // namespace vek::sim
