// Adds, edits and deletes items on a records database until it is killed:
// the other side of the item kill-safety test. Item k is added as
// "Name k" / "Desc k" with original k % 50 + 1 and remaining k % 7, then
// edited to "Edited k" / "Edited desc k"; every third item is then deleted.
//
//   items_worker <database> <first k> <ready-file>

#include "data/stock/itemlookup.h"
#include "items/itemrecords.h"
#include "support/killworker.h"

#include <stdexcept>

using namespace inv;

int main(int argc, char *argv[])
{
    return testing::runKillWorker(
        argc, argv, "items_worker <database> <first k> <ready-file>", 0, [](const QString &first, const QStringList &) {
            const auto written = [](const ItemRecords::Outcome &outcome) {
                return outcome.result == ItemRecords::Result::Written;
            };
            for (int k = first.toInt();; ++k) {
                const QString no = QStringLiteral("K-%1").arg(k);
                const QString original = QString::number(k % 50 + 1);
                const QString remaining = QString::number(k % 7);
                const ItemRecords::Outcome added = ItemRecords::addItem(
                    {no, QStringLiteral("Name %1").arg(k), original, remaining, QStringLiteral("Desc %1").arg(k)});
                testing::expectWritten(written(added), "an add", added.message);
                const ItemRecords::Outcome edited =
                    ItemRecords::editItem({no, QStringLiteral("Edited %1").arg(k), original, remaining,
                                           QStringLiteral("Edited desc %1").arg(k)});
                testing::expectWritten(written(edited), "an edit", edited.message);
                if (k % 3 == 0) {
                    if (findByItemNo(ItemTable::Items, no) != ItemNoMatch::Found)
                        throw std::runtime_error("the item to delete is gone");
                    if (!deleteShownRow(shownRow(ItemTable::Items)))
                        throw std::runtime_error("the item to delete changed");
                }
            }
        });
}
