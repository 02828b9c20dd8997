#include "analysis/SampleGridModel.h"

#include "app/base/NumberText.h"

#include <algorithm>

namespace vek {

SampleGridModel::SampleGridModel(const SampleStore &store, QObject *parent)
    : QAbstractTableModel(parent), m_store(store)
{
}

int SampleGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SampleGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : SampleGrid::kColumns;
}

QVariant SampleGridModel::data(const QModelIndex &index, int role) const
{
    // The tool tip repeats the value: at the window's default size a column is narrower than a
    // five-digit value.
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const int i = index.row() * SampleGrid::kColumns + index.column();
    if (i >= m_store.grid.Capacity())
        return {};
    return m_store.grid.Text(i);
}

QVariant SampleGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return {};
    return FormatHex(section, orientation == Qt::Horizontal ? 2 : 4);
}

void SampleGridModel::SetRows(int rows)
{
    rows = std::clamp(rows, 1, kSampleCapacity / SampleGrid::kColumns);
    if (rows == m_rows)
        return;
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void SampleGridModel::SamplesChanged(int first, int count)
{
    if (count <= 0)
        return;
    const int firstRow = std::max(first, 0) / SampleGrid::kColumns;
    const int lastRow = std::min((first + count - 1) / SampleGrid::kColumns, m_rows - 1);
    if (firstRow > lastRow)
        return;
    Widen(first, count, false);
    emit dataChanged(index(firstRow, 0), index(lastRow, SampleGrid::kColumns - 1),
                     {Qt::DisplayRole});
}

void SampleGridModel::AllChanged()
{
    Widen(0, m_rows * SampleGrid::kColumns, true);
    emit dataChanged(index(0, 0), index(m_rows - 1, SampleGrid::kColumns - 1), {Qt::DisplayRole});
}

void SampleGridModel::Widen(int first, int count, bool fresh)
{
    const int end = std::min(first + count, std::min(m_rows * SampleGrid::kColumns, m_store.grid.Capacity()));
    int widest = fresh ? 0 : m_widest;
    for (int i = std::max(first, 0); i < end; ++i)
        if (!m_store.grid.IsEmpty(i))
            widest = std::max(widest, int(m_store.grid.Text(i).size()));
    const bool grew = widest > m_widest;
    const bool changed = widest != m_widest;
    m_widest = widest;
    if (grew || (fresh && changed))
        emit widestTextChanged(m_widest);
}

int GridColumnWidth(int gridWidth, int widestTextPixels)
{
    constexpr int kCellPadding = 8; // the cell's margins and grid line
    return std::max({(gridWidth - 35) / 17, widestTextPixels + kCellPadding, 1});
}

} // namespace vek
