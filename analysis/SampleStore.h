#pragma once
// The sample arrays of a capture, the state of the running or last capture, the grid cells that
// show the samples, and the figures of the last analysis.
#include <QString>
#include <cstdint>
#include <array>
#include <vector>

namespace vek {

constexpr int kSampleCapacity = 65536;

// The 16-column value grid of the analysis window, kept as data: sample i sits in column i mod 16,
// data row i div 16. A cell is empty, holds an integer written in decimal, or a fraction written
// with six decimals. The value kept is exactly what reading the cell's text back gives, so the
// statistics that read the grid see the same numbers the user sees.
class SampleGrid {
public:
    enum class Kind : uint8_t { Empty, Integer, Fixed };
    static constexpr int kColumns = 16;

    SampleGrid() : m_value(kSampleCapacity, 0.0), m_kind(kSampleCapacity, Kind::Empty) {}

    int Capacity() const { return kSampleCapacity; }
    void Clear(int i);
    void ClearRange(int first, int count);
    void SetInteger(int i, int64_t v);
    // Written "%f"; the kept value is the six-decimal text read back.
    void SetFixed(int i, double v);

    Kind CellKind(int i) const { return InRange(i) ? m_kind[i] : Kind::Empty; }
    bool IsEmpty(int i) const { return CellKind(i) == Kind::Empty; }
    // The number the cell's text reads as; 0 for an empty cell.
    double Value(int i) const { return InRange(i) ? m_value[i] : 0.0; }
    QString Text(int i) const;

private:
    static bool InRange(int i) { return i >= 0 && i < kSampleCapacity; }
    std::vector<double> m_value;
    std::vector<Kind> m_kind;
};

struct SampleStore {
    // Code of each kept sample (after averaging: the block mean), the transform input and
    // output, the spectrum in dB, first differences and the comb-filtered view.
    std::vector<double> RawSamples = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> FftRe = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> FftIm = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> SpectrumDb = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> DiffSamples = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> CombSamples = std::vector<double>(kSampleCapacity, 0.0);
    // Second copy of each kept code; averaging always starts again from here.
    std::vector<double> SampleItems = std::vector<double>(kSampleCapacity + 1, 0.0);
    SampleGrid grid;

    // Settings chosen in the analysis window.
    int32_t TargetCount = 256;
    int32_t ScaleDivisor = 1; // 2^(24 - width)
    int32_t MagnitudeBits = 23; // width - 1
    bool FrequencyView = false;

    // The running or last capture.
    int32_t SampleCount = 0;
    bool CaptureIdle = true; // setting it while a capture runs asks the capture to stop
    double StartTime = 0;    // days, on the context's clock
    double ElapsedMs = 0;
    double BinSpacingHz = 1.0;
    double runningSum = 0;        // of the scaled values
    long double runningSumSq = 0; // of the squared scaled values
    int64_t receivedCount = 0;    // samples received, the dropped ones included
    // The first samples of a streamed capture, which are not kept: a copy of the whole stream
    // (to replay it) needs them.
    std::array<int32_t, 6> droppedCodes{};
    uint8_t pendingBytes[2] = {0, 0}; // bytes of a sample split across two blocks
    int pendingCount = 0;

    // Figures of the last analysis and what the chart refers to.
    int32_t ChartCount = 0;
    double mean = 0;
    long double rmsValue = 0;
};

// The last figures of any analysis, in the order the result files list them.
struct AnalysisResults {
    double mean = 0, vppNv = 0, rmsNv = 0, enob = 0, vppCount = 0, sigma = 0, noiseFree = 0;
};

} // namespace vek
