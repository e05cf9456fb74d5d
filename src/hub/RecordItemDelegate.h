#pragma once

#include <QSize>
#include <QStyledItemDelegate>

// Draws the record list's items in the list and icon views. Every item gets one size, made to hold the widest name
// of eight characters: the views lay out 100,000 rows without measuring each, and no name of up to eight
// characters is cut to "…" because the first row happened to hold a short one.
class RecordItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // An invalid size gives every item the size of its own contents.
    void setItemSize(const QSize& size) { m_itemSize = size; }
    QSize itemSize() const { return m_itemSize; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QSize m_itemSize;
};
