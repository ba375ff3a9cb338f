#include "sortedlist.h"

#include <QListWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace inv::ui {

namespace {

// The text with each UTF-16 unit case-folded exactly as a case-insensitive
// QString::compare folds it (a low surrogate with the high one before it),
// so that comparing keys unit by unit gives the order of that comparison
// without folding the same names again at every comparison of a sort.
QString foldedKey(const QString &text)
{
    QString key(text.size(), Qt::Uninitialized);
    QChar *out = key.data();
    char16_t last = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        char32_t code = unit;
        if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(last))
            code = QChar::surrogateToUcs4(last, unit);
        last = unit;
        const char32_t folded = QChar::toCaseFolded(code);
        out[i] = QChar::requiresSurrogates(folded) ? QChar(QChar::lowSurrogate(folded)) : QChar(char16_t(folded));
    }
    return key;
}

} // namespace

bool listedBefore(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

QStringList sortedAsListed(std::vector<std::pair<QString, qint64>> entries)
{
    // By folded key, then by place: the order of a stable sort by
    // listedBefore of the entries in stored order.
    struct Keyed {
        QString key;
        qint64 place;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        keyed.push_back({foldedKey(entries[i].first), entries[i].second, qsizetype(i)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : a.place < b.place;
    });
    QStringList sorted;
    sorted.reserve(qsizetype(entries.size()));
    for (const Keyed &entry : keyed)
        sorted << std::move(entries[entry.index].first);
    return sorted;
}

void sortAsListed(QStringList &entries)
{
    std::vector<std::pair<QString, qint64>> placed;
    placed.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        placed.emplace_back(entries.at(i), i);
    entries = sortedAsListed(std::move(placed));
}

void fillSorted(QListWidget *list, QStringList entries)
{
    sortAsListed(entries);
    list->setSortingEnabled(false);
    list->clear();
    list->addItems(entries);
}

} // namespace inv::ui
