// Takes units out of stock and puts some back, on a records database, until
// it is killed: the other side of the kill-safety test (and of the backup
// that runs beside a writer).
//
//   removal_worker <database> <seed> <ready-file> <item name>...

#include "mainwindow/stockdesk.h"
#include "support/killworker.h"

#include <optional>
#include <random>

int main(int argc, char *argv[])
{
    return testing::runKillWorker(
        argc, argv, "removal_worker <database> <seed> <ready-file> <item name>...", 1,
        [](const QString &seed, const QStringList &names) {
            std::mt19937 random(seed.toUInt());
            std::uniform_int_distribution<int> pickName(0, int(names.size()) - 1);
            std::uniform_int_distribution<int> pickAction(0, 2);
            // As the main window does: an undo only follows a click that took
            // a unit, and only once.
            std::optional<QString> undoable;
            for (;;) {
                if (undoable && pickAction(random) == 0) {
                    const inv::StockDesk::Outcome outcome = inv::StockDesk::undoRemoval(undoable);
                    testing::expectWritten(outcome.message.isEmpty(), "an undo", outcome.message);
                    undoable.reset();
                } else {
                    const QString name = names.at(pickName(random));
                    const inv::StockDesk::Outcome outcome = inv::StockDesk::removeOne(name);
                    testing::expectWritten(outcome.message.isEmpty(), "a removal", outcome.message);
                    undoable = outcome.changed ? std::optional<QString>(name) : std::nullopt;
                }
            }
        });
}
