#pragma once
// The channel switch test's result grid as an item model: one column per sample of a loop and one
// row per loop, both headed 1, 2, ...; a cell shows a result in decimal once it is shown, and is
// empty after the grid was cleared.
#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

namespace vek {

class SwitchGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // S data columns and L data rows (at least one of each); the cells keep what they showed
    // where they still exist.
    void SetShape(int samples, int loops);
    // Shows the first count results (cell j at column j mod S, row j div S).
    void ShowResults(const std::vector<int32_t> &results, int count);
    // Empties every cell.
    void Clear();
    // The text of a data cell (row and column from 0), empty when it shows nothing.
    QString CellText(int row, int column) const;

private:
    int m_columns = 1, m_rows = 1;
    std::vector<int32_t> m_values = std::vector<int32_t>(1, 0);
    std::vector<bool> m_shown = std::vector<bool>(1, false);
};

} // namespace vek
