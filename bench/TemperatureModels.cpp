#include "bench/TemperatureModels.h"

#include "instruments/GridCellRoles.h"

namespace vek {

RegisterStepModel::RegisterStepModel(RegisterStepTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

int RegisterStepModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.Steps() + 1;
}

int RegisterStepModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RegisterStepTable::kColumns;
}

QVariant RegisterStepModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole: // the narrow register columns cut off a long text
        return m_table.Cell(row, column);
    case kCellMaxLengthRole:
        return column <= RegisterStepTable::kRegisterColumns
                   ? RegisterStepTable::kRegisterFieldWidth
                   : RegisterStepTable::kStepFieldWidth;
    case kCellHexOnlyRole:
        return column >= 1 && column <= RegisterStepTable::kRegisterColumns;
    case kCellFixedRole:
        return RegisterStepTable::IsLabel(row, column);
    default:
        return {};
    }
}

bool RegisterStepModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    if (!m_table.SetCell(index.row(), index.column(), value.toString()))
        return false;
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags RegisterStepModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return RegisterStepTable::IsLabel(index.row(), index.column()) ? base
                                                                   : base | Qt::ItemIsEditable;
}

void RegisterStepModel::Change(const std::function<void(RegisterStepTable &)> &change)
{
    beginResetModel();
    change(m_table);
    endResetModel();
}

StepResultModel::StepResultModel(const StepResultGrid &grid, QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(grid.Rows()), m_columns(grid.Columns()),
      m_revision(grid.Revision())
{
}

int StepResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int StepResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant StepResultModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_grid.Cell(index.row(), index.column());
    case kCellFixedRole:
        return index.row() == 0 || index.column() == 0;
    default:
        return {};
    }
}

void StepResultModel::Refresh()
{
    if (m_grid.Rows() != m_rows || m_grid.Columns() != m_columns) {
        beginResetModel();
        m_rows = m_grid.Rows();
        m_columns = m_grid.Columns();
        m_revision = m_grid.Revision();
        endResetModel();
        return;
    }
    if (m_grid.Revision() == m_revision)
        return;
    m_revision = m_grid.Revision();
    emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
}

} // namespace vek
