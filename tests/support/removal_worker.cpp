// Takes units out of stock and puts some back, on a records database, until
// it is killed: the other side of the kill-safety test. It prints nothing
// while it works; a failed operation ends it with a line on standard error
// and a non-zero exit status, which the test sees as a worker that died
// before its kill.
//
//   removal_worker <database> <seed> <ready-file> <item name>...
//
// The ready file is created once the database is open, so the test can time
// its kill from the first write rather than from the key derivation.

#include "data/connection.h"
#include "data/module1.h"
#include "mainwindow/stockdesk.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <random>
#include <stdexcept>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: removal_worker <database> <seed> <ready-file> <item name>...\n");
        return 2;
    }
    const QStringList names = args.mid(4);
    std::mt19937 random(args.at(2).toUInt());
    std::uniform_int_distribution<int> pickName(0, int(names.size()) - 1);
    std::uniform_int_distribution<int> pickAction(0, 2);

    try {
        inv::Module1::dbPath = args.at(1);
        inv::Module1::OpenRecordsConnection();
        QFile ready(args.at(3));
        if (!ready.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create the ready file\n");
            return 2;
        }
        ready.close();

        // As the main window does: an undo only follows a click that took a
        // unit, and only once.
        std::optional<QString> undoable;
        for (;;) {
            if (undoable && pickAction(random) == 0) {
                const inv::StockDesk::Outcome outcome = inv::StockDesk::undoRemoval(undoable);
                if (!outcome.message.isEmpty())
                    throw std::runtime_error(outcome.message.toStdString());
                undoable.reset();
            } else {
                const QString name = names.at(pickName(random));
                const inv::StockDesk::Outcome outcome = inv::StockDesk::removeOne(name);
                if (!outcome.message.isEmpty())
                    throw std::runtime_error(outcome.message.toStdString());
                undoable = outcome.changed ? std::optional<QString>(name) : std::nullopt;
            }
        }
    } catch (const inv::RecordsError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
