#pragma once
// The in-place editor of the hexadecimal grids: takes only hexadecimal digits (upper-cased) and
// holds at most a given number of them, either refusing further digits or keeping the last ones.
#include "views/RegisterView.h"

#include <QLineEdit>
#include <QStyledItemDelegate>

namespace vek {

class HexCellDelegate : public QStyledItemDelegate {
public:
    HexCellDelegate(int digits, bool keepLast, QObject *parent)
        : QStyledItemDelegate(parent), m_digits(digits), m_keepLast(keepLast)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *e = new QLineEdit(parent);
        e->setAlignment(Qt::AlignCenter);
        e->setFrame(false);
        const int digits = m_digits;
        const bool keepLast = m_keepLast;
        if (!keepLast)
            e->setMaxLength(digits);
        QObject::connect(e, &QLineEdit::textEdited, e, [e, digits, keepLast](const QString &text) {
            QString clean = KeepLastDigits(text, keepLast ? digits : int(text.size()));
            if (!keepLast)
                clean = clean.left(digits);
            if (clean != text)
                e->setText(clean);
        });
        return e;
    }
    // The editor starts empty: what is typed replaces the value shown.
    void setEditorData(QWidget *, const QModelIndex &) const override {}
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
    }

private:
    int m_digits;
    bool m_keepLast;
};

} // namespace vek
