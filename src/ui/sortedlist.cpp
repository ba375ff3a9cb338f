#include "sortedlist.h"

#include <QCollator>
#include <QListWidget>

#include <algorithm>
#include <numeric>
#include <vector>

namespace inv::ui {

namespace {

// The user's language's order, letter case ignored: accented letters sort
// under their letter ("Éclair" among the E's). The plain C locale names no
// language; it gets the common order of the Latin script that English uses.
const QCollator &collator()
{
    static QCollator c;
    static bool made = false;
    const QLocale wanted = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    if (!made || c.locale() != wanted) {
        c = QCollator(wanted);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        made = true;
    }
    return c;
}

int compareCaseInsensitive(const QString &a, const QString &b)
{
    return collator().compare(a, b);
}

// The first row whose entry is not less than text, ignoring case.
int lowerBound(QListWidget *list, const QString &text)
{
    int lo = 0, hi = list->count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (compareCaseInsensitive(list->item(mid)->text(), text) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// The row of an entry that is exactly text, or -1.
int findExact(QListWidget *list, const QString &text)
{
    for (int row = lowerBound(list, text); row < list->count(); ++row) {
        const QString entry = list->item(row)->text();
        if (entry == text)
            return row;
        if (compareCaseInsensitive(entry, text) != 0)
            break;
    }
    return -1;
}

// Where text goes, or -1 when an equal but different entry makes it unclear.
int placeFor(QListWidget *list, const QString &text, int skipRow = -1)
{
    const int at = lowerBound(list, text);
    int row = at;
    for (; row < list->count(); ++row) {
        if (row == skipRow)
            continue;
        const QString entry = list->item(row)->text();
        if (compareCaseInsensitive(entry, text) != 0)
            break;
        if (entry != text)
            return -1;
    }
    // Among identical texts any place looks the same; take the last.
    return row;
}

// The positions of texts in sorted order; equal texts are ordered by their
// place. Each text's sort key is made once: a long list compares keys, not
// texts.
template <typename Place>
std::vector<int> sortedOrder(const QStringList &texts, Place place)
{
    const QCollator &order = collator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(texts.size()));
    for (const QString &t : texts)
        keys.push_back(order.sortKey(t));
    std::vector<int> positions(static_cast<size_t>(texts.size()));
    std::iota(positions.begin(), positions.end(), 0);
    std::sort(positions.begin(), positions.end(), [&](int a, int b) {
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        return c != 0 ? c < 0 : place(a) < place(b);
    });
    return positions;
}

} // namespace

void sortCaseInsensitive(QStringList &texts)
{
    // Ties fall back to the original position: a stable order.
    const std::vector<int> order = sortedOrder(texts, [](int i) { return i; });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (int i : order)
        sorted << std::move(texts[i]);
    texts = std::move(sorted);
}

QStringList sortedAsListed(std::vector<std::pair<QString, qint64>> entries)
{
    QStringList texts;
    texts.reserve(qsizetype(entries.size()));
    for (auto &entry : entries)
        texts << std::move(entry.first);
    const std::vector<int> order = sortedOrder(texts, [&](int i) { return entries[size_t(i)].second; });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (int i : order)
        sorted << std::move(texts[i]);
    return sorted;
}

void fillSorted(QListWidget *list, QStringList texts)
{
    sortCaseInsensitive(texts);
    list->setSortingEnabled(false);
    list->clear();
    // One insertion for the whole batch.
    list->addItems(texts);
}

int insertSorted(QListWidget *list, const QString &text)
{
    const int row = placeFor(list, text);
    if (row >= 0)
        list->insertItem(row, text);
    return row;
}

bool replaceSorted(QListWidget *list, const QString &from, const QString &to)
{
    const int row = findExact(list, from);
    if (row < 0)
        return false;
    int place = placeFor(list, to, row);
    if (place < 0)
        return false;
    // The place as counted with the old entry still in the list.
    if (place == row || place == row + 1) {
        // Same place: only the text changes, the list keeps its layout.
        list->item(row)->setText(to);
        return true;
    }
    delete list->takeItem(row);
    if (place > row)
        --place;
    list->insertItem(place, to);
    return true;
}

} // namespace inv::ui
