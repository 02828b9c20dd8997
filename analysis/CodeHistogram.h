#pragma once
// How often each code (or run of codes) occurs in a capture, with the Gaussian of the measured
// mean and sigma and the counts far out in the tails.
#include <cstdint>
#include <span>
#include <vector>

namespace vek {

struct CodeHistogram {
    double firstCode = 0;  // lower edge of bin 0
    double binWidth = 1;   // codes per bin: 1, or more so that there are at most maxBins bins
    std::vector<uint32_t> counts;
    int64_t total = 0;
    double mean = 0;
    double sigma = 0;      // population standard deviation
    int64_t beyond3Sigma = 0; // samples farther than 3 sigma from the mean
    int64_t beyond6Sigma = 0;
    // The expected count per bin of a Gaussian with that mean and sigma, at each bin's centre.
    std::vector<double> gaussian;

    double BinCentre(size_t bin) const { return firstCode + (double(bin) + 0.5) * binWidth; }
};

// Codes are taken to the nearest integer before counting; non-finite values are left out.
CodeHistogram BuildCodeHistogram(std::span<const double> codes, int maxBins = 512);

} // namespace vek
