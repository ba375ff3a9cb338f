#include "entrylist.h"

#include <QAbstractItemDelegate>
#include <QStyleOptionViewItem>

namespace inv::ui {

EntryList::EntryList(QWidget *parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
}

QSize EntryList::lastEntrySize() const
{
    const int rows = count();
    if (rows == 0)
        return {};
    const QModelIndex last = model()->index(rows - 1, modelColumn(), rootIndex());
    QAbstractItemDelegate *delegate = itemDelegateForIndex(last);
    if (!delegate)
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return delegate->sizeHint(option, last);
}

void EntryList::doItemsLayout()
{
    QListWidget::doItemsLayout();
    m_laidOutSize = lastEntrySize();
}

bool EntryList::layoutKept(const QModelIndex &topLeft, const QModelIndex &bottomRight) const
{
    // Only the plain layout of equal entries in one column measures the
    // last entry for all.
    if (!uniformItemSizes() || viewMode() != ListMode || isWrapping() || layoutMode() != SinglePass
        || flow() != TopToBottom)
        return false;
    if (!topLeft.isValid() || topLeft != bottomRight || topLeft.parent() != rootIndex()
        || topLeft.column() != modelColumn())
        return false;
    return topLeft.row() != count() - 1 || (m_laidOutSize.isValid() && lastEntrySize() == m_laidOutSize);
}

void EntryList::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    // A layout already due is done first: it measures the entries as they
    // now read.
    executeDelayedItemsLayout();
    if (layoutKept(topLeft, bottomRight)) {
        // The entry is repainted (and told to assistive technology) as
        // the list box does it, without laying out the others.
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    QListWidget::dataChanged(topLeft, bottomRight, roles);
}

} // namespace inv::ui
