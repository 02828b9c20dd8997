#pragma once
// The sample arrays of a capture and the figures of the last analysis.
#include <cstdint>
#include <vector>

namespace vek {

constexpr int kSampleCapacity = 65536;

struct SampleStore {
    std::vector<int32_t> RawSamples = std::vector<int32_t>(kSampleCapacity, 0);
    std::vector<double> FftRe = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> FftIm = std::vector<double>(kSampleCapacity, 0.0);
    std::vector<double> SpectrumDb = std::vector<double>(kSampleCapacity, 0.0);
    int32_t TargetCount = 256;
    int32_t ScaleDivisor = 1;
    int32_t MagnitudeBits = 24;
};

// The last figures of any analysis, in the order the result files list them.
struct AnalysisResults {
    double mean = 0, vppNv = 0, rmsNv = 0, enob = 0, vppCount = 0, sigma = 0, noiseFree = 0;
};

} // namespace vek
