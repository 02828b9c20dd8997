#include "analysis/ChartData.h"

#include <algorithm>
#include <cmath>

namespace vek {

ChartContent BuildChart(const SampleStore &store, int count, bool frequencyView, bool filtered)
{
    ChartContent c;
    count = std::clamp(count, 0, kSampleCapacity);
    const int half = count / 2;
    if (frequencyView) {
        c.title = QStringLiteral("Frequence Domain");
        c.bottomTitle = QStringLiteral("Frequence  Hz");
        c.leftTitle = QStringLiteral("dB");
        c.bottomMin = 0;
        c.bottomMax = store.BinSpacingHz * std::max(half, 1);
        c.bottomIncrement = store.BinSpacingHz;
        c.pointsPerPage = half;
        c.x.resize(half);
        c.y.resize(half);
        for (int k = 0; k < half; ++k) {
            c.x[k] = k * store.BinSpacingHz;
            c.y[k] = store.SpectrumDb[k];
        }
        return c;
    }
    c.title = QStringLiteral("Time Domain");
    c.bottomTitle = QStringLiteral("Time  ms");
    c.leftTitle = QStringLiteral("Degree");
    c.bottomMin = 0;
    // A capture that took no measurable time (or whose clock went back) still spreads its points:
    // one per millisecond, never an axis of zero width or one that is not a number.
    const double spanMs = std::isfinite(store.ElapsedMs) && store.ElapsedMs > 0 ? store.ElapsedMs
                                                                               : double(std::max(count, 1));
    c.bottomMax = spanMs;
    c.bottomIncrement = count > 0 ? spanMs / count : 0;
    c.pointsPerPage = count;
    c.x.resize(count);
    c.y.resize(count);
    const std::vector<double> &source = filtered ? store.CombSamples : store.RawSamples;
    const int64_t divisor = store.ScaleDivisor > 0 ? store.ScaleDivisor : 1;
    for (int k = 0; k < count; ++k) {
        const double v = source[k];
        const int64_t floored =
            std::isfinite(v) ? static_cast<int64_t>(std::floor(std::clamp(v, -1e15, 1e15))) : 0;
        // A code still in its unsigned 24-bit form counts as negative.
        const int64_t y = v >= 8388608.0 ? -((16777216 - floored) / divisor) : floored / divisor;
        c.x[k] = k * spanMs / count;
        c.y[k] = static_cast<double>(y);
    }
    return c;
}

} // namespace vek
