#include "itemlist.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace inv {

ItemList::ItemList(QWidget *parent) : ui::EntryList(parent) { }

QItemSelectionModel::SelectionFlags ItemList::selectionCommand(const QModelIndex &index, const QEvent *event) const
{
    // Ctrl with Space (or a click) would deselect the selected entry.
    const auto command = ui::EntryList::selectionCommand(index, event);
    if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    if ((command & QItemSelectionModel::Clear) && !(command & QItemSelectionModel::Select))
        return QItemSelectionModel::NoUpdate;
    return command;
}

void ItemList::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    m_armed = true;
    m_pressed = indexAt(event->position().toPoint());
}

void ItemList::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click: its release is no new click.
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_armed = false;
}

void ItemList::mouseMoveEvent(QMouseEvent *event)
{
    // No drag selection: passing over entries does nothing.
    event->accept();
}

void ItemList::keyPressEvent(QKeyEvent *event)
{
    const QList<QListWidgetItem *> before = selectedItems();
    ui::EntryList::keyPressEvent(event);
    const QList<QListWidgetItem *> after = selectedItems();
    if (!after.isEmpty() && after != before)
        emit selectionKeyed();
}

void ItemList::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_armed)
        return;
    m_armed = false;
    const QPoint pos = event->position().toPoint();
    if (!viewport()->rect().contains(pos))
        return;
    // A drag that ends on another entry (or starts off the entries) is
    // no click on it.
    const QModelIndex released = indexAt(pos);
    if (QListWidgetItem *entry = itemAt(pos); entry && released == m_pressed)
        emit entryClicked(entry);
}

} // namespace inv
