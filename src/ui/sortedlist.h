#pragma once
// The order of the sorted lists: alphabetical, ignoring case, with names
// that compare equal kept in the order they were read. Every sorted list of
// the program orders its entries this way.

#include <QStringList>

#include <utility>
#include <vector>

class QListWidget;

namespace inv::ui {

// Whether a comes before b in a sorted list.
bool listedBefore(const QString &a, const QString &b);

// Sorts entries into list order (stable).
void sortAsListed(QStringList &entries);

// The texts of entries in list order, each given with its place in stored
// order (a row's key, say): entries equal but for case keep that order.
QStringList sortedAsListed(std::vector<std::pair<QString, qint64>> entries);

// Replaces what a list shows by entries, in list order, in one go: sorting
// a batch once and adding it whole is far cheaper than keeping the list
// sorted on every insert. The list does not sort itself afterwards.
void fillSorted(QListWidget *list, QStringList entries);

} // namespace inv::ui
