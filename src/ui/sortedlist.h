#pragma once
// The order of the sorted lists: alphabetical, ignoring case, with names
// that compare equal kept in the order they were read. Every sorted list of
// the program orders its entries this way.

#include <QListWidgetItem>
#include <QStringList>

class QListWidget;

namespace inv::ui {

// Whether a comes before b in a sorted list.
bool listedBefore(const QString &a, const QString &b);

// Sorts entries into list order (stable).
void sortAsListed(QStringList &entries);

// An entry of a sorted QListWidget: keeps the list order when the list
// sorts itself.
class SortedEntry : public QListWidgetItem {
public:
    explicit SortedEntry(const QString &text) : QListWidgetItem(text) {}
    bool operator<(const QListWidgetItem &other) const override { return listedBefore(text(), other.text()); }
};

// Fills a sorted list in one go, adding to what it holds: sorting a batch
// once is far cheaper than keeping the list sorted on every insert.
void fillSorted(QListWidget *list, QStringList entries);

} // namespace inv::ui
