#pragma once
// A list box of one-line entries that all take the size of one entry.
//
// The list box lays out every entry again after any change to one entry's
// text, a pause that grows with the number of entries. With entries of one
// size that is needed only when the size changes, and the list takes that
// size from its last entry alone; so a change to any other entry, or one
// that leaves the last entry's size as it was, repaints that entry and
// nothing else. Everything else (adding, removing, sorting, a new font) is
// laid out as the list box does it.

#include <QListWidget>

namespace inv::ui {

class EntryList : public QListWidget {
public:
    explicit EntryList(QWidget *parent = nullptr);

    void doItemsLayout() override;

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    // The size the list gives the last entry as it now reads; invalid when
    // the list is empty.
    QSize lastEntrySize() const;
    // Whether one entry's change may leave the layout as it is.
    bool layoutKept(const QModelIndex &topLeft, const QModelIndex &bottomRight) const;

    // The last entry's size at the last layout: the size of every entry.
    QSize m_laidOutSize;
};

} // namespace inv::ui
