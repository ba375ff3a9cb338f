// A removal or an undo killed at any moment leaves the records database as it
// was before the change or as it is after it, never in between: a worker
// process takes units out and puts some back until it is killed, again and
// again, and after every kill the stock that left the items must be exactly
// the stock counted in the tally.

#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/schema/schema.h"
#include "data/stock/journal.h"
#include "data/stock/status.h"
#include "support/killrounds.h"
#include "support/testdb.h"

#include <QMap>
#include <QTest>

#include <memory>
#include <sqlite3.h>

using testing::TestDb;

namespace {

constexpr int kKills = 40;
constexpr int kInitialRemaining = 30000; // stock never runs out within the test

struct Item {
    QString no;
    QString name;
    int max;
};

// The items the worker works on, and one it never touches. The bases give
// whole and long exact percentages.
const QVector<Item> kWorked = {{"B-100", "Bond paper", 32000}, {"T-200", "Toner", 30000}, {"S-300", "Stapler", 12000}};
const Item kUntouched{"I-400", "Ink", 700};

using Rows = QVector<QVector<QVariant>>;

QVariant columnValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_NULL:
        return QVariant();
    default:
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    }
}

// The file as any keyed reader finds it, with a handle of its own: the first
// read rolls back what a killed writer left unfinished.
class Reader {
public:
    explicit Reader(const QString &path)
    {
        try {
            m_file = std::make_unique<inv::KeyedFile>(path, inv::KeyedFile::Mode::ReadWrite);
            m_file->noBusyWait();
        } catch (const inv::RecordsError &e) {
            m_error = e.reason();
        }
    }

    // Rows of a query; empty with error() set when it fails.
    Rows query(const char *sql)
    {
        Rows rows;
        if (!m_file)
            return rows;
        try {
            m_file->query(QString::fromUtf8(sql), [&rows](sqlite3_stmt *stmt) {
                QVector<QVariant> row;
                for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                    row << columnValue(stmt, c);
                rows << row;
            });
        } catch (const inv::RecordsError &e) {
            m_error = e.reason();
        }
        return rows;
    }
    const QString &error() const { return m_error; }

private:
    std::unique_ptr<inv::KeyedFile> m_file;
    QString m_error;
};

QString describe(const QVector<QVariant> &row)
{
    QStringList values;
    for (const QVariant &v : row)
        values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
    return values.join(QLatin1Char('|'));
}

} // namespace

class TestKillSafety : public QObject {
    Q_OBJECT

private slots:
    void killedAtAnyMomentEveryChangeIsWhole()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        QStringList names;
        for (const Item &item : kWorked) {
            db.item(item.no, item.name, kInitialRemaining, item.max,
                    *inv::WholeStatusText(kInitialRemaining, qint16(item.max)));
            names << item.name;
        }
        db.item(kUntouched.no, kUntouched.name, 350, kUntouched.max, "50%");
        db.balanced();
        QString untouchedRow;
        {
            Reader reader(db.path());
            untouchedRow = readUntouched(reader);
        }
        QVERIFY(!untouchedRow.isEmpty());

        qint64 previousTaken = 0;
        qint64 taken = 0;
        int roundsWithChanges = 0;
        testing::KillRounds rounds{QStringLiteral(REMOVAL_WORKER), db.path(), names, kKills};
        rounds.run([&](const QString &round) {
            checkWhole(db.path(), untouchedRow, round, taken);
            // Each removal and undo wrote its history row with it, or
            // neither was written: the books balance after every kill.
            checkBalanced(db.path(), round);
            if (taken != previousTaken)
                ++roundsWithChanges;
            previousTaken = taken;
        });
        if (QTest::currentTestFailed())
            return;

        qInfo("%d kills, %d of them inside a write; %d runs changed the stock; %lld units out in all", kKills,
              rounds.killsInsideAWrite, roundsWithChanges, taken);
        // The worker really worked, or the checks above prove nothing.
        QVERIFY2(roundsWithChanges > 0 && taken > 0, "the worker never changed the stock");
    }

private:
    static void checkBalanced(const QString &path, const QString &round)
    {
        QStringList off;
        for (const inv::Journal::Imbalance &i : inv::Journal::unbalanced(*inv::SqlCipherConnection::open(path)))
            off << inv::Journal::describe(i);
        QVERIFY2(off.isEmpty(), qPrintable(round + ": " + off.join("; ")));
    }

    static QString readUntouched(Reader &reader)
    {
        const Rows rows = reader.query("SELECT * FROM Items WHERE item_no = 'I-400'");
        return rows.size() == 1 ? describe(rows.first()) : QString();
    }

    // Checks the invariants that only hold when every removal and undo was
    // written whole (the file's integrity is checked before); taken gets the
    // units out of the worked items in all.
    static void checkWhole(const QString &path, const QString &untouchedRow, const QString &round, qint64 &taken)
    {
        Reader reader(path);
        const Rows items =
            reader.query("SELECT item_no, item_name, remaining_quantity, max_quantity, Status FROM Items "
                         "ORDER BY rowid");
        const Rows tally = reader.query("SELECT item_no, item_name, quantity FROM Itemsout ORDER BY rowid");
        QVERIFY2(reader.error().isEmpty(), qPrintable(round + ": " + reader.error()));
        QCOMPARE(items.size(), kWorked.size() + 1);
        QCOMPARE(readUntouched(reader), untouchedRow);

        // One tally row at most per name, for worked items only.
        QMap<QString, QVector<QVariant>> tallyByName;
        for (const QVector<QVariant> &row : tally) {
            const QString name = row.value(1).toString();
            QVERIFY2(!tallyByName.contains(name), qPrintable(round + ": two tally rows for " + name));
            tallyByName.insert(name, row);
        }

        taken = 0;
        for (int i = 0; i < kWorked.size(); ++i) {
            const Item &item = kWorked[i];
            const QVector<QVariant> &row = items[i];
            const QString where = round + QStringLiteral(", ") + item.name + QStringLiteral(": ") + describe(row);
            QCOMPARE(row.value(1).toString(), item.name);
            const qint64 remaining = row.value(2).toLongLong();
            const qint64 out = kInitialRemaining - remaining;
            const QVector<QVariant> tallyRow = tallyByName.take(item.name);
            const qint64 counted = tallyRow.isEmpty() ? 0 : tallyRow.value(2).toLongLong();
            QVERIFY2(out == counted, qPrintable(QStringLiteral("%1; the tally counts %2").arg(where).arg(counted)));
            if (!tallyRow.isEmpty())
                QVERIFY2(tallyRow.value(0).toString() == item.no, qPrintable(where + "; tally " + describe(tallyRow)));

            // The status as a removal writes it, or as an undo does.
            const QString status = row.value(4).toString();
            const qint16 base = qint16(row.value(3).toInt());
            const QString whole = inv::WholeStatusText(qint16(remaining), base).value_or(QString());
            const QString exact = inv::ExactStatusText(double(remaining), base).value_or(QString());
            QVERIFY2(status == whole || status == exact,
                     qPrintable(QStringLiteral("%1; expected %2 or %3").arg(where, whole, exact)));
            taken += out;
        }
        QVERIFY2(tallyByName.isEmpty(), qPrintable(round + ": a tally row for an item never taken out"));
    }
};

QTEST_GUILESS_MAIN(TestKillSafety)
#include "test_killsafety.moc"
