// One clerk at the desk, or the one who clears the tally, on a records
// database that several of them share: the processes of the concurrency test.
//
//   clerk_worker <database> clerk <clicks> <ready-file> <go-file> <item name>...
//     waits for the go file, then clicks the names in turn, and after every
//     tenth click undoes it, as the main window does (the tally row the click
//     counted in). Prints one line per name:
//       taken <name> <units taken> <units put back> <undos that lowered the tally>
//     and then "clicks <n> <ms>".
//   clerk_worker <database> clear <interval ms> <ready-file> <stop-file>
//     clears the tally every interval until the stop file is there, and counts
//     what each clear took away, read under the clear's own lock. Prints
//       cleared <name> <units>
//     per name, then "clears - <n> <tally rows seen twice for one name>
//     <clears that found rows to take>".
//   clerk_worker <database> add <item number> <ready-file> <go-file>
//     adds one item of that number once the go file is there, as the add
//     window does, and prints "added" or the message it was refused with.

#include "data/core/connection.h"
#include "data/core/fields.h"
#include "data/core/recordset.h"
#include "data/stock/module1.h"
#include "items/itemrecords.h"
#include "mainwindow/stockdesk.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QThread>

#include <cstdio>

namespace {

struct Counts {
    qint64 taken = 0;
    qint64 putBack = 0;
    qint64 lowered = 0;
};

void touch(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot create " + path.toStdString());
}

int clerk(int clicks, const QString &goFile, const QStringList &names)
{
    while (!QFileInfo::exists(goFile))
        QThread::msleep(2);
    QMap<QString, Counts> counts;
    QElapsedTimer timer;
    timer.start();
    int made = 0;
    for (int click = 1; click <= clicks; ++click) {
        const QString name = names.at(click % names.size());
        const inv::StockDesk::Outcome removal = inv::StockDesk::removeOne(name);
        ++made;
        if (!removal.message.isEmpty())
            throw std::runtime_error("a click was refused: " + removal.message.toStdString());
        if (!removal.changed || !removal.tally)
            throw std::runtime_error("a click took nothing out of " + name.toStdString());
        ++counts[name].taken;
        if (click % 10 != 0)
            continue;
        const inv::StockDesk::Outcome undo = inv::StockDesk::undoRemoval(name, removal.tally->key);
        ++made;
        if (!undo.changed || !undo.message.isEmpty())
            throw std::runtime_error("an undo was refused: " + undo.message.toStdString());
        ++counts[name].putBack;
        if (undo.tally)
            ++counts[name].lowered;
    }
    const qint64 ms = timer.elapsed();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        std::printf("taken\t%s\t%lld\t%lld\t%lld\n", qPrintable(it.key()), it->taken, it->putBack, it->lowered);
    std::printf("clicks\t%d\t%lld\n", made, ms);
    return 0;
}

int clearer(int intervalMs, const QString &stopFile)
{
    QMap<QString, qint64> cleared;
    int clears = 0;
    int twice = 0;
    int emptied = 0;
    while (!QFileInfo::exists(stopFile)) {
        QThread::msleep(intervalMs);
        // What the clear takes away is read under the clear's own lock:
        // nothing can be counted in between.
        inv::Transaction transaction(inv::Module1::records());
        const QStringList fields = inv::Module1::records()->fields(QStringLiteral("Itemsout"));
        const int nameField = int(fields.indexOf(inv::kItemName));
        const int quantityField = int(fields.indexOf(inv::kQuantity));
        QMap<QString, qint64> rows;
        bool found = false;
        inv::Module1::records()->forEach(QStringLiteral("Itemsout"), [&](const inv::Row &row) {
            found = true;
            const QString name = inv::fieldText(row.values.value(nameField));
            if (rows.contains(name))
                ++twice;
            rows[name] += inv::fieldText(row.values.value(quantityField)).toLongLong();
        });
        inv::StockDesk::clearTally();
        transaction.commit();
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            cleared[it.key()] += *it;
        ++clears;
        if (found)
            ++emptied;
    }
    for (auto it = cleared.cbegin(); it != cleared.cend(); ++it)
        std::printf("cleared\t%s\t%lld\n", qPrintable(it.key()), *it);
    std::printf("clears\t-\t%d\t%d\t%d\n", clears, twice, emptied);
    return 0;
}

int adder(const QString &itemNo, const QString &goFile)
{
    while (!QFileInfo::exists(goFile))
        QThread::msleep(1);
    const inv::ItemRecords::Outcome outcome = inv::ItemRecords::addItem(
        {itemNo, QStringLiteral("Added by %1").arg(QCoreApplication::applicationPid()), "10", "10", "desc"});
    std::printf("%s\n", outcome.result == inv::ItemRecords::Result::Written ? "added" : qPrintable(outcome.message));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const bool isClerk = args.value(2) == QLatin1String("clerk") && args.size() >= 7;
    const bool isClearer = args.value(2) == QLatin1String("clear") && args.size() == 6;
    const bool isAdder = args.value(2) == QLatin1String("add") && args.size() == 6;
    if (!isClerk && !isClearer && !isAdder) {
        std::fprintf(stderr, "usage: clerk_worker <database> clerk <clicks> <ready-file> <go-file> <item name>...\n"
                             "       clerk_worker <database> clear <interval ms> <ready-file> <stop-file>\n"
                             "       clerk_worker <database> add <item number> <ready-file> <go-file>\n");
        return 2;
    }
    try {
        inv::Module1::dbPath = args.at(1);
        inv::Module1::OpenRecordsConnection();
        touch(args.at(4));
        if (isAdder)
            return adder(args.at(3), args.at(5));
        return isClerk ? clerk(args.at(3).toInt(), args.at(5), args.mid(6)) : clearer(args.at(3).toInt(), args.at(5));
    } catch (const inv::RecordsError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
