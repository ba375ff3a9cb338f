// An add, an edit or a deletion of an item killed at any moment leaves each
// row entirely as it was or entirely as it is after the change: a worker
// process adds, edits and deletes items until it is killed, again and again,
// and after every kill each row must be one the worker wrote whole.

#include "data/keyedfile.h"
#include "data/schema.h"
#include "data/sqlcipherconnection.h"
#include "data/status.h"
#include "support/testdb.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

using testing::TestDb;

namespace {

constexpr int kKills = 25;

// The file's integrity as a reader of its own finds it (the first read rolls
// back what a killed writer left unfinished).
QString integrity(const QString &path)
{
    try {
        inv::KeyedFile db(path, inv::KeyedFile::Mode::ReadWrite);
        db.noBusyWait();
        return db.value(QStringLiteral("PRAGMA integrity_check")).toString();
    } catch (const inv::RecordsError &e) {
        return e.reason();
    }
}

} // namespace

class TestItemKills : public QObject {
    Q_OBJECT

private slots:
    void killedAtAnyMomentEveryRowIsWhole()
    {
        QTemporaryDir dir;
        TestDb db(dir.path());
        db.item("I-400", "Ink", 350, 700, "50%", "Untouched");
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const QString readyFile = dir.filePath("ready");
        const QRegularExpression number(QStringLiteral("^K-(\\d+)$"));
        int next = 1;
        int added = 0, edited = 0;

        for (int kill = 1; kill <= kKills; ++kill) {
            const QString round = QStringLiteral("kill %1 of %2 (seed %3)").arg(kill).arg(kKills).arg(seed);
            QFile::remove(readyFile);
            QProcess worker;
            worker.start(QStringLiteral(ITEMS_WORKER), {db.path(), QString::number(next), readyFile});
            QVERIFY2(worker.waitForStarted(10000), qPrintable(round + ": " + worker.errorString()));
            QElapsedTimer opening;
            opening.start();
            bool ended = false;
            while (!QFileInfo::exists(readyFile) && !ended && !opening.hasExpired(10000))
                ended = worker.waitForFinished(1);
            if (!ended)
                QThread::msleep(random.bounded(2, 60));
            worker.kill();
            QVERIFY(worker.waitForFinished(10000));
            QVERIFY2(worker.exitStatus() == QProcess::CrashExit,
                     qPrintable(round + ": the worker ended by itself: "
                                + QString::fromLocal8Bit(worker.readAllStandardError())));

            QCOMPARE(integrity(db.path()), QString("ok"));
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
            QCOMPARE(rows.filter("torn"), QStringList());
            QVERIFY2(rows.contains("I-400"), qPrintable(round));
            cn.reset();
            next = highest + 1;
        }
        qInfo("%d kills; %d rows found as added, %d as edited in all", kKills, added, edited);
        QVERIFY2(next > 1, "the worker never added an item");
    }
};

QTEST_MAIN(TestItemKills)
#include "test_itemkills.moc"
