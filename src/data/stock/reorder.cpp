#include "data/stock/reorder.h"

#include "data/core/fields.h"
#include "data/core/recordset.h"
#include "data/stock/journal.h"
#include "data/stock/status.h"

#include <algorithm>
#include <memory>

namespace inv::Reorder {

QVector<Line> list(Connection &connection, double atMost)
{
    const QStringList fields = connection.fields(QStringLiteral("Items"));
    const auto position = [&](const QString &name) {
        const int at = int(fields.indexOf(name));
        if (at < 0)
            throw RecordsError(connection.path(),
                               QStringLiteral("the field %1 is missing from the table Items").arg(name));
        return at;
    };
    const QVector<int> read{position(kItemNo), position(kItemName), position(kStatus), position(kRemaining),
                            position(kMaxQuantity)};
    QVector<Line> lines;
    constexpr int kChunk = 4096;
    std::optional<qint64> from;
    for (;;) {
        const QVector<Row> rows = connection.readRows(QStringLiteral("Items"), read, from, kChunk);
        for (const Row &row : rows) {
            const double percent = StatusPercent(fieldText(row.values[2]), Journal::quantityOf(row.values[3]),
                                                 Journal::quantityOf(row.values[4]));
            if (!(percent <= atMost))
                continue;
            Line line{row.key, row.values[0], row.values[1], row.values[2], row.values[3], row.values[4], percent, 0};
            line.toOrder = std::max(0.0, Journal::quantityOf(line.maxQuantity) - Journal::quantityOf(line.remaining));
            lines << line;
        }
        if (rows.size() < kChunk)
            break;
        from = rows.last().key + 1;
    }
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) { return a.percent < b.percent; });
    return lines;
}

double bandLimit(int band)
{
    return std::clamp(band, 1, kBands) * 10.0;
}

QString bandCaption(int band)
{
    static const char *const kColours[kBands] = {"red",          "light red",   "orange",     "light orange", "yellow",
                                                 "light yellow", "pale yellow", "pale green", "light green",  "green"};
    band = std::clamp(band, 1, kBands);
    return QStringLiteral("%1% and below (%2)").arg(band * 10).arg(QLatin1String(kColours[band - 1]));
}

} // namespace inv::Reorder
