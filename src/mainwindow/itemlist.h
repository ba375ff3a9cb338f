#pragma once
// The item list of the desk. Its selected entry is the desk's memory of the
// last removal, so the user can move the selection but never clear it. The
// mouse takes a unit only with a whole left click: the entry under the
// button when it is released, if the press was on it too, is selected and
// reported. A right or middle button, a drag that ends on another entry, a
// release outside the list, or the second press of a double-click take
// nothing. Keyboard moves keep the list's own handling; a key that moved the
// selection is reported. A selection set by the program itself is no gesture
// and is not reported.

#include "ui/entrylist.h"

#include <QPersistentModelIndex>

namespace inv {

class ItemList : public ui::EntryList {
    Q_OBJECT

public:
    explicit ItemList(QWidget *parent = nullptr);

signals:
    // A whole left click on this entry (not yet selected by the list).
    void entryClicked(QListWidgetItem *entry);
    // A key moved the selection to another entry.
    void selectionKeyed();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_armed = false;
    QPersistentModelIndex m_pressed;
};

} // namespace inv
