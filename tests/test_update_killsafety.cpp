// An Add or Less killed at any moment leaves each item's row as it was
// before the change or as it is after it, never in between: a worker process
// raises and lowers stock until it is killed, again and again, and after
// every kill each row's status must be the exact status of its own remaining
// and maximum quantities, and a maximum must only ever have been raised to a
// remaining quantity.

#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/journal.h"
#include "data/stock/status.h"
#include "support/killrounds.h"
#include "support/testdb.h"

#include <QTest>

using testing::TestDb;

namespace {

constexpr int kKills = 25;
constexpr int kInitialRemaining = 10000; // far from either end of the range
constexpr int kInitialMax = 10050; // an Add soon goes beyond it

const QStringList kNumbers = {"B-100", "T-200", "S-300"};

} // namespace

class TestUpdateKillSafety : public QObject {
    Q_OBJECT

private slots:
    void killedAtAnyMomentEveryRowIsWhole()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        for (const QString &number : kNumbers)
            db.item(number, "Item " + number, kInitialRemaining, kInitialMax,
                    *inv::ExactStatusText(kInitialRemaining, kInitialMax));
        db.balanced();

        QStringList previous = rows(db.path());
        int roundsWithChanges = 0;
        testing::KillRounds rounds{QStringLiteral(UPDATE_WORKER), db.path(), kNumbers, kKills};
        rounds.run([&](const QString &round) {
            const QStringList now = rows(db.path());
            QCOMPARE(now.size(), kNumbers.size());
            for (const QString &row : now) {
                const QStringList f = row.split('|');
                const int remaining = f[1].toInt();
                const int max = f[2].toInt();
                const QString exact = inv::ExactStatusText(remaining, qint16(max)).value_or(QString());
                QVERIFY2(f[3] == exact,
                         qPrintable(QStringLiteral("%1, %2; expected the status %3").arg(round, row, exact)));
                QVERIFY2(max == kInitialMax || (max > kInitialMax && max <= 32767), qPrintable(round + ", " + row));
            }
            // Each Add and Less wrote its history row with it, or neither
            // was written.
            QStringList off;
            for (const inv::Journal::Imbalance &i :
                 inv::Journal::unbalanced(*inv::SqlCipherConnection::open(db.path())))
                off << inv::Journal::describe(i);
            QVERIFY2(off.isEmpty(), qPrintable(round + ": " + off.join("; ")));
            if (now != previous)
                ++roundsWithChanges;
            previous = now;
        });
        if (QTest::currentTestFailed())
            return;
        qInfo("%d kills, %d of them inside a write; %d runs changed the stock", kKills, rounds.killsInsideAWrite,
              roundsWithChanges);
        QVERIFY2(roundsWithChanges > 0, "the worker never changed the stock");
    }

private:
    // item_no|remaining|max|Status of every row, in table order.
    static QStringList rows(const QString &path)
    {
        QStringList out;
        auto cn = inv::SqlCipherConnection::open(path);
        const QStringList fields = cn->fields("Items");
        const int no = fields.indexOf("item_no"), remaining = fields.indexOf("remaining_quantity"),
                  max = fields.indexOf("max_quantity"), status = fields.indexOf("Status");
        cn->forEach("Items", [&](const inv::Row &row) {
            out << QStringList{row.values[no].toString(), row.values[remaining].toString(), row.values[max].toString(),
                               row.values[status].toString()}
                       .join('|');
        });
        return out;
    }
};

QTEST_GUILESS_MAIN(TestUpdateKillSafety)
#include "test_update_killsafety.moc"
