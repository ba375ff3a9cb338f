#include "sortedlist.h"

#include <QListWidget>

#include <algorithm>
#include <numeric>
#include <vector>

namespace inv::ui {

namespace {

// The case-folded code points QString::compare(..., Qt::CaseInsensitive)
// compares: each UTF-16 unit folded on its own, except that the low half of a
// surrogate pair stands for the whole pair. Comparing two keys
// lexicographically (a shorter prefix first) gives that compare's order.
void appendFolded(QStringView text, std::vector<char32_t> &out)
{
    char32_t last = 0;
    for (const QChar c : text) {
        const char32_t unit = c.unicode();
        char32_t ucs4 = unit;
        if (unit < 0x80) {
            out.push_back(unit >= 'A' && unit <= 'Z' ? unit + 32 : unit);
            last = unit;
            continue;
        }
        if (QChar::isLowSurrogate(ucs4) && QChar::isHighSurrogate(last))
            ucs4 = QChar::surrogateToUcs4(char16_t(last), char16_t(ucs4));
        last = unit;
        out.push_back(QChar::toCaseFolded(ucs4));
    }
}

int compareFolded(const char32_t *a, size_t alen, const char32_t *b, size_t blen)
{
    const size_t n = std::min(alen, blen);
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return alen == blen ? 0 : (alen < blen ? -1 : 1);
}

int compareCaseInsensitive(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
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
// place.
template <typename Place>
std::vector<int> sortedOrder(const QStringList &texts, Place place)
{
    const qsizetype n = texts.size();
    std::vector<char32_t> folded;
    std::vector<std::pair<size_t, size_t>> spans(n); // offset, length
    qsizetype total = 0;
    for (const QString &t : texts)
        total += t.size();
    folded.reserve(size_t(total));
    for (qsizetype i = 0; i < n; ++i) {
        const size_t start = folded.size();
        appendFolded(texts[i], folded);
        spans[i] = {start, folded.size() - start};
    }
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    const char32_t *base = folded.data();
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compareFolded(base + spans[a].first, spans[a].second, base + spans[b].first, spans[b].second);
        return c != 0 ? c < 0 : place(a) < place(b);
    });
    return order;
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
