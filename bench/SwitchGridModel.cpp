#include "bench/SwitchGridModel.h"

#include <algorithm>

namespace vek {

int SwitchGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int SwitchGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columns; }

QString SwitchGridModel::CellText(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return {};
    const size_t i = size_t(row) * size_t(m_columns) + size_t(column);
    return m_shown[i] ? QString::number(m_values[i]) : QString();
}

QVariant SwitchGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const QString text = CellText(index.row(), index.column());
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant SwitchGridModel::headerData(int section, Qt::Orientation, int role) const
{
    if (role == Qt::DisplayRole)
        return QString::number(section + 1);
    return {};
}

void SwitchGridModel::SetShape(int samples, int loops)
{
    const int columns = std::max(samples, 1), rows = std::max(loops, 1);
    if (columns == m_columns && rows == m_rows)
        return;
    beginResetModel();
    std::vector<int32_t> values(size_t(columns) * size_t(rows), 0);
    std::vector<bool> shown(values.size(), false);
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(columns, m_columns); ++c) {
            values[size_t(r * columns + c)] = m_values[size_t(r * m_columns + c)];
            shown[size_t(r * columns + c)] = m_shown[size_t(r * m_columns + c)];
        }
    m_columns = columns;
    m_rows = rows;
    m_values.swap(values);
    m_shown.swap(shown);
    endResetModel();
}

void SwitchGridModel::ShowResults(const std::vector<int32_t> &results, int count)
{
    count = std::min({count, int(results.size()), m_columns * m_rows});
    for (int j = 0; j < count; ++j) {
        m_values[size_t(j)] = results[size_t(j)];
        m_shown[size_t(j)] = true;
    }
    if (count > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
}

void SwitchGridModel::Clear()
{
    std::fill(m_shown.begin(), m_shown.end(), false);
    emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
}

} // namespace vek
