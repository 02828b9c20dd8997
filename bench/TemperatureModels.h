#pragma once
// The temperature test's two grids as item models: the register step table (`RegChg`, editable,
// with its labels as fixed cells) and the result grid (`TMPData`, read-only, repainted on a timer).
#include "bench/RegisterSteps.h"
#include "bench/StepResultGrid.h"

#include <QAbstractTableModel>
#include <functional>

namespace vek {

class RegisterStepModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RegisterStepModel(RegisterStepTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Runs a change of the table made outside the grid, and shows the table anew.
    void Change(const std::function<void(RegisterStepTable &)> &change);

private:
    RegisterStepTable &m_table;
};

class StepResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StepResultModel(const StepResultGrid &grid, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Shows what the grid holds now (a run writes the grid directly); nothing happens when the
    // grid has not changed since the last refresh.
    void Refresh();

private:
    const StepResultGrid &m_grid;
    int m_rows = 0;
    int m_columns = 0;
    unsigned m_revision = 0;
};

} // namespace vek
