#include "analysis/SampleStore.h"

#include "app/base/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vek {

void SampleGrid::Clear(int i)
{
    if (!InRange(i))
        return;
    m_kind[i] = Kind::Empty;
    m_value[i] = 0.0;
}

void SampleGrid::ClearRange(int first, int count)
{
    const int from = std::clamp(first, 0, kSampleCapacity);
    const int to = std::clamp(first + std::max(count, 0), from, kSampleCapacity);
    std::fill(m_kind.begin() + from, m_kind.begin() + to, Kind::Empty);
    std::fill(m_value.begin() + from, m_value.begin() + to, 0.0);
}

void SampleGrid::SetInteger(int i, int64_t v)
{
    if (!InRange(i))
        return;
    m_kind[i] = Kind::Integer;
    m_value[i] = static_cast<double>(v);
}

void SampleGrid::SetFixed(int i, double v)
{
    if (!InRange(i))
        return;
    // The kept value is what the six-decimal text says.
    double kept = v;
    ParsePointNumber(FixedText(v), kept);
    m_kind[i] = Kind::Fixed;
    m_value[i] = kept;
}

QString SampleGrid::Text(int i) const
{
    switch (CellKind(i)) {
    case Kind::Empty:
        return QString();
    case Kind::Integer:
        return QString::number(static_cast<int64_t>(m_value[i]));
    case Kind::Fixed:
        return FixedQText(m_value[i]);
    }
    return QString();
}

} // namespace vek
