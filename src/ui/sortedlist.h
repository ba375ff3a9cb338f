#pragma once
// Lists kept in alphabetical order as the user's language sorts, letter case
// ignored (QCollator: accented letters under their letter, "Ångström" among
// the A's), and equal texts keep the order they came in. Every sorted list
// of the program sorts here, so they all show one order.
//
// Filling sorts once with a sort key per text, then hands the whole batch
// to the list at once; a single change puts one entry in its place by a
// binary search. The list's own sorting stays off: these functions keep the
// order, and the list never re-sorts behind them.

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QListWidget;

namespace inv::ui {

// Sorts texts in place in that order (stable).
void sortCaseInsensitive(QStringList &texts);

// The texts of entries in that order, each given with its place in stored
// order (a row's key, say): entries equal but for case keep that order.
QStringList sortedAsListed(std::vector<std::pair<QString, qint64>> entries);

// Makes a list widget hold exactly texts, in sorted order.
void fillSorted(QListWidget *list, QStringList texts);

// Puts text into a list that fillSorted filled, at its sorted place.
// Equal texts (ignoring case) keep the order they came in, which only the
// caller knows; so when the list already holds an entry that is equal to
// text but not identical, the place cannot be told and nothing is inserted:
// returns -1. Otherwise returns the row.
int insertSorted(QListWidget *list, const QString &text);

// Replaces one entry whose text is exactly from by to, moving it to its
// sorted place. False, leaving the list as it was, when no entry is from or
// insertSorted could not place to.
bool replaceSorted(QListWidget *list, const QString &from, const QString &to);

} // namespace inv::ui
