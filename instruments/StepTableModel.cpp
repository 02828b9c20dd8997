#include "instruments/StepTableModel.h"

#include "instruments/GridCellRoles.h"

namespace vek {

StepTableModel::StepTableModel(StepTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

int StepTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.Rows();
}

int StepTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant StepTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int step = index.row() + 1;
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        if (column == kNumberColumn)
            return QString::number(step);
        return column == kMarkerColumn ? m_table.Marker(step) : m_table.Command(step);
    case kCellMaxLengthRole:
        return column == kMarkerColumn ? kStepMarkerLength : kMaxCommandLength;
    case kCellFixedRole:
        return column == kNumberColumn;
    default:
        return {};
    }
}

bool StepTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const int step = index.row() + 1;
    const QString text = value.toString();
    bool ok = false;
    if (index.column() == kMarkerColumn)
        ok = m_table.SetMarker(step, text);
    else if (index.column() == kCommandColumn)
        ok = m_table.SetCommand(step, text);
    if (ok)
        emit dataChanged(index, index);
    return ok;
}

Qt::ItemFlags StepTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == kNumberColumn ? base : base | Qt::ItemIsEditable;
}

QVariant StepTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    switch (section) {
    case kNumberColumn:
        return QStringLiteral("序號");
    case kMarkerColumn:
        return QStringLiteral("Step");
    case kCommandColumn:
        return QStringLiteral("輸入值");
    default:
        return {};
    }
}

void StepTableModel::Change(const std::function<void(StepTable &)> &change)
{
    beginResetModel();
    change(m_table);
    endResetModel();
}

} // namespace vek
