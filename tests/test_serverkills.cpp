// A clerk killed at any moment on a server database leaves the stock as it
// was before the click or undo it was making, or as it is after it, never in
// between, and holds no lock that the next clerk would wait for: a worker
// process takes units out and puts some back until it is killed, again and
// again, and after every kill the stock that left the items must be exactly
// the stock counted in the tally.

#include "data/core/connection.h"
#include "data/core/fields.h"
#include "data/core/recordset.h"
#include "data/stock/status.h"
#include "support/killrounds.h"
#include "support/testdb.h"

#include <QMap>
#include <QTest>

using testing::TestDb;

namespace {

constexpr int kKills = 40;
constexpr int kInitialRemaining = 30000;
const QStringList kNames = {QStringLiteral("Bond paper"), QStringLiteral("Toner"), QStringLiteral("Stapler")};
constexpr int kBases[] = {32000, 30000, 12000};

} // namespace

class TestServerKills : public QObject {
    Q_OBJECT

private slots:
    void killedAtAnyMomentEveryChangeIsWhole()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        for (int i = 0; i < kNames.size(); ++i)
            db.item(QStringLiteral("K-%1").arg(i), kNames[i], kInitialRemaining, kBases[i],
                    *inv::WholeStatusText(kInitialRemaining, qint16(kBases[i])));
        db.item("I-400", "Ink", 350, 700, "50%");

        qint64 taken = 0;
        int roundsWithChanges = 0;
        testing::KillRounds rounds{QStringLiteral(REMOVAL_WORKER), db.path(), kNames, kKills};
        rounds.run([&](const QString &round) {
            const qint64 before = taken;
            checkWhole(db.path(), round, taken);
            if (taken != before)
                ++roundsWithChanges;
        });
        if (QTest::currentTestFailed())
            return;
        qInfo("%d kills; %d runs changed the stock; %lld units out in all", kKills, roundsWithChanges, taken);
        QVERIFY2(roundsWithChanges > 0 && taken > 0, "the worker never changed the stock");
    }

private:
    // Through a connection of the test's own, after the kill: the writers'
    // lock is free (a change begins at once) and every item's units out are
    // the ones its tally row counts.
    static void checkWhole(const QString &location, const QString &round, qint64 &taken)
    {
        std::shared_ptr<inv::Connection> c = testing::openLocation(location);
        c->begin();
        c->rollback();

        const QStringList items = c->fields(QStringLiteral("Items"));
        const QStringList tally = c->fields(QStringLiteral("Itemsout"));
        QMap<QString, qint64> counted;
        c->forEach(QStringLiteral("Itemsout"), [&](const inv::Row &row) {
            const QString name = inv::fieldText(row.values.value(tally.indexOf(inv::kItemName)));
            QVERIFY2(!counted.contains(name), qPrintable(round + ": two tally rows for " + name));
            QVERIFY2(kNames.contains(name), qPrintable(round + ": a tally row for " + name));
            counted[name] = inv::fieldText(row.values.value(tally.indexOf(inv::kQuantity))).toLongLong();
        });
        taken = 0;
        int seen = 0;
        c->forEach(QStringLiteral("Items"), [&](const inv::Row &row) {
            const auto text = [&](const QString &field) {
                return inv::fieldText(row.values.value(items.indexOf(field)));
            };
            const QString name = text(inv::kItemName);
            ++seen;
            if (!kNames.contains(name)) {
                QCOMPARE(text(inv::kRemaining), QStringLiteral("350"));
                QCOMPARE(text(inv::kStatus), QStringLiteral("50%"));
                return;
            }
            const qint64 remaining = text(inv::kRemaining).toLongLong();
            const qint64 out = kInitialRemaining - remaining;
            QVERIFY2(out == counted.value(name), qPrintable(QStringLiteral("%1, %2: %3 out, the tally counts %4")
                                                                .arg(round, name)
                                                                .arg(out)
                                                                .arg(counted.value(name))));
            // The status as a removal writes it, or as an undo does.
            const qint16 base = qint16(kBases[kNames.indexOf(name)]);
            const QString status = text(inv::kStatus);
            QVERIFY2(status == inv::WholeStatusText(qint16(remaining), base).value_or(QString())
                         || status == inv::ExactStatusText(double(remaining), base).value_or(QString()),
                     qPrintable(QStringLiteral("%1, %2: status %3").arg(round, name, status)));
            taken += out;
        });
        QCOMPARE(seen, kNames.size() + 1);
    }
};

QTEST_GUILESS_MAIN(TestServerKills)
#include "test_serverkills.moc"
