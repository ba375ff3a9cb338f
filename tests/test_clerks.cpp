// Several clerks on one stock. An undo after another clerk's clear puts the
// unit back without lowering a tally row it never counted (both engines);
// and on a server, eight clerk processes clicking and undoing while a ninth
// clears the tally lose no unit and count none twice, and the stock history
// holds every one of their changes once.

#include "data/core/fields.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"
#include "mainwindow/stockdesk.h"
#include "support/testdb.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTest>

#include <memory>
#include <vector>

using testing::TestDb;

namespace {

constexpr int kClerks = 8;
constexpr int kClicksPerClerk = 1250;
constexpr int kClearEveryMs = 100;
constexpr int kInitialRemaining = 30000;
const QStringList kNames = {QStringLiteral("Bond paper"), QStringLiteral("Toner"), QStringLiteral("Stapler")};

// Per item: the stock as the items show it, and the units the tally counts.
struct Stock {
    QMap<QString, qint64> remaining;
    QMap<QString, qint64> counted;
    int tallyRowsSeenTwice = 0;
};

Stock readStock(const QString &location)
{
    Stock stock;
    std::shared_ptr<inv::Connection> c = testing::openLocation(location);
    const QStringList items = c->fields(QStringLiteral("Items"));
    c->forEach(QStringLiteral("Items"), [&](const inv::Row &row) {
        stock.remaining[inv::fieldText(row.values.value(items.indexOf(inv::kItemName)))] =
            inv::fieldText(row.values.value(items.indexOf(inv::kRemaining))).toLongLong();
    });
    const QStringList tally = c->fields(QStringLiteral("Itemsout"));
    c->forEach(QStringLiteral("Itemsout"), [&](const inv::Row &row) {
        const QString name = inv::fieldText(row.values.value(tally.indexOf(inv::kItemName)));
        if (stock.counted.contains(name))
            ++stock.tallyRowsSeenTwice;
        stock.counted[name] += inv::fieldText(row.values.value(tally.indexOf(inv::kQuantity))).toLongLong();
    });
    return stock;
}

// Sums the "label name number..." lines of the workers' outputs.
QMap<QString, QVector<qint64>> lines(const QStringList &outputs, const QString &label)
{
    QMap<QString, QVector<qint64>> sums;
    for (const QString &output : outputs)
        for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (parts.value(0) != label)
                continue;
            QVector<qint64> &sum = sums[parts.value(1)];
            sum.resize(parts.size() - 2);
            for (int i = 2; i < parts.size(); ++i)
                sum[i - 2] += parts[i].toLongLong();
        }
    return sums;
}

