#include "sim/SimSwitchTest.h"

#include <algorithm>
#include <limits>

namespace vek::sim {

namespace {
constexpr uint8_t kClearRequestBit = 0x80;
constexpr uint8_t kDoneBitDirect = 0x20;
constexpr uint8_t kDoneBitOptocoupler = 0x10;
constexpr uint32_t kSamplesAddress = 0x120, kLoopsAddress = 0x122, kSetsAddress = 0x124;
constexpr uint32_t kSetsLow = 0x130, kSetsHigh = 0x150;
} // namespace

SimSwitchTest::SimSwitchTest(SimBoard &board, SimAdc &adc, Clock &clock, SimBlockTransfer &transfer)
    : m_board(board), m_adc(adc), m_clock(clock), m_transfer(transfer)
{
    convert = [&adc]() { return adc.Replaying() ? 0 : adc.NextCode(); };
    board.memory.AddWriteListener([this](uint32_t address, uint8_t value) { OnWrite(address, value); });
    // Looks at every frame before the board answers it (and takes none): the finished run shows
    // in the status reply, and the chip access route tells whether the optocoupler path is used.
    board.protocol.AddFrameHandler([this](const uint8_t *f, size_t length, std::vector<uint8_t> &) {
        Peek(f, length);
        return false;
    });
}

void SimSwitchTest::WriteOwn(uint32_t address, uint8_t value)
{
    m_writing = true;
    m_board.memory.Write(address, value);
    m_writing = false;
}

void SimSwitchTest::OnWrite(uint32_t address, uint8_t value)
{
    if (m_writing)
        return;
    SimChipMemory &mem = m_board.memory;
    if (address == kRequestAddress && (value & kClearRequestBit)) {
        m_running = false;
        m_transfer.data.clear();
        m_board.protocol.state.status[0] &= uint8_t(~(kDoneBitDirect | kDoneBitOptocoupler));
        if (!ignoreClearRequest)
            WriteOwn(kRequestAddress, uint8_t(value & ~kClearRequestBit));
        return;
    }
    if (address == kControlAddress && (value & kStartBit) && !m_running && (mem.Read(kRequestAddress) & 0xE0) == 0)
        Start();
}

void SimSwitchTest::Start()
{
    SimChipMemory &mem = m_board.memory;
    const int samples = std::min<int>(mem.Read(kSamplesAddress), kMaxSamples);
    const int loops = std::min<int>(mem.Read(kLoopsAddress) | mem.Read(kLoopsAddress + 1) << 8, kMaxLoops);
    const int sets = std::min<int>(mem.Read(kSetsAddress), kMaxSets);
    std::vector<uint8_t> &out = m_transfer.data;
    out.clear();
    out.reserve(size_t(samples) * size_t(loops) * size_t(sets) * 3);
    m_board.protocol.state.status[0] &= uint8_t(~(kDoneBitDirect | kDoneBitOptocoupler));
    double seconds = 0;
    for (int l = 0; l < loops; ++l) {
        for (int c = 0; c < sets; ++c) {
            const uint32_t base = c < 4 ? kSetsLow + 8 * uint32_t(c) : kSetsHigh + 8 * uint32_t(c - 4);
            for (size_t k = 0; k < kRegisters.size(); ++k)
                WriteOwn(kRegisters[k], mem.Read(base + uint32_t(k)));
            const double rate = m_adc.DataRateHz();
            for (int s = 0; s < samples; ++s) {
                const uint32_t u = uint32_t(convert ? convert() : 0) & 0xFFFFFF;
                out.push_back(uint8_t(u));
                out.push_back(uint8_t(u >> 8));
                out.push_back(uint8_t(u >> 16));
                seconds += rate > 0 ? 1.0 / rate : 0.0;
            }
        }
    }
    m_running = true;
    ++m_runs;
    m_runSeconds = seconds;
    m_doneAtDays = neverFinish ? std::numeric_limits<double>::infinity() : m_clock.NowDays() + seconds / 86400.0;
}

void SimSwitchTest::Finish()
{
    m_running = false;
    const std::string &text = m_board.protocol.state.boardText;
    const bool optocoupler = m_photoRoute && text.rfind("ENOB", 0) == 0;
    m_board.protocol.state.status[0] |= optocoupler ? kDoneBitOptocoupler : kDoneBitDirect;
    WriteOwn(kControlAddress, uint8_t(m_board.memory.Read(kControlAddress) & ~kStartBit));
}

void SimSwitchTest::Peek(const uint8_t *f, size_t length)
{
    if (length == 0)
        return;
    if (f[0] == 0xBC || f[0] == 0xBE)
        m_photoRoute = true;
    else if (f[0] == 0xB1 || f[0] == 0xBA)
        m_photoRoute = false;
    if (m_running && m_clock.NowDays() >= m_doneAtDays)
        Finish();
}

} // namespace vek::sim
