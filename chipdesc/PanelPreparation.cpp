#include "chipdesc/PanelPreparation.h"

namespace vek {

const ControlPrep *ControlPreps::Find(const QString &name) const
{
    const auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : &it->second;
}

void NameGrid::SetRowCount(int rows)
{
    m_rows.resize(static_cast<size_t>(std::max(rows, 0)));
}

QString NameGrid::Cell(int column, int row) const
{
    if (column < 0 || column >= kColumns || row < 0 || row >= RowCount())
        return QString();
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void NameGrid::SetCell(int column, int row, const QString &text)
{
    if (column < 0 || column >= kColumns || row < 0 || row >= RowCount())
        return;
    m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
}

void NameGrid::ClearRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    m_rows[static_cast<size_t>(row)] = {};
}

} // namespace vek
