#pragma once
// The cell editor and look shared by the editable tables: an entry is limited to what its cell
// takes (length, hexadecimal digits), and fixed label cells are drawn like headers.
#include <QStyledItemDelegate>

class QTableView;

namespace vek {

class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    // Text as a string grid draws it: two pixels in from the left, cut off at the cell's edge
    // rather than shortened to an ellipsis, so a narrow column still shows what fits.
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

// Sets a grid up the way the program's string grids behave: fixed row height, fixed column
// widths, cells edited in place (by typing, F2 or a double click), ranges selectable.
void SetUpStringGrid(QTableView *grid, int rowHeight);

} // namespace vek
