#pragma once
// The chip-side program of the channel switch test on the simulated chip. A clear request (bit 7
// of 0xD2) empties its results and is cleared at once. Writing 0xA4 with bit 4 set while 0xD2
// has bits 5 to 7 clear starts a run: it takes S (0x120), L (0x122, low byte first) and C
// (0x124), and runs L loops over the first C sets (eight register values each, four sets at
// 0x130 and four at 0x150): each set's values go into registers 0x31, 0x30, 0x37, 0x3C-0x40, so
// the converter's input, gain and oversampling really change, then S conversions are taken at
// the converter's data rate. When the run's time has passed on the program's clock, board status
// bit 5 is set (bit 4 when the board text begins with "ENOB" and the program talks through the
// optocoupler path) and 0xA4 bit 4 is cleared; the results, 3 bytes each, low byte first, loop
// after loop and set after set, are handed out through the block transfer.
#include "app/base/Clock.h"
#include "sim/SimAdc.h"
#include "sim/SimBlockTransfer.h"
#include "sim/SimBoard.h"

#include <array>
#include <cstdint>
#include <functional>

namespace vek::sim {

class SimSwitchTest {
public:
    static constexpr uint32_t kRequestAddress = 0xD2;
    static constexpr uint32_t kControlAddress = 0xA4;
    static constexpr uint8_t kStartBit = 0x10;
    static constexpr std::array<uint8_t, 8> kRegisters = {0x31, 0x30, 0x37, 0x3C, 0x3D, 0x3E, 0x3F, 0x40};
    // The firmware's limits: 8 sets, 64 samples, 256 loops.
    static constexpr int kMaxSets = 8, kMaxSamples = 64, kMaxLoops = 256;

    SimSwitchTest(SimBoard &board, SimAdc &adc, Clock &clock, SimBlockTransfer &transfer);
    SimSwitchTest(const SimSwitchTest &) = delete;
    SimSwitchTest &operator=(const SimSwitchTest &) = delete;

    // Where the conversions come from: the converter, with the registers as they stand. A
    // converter that replays a file of codes is left alone (its codes belong to the stream);
    // the run then delivers zeros.
    std::function<int32_t()> convert;

    // Faults: the clear request is never acknowledged; a run never finishes.
    bool ignoreClearRequest = false;
    bool neverFinish = false;

    bool Running() const { return m_running; }
    int RunsStarted() const { return m_runs; }
    // How long the last run took on the program's clock.
    double LastRunSeconds() const { return m_runSeconds; }

private:
    void OnWrite(uint32_t address, uint8_t value);
    void Peek(const uint8_t *frame, size_t length);
    void Start();
    void Finish();
    void WriteOwn(uint32_t address, uint8_t value);

    SimBoard &m_board;
    SimAdc &m_adc;
    Clock &m_clock;
    SimBlockTransfer &m_transfer;
    bool m_writing = false;
    bool m_running = false;
    bool m_photoRoute = true;
    double m_doneAtDays = 0;
    double m_runSeconds = 0;
    int m_runs = 0;
};

} // namespace vek::sim
