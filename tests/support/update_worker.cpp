// Raises and lowers the stock of items through the update window's data
// side, on a records database, until it is killed: the other side of the
// update's kill-safety test. It prints nothing while it works; a failed
// operation ends it with a line on standard error and a non-zero exit
// status, which the test sees as a worker that died before its kill.
//
//   update_worker <database> <seed> <ready-file> <item number>...
//
// The ready file is created once the database is open, so the test can time
// its kill from the first write rather than from the key derivation.

#include "data/connection.h"
#include "data/module1.h"
#include "items/stockchange.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <random>
#include <stdexcept>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: update_worker <database> <seed> <ready-file> <item number>...\n");
        return 2;
    }
    const QStringList numbers = args.mid(4);
    std::mt19937 random(args.at(2).toUInt());
    std::uniform_int_distribution<int> pickNumber(0, int(numbers.size()) - 1);
    std::uniform_int_distribution<int> pickQuantity(0, 40);
    std::bernoulli_distribution add(0.5);

    try {
        inv::Module1::dbPath = args.at(1);
        inv::Module1::OpenRecordsConnection();
        QFile ready(args.at(3));
        if (!ready.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create the ready file\n");
            return 2;
        }
        ready.close();

        for (;;) {
            const inv::StockChange::Outcome outcome = inv::StockChange::changeQuantity(
                add(random) ? inv::StockChange::Direction::Add : inv::StockChange::Direction::Less,
                numbers.at(pickNumber(random)), QStringLiteral("any"), QString::number(pickQuantity(random)));
            if (!outcome.changed)
                throw std::runtime_error(("a change was refused: " + outcome.message).toStdString());
        }
    } catch (const inv::RecordsError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
