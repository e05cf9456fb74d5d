#include "hub/RecordItemDelegate.h"

QSize RecordItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return m_itemSize.isValid() ? m_itemSize : QStyledItemDelegate::sizeHint(option, index);
}
