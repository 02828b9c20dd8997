#pragma once
// The ADC output registers of the simulated chip: while the converter is enabled, its latest
// result stands in the three output registers (high, middle, low byte) and the conversion-done
// flag is set, renewed at the converter's data rate, so a read of the registers sees a live word.
// Before each frame the board takes, the registers are brought up to date.
#include "app/base/Clock.h"
#include "sim/SimAdc.h"
#include "sim/SimBoard.h"

namespace vek::sim {

class SimAdcOutput {
public:
    SimAdcOutput(SimBoard &board, SimAdc &adc, Clock &clock);
    SimAdcOutput(const SimAdcOutput &) = delete;
    SimAdcOutput &operator=(const SimAdcOutput &) = delete;

    // The conversion-done flag set with every new result.
    FieldBinding doneFlag{0x30, 1, 6, 0, true};
    // Writes a new result when the converter is enabled and one is due.
    void Update();
    int64_t ResultsWritten() const { return m_written; }

private:
    SimBoard &m_board;
    SimAdc &m_adc;
    Clock &m_clock;
    double m_lastDays = -1;
    int64_t m_written = 0;
};

} // namespace vek::sim
