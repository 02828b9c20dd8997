#pragma once
// A step table as the grid of its window: columns "序號" (the step number, fixed), "Step" (the
// marker) and "輸入值" (the command); one row per step.
#include "instruments/StepTable.h"

#include <QAbstractTableModel>
#include <functional>

namespace vek {

class StepTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kNumberColumn, kMarkerColumn, kCommandColumn, kColumnCount };

    explicit StepTableModel(StepTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Runs a change of the table made outside the grid, and shows the table anew.
    void Change(const std::function<void(StepTable &)> &change);

private:
    StepTable &m_table;
};

} // namespace vek
