#include "analysis/StreamingStats.h"

#include "analysis/Capture.h"

#include <algorithm>
#include <cmath>

namespace vek {

StreamingStats::StreamingStats(int width)
    : m_width(std::clamp(width, 8, 24)), m_divisor(int32_t(1) << (24 - m_width))
{
    m_levels.resize(kAllanLevels);
    for (int k = 0; k < kAllanLevels; ++k) {
        AllanLevel &l = m_levels[size_t(k)];
        l.tau = int64_t(1) << k;
        l.stride = std::max<int64_t>(1, l.tau / kAllanStrideSpan);
        l.ring.assign(size_t(2 * (l.tau / l.stride) + 1), 0.0L);
    }
}

void StreamingStats::Add(std::span<const int32_t> codes)
{
    for (int32_t c : codes)
        Add(c);
}

void StreamingStats::Add(int32_t code)
{
    if (m_count == 0) {
        m_first = code;
        m_lowest = m_highest = code;
        m_histFirst = code - kHistogramBins / 2;
    }
    const int64_t scaled = ScaleTowardZero(code, m_divisor);
    m_sum += scaled;
    m_sumSq += static_cast<__int128>(scaled) * scaled;
    m_lowest = std::min(m_lowest, code);
    m_highest = std::max(m_highest, code);
    AddToHistogram(code);

    // Cumulative sums about the first code; x(i) is the sum of the first i codes.
    const int64_t i = m_count; // cumulative sum before this code is x(i)
    for (AllanLevel &l : m_levels) {
        if (i % l.stride != 0)
            continue;
        l.ring[l.head] = m_cumulative;
        l.head = (l.head + 1) % l.ring.size();
        if (l.filled < l.ring.size())
            ++l.filled;
        if (l.filled == l.ring.size()) {
            // Oldest x(j), x(j + tau), newest x(j + 2 tau).
            const size_t n = l.ring.size(), step = size_t(l.tau / l.stride);
            const long double oldest = l.ring[l.head % n];
            const long double middle = l.ring[(l.head + step) % n];
            const long double newest = l.ring[(l.head + n - 1) % n];
            const long double d = newest - 2 * middle + oldest;
            l.sum += d * d;
            ++l.terms;
        }
    }
    m_cumulative += code - m_first;
    ++m_count;
}

void StreamingStats::AddToHistogram(int32_t code)
{
    // Widen the bins (merging pairs) until the code falls inside.
    while (code < m_histFirst || code >= m_histFirst + int64_t(kHistogramBins) * m_histWidth) {
        const int64_t width = m_histWidth * 2;
        // Keep the bins aligned to the new width, centred on what has been seen.
        const int64_t lowest = std::min<int64_t>(code, m_histFirst);
        const int64_t first = lowest - (((lowest % width) + width) % width);
        std::array<int64_t, kHistogramBins> merged{};
        for (int k = 0; k < kHistogramBins; ++k) {
            if (m_hist[size_t(k)] == 0)
                continue;
            const int64_t at = (m_histFirst + k * m_histWidth - first) / width;
            merged[size_t(std::clamp<int64_t>(at, 0, kHistogramBins - 1))] += m_hist[size_t(k)];
        }
        m_hist = merged;
        m_histFirst = first;
        m_histWidth = width;
    }
    ++m_hist[size_t((code - m_histFirst) / m_histWidth)];
}

double StreamingStats::Mean() const
{
    return m_count ? double(static_cast<long double>(m_sum) / m_count) : 0.0;
}

double StreamingStats::RmsValue() const
{
    return m_count ? double(std::sqrt(static_cast<long double>(m_sumSq) / m_count)) : 0.0;
}

double StreamingStats::Sigma() const
{
    if (m_count == 0)
        return 0;
    // Exact in integers: n^2 variance = n sum(x^2) - sum(x)^2.
    const __int128 n = m_count;
    const __int128 scaled = n * m_sumSq - m_sum * m_sum;
    return double(std::sqrt(static_cast<long double>(scaled)) / m_count);
}

Figures StreamingStats::CurrentFigures(const MeasureSettings &settings) const
{
    return FiguresFromMoments(Mean(), RmsValue(), Sigma(), m_lowest, m_highest, m_width - 1, m_divisor, settings);
}

std::vector<AllanPoint> StreamingStats::Allan() const
{
    std::vector<AllanPoint> out;
    for (const AllanLevel &l : m_levels) {
        if (l.terms == 0 || l.tau * 10 > m_count)
            break;
        const long double avar = l.sum / (2.0L * l.tau * l.tau * l.terms);
        out.push_back({l.tau, double(std::sqrt(avar)), l.terms});
    }
    return out;
}

} // namespace vek
