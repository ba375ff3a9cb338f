#include "sortedlist.h"

#include <QListWidget>

#include <algorithm>

namespace inv::ui {

bool listedBefore(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

void sortAsListed(QStringList &entries)
{
    std::stable_sort(entries.begin(), entries.end(), listedBefore);
}

void fillSorted(QListWidget *list, QStringList entries)
{
    sortAsListed(entries);
    list->setSortingEnabled(false);
    for (const QString &entry : std::as_const(entries))
        list->addItem(new SortedEntry(entry));
    list->setSortingEnabled(true);
}

} // namespace inv::ui
