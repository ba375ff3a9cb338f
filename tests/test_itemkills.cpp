// An add, an edit or a deletion of an item killed at any moment leaves each
// row entirely as it was or entirely as it is after the change: a worker
// process adds, edits and deletes items until it is killed, again and again,
// and after every kill each row must be one the worker wrote whole.

#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/journal.h"
#include "data/stock/status.h"
#include "support/killrounds.h"
#include "support/testdb.h"

#include <QRegularExpression>
#include <QTest>

using testing::TestDb;

namespace {

constexpr int kKills = 25;

} // namespace

class TestItemKills : public QObject {
    Q_OBJECT

private slots:
    void killedAtAnyMomentEveryRowIsWhole()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("I-400", "Ink", 350, 700, "50%", "Untouched").balanced();
        const QRegularExpression number(QStringLiteral("^K-(\\d+)$"));
        int next = 1;
        int added = 0, edited = 0;
        testing::KillRounds rounds{QStringLiteral(ITEMS_WORKER), db.path(), {}, kKills, 60};
        rounds.number = [&](QRandomGenerator &) { return QString::number(next); };
        rounds.run([&](const QString &round) {
            // Every row is one the worker wrote whole: as added, or as edited.
            auto cn = inv::SqlCipherConnection::open(db.path());
            const QStringList fields = cn->fields("Items");
            const auto at = [&](const inv::Row &row, const char *field) {
                return row.values.value(fields.indexOf(QLatin1String(field)));
            };
            int highest = 0;
            QStringList rows;
            cn->forEach("Items", [&](const inv::Row &row) {
                const QString no = at(row, "item_no").toString();
                const auto match = number.match(no);
                if (!match.hasMatch()) {
                    rows << no;
                    return;
                }
                const int k = match.captured(1).toInt();
                highest = std::max(highest, k);
                const QString name = at(row, "item_name").toString();
                const QString desc = at(row, "Description").toString();
                const bool asAdded =
                    name == QStringLiteral("Name %1").arg(k) && desc == QStringLiteral("Desc %1").arg(k);
                const bool asEdited =
                    name == QStringLiteral("Edited %1").arg(k) && desc == QStringLiteral("Edited desc %1").arg(k);
                (asAdded ? added : edited) += 1;
                const int original = k % 50 + 1, remaining = k % 7;
                const QString whole = QStringList{no,
                                                  name,
                                                  desc,
                                                  at(row, "original_quantity").toString(),
                                                  at(row, "remaining_quantity").toString(),
                                                  at(row, "max_quantity").toString(),
                                                  at(row, "Status").toString()}
                                          .join('|');
                const QString expected = QStringList{no,
                                                     name,
                                                     desc,
                                                     QString::number(original),
                                                     QString::number(remaining),
                                                     QString::number(original),
                                                     *inv::WholeStatusText(qint16(remaining), qint16(original))}
                                             .join('|');
                if (!(asAdded || asEdited) || whole != expected)
                    rows << QStringLiteral("torn: ") + whole;
            });
            const QStringList torn = rows.filter("torn");
            QVERIFY2(torn.isEmpty(), qPrintable(round + ": " + torn.join("; ")));
            QVERIFY2(rows.contains("I-400"), qPrintable(round));
            // Each add, edit and deletion wrote its history row with it, or
            // neither was written.
            QStringList off;
            for (const inv::Journal::Imbalance &i : inv::Journal::unbalanced(*cn))
                off << inv::Journal::describe(i);
            QVERIFY2(off.isEmpty(), qPrintable(round + ": " + off.join("; ")));
            cn.reset();
            next = highest + 1;
        });
        if (QTest::currentTestFailed())
            return;
        qInfo("%d kills, %d of them inside a write; %d rows found as added, %d as edited in all", kKills,
              rounds.killsInsideAWrite, added, edited);
        QVERIFY2(next > 1, "the worker never added an item");
    }
};

QTEST_MAIN(TestItemKills)
#include "test_itemkills.moc"
