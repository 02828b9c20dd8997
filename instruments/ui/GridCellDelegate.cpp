#include "instruments/ui/GridCellDelegate.h"

#include "instruments/GridCellRoles.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>

namespace vek {

QWidget *GridCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return editor;
    const QVariant maxLength = index.data(kCellMaxLengthRole);
    if (maxLength.isValid())
        line->setMaxLength(maxLength.toInt());
    if (index.data(kCellHexOnlyRole).toBool()) {
        static const QRegularExpression hex(QStringLiteral("[0-9A-Fa-f]*"));
        line->setValidator(new QRegularExpressionValidator(hex, line));
    }
    return line;
}

void GridCellDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(kCellFixedRole).toBool())
        option->backgroundBrush = option->palette.button();
}

void SetUpStringGrid(QTableView *grid, int rowHeight)
{
    grid->setItemDelegate(new GridCellDelegate(grid));
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setWordWrap(false);
    QHeaderView *rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(rowHeight);
    rows->setDefaultSectionSize(rowHeight);
    QHeaderView *columns = grid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setMinimumSectionSize(10);
    columns->setHighlightSections(false);
}

} // namespace vek
