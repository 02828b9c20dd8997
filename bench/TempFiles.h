#pragma once
// The temperature test's result files as bytes: the summary of every step's figures ("VekTEMPA",
// "VekTEMPB"), the meter log ("VekTEMPBryMen"), the meter readings' text and unit symbols. No
// I/O here.
#include "analysis/SampleStore.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace vek {

// Steps the result tables have room for (indexes 1 .. 10000; 0 and 10001 are spare).
constexpr int kTempMaxSteps = 10000;
constexpr int kTempTableSize = 10002;
constexpr int kMeterChannels = 6;

// What became of a step of the current run.
enum class TempStepState : uint8_t {
    NotRun,      // the run has not reached it (yet): no figures
    Measured,    // the chip measurement ran and gave its figures
    Failed,      // the chip measurement was due but measured nothing: NaN figures, "Test Fail"
    MeterOnly,   // no chip measurement was asked for: NaN figures
};

// What a run has measured so far. Index s holds step s; a failed step holds NaN figures.
struct TempResults {
    std::vector<AnalysisResults> steps = std::vector<AnalysisResults>(kTempTableSize);
    std::vector<TempStepState> state = std::vector<TempStepState>(kTempTableSize, TempStepState::NotRun);
    // Meter readings and their unit texts (Big5 bytes), per channel and step.
    std::array<std::vector<double>, kMeterChannels> meter;
    std::array<std::vector<QByteArray>, kMeterChannels> meterUnit;
    TempResults()
    {
        for (auto &m : meter)
            m.assign(kTempTableSize, 0.0);
        for (auto &u : meterUnit)
            u.assign(kTempTableSize, QByteArray());
    }
};

// Forgets every figure and reading: each step is not run.
void ClearTempResults(TempResults &results);

// The summary: the "Test #" line, the header line and one line per step 1..stepCount (twice
// each when `doubled`), CR LF line ends, figures "%f". A step without figures of this run has
// NaN figures followed by what became of it (", Test Fail", ", not run", ", no chip
// measurement"): a reader that takes the eight numbers of a line and skips the rest still reads
// every line. `lastLine`, when given, ends the file (the run's state: running, finished,
// stopped).
QByteArray SummaryFileBytes(const TempResults &results, int stepCount, bool doubled,
                            const QByteArray &lastLine = {});
// The meter log: the header line and one line per step with the six channels' readings; a step
// not reached ends with ", not run". `lastLine` as above.
QByteArray MeterFileBytes(const TempResults &results, int stepCount, const QByteArray &lastLine = {});

// A reading in the pattern "#####.########": no leading zero, at most eight decimals, no trailing
// zeros, no point without decimals (0 gives an empty text, 0.5 gives ".5").
QByteArray MeterReadingText(double value);
// The unit of a reading from the meter's two status bytes, the three symbols in Big5.
QByteArray MeterUnitText(uint8_t statusA, uint8_t statusB);
// The stored reading of four: sorted, the mean of the middle two.
double MiddleMean(std::array<double, 4> readings);

} // namespace vek
