#include "bench/StepResultGrid.h"

#include "instruments/StepTable.h"

#include <algorithm>

namespace vek {

StepResultGrid::StepResultGrid()
{
    Prepare(kDefaultStepCount);
}

QString StepResultGrid::Cell(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return {};
    return m_cells[size_t(row * m_columns + column)];
}

void StepResultGrid::Prepare(int steps)
{
    steps = std::clamp(steps, 0, kMaxStepCount);
    m_columns = std::min(steps, kStepsPerRow) + 1;
    m_rows = steps / kStepsPerRow + 2;
    m_cells.assign(size_t(m_rows * m_columns), QString());
    for (int column = 1; column < m_columns; ++column)
        m_cells[size_t(column)] = QStringLiteral("D - %1").arg(column);
    ++m_revision;
}

void StepResultGrid::SetStepText(int step, const QString &text)
{
    if (step < 1)
        return;
    const int row = (step - 1) / kStepsPerRow + 1;
    const int column = (step - 1) % kStepsPerRow + 1;
    if (row >= m_rows || column >= m_columns)
        return;
    m_cells[size_t(row * m_columns + column)] = text;
    ++m_revision;
}

} // namespace vek
