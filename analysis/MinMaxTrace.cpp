#include "analysis/MinMaxTrace.h"

#include <algorithm>

namespace vek {

void MinMaxTrace::Add(int32_t code)
{
    if (m_inOpen == 0) {
        m_open = {m_count, code, code};
    } else {
        m_open.lowest = std::min(m_open.lowest, code);
        m_open.highest = std::max(m_open.highest, code);
    }
    ++m_count;
    if (++m_inOpen < m_span)
        return;
    m_done.push_back(m_open);
    m_inOpen = 0;
    if (int(m_done.size()) < kBuckets)
        return;
    // Full: pairs merge into buckets of twice the length.
    std::vector<Bucket> merged;
    merged.reserve(kBuckets / 2);
    for (size_t k = 0; k + 1 < m_done.size(); k += 2)
        merged.push_back({m_done[k].firstSample, std::min(m_done[k].lowest, m_done[k + 1].lowest),
                          std::max(m_done[k].highest, m_done[k + 1].highest)});
    m_done = std::move(merged);
    m_span *= 2;
}

std::vector<MinMaxTrace::Bucket> MinMaxTrace::Buckets() const
{
    std::vector<Bucket> all = m_done;
    if (m_inOpen > 0)
        all.push_back(m_open);
    return all;
}

} // namespace vek
