// Adds, edits and deletes items on a records database until it is killed:
// the other side of the item kill-safety test. Item k is added as
// "Name k" / "Desc k" with original k % 50 + 1 and remaining k % 7, then
// edited to "Edited k" / "Edited desc k"; every third item is then deleted.
// A failed or refused operation ends the worker with a line on standard error.
//
//   items_worker <database> <first k> <ready-file>

#include "data/connection.h"
#include "data/itemlookup.h"
#include "data/module1.h"
#include "items/itemrecords.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <stdexcept>

using namespace inv;

namespace {

void expectWritten(const ItemRecords::Outcome &outcome, const char *what)
{
    if (outcome.result != ItemRecords::Result::Written)
        throw std::runtime_error(std::string(what) + " refused: " + outcome.message.toStdString());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: items_worker <database> <first k> <ready-file>\n");
        return 2;
    }
    try {
        Module1::dbPath = args.at(1);
        Module1::OpenRecordsConnection();
        QFile ready(args.at(3));
        if (!ready.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create the ready file\n");
            return 2;
        }
        ready.close();
        for (int k = args.at(2).toInt();; ++k) {
            const QString no = QStringLiteral("K-%1").arg(k);
            const QString original = QString::number(k % 50 + 1);
            const QString remaining = QString::number(k % 7);
            expectWritten(ItemRecords::addItem({no, QStringLiteral("Name %1").arg(k), original, remaining,
                                                QStringLiteral("Desc %1").arg(k)}),
                          "add");
            expectWritten(ItemRecords::editItem({no, QStringLiteral("Edited %1").arg(k), original, remaining,
                                                 QStringLiteral("Edited desc %1").arg(k)}),
                          "edit");
            if (k % 3 == 0) {
                if (findByItemNo(ItemTable::Items, no) != ItemNoMatch::Found)
                    throw std::runtime_error("the item to delete is gone");
                ItemRecords::deleteCurrentItem();
            }
        }
    } catch (const RecordsError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}
