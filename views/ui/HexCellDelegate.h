#pragma once
// The in-place editor of the hexadecimal grids: takes only hexadecimal digits (upper-cased) and
// holds at most a given number of them, either refusing further digits or keeping the last ones.
// The editor remembers what its cell stood for when it opened (the model's Qt::UserRole: an
// address or a record), so a text committed after the grid moved on still goes there; the model
// receives the text and that key as a list under Qt::UserRole.
#include "views/RegisterView.h"

#include <QLineEdit>
#include <QStyledItemDelegate>

namespace vek {

// An editor that adds the first key to the text it opened with, where the view would have that
// text selected (and so replaced) when it passes the key on.
class AppendingLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_first) {
            m_first = false;
            deselect();
            end(false);
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    bool m_first = true;
};

class HexCellDelegate : public QStyledItemDelegate {
public:
    HexCellDelegate(int digits, bool keepLast, QObject *parent)
        : QStyledItemDelegate(parent), m_digits(digits), m_keepLast(keepLast)
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        QLineEdit *e = m_keepLast ? new AppendingLineEdit(parent) : new QLineEdit(parent);
        e->setProperty("cellKey", index.data(Qt::UserRole));
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
    // A grid that keeps the last digits adds what is typed to the value shown ("3" over "05"
    // gives "53"); the others start empty, so what is typed replaces it.
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (!m_keepLast)
            return;
        auto *e = static_cast<QLineEdit *>(editor);
        e->setText(index.data(Qt::DisplayRole).toString());
        e->deselect();
        e->end(false);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, QVariantList{static_cast<QLineEdit *>(editor)->text(), editor->property("cellKey")},
                       Qt::UserRole);
    }

private:
    int m_digits;
    bool m_keepLast;
};

} // namespace vek
