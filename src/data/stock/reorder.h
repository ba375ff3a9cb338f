#pragma once
// The reorder list: the items whose stock status is at or below a limit,
// lowest status first, each with the quantity that brings it back to its
// max_quantity. The status is the stored one, read as the status rule reads
// it (its leading number, a percentage; the rule's own status for the stored
// quantities when none is stored).

#include "data/core/connection.h"

#include <QString>
#include <QVariant>
#include <QVector>

namespace inv::Reorder {

struct Line {
    qint64 key = 0; // the Items row
    QVariant itemNo, itemName, status, remaining, maxQuantity; // as stored
    double percent = 0; // the status as a number
    double toOrder = 0; // max_quantity less the remaining quantity, never below 0
};

// The items whose status is at most atMost percent, lowest first (equal
// statuses in stored order). Reads the five fields of every item once.
// Throws RecordsError.
QVector<Line> list(Connection &connection, double atMost);

// The bands of the status rule a list may stop at: band b (1..10) holds the
// statuses above (b - 1) * 10% up to b * 10% (band 1 everything up to 10%).
constexpr int kBands = 10;
// The yellow band: up to 50%.
constexpr int kDefaultBand = 5;
double bandLimit(int band);
// "50% and below (yellow)"
QString bandCaption(int band);

} // namespace inv::Reorder