bool waitForFile(const QString &path, QProcess &process)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path)) {
        if (process.state() == QProcess::NotRunning || timer.hasExpired(30000))
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace

class TestClerks : public QObject {
    Q_OBJECT

private slots:
    void undoAfterAnotherClerksClear_data()
    {
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<QString>("countedAfter"); // a name another clerk clicks after it
        QTest::addColumn<QStringList>("tallyAfterUndo"); // name=quantity
        QTest::addRow("no clear: the clerk's row goes down") << false << "" << QStringList{"Toner=1"};
        QTest::addRow("cleared: nothing to lower") << true << "" << QStringList{};
        QTest::addRow("cleared, another item counted") << true << "Ink" << QStringList{"Ink=1"};
        QTest::addRow("cleared, the same item counted again") << true << "Toner" << QStringList{"Toner=1"};
    }

    void undoAfterAnotherClerksClear()
    {
        QFETCH(bool, cleared);
        QFETCH(QString, countedAfter);
        QFETCH(QStringList, tallyAfterUndo);
        if (!testing::onServer() && cleared && countedAfter == QLatin1String("Toner"))
            QSKIP("a file whose tally another program emptied gives its last key again to the next new row");

        std::unique_ptr<QTemporaryDir> dir;
        std::unique_ptr<TestDb> db = testing::newRecordsRun(dir);
        db->item("T-1", "Toner", 10, 10, "100%").item("I-1", "Ink", 10, 10, "100%");

        const inv::StockDesk::Outcome removal = inv::StockDesk::removeOne(QStringLiteral("Toner"));
        QVERIFY(removal.changed && removal.tally);
        // The other clerk, through a connection of its own.
        if (cleared)
            testing::execSql(db->path(), QStringLiteral("DELETE FROM Itemsout"));
        if (!countedAfter.isEmpty())
            testing::execSql(db->path(),
                             QStringLiteral("INSERT INTO Itemsout (item_no, item_name, Description, quantity) "
                                            "VALUES ('X-1', '%1', 'desc', %2)")
                                 .arg(countedAfter)
                                 .arg(cleared ? 1 : 0));
        if (!cleared)
            testing::execSql(db->path(), QStringLiteral("UPDATE Itemsout SET quantity = 2 WHERE item_name = 'Toner'"));

        const inv::StockDesk::Outcome undo = inv::StockDesk::undoRemoval(QStringLiteral("Toner"), removal.tally->key);
        QVERIFY(undo.changed);
        QVERIFY(undo.message.isEmpty());
        QCOMPARE(bool(undo.tally), !cleared);

        const Stock stock = readStock(db->path());
        QCOMPARE(stock.remaining.value(QStringLiteral("Toner")), 10); // the unit is back in stock
        QStringList tally;
        for (auto it = stock.counted.cbegin(); it != stock.counted.cend(); ++it)
            tally << QStringLiteral("%1=%2").arg(it.key()).arg(*it);
        QCOMPARE(tally, tallyAfterUndo);
    }

    // Eight clerks add an item of one number at the same moment: one of them
    // adds it, the others are told the number exists, as one clerk would be.
    void concurrentAddsOfOneNumber()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("A-1", "Toner", 5, 10, "50%");
        const QString go = dir.filePath(QStringLiteral("go"));
        std::vector<std::unique_ptr<QProcess>> adders;
        for (int i = 0; i < kClerks; ++i) {
            auto process = std::make_unique<QProcess>();
            const QString ready = dir.filePath(QStringLiteral("ready%1").arg(i));
            process->start(QStringLiteral(CLERK_WORKER), QStringList{db.path(), "add", "N-77", ready, go});
            QVERIFY2(waitForFile(ready, *process), qPrintable(QString::fromLocal8Bit(process->readAllStandardError())));
            adders.push_back(std::move(process));
        }
        QFile(go).open(QIODevice::WriteOnly);
        QStringList said;
        for (auto &process : adders) {
            QVERIFY(process->waitForFinished(60000));
            QVERIFY2(process->exitCode() == 0, qPrintable(QString::fromLocal8Bit(process->readAllStandardError())));
            said << QString::fromLocal8Bit(process->readAllStandardOutput()).trimmed();
        }
        said.sort();
        QStringList expected(kClerks - 1, QStringLiteral("Item number already exist."));
        expected << QStringLiteral("added");
        QCOMPARE(said, expected);
        QCOMPARE(db.count("Items"), 2);
    }

    // The clerks' stock taken equals what the tally counts now plus what the
    // clears took away; a lost update would show in one or the other.
    void eightClerksAndAClearer()
    {
        if (!testing::onServer())
            QSKIP("several clerk processes share a server database");
        QTemporaryDir dir;
        TestDb db(dir.path());
        for (int i = 0; i < kNames.size(); ++i)
            db.item(QStringLiteral("C-%1").arg(i), kNames[i], kInitialRemaining, 32000,
                    *inv::WholeStatusText(kInitialRemaining, 32000));
        db.balanced();

        const QString go = dir.filePath(QStringLiteral("go"));
        const QString stop = dir.filePath(QStringLiteral("stop"));
        std::vector<std::unique_ptr<QProcess>> clerks;
        for (int i = 0; i < kClerks; ++i) {
            auto process = std::make_unique<QProcess>();
            const QString ready = dir.filePath(QStringLiteral("ready%1").arg(i));
            process->start(QStringLiteral(CLERK_WORKER),
                           QStringList{db.path(), "clerk", QString::number(kClicksPerClerk), ready, go} + kNames);
            QVERIFY2(waitForFile(ready, *process), qPrintable(QString::fromLocal8Bit(process->readAllStandardError())));
            clerks.push_back(std::move(process));
        }
        QProcess clearer;
        const QString clearerReady = dir.filePath(QStringLiteral("ready-clear"));
        clearer.start(QStringLiteral(CLERK_WORKER),
                      QStringList{db.path(), "clear", QString::number(kClearEveryMs), clearerReady, stop});
        QVERIFY(waitForFile(clearerReady, clearer));

        QElapsedTimer run;
        run.start();
        QFile(go).open(QIODevice::WriteOnly);
        QStringList outputs;
        for (auto &process : clerks) {
            QVERIFY(process->waitForFinished(240000));
            outputs << QString::fromLocal8Bit(process->readAllStandardOutput());
            QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0,
                     qPrintable(QString::fromLocal8Bit(process->readAllStandardError())));
        }
        const qint64 ms = run.elapsed();
        QFile(stop).open(QIODevice::WriteOnly);
        QVERIFY(clearer.waitForFinished(30000));
        QVERIFY2(clearer.exitCode() == 0, qPrintable(QString::fromLocal8Bit(clearer.readAllStandardError())));
        const QString clearerOutput = QString::fromLocal8Bit(clearer.readAllStandardOutput());

        const QMap<QString, QVector<qint64>> taken = lines(outputs, QStringLiteral("taken"));
        const QMap<QString, QVector<qint64>> cleared = lines({clearerOutput}, QStringLiteral("cleared"));
        const QVector<qint64> clears = lines({clearerOutput}, QStringLiteral("clears")).value(QStringLiteral("-"));
        const Stock stock = readStock(db.path());

        qInfo("%-12s %8s %8s %10s %8s %8s %8s", "item", "taken", "undone", "not in", "stock", "tally", "cleared");
        qint64 clicks = 0;
        for (const QString &name : kNames) {
            const QVector<qint64> t = taken.value(name, {0, 0, 0});
            const qint64 out = kInitialRemaining - stock.remaining.value(name);
            const qint64 inTally = stock.counted.value(name);
            const qint64 inClears = cleared.value(name).value(0);
            // Undos whose unit a clear had taken away lower no tally row.
            const qint64 undoneAfterAClear = t[1] - t[2];
            qInfo("%-12s %8lld %8lld %10lld %8lld %8lld %8lld", qPrintable(name), t[0], t[1], undoneAfterAClear, out,
                  inTally, inClears);
            clicks += t[0] + t[1];
            // No lost update of the item: every click and undo is in its stock.
            QCOMPARE(out, t[0] - t[1]);
            // None of the tally: what a clear took or the tally holds is every
            // unit taken but the ones given back from the tally.
            QCOMPARE(inTally + inClears, t[0] - t[2]);
        }
        QCOMPARE(clicks, qint64(kClerks) * (kClicksPerClerk + kClicksPerClerk / 10));
        QCOMPARE(stock.tallyRowsSeenTwice, 0);
        QCOMPARE(clears.value(1), 0); // no clear found two rows of one name
        QVERIFY2(clears.value(0) > 1, "the clearer never cleared while the clerks clicked");

        // The history: the books balance, and it holds one row per click,
        // per undo and per clear that took something, as the processes
        // counted them.
        std::shared_ptr<inv::Connection> c = testing::openLocation(db.path());
        QStringList unbalanced;
        for (const inv::Journal::Imbalance &i : inv::Journal::unbalanced(*c))
            unbalanced << inv::Journal::describe(i);
        QVERIFY2(unbalanced.isEmpty(), qPrintable(unbalanced.join(QStringLiteral("; "))));
        QMap<QString, qint64> rowsByKind; // "kind name"
        c->forEach(inv::Journal::kTable, [&](const inv::Row &row) {
            ++rowsByKind[inv::fieldText(row.values.value(inv::Journal::kKind)) + QLatin1Char(' ')
                         + inv::fieldText(row.values.value(inv::Journal::kItemName))];
        });
        for (const QString &name : kNames) {
            const QVector<qint64> t = taken.value(name, {0, 0, 0});
            QCOMPARE(rowsByKind.value(QStringLiteral("removal ") + name), t[0]);
            QCOMPARE(rowsByKind.value(QStringLiteral("undo ") + name), t[1]);
            QCOMPARE(rowsByKind.value(QStringLiteral("opening ") + name), 1);
        }
        QCOMPARE(rowsByKind.value(QStringLiteral("clear ")), clears.value(2));
        QCOMPARE(c->count(inv::Journal::kTable), qint64(kNames.size()) + clicks + clears.value(2));
        qInfo("%d clerks: %lld clicks and undos in %lld ms, %.0f per second; %lld clears", kClerks, clicks, ms,
              clicks * 1000.0 / double(ms), clears.value(0));
    }
};

QTEST_GUILESS_MAIN(TestClerks)
#include "test_clerks.moc"
