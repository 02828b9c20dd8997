#pragma once
// The value grid as an item model over the sample store: 16 columns headed "00" .. "0F", one row
// per 16 samples headed with the row number in four hexadecimal digits. Cells are read from the
// store on demand, so 65,536 samples cost no item objects.
#include "analysis/SampleStore.h"

#include <QAbstractTableModel>

namespace vek {

class SampleGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SampleGridModel(const SampleStore &store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The number of data rows (one per 16 samples of the target count, at least one).
    void SetRows(int rows);
    // Cells of samples [first, first + count) changed.
    void SamplesChanged(int first, int count);
    // Every cell may have changed.
    void AllChanged();
    // The most characters of any cell text shown (since every cell last changed).
    int WidestText() const { return m_widest; }

signals:
    // A cell's text is longer than any before it: columns may need to grow.
    void widestTextChanged(int chars);

private:
    void Widen(int first, int count, bool fresh);

    const SampleStore &m_store;
    int m_rows = 1;
    int m_widest = 0;
};

// The grid's column width: a share of the grid's width, but never narrower than the widest text.
int GridColumnWidth(int gridWidth, int widestTextPixels);

} // namespace vek
