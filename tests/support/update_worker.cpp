// Raises and lowers the stock of items through the update window's data
// side, on a records database, until it is killed: the other side of the
// update's kill-safety test.
//
//   update_worker <database> <seed> <ready-file> <item number>...

#include "items/stockchange.h"
#include "support/killworker.h"

#include <random>

int main(int argc, char *argv[])
{
    return testing::runKillWorker(
        argc, argv, "update_worker <database> <seed> <ready-file> <item number>...", 1,
        [](const QString &seed, const QStringList &numbers) {
            std::mt19937 random(seed.toUInt());
            std::uniform_int_distribution<int> pickNumber(0, int(numbers.size()) - 1);
            std::uniform_int_distribution<int> pickQuantity(0, 40);
            std::bernoulli_distribution add(0.5);
            for (;;) {
                const inv::StockChange::Outcome outcome = inv::StockChange::changeQuantity(
                    add(random) ? inv::StockChange::Direction::Add : inv::StockChange::Direction::Less,
                    numbers.at(pickNumber(random)), QStringLiteral("any"), QString::number(pickQuantity(random)));
                testing::expectWritten(outcome.changed, "a change", outcome.message);
            }
        });
}
