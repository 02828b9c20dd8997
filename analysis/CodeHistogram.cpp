#include "analysis/CodeHistogram.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vek {

CodeHistogram BuildCodeHistogram(std::span<const double> codes, int maxBins)
{
    CodeHistogram h;
    maxBins = std::max(maxBins, 1);
    double lo = 0, hi = 0, sum = 0;
    for (double v : codes) {
        if (!std::isfinite(v))
            continue;
        const double c = std::nearbyint(v);
        lo = h.total == 0 ? c : std::min(lo, c);
        hi = h.total == 0 ? c : std::max(hi, c);
        sum += v;
        ++h.total;
    }
    if (h.total == 0)
        return h;
    h.mean = sum / double(h.total);
    double dev = 0;
    for (double v : codes)
        if (std::isfinite(v))
            dev += (v - h.mean) * (v - h.mean);
    h.sigma = std::sqrt(dev / double(h.total));

    // Whole codes per bin, as few as give at most maxBins bins; bin centres on codes.
    const double range = hi - lo + 1;
    h.binWidth = std::max(1.0, std::ceil(range / maxBins));
    const size_t bins = size_t(std::ceil(range / h.binWidth));
    h.firstCode = lo - 0.5;
    h.counts.assign(bins, 0);
    for (double v : codes) {
        if (!std::isfinite(v))
            continue;
        const double c = std::nearbyint(v);
        const size_t bin = std::min(size_t((c - lo) / h.binWidth), bins - 1);
        ++h.counts[bin];
        const double distance = std::abs(v - h.mean);
        if (h.sigma > 0 && distance > 3 * h.sigma)
            ++h.beyond3Sigma;
        if (h.sigma > 0 && distance > 6 * h.sigma)
            ++h.beyond6Sigma;
    }

    h.gaussian.resize(bins);
    for (size_t b = 0; b < bins; ++b) {
        if (h.sigma > 0) {
            // The bin's share of the normal distribution, from its edges.
            const double a = (h.firstCode + double(b) * h.binWidth - h.mean) / (h.sigma * std::numbers::sqrt2);
            const double z = (h.firstCode + double(b + 1) * h.binWidth - h.mean) / (h.sigma * std::numbers::sqrt2);
            h.gaussian[b] = double(h.total) * 0.5 * (std::erf(z) - std::erf(a));
        } else {
            h.gaussian[b] = double(h.counts[b]);
        }
    }
    return h;
}

} // namespace vek
