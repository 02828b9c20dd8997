#pragma once
// The board side of a temperature run without a window: slot 0 of a connected link, the samples
// in a store of the caller's, the measurement of each mode as the analysis window makes it
// (capture, figures, then the averaging recomputation), the full sample file as its result file.
#include "analysis/Acquisition.h"
#include "analysis/Capture.h"
#include "bench/TempRun.h"

namespace vek {

struct HeadlessBoardOptions {
    InterfaceKind kind = InterfaceKind::SPI;
    int averagingIndex = 0;               // "Avr. Times" position
    QString filterText = QStringLiteral("9");
    int32_t idleTimeoutMs = 3000;         // a streamed capture that gets nothing this long fails
    RamBlockLayout layout = RamBlockLayout::Banked; // the RAM block of mode 0
    bool bank1Present = false, bank2Present = false;
    // The converter's data rate as the chip is set now (0: not known); the wait for a
    // board-buffered recording follows it, or else the slowest rate.
    std::function<double()> dataRateHz;
};

// Sets the board hooks of `run`. `chip`, `store` and `results` must outlive the run.
void ConnectHeadlessBoard(TemperatureRun &run, ChipPort &chip, SampleStore &store, AnalysisResults &results,
                          const HeadlessBoardOptions &options);

} // namespace vek
