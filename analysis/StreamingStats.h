#pragma once
// The figures of a capture of any length in constant memory: exact running sums of the scaled
// codes (mean, RMS value, sigma), the lowest and highest code, a code histogram whose bins widen
// as the codes spread, and the overlapping Allan deviation at octave-spaced averaging times. Fed a
// block of codes at a time; nothing grows with the record.
#include "analysis/Statistics.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vek {

struct AllanPoint {
    int64_t tauSamples = 0; // averaging time in samples
    double adevCodes = 0;   // Allan deviation in codes
    int64_t terms = 0;      // second differences it averages
};

class StreamingStats {
public:
    static constexpr int kHistogramBins = 1024;
    static constexpr int kAllanLevels = 31;   // tau = 1, 2, 4, ... 2^30 samples
    static constexpr int kAllanStrideSpan = 1024; // second differences per tau kept overlapping

    // width: the result width the codes are scaled to (8..24), as the specified figures are.
    explicit StreamingStats(int width = 24);

    void Add(std::span<const int32_t> codes);
    void Add(int32_t code);

    int64_t Count() const { return m_count; }
    double Mean() const;      // of the scaled codes
    double RmsValue() const;  // of the scaled codes
    double Sigma() const;     // population standard deviation of the scaled codes
    int32_t Lowest() const { return m_lowest; }
    int32_t Highest() const { return m_highest; }
    // The specified figures from the running values.
    Figures CurrentFigures(const MeasureSettings &settings) const;

    // Overlapping Allan deviation at tau = 2^k samples up to a tenth of the record (in codes of the
    // raw width). For tau above kAllanStrideSpan samples the differences start every tau / 1024
    // samples instead of every sample.
    std::vector<AllanPoint> Allan() const;

    // The histogram of the raw codes: bin k holds codes firstCode + k * binWidth .. + binWidth - 1.
    int64_t HistogramFirstCode() const { return m_histFirst; }
    int64_t HistogramBinWidth() const { return m_histWidth; }
    const std::array<int64_t, kHistogramBins> &Histogram() const { return m_hist; }

private:
    struct AllanLevel {
        int64_t tau = 1;
        int64_t stride = 1;
        std::vector<long double> ring; // cumulative sums every stride samples, 2 tau / stride + 1 of them
        size_t head = 0;
        size_t filled = 0;
        long double sum = 0;
        int64_t terms = 0;
    };
    void AddToHistogram(int32_t code);

    int m_width;
    int32_t m_divisor;
    int64_t m_count = 0;
    __extension__ __int128 m_sum = 0;   // of the scaled codes
    __extension__ __int128 m_sumSq = 0; // of their squares
    int32_t m_lowest = 0, m_highest = 0;
    std::array<int64_t, kHistogramBins> m_hist{};
    int64_t m_histFirst = 0, m_histWidth = 1;
    int32_t m_first = 0;      // the first raw code: the cumulative sums run about it
    long double m_cumulative = 0;
    std::vector<AllanLevel> m_levels;
};

} // namespace vek
