// Keeping the stock file safe with inventory-admin: check finds each kind of
// damage and writes nothing; a backup taken while another process keeps
// taking units out is whole; a restore killed at any moment leaves the file
// either as it was or as the backup, never in between, and is refused while
// the program has the file open; export hands a spreadsheet exactly what is
// stored. The same commands on a server database: its export is the file's,
// its check names what does not balance, its backup is a file the program
// opens, and its restore waits for the clerks to go and is whole or nothing.

#include "admin/historycommands.h"
#include "admin/maintenance.h"
#include "data/core/waits.h"
#include "data/engines/file/inuselock.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/status.h"
#include "support/testdb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <sqlite3.h>

using testing::TestDb;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run admin(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(INVENTORY_ADMIN), args);
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file of a folder with its size, time and contents: what "nothing was
// written" is checked against.
QMap<QString, QByteArray> folderState(const QString &dir)
{
    QMap<QString, QByteArray> state;
    for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        state.insert(info.fileName(),
                     QByteArray::number(info.size()) + ' ' + QByteArray::number(info.lastModified().toMSecsSinceEpoch())
                         + ' ' + QCryptographicHash::hash(contents(info.filePath()), QCryptographicHash::Sha1).toHex());
    }
    return state;
}

// Adds n plain items in one transaction, so that the file spans many pages.
void addFiller(const QString &path, int n, const QString &prefix = QStringLiteral("F"))
{
    inv::KeyedFile db(path, inv::KeyedFile::Mode::ReadWrite);
    db.exec(QStringLiteral(
                "BEGIN;"
                "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                "INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, Status, "
                "max_quantity, date_updated, tempdate) SELECT printf('%2-%06d', i), printf('%2 item %06d', i), "
                "'A filler item of the store room, with a description long enough to fill pages', 100, 50, '50%', "
                "100, '2026-01-15', '2026-01-15' FROM c;"
                "COMMIT;")
                .arg(n)
                .arg(prefix));
}

// dest becomes a copy of source with a change cut off half-written: the
// file holds part of the change and dest-journal the pages to roll it back.
void makeCutOffChange(const QString &source, const QString &dest)
{
    const QString work = dest + QStringLiteral(".work");
    QVERIFY(QFile::copy(source, work));
    {
        inv::KeyedFile db(work, inv::KeyedFile::Mode::ReadWrite);
        // A small cache makes the engine write changed pages to the file
        // before the commit, as a large change does.
        db.exec(QStringLiteral("PRAGMA cache_size = 5; BEGIN; "
                               "UPDATE Items SET Description = Description || ' changed, and never committed'"));
        QVERIFY(QFileInfo(work + "-journal").size() > 0);
        // The file and its journal as a killed writer leaves them.
        QVERIFY(contents(work) != contents(source));
        QVERIFY(QFile::copy(work, dest));
        QVERIFY(QFile::copy(work + "-journal", dest + "-journal"));
    }
    QFile::remove(work);
    QFile::remove(work + "-journal");
}

// The stock out of every item equals its tally, as after whole removals.
void checkTallies(const QString &path, int initial, const QString &where, qint64 *taken)
{
    inv::KeyedFile db(path, inv::KeyedFile::Mode::ReadOnly);
    QMap<QString, qint64> out, counted;
    db.query(QStringLiteral("SELECT item_name, remaining_quantity FROM Items WHERE item_no LIKE 'W-%'"),
             [&](sqlite3_stmt *stmt) {
                 out[QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)))] =
                     initial - sqlite3_column_int64(stmt, 1);
             });
    db.query(QStringLiteral("SELECT item_name, quantity FROM Itemsout"), [&](sqlite3_stmt *stmt) {
        counted[QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)))] +=
            sqlite3_column_int64(stmt, 1);
    });
    *taken = 0;
    for (auto it = out.begin(); it != out.end(); ++it) {
        QVERIFY2(it.value() == counted.value(it.key()),
                 qPrintable(QStringLiteral("%1: %2 has %3 units out and a tally of %4")
                                .arg(where, it.key())
                                .arg(it.value())
                                .arg(counted.value(it.key()))));
        *taken += it.value();
    }
    for (auto it = counted.begin(); it != counted.end(); ++it)
        QVERIFY2(out.contains(it.key()), qPrintable(where + ": a tally row for no worked item: " + it.key()));
}

// Items and a tally row whose texts a CSV writer must quote, double or
// guard, with numbers as texts, dates and empty fields.
void addAwkwardRows(TestDb &db)
{
    const QStringList awkward = {
        "Bolts, M6, box of 100",
        "The \"big\" one",
        "\"",
        ",",
        "two\nlines",
        "windows\r\nline break",
        "Ελληνικά, 日本語, Кириллица 🙂",
        "  spaced  ",
        "=SUM(A1:A2)",
        "+1+2",
        "-A1",
        "@SUM(A1)",
        "-5",
        "",
    };
    for (int i = 0; i < awkward.size(); ++i)
        db.row("Items", {{"item_no", i == 0 ? QString("007") : QStringLiteral("0%1").arg(i)},
                         {"item_name", awkward[i]},
                         {"Description", awkward[awkward.size() - 1 - i]},
                         {"original_quantity", 10 + i},
                         {"remaining_quantity", i},
                         {"Status", QStringLiteral("%1%").arg(i * 10)},
                         {"max_quantity", 10 + i},
                         {"date_updated", QDate(2026, 3, i + 1)},
                         {"tempdate", QDate(2025, 12, 31)}});
    db.row("Items", {{"item_no", "1.50"}, {"item_name", "No description, no dates"}});
    db.tally("007", "Bolts, M6, box of 100", 3, "line one\nline \"two\"");
}

constexpr int kInitial = 30000;

} // namespace

// The server cases run where the test server is (ctest starts it).
#define SKIP_WITHOUT_SERVER()                                                                                          \
    if (qEnvironmentVariableIsEmpty("INVENTORY_TEST_PGSERVER"))                                                        \
    QSKIP("needs the test server (INVENTORY_TEST_PGSERVER)")

class TestSafekeeping : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void checkReportsEachKindOfDamageAndWritesNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::addRow("sound") << "sound"
                               << "sound, 3002 items, 1 removal records";
        QTest::addRow("missing file") << "missing"
                                      << "the file does not exist";
        QTest::addRow("0-byte file") << "empty"
                                     << "the file is empty (0 bytes)";
        QTest::addRow("text file") << "text"
                                   << "not a records database";
        QTest::addRow("unencrypted database") << "plain"
                                              << "without the system's key";
        QTest::addRow("wrong key") << "otherkey"
                                   << "protected with another password";
        QTest::addRow("table missing") << "notable"
                                       << "the table Misc is missing";
        QTest::addRow("field missing") << "nofield"
                                       << "the table Misc has no field pat";
        QTest::addRow("damaged page deep in the file") << "damaged"
                                                       << "the integrity check finds damage";
        QTest::addRow("cut short in a page") << "cutshort"
                                             << "cut short";
        QTest::addRow("cut short at a page boundary") << "cutpage"
                                                      << "it may have been cut short";
        QTest::addRow("change cut off half-written") << "cutoff"
                                                     << "cut off half-written";
    }

    void checkReportsEachKindOfDamageAndWritesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        const QString dir = m_dir->filePath("case");
        QVERIFY(QDir().mkpath(dir));
        const QString path = QDir(dir).filePath("Records.mdb");
        if (kind == "sound" || kind == "damaged" || kind == "cutshort" || kind == "cutpage" || kind == "cutoff") {
            const QString built = m_dir->filePath("Built.mdb");
            TestDb made(m_dir->path(), "Built.mdb");
            made.item("A-1", "Anvil", 3, 4).item("B-2", "Bolt", 9, 9).tally("A-1", "Anvil", 1);
            addFiller(built, 3000);
            made.balanced();
            if (kind == "cutoff") {
                makeCutOffChange(built, path);
            } else {
                QVERIFY(QFile::copy(built, path));
            }
            QFile file(path);
            const qint64 pages = file.size() / 1024;
            QVERIFY(pages > 100);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (kind == "damaged") {
                // A few bytes of a page two thirds into the file.
                const qint64 at = (pages * 2 / 3) * 1024 + 300;
                file.seek(at);
                QByteArray bytes = file.read(8);
                for (char &c : bytes)
                    c = char(~c);
                file.seek(at);
                file.write(bytes);
            } else if (kind == "cutshort") {
                file.resize(file.size() - 700);
            } else if (kind == "cutpage") {
                file.resize((pages / 2) * 1024);
            }
        } else if (kind == "empty") {
            testing::writeFile(dir, "Records.mdb", {});
        } else if (kind == "text") {
            testing::writeFile(dir, "Records.mdb", "item_no,item_name\r\nA-1,Anvil\r\n");
        } else if (kind != "missing") {
            testing::makeBadDatabase(path, kind);
        }
        const auto before = folderState(dir);
        QThread::msleep(20); // a write would show in the times

        const Run run = admin({"check", path});
        const QString said = QString::fromUtf8(run.out) + run.err;
        QVERIFY2(said.contains(expected), qPrintable(said));
        if (kind == "sound") {
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(QString::fromUtf8(run.out), path + ": sound, 3002 items, 1 removal records\n" + path
                                                     + ": the books balance, 3002 history rows\n");
        } else {
            QVERIFY2(run.exitCode > 0, qPrintable(said));
            QVERIFY(run.out.isEmpty());
            // Sentences, one a line, each naming the file.
            for (const QString &line : run.err.split('\n'))
                QVERIFY2(line.startsWith("inventory-admin: " + path) && !line.contains("*** "), qPrintable(line));
        }
        if (kind == "cutoff") {
            // The other looks at a file say the same, and write nothing either.
            for (const char *command : {"history", "reorder", "export"}) {
                const Run look = admin({command, path});
                QCOMPARE(look.exitCode, 1);
                QVERIFY2(look.err.contains(expected) && !look.err.contains('\n'), qPrintable(look.err));
            }
            // So does an import's dry run: it neither rolls the change back
            // nor says that nothing was written.
            const QString csv = testing::writeFile(
                m_dir->path(), "new.csv",
                "item_no,item_name,Description,original_quantity,remaining_quantity\r\nN-1,Nails,box,10,10\r\n");
            const Run dry = admin({"import", path, csv, "--dry-run"});
            QCOMPARE(dry.exitCode, 1);
            QVERIFY2(dry.out.isEmpty(), dry.out.constData());
            QCOMPARE(dry.err.split('\n'),
                     QStringList({"inventory-admin: " + path + ": " + inv::KeyedFile::halfWritten(path),
                                  "inventory-admin: nothing was added to " + path}));
        }
        QCOMPARE(folderState(dir), before);
    }

    void backupWhileAnotherProcessTakesUnitsOut()
    {
        TestDb db(m_dir->path());
        const QStringList names = {"Bond paper", "Toner", "Stapler"};
        for (int i = 0; i < names.size(); ++i)
            db.item(QStringLiteral("W-%1").arg(i), names[i], kInitial, 32000, *inv::WholeStatusText(kInitial, 32000));
        // Enough rows that a copy takes a while, side by side with the writes.
        addFiller(db.path(), 5000);

        const QString ready = m_dir->filePath("ready");
        QProcess worker;
        worker.start(QStringLiteral(REMOVAL_WORKER), QStringList{db.path(), "7", ready} + names);
        QVERIFY(worker.waitForStarted(10000));
        QElapsedTimer opening;
        opening.start();
        while (!QFileInfo::exists(ready) && !opening.hasExpired(10000))
            QThread::msleep(5);
        QVERIFY(QFileInfo::exists(ready));

        qint64 lastTaken = -1;
        int changedBetweenCopies = 0;
        for (int i = 1; i <= 8; ++i) {
            const QString dest = m_dir->filePath(QStringLiteral("Backup%1.mdb").arg(i));
            const Run run = admin({"backup", db.path(), dest});
            const QString where = QStringLiteral("backup %1").arg(i);
            QVERIFY2(run.exitCode == 0, qPrintable(where + ": " + run.err));
            QVERIFY2(QString::fromUtf8(run.out).startsWith(dest + ": a checked copy of " + db.path()),
                     run.out.constData());
            const inv::AdminReport check = inv::checkDatabase(dest);
            QVERIFY2(check.ok(), qPrintable(where + ": " + check.problems.join('\n')));
            QCOMPARE(check.items, 5003);
            qint64 taken = 0;
            checkTallies(dest, kInitial, where, &taken);
            if (QTest::currentTestFailed())
                break;
            if (lastTaken >= 0 && taken != lastTaken)
                ++changedBetweenCopies;
            lastTaken = taken;
            QThread::msleep(30);
        }
        // The worker was never kept from a write (it ends itself when one fails).
        const bool stillWorking = worker.state() == QProcess::Running;
        worker.kill();
        worker.waitForFinished(10000);
        QVERIFY2(stillWorking, worker.readAllStandardError().constData());
        qInfo("%lld units out in the last copy; %d copies differ from the one before", lastTaken, changedBetweenCopies);
        QVERIFY2(changedBetweenCopies > 0, "the worker changed nothing between the copies: the test proves nothing");
        // No temporary file is left beside the copies.
        QCOMPARE(QDir(m_dir->path()).entryList({"*.partial-*"}, QDir::Files), QStringList());
    }

    void backupRefusals()
    {
        TestDb db(m_dir->path());
        db.item("A-1", "Anvil", 3, 4);
        const QString existing = testing::writeFile(m_dir->path(), "Existing.mdb", "keep me");
        Run run = admin({"backup", db.path(), existing});
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains("already exists; it is left as it is"), qPrintable(run.err));
        QCOMPARE(contents(existing), QByteArray("keep me"));

        const QString other = m_dir->filePath("Other.mdb");
        testing::makeBadDatabase(other, "otherkey");
        run = admin({"backup", other, m_dir->filePath("New.mdb")});
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains("protected with another password"), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(m_dir->filePath("New.mdb")));
        QCOMPARE(QDir(m_dir->path()).entryList({"New.mdb*"}, QDir::Files), QStringList());
    }

    // A file name that holds place markers ("%3") shows in the summaries as
    // it stands, not with a count written into it.
    void summariesKeepTheNamesAsTheyStand()
    {
        TestDb db(m_dir->path());
        db.item("A-1", "Anvil", 3, 4);
        const QString copy = m_dir->filePath("Copy %3 of %1.mdb");
        const inv::AdminReport backup = inv::backupDatabase(db.path(), copy);
        QVERIFY2(backup.ok(), qPrintable(backup.problems.join('\n')));
        QCOMPARE(backup.summary, copy + ": a checked copy of " + db.path() + ", 1 items, 0 removal records");
        QCOMPARE(inv::checkDatabase(copy).summary, copy + ": sound, 1 items, 0 removal records");
        const inv::AdminReport restore = inv::restoreDatabase(copy, db.path());
        QVERIFY2(restore.ok(), qPrintable(restore.problems.join('\n')));
        QVERIFY2(restore.summary.startsWith(db.path() + ": restored from " + copy + ", 1 items, 0 removal records"),
                 qPrintable(restore.summary));
    }

    void restoreKilledAtAnyMomentLeavesOneWholeFile()
    {
        // The former file and the backup, each with contents of its own.
        const QString former = m_dir->filePath("Former.mdb");
        const QString backup = m_dir->filePath("Backup.mdb");
        TestDb(m_dir->path(), "Former.mdb").item("O-1", "Old item", 1, 1);
        addFiller(former, 4000, "O");
        TestDb(m_dir->path(), "Backup.mdb").item("N-1", "New item", 2, 2).tally("N-1", "New item", 1);
        addFiller(backup, 6000, "N");
        const QByteArray formerBytes = contents(former);
        // The backup put in place: its rows, and one restore row per item
        // in its history.
        const QStringList backupRows = testing::snapshot(backup, {"Items", "Itemsout", "Misc"});
        const auto isBackup = [&](const QString &file) {
            if (testing::snapshot(file, {"Items", "Itemsout", "Misc"}) != backupRows)
                return false;
            auto cn = inv::SqlCipherConnection::open(file);
            return cn->count("Journal") == cn->count("Items");
        };

        const QString dir = m_dir->filePath("store");
        QVERIFY(QDir().mkpath(dir));
        const QString path = QDir(dir).filePath("Records.mdb");
        const QString kept = path + ".before-restore";
        auto freshStart = [&] {
            for (const QString &name : QDir(dir).entryList(QDir::Files))
                QFile::remove(QDir(dir).filePath(name));
            QFile::copy(former, path);
        };

        // How long a whole restore takes here.
        QVector<qint64> times;
        for (int i = 0; i < 3; ++i) {
            freshStart();
            QElapsedTimer timer;
            timer.start();
            const Run run = admin({"restore", backup, path});
            times << timer.elapsed();
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
            QVERIFY(isBackup(path));
            QCOMPARE(contents(kept), formerBytes);
        }
        std::sort(times.begin(), times.end());
        const qint64 whole = times[1];

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int killedBefore = 0, killedAfter = 0;
        for (int round = 1; round <= 30; ++round) {
            const QString where = QStringLiteral("round %1 (seed %2)").arg(round).arg(seed);
            freshStart();
            QProcess restore;
            restore.start(QStringLiteral(INVENTORY_ADMIN), {"restore", backup, path});
            QVERIFY(restore.waitForStarted(10000));
            const bool ended = restore.waitForFinished(int(random.bounded(qint64(whole * 3 / 2) + 1)));
            if (!ended) {
                restore.kill();
                QVERIFY(restore.waitForFinished(10000));
            }

            const bool wasFormer = contents(path) == formerBytes;
            const inv::AdminReport check = inv::checkDatabase(path);
            QVERIFY2(check.ok(), qPrintable(where + ": " + check.problems.join('\n')));
            QVERIFY2(wasFormer || isBackup(path),
                     qPrintable(where + ": the file is neither the former one nor the backup"));
            if (!wasFormer) {
                ++killedAfter;
                QCOMPARE(contents(kept), formerBytes);
            } else {
                ++killedBefore;
                // What a cut-off restore leaves does not stand in the way of
                // the next one.
                const Run again = admin({"restore", backup, path});
                QVERIFY2(again.exitCode == 0, qPrintable(where + ": " + again.err));
                QVERIFY(isBackup(path));
                QCOMPARE(contents(kept), formerBytes);
            }
        }
        qInfo("whole restore %lld ms; killed before the swap %d times, after it %d times", whole, killedBefore,
              killedAfter);
        QVERIFY2(killedBefore > 0 && killedAfter > 0, "the kills never fell on both sides of the swap");
    }

    void restoreRefusalsAndTheFormerFile()
    {
        const QString backup = m_dir->filePath("Backup.mdb");
        TestDb(m_dir->path(), "Backup.mdb").item("N-1", "New item", 2, 2);
        const QString dir = m_dir->filePath("store");
        QVERIFY(QDir().mkpath(dir));
        TestDb current(dir);
        current.item("O-1", "Old item", 1, 1);
        const QString path = current.path();
        const QByteArray currentBytes = contents(path);

        // A damaged backup.
        const QString damaged = m_dir->filePath("Damaged.mdb");
        testing::makeBadDatabase(damaged, "notable");
        Run run = admin({"restore", damaged, path});
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains("the table Misc is missing") && run.err.contains("left as it is"),
                 qPrintable(run.err));
        QCOMPARE(contents(path), currentBytes);

        // While the program has the file open.
        {
            auto open = inv::SqlCipherConnection::open(path);
            run = admin({"restore", backup, path});
            QVERIFY(run.exitCode > 0);
            QVERIFY2(run.err.contains("is open in the inventory program"), qPrintable(run.err));
            QCOMPARE(contents(path), currentBytes);
            // Another process may open it too, side by side.
            inv::InUseLock shared;
            QCOMPARE(shared.take(path, inv::InUseLock::Kind::Shared), inv::InUseLock::Result::Taken);
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList({"Records.mdb", "Records.mdb.inventory-lock"}));

        // Closed: it goes through, and the former file is kept.
        run = admin({"restore", backup, path});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        // The backup's rows, and the restore in its history.
        QCOMPARE(testing::snapshot(path, {"Items", "Itemsout", "Misc"}),
                 testing::snapshot(backup, {"Items", "Itemsout", "Misc"}));
        QCOMPARE(inv::SqlCipherConnection::open(path)->count("Journal"), 1);
        QCOMPARE(contents(path + ".before-restore"), currentBytes);

        // A second restore never overwrites the file the first one kept.
        run = admin({"restore", backup, path});
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains(".before-restore already exists"), qPrintable(run.err));
        QCOMPARE(contents(path + ".before-restore"), currentBytes);

        // A change cut off in the former file is rolled back into it, so the
        // kept file stands on its own and no journal is left to meet the
        // restored one.
        QFile::remove(path + ".before-restore");
        QFile::remove(path);
        const QString large = m_dir->filePath("Large.mdb");
        TestDb(m_dir->path(), "Large.mdb");
        addFiller(large, 3000);
        makeCutOffChange(large, path);
        QVERIFY(!inv::checkDatabase(path).ok());
        run = admin({"restore", backup, path});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(path + "-journal"));
        QVERIFY2(inv::checkDatabase(path + ".before-restore").ok(),
                 qPrintable(inv::checkDatabase(path + ".before-restore").problems.join('\n')));
        inv::KeyedFile kept(path + ".before-restore", inv::KeyedFile::Mode::ReadOnly);
        QCOMPARE(kept.value("SELECT count(*) FROM Items WHERE Description LIKE '%never committed'").toInt(), 0);
    }

    // A journal cut off before its header was flushed (its magic number
    // still zero, as a writer killed early leaves it) holds no change, and
    // the engine ignores it: the restore goes through. (One that holds a
    // change is rolled back first: restoreRefusalsAndTheFormerFile.)
    void restoreBesideAColdJournal()
    {
        TestDb db(m_dir->path());
        db.item("A-1", "Anvil", 3, 4);
        const QString backup = m_dir->filePath("Backup.mdb");
        QVERIFY(inv::backupDatabase(db.path(), backup).ok());
        testing::writeFile(m_dir->path(), "Records.mdb-journal", QByteArray(4096, '\0'));
        const inv::AdminReport report = inv::restoreDatabase(backup, db.path());
        QVERIFY2(report.ok(), qPrintable(report.problems.join('\n')));
    }

    // A program that opens the file while a restore holds it waits for the
    // restore, saying so, then opens the file the restore left.
    void programOpeningDuringARestoreWaitsForIt()
    {
        TestDb db(m_dir->path());
        db.item("A-1", "Anvil", 3, 4);
        inv::InUseLock restoring;
        QCOMPARE(restoring.take(db.path(), inv::InUseLock::Kind::Exclusive), inv::InUseLock::Result::Taken);
        QThread *release = QThread::create([&restoring] {
            QThread::msleep(400);
            restoring.release();
        });
        release->start();
        QStringList waits;
        inv::Waits::setListener([&](const QString &what) { waits << what; });
        QElapsedTimer timer;
        timer.start();
        auto cn = inv::SqlCipherConnection::open(db.path());
        const qint64 waited = timer.elapsed();
        inv::Waits::setListener(nullptr);
        release->wait();
        delete release;
        QVERIFY2(waited >= 300, qPrintable(QString::number(waited)));
        QVERIFY(!waits.isEmpty());
        QCOMPARE(waits.last(), QString("Waiting for inventory-admin to finish restoring %1...").arg(db.path()));
        QCOMPARE(cn->count("Items"), 1);
        // Now the program has it open: a restore is refused.
        QCOMPARE(restoring.take(db.path(), inv::InUseLock::Kind::Exclusive), inv::InUseLock::Result::Busy);
    }

    void csvRoundTripThroughARealReader()
    {
        const QString python = QStandardPaths::findExecutable("python3");
        QVERIFY2(!python.isEmpty(), "python3 is needed (scripts/install-deps.sh installs it)");

        TestDb db(m_dir->path());
        addAwkwardRows(db);

        // A text a spreadsheet would run as a formula is written with a
        // leading apostrophe; a negative number is not.
        auto inert = [](const QVariant &v) {
            const QString text = v.toString();
            if (v.typeId() != QMetaType::QString || text.isEmpty() || !QString("=+-@").contains(text.front()))
                return text;
            bool number = false;
            text.toDouble(&number);
            return number ? text : "'" + text;
        };
        // What the file stores, each value as its text.
        auto stored = [&](const QString &table) {
            QVector<QStringList> rows;
            auto cn = inv::SqlCipherConnection::open(db.path());
            rows << cn->fields(table);
            cn->forEach(table, [&](const inv::Row &row) {
                QStringList values;
                for (const QVariant &v : row.values)
                    values << (v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : inert(v));
                rows << values;
            });
            return rows;
        };
        // What Python's csv module reads from a file.
        auto readBack = [&](const QString &file) {
            QProcess reader;
            reader.start(python, {"-c",
                                  "import csv, json, sys\n"
                                  "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                  "    rows = list(csv.reader(f, strict=True))\n"
                                  "json.dump(rows, sys.stdout)\n",
                                  file});
            reader.waitForFinished(60000);
            QVector<QStringList> rows;
            if (reader.exitCode() != 0) {
                qWarning("%s", reader.readAllStandardError().constData());
                return rows;
            }
            for (const QJsonValue &row : QJsonDocument::fromJson(reader.readAllStandardOutput()).array()) {
                QStringList values;
                for (const QJsonValue &v : row.toArray())
                    values << v.toString();
                rows << values;
            }
            return rows;
        };

        for (const QString table : {"Items", "Itemsout"}) {
            const QString file = m_dir->filePath(table + ".csv");
            const Run toFile = admin({"export", db.path(), "--table", table, "--output", file});
            QVERIFY2(toFile.exitCode == 0, qPrintable(toFile.err));
            const Run toOut = admin({"export", db.path(), "--table", table});
            QVERIFY2(toOut.exitCode == 0, qPrintable(toOut.err));
            const QByteArray csv = contents(file);
            QCOMPARE(toOut.out, csv);

            const QVector<QStringList> expected = stored(table);
            QCOMPARE(readBack(file), expected);
            // CRLF after the header and after every row.
            QVERIFY(csv.startsWith(expected.first().join(',').toUtf8() + "\r\n"));
            QVERIFY(csv.endsWith("\r\n"));
        }
        QVERIFY(contents(m_dir->filePath("Items.csv")).contains("\r\n1,007,\"Bolts, M6, box of 100\","));
        QVERIFY(contents(m_dir->filePath("Items.csv")).contains(",2026-03-01,2025-12-31\r\n"));

        // The output file is never overwritten, and Misc (the account) is not exported.
        const Run again = admin({"export", db.path(), "--output", m_dir->filePath("Items.csv")});
        QVERIFY(again.exitCode > 0);
        QVERIFY2(again.err.contains("already exists"), qPrintable(again.err));
        const Run misc = admin({"export", db.path(), "--table", "Misc"});
        QVERIFY(misc.exitCode > 0 && misc.out.isEmpty());
    }

    // The commands on a server database (on the test server, when
    // INVENTORY_TEST_PGSERVER names it).

    void serverExportIsTheFileExport()
    {
        SKIP_WITHOUT_SERVER();
        TestDb file(m_dir->path());
        TestDb server(TestDb::OnServer{});
        for (TestDb *db : {&file, &server})
            addAwkwardRows(*db);
        for (const QString table : {"Items", "Itemsout"}) {
            const Run fromFile = admin({"export", file.path(), "--table", table});
            const Run fromServer = admin({"export", server.path(), "--table", table});
            QVERIFY2(fromFile.exitCode == 0 && fromServer.exitCode == 0, qPrintable(fromFile.err + fromServer.err));
            QVERIFY(fromFile.out.count("\r\n") > 1);
            QCOMPARE(fromServer.out, fromFile.out);
        }
        const QString csv = m_dir->filePath("server.csv");
        const Run toFile = admin({"export", server.path(), "--output", csv});
        QVERIFY2(toFile.exitCode == 0, qPrintable(toFile.err));
        QCOMPARE(contents(csv), admin({"export", file.path()}).out);
    }

    void serverCheckNamesWhatDoesNotBalance()
    {
        SKIP_WITHOUT_SERVER();
        TestDb db(TestDb::OnServer{});
        db.item("P-100", "Bond paper", 31, 40).item("T-200", "Toner", 4, 10).balanced().tally("P-100", "Bond paper", 2);
        const Run sound = admin({"check", db.path()});
        QVERIFY2(sound.exitCode == 0, qPrintable(sound.err));
        QCOMPARE(QString::fromUtf8(sound.out),
                 QStringLiteral("%1: sound, 2 items, 1 removal records\n%1: the books balance, 2 history rows\n")
                     .arg(db.path()));

        // A change made behind the program's back, with plain SQL.
        testing::execSql(db.path(), "UPDATE Items SET remaining_quantity = 3 WHERE item_no = 'T-200'");
        const Run unbalanced = admin({"check", db.path()});
        QCOMPARE(unbalanced.exitCode, 1);
        QCOMPARE(unbalanced.err, QStringLiteral("inventory-admin: %1: the books do not balance for item T-200 (Toner): "
                                                "the history gives 4, the item holds 3")
                                     .arg(db.path()));
        QVERIFY(unbalanced.out.contains("sound, 2 items"));

        // A field the program needs, gone.
        testing::execSql(db.path(), "ALTER TABLE Itemsout DROP COLUMN quantity");
        const Run broken = admin({"check", db.path()});
        QCOMPARE(broken.exitCode, 1);
        QVERIFY2(broken.err.contains("the field quantity of the table Itemsout is missing"), qPrintable(broken.err));
        QVERIFY(broken.out.isEmpty());
    }

    void serverBackupIsAFileTheProgramOpens()
    {
        SKIP_WITHOUT_SERVER();
        TestDb db(TestDb::OnServer{});
        db.item("P-100", "Bond paper", 31, 40).item("S-310", "Stapler", 8, 8).item("T-200", "Toner", 4, 10);
        testing::execSql(db.path(), "DELETE FROM Items WHERE item_no = 'S-310'"); // the keys have a gap
        db.balanced().tally("P-100", "Bond paper", 2).tally("T-200", "Toner", 1).misc("admin", "hash", "My Store");
        const QStringList tables = {"Items", "Itemsout", "Misc", "Journal"};

        const QString dest = m_dir->filePath("server.bak");
        const Run backup = admin({"backup", db.path(), dest});
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.err));
        QVERIFY2(backup.out.contains("2 items, 2 removal records"), backup.out.constData());
        QCOMPARE(QDir(m_dir->path()).entryList({"server.bak*"}, QDir::Files | QDir::Hidden), QStringList{"server.bak"});
        QVERIFY((QFileInfo(dest).permissions() & (QFile::ReadOther | QFile::WriteOther)) == 0);

        // Keyed as the program's files are, of the schema version it writes,
        // every row with its key; the file commands take it.
        QCOMPARE(contents(dest).left(16) == QByteArray("SQLite format 3\0", 16), false);
        QCOMPARE(inv::SqlCipherConnection::open(dest)->schemaVersion(), inv::kSchemaVersion);
        QCOMPARE(testing::snapshot(dest, tables), testing::snapshot(db.path(), tables));
        const Run check = admin({"check", dest});
        QVERIFY2(check.exitCode == 0, qPrintable(check.err));
        QVERIFY(check.out.contains("the books balance, 2 history rows"));
        const QString restored = m_dir->filePath("Restored.mdb");
        const Run restore = admin({"restore", dest, restored});
        QVERIFY2(restore.exitCode == 0, qPrintable(restore.err));

        // Never over a file that is there.
        const Run again = admin({"backup", db.path(), dest});
        QVERIFY(again.exitCode > 0);
        QVERIFY2(again.err.contains("already exists"), qPrintable(again.err));
    }

    void serverBackupWhileAClerkTakesUnitsOut()
    {
        SKIP_WITHOUT_SERVER();
        TestDb db(TestDb::OnServer{});
        const QStringList names = {"Bond paper", "Toner", "Stapler"};
        for (int i = 0; i < names.size(); ++i)
            db.item(QStringLiteral("W-%1").arg(i), names[i], kInitial, 32000, *inv::WholeStatusText(kInitial, 32000));
        db.balanced();
        // Enough rows that the tables are read in several pages while the
        // clerk clicks.
        testing::execSql(db.path(), "INSERT INTO Items (item_no, item_name, remaining_quantity) "
                                    "SELECT 'F-' || i, 'Filler ' || i, 0 FROM generate_series(1, 20000) AS i");

        const QString ready = m_dir->filePath("ready");
        QProcess worker;
        worker.start(QStringLiteral(REMOVAL_WORKER), QStringList{db.path(), "11", ready} + names);
        QVERIFY(worker.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(ready), 10000);

        QSet<qint64> takenSeen;
        for (int i = 1; i <= 5; ++i) {
            const QString dest = m_dir->filePath(QStringLiteral("Server%1.mdb").arg(i));
            const QString where = QStringLiteral("backup %1").arg(i);
            const Run run = admin({"backup", db.path(), dest});
            QVERIFY2(run.exitCode == 0, qPrintable(where + ": " + run.err));
            // One state of the server: the stock taken is the tally, and the
            // history gives every item's stock.
            qint64 taken = 0;
            checkTallies(dest, kInitial, where, &taken);
            if (QTest::currentTestFailed())
                break;
            const inv::AdminReport books = inv::checkBalance(dest);
            QVERIFY2(books.ok(), qPrintable(where + ": " + books.problems.join('\n')));
            takenSeen << taken;
        }
        const bool stillWorking = worker.state() == QProcess::Running;
        worker.kill();
        worker.waitForFinished(10000);
        QVERIFY2(stillWorking, worker.readAllStandardError().constData());
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(takenSeen.size() > 1, "the clerk changed nothing between the copies: the test proves nothing");
    }

    void serverRestoreWaitsForTheClerksAndIsWhole()
    {
        SKIP_WITHOUT_SERVER();
        TestDb db(TestDb::OnServer{});
        db.item("P-100", "Bond paper", 31, 40).item("T-200", "Toner", 4, 10).balanced().tally("P-100", "Bond paper", 2);
        db.misc("admin", "hash");
        const QStringList tables = {"Items", "Itemsout", "Misc"};
        // This process's own connection is the restore's; the clerk's is
        // another.
        const auto self = inv::PgConnection::open(db.path());
        const QString backup = m_dir->filePath("before.bak");
        QCOMPARE(inv::backupDatabase(db.path(), backup).problems, QStringList());
        const QStringList backedUp = testing::snapshot(backup, tables);

        // Changes after the backup: one item more (its key beyond the
        // backup's), one gone, the tally cleared.
        db.item("N-1", "New", 5, 5);
        testing::execSql(db.path(), "DELETE FROM Items WHERE item_no = 'T-200'; DELETE FROM Itemsout");
        const QStringList changed = testing::snapshot(db.path(), tables + QStringList{"Journal"});

        {
            const auto clerk = inv::PgConnection::open(db.path() + "&application_name=clerk");
            QCOMPARE(clerk->count("Items"), 2);
            const inv::AdminReport refused = inv::restoreDatabase(backup, db.path());
            QCOMPARE(refused.problems.size(), 1);
            QVERIFY2(refused.problems.first().contains("in use by 1 other connection"),
                     qPrintable(refused.problems.first()));
            QCOMPARE(testing::snapshot(db.path(), tables + QStringList{"Journal"}), changed);
        }
        // A connection closed (the clerk's, or one that changes the
        // database behind the program's back) ends on the server a moment
        // later.
        QTRY_COMPARE(self->otherClients(), 0);

        // A restore that fails on the way leaves the database as it was.
        testing::failWrites(db.path(), "full", "AFTER", "INSERT", "Journal", "the disk is full");
        QTRY_COMPARE(self->otherClients(), 0);
        const inv::AdminReport failed = inv::restoreDatabase(backup, db.path());
        QVERIFY(!failed.ok());
        QVERIFY2(failed.problems.join('\n').contains("the disk is full"), qPrintable(failed.problems.join('\n')));
        QVERIFY(failed.problems.last().endsWith("is left as it is"));
        QCOMPARE(testing::snapshot(db.path(), tables + QStringList{"Journal"}), changed);
        testing::stopFailing(db.path(), "full", "Journal");
        QTRY_COMPARE(self->otherClients(), 0);

        const inv::AdminReport done = inv::restoreDatabase(backup, db.path());
        QVERIFY2(done.ok(), qPrintable(done.problems.join('\n')));
        QCOMPARE(testing::snapshot(db.path(), tables), backedUp);
        // The history keeps its rows and records the restore, one row per
        // item; the books balance.
        QCOMPARE(db.count("Journal"), 2 + 2);
        QCOMPARE(db.value("Journal", 3, "kind").toString(), QStringLiteral("restore"));
        QVERIFY2(inv::checkBalance(db.path()).ok(), qPrintable(inv::checkBalance(db.path()).problems.join('\n')));
        const Run check = admin({"check", db.path()});
        QVERIFY2(check.exitCode == 0, qPrintable(check.err));

        // New rows get keys no restored row has.
        db.item("N-2", "Newer", 1, 1).tally("N-2", "Newer", 1);
        QCOMPARE(db.count("Items"), 3);
        QVERIFY(db.value("Items", 2, "ID").toLongLong() > db.value("Items", 1, "ID").toLongLong());
    }

    void serverTakesAFilesBackup_data()
    {
        QTest::addColumn<bool>("beforeHistory");
        QTest::addRow("with its history") << false;
        // Its items enter the books with an opening row, as at the upgrade.
        QTest::addRow("made before the history") << true;
    }

    void serverTakesAFilesBackup()
    {
        SKIP_WITHOUT_SERVER();
        QFETCH(bool, beforeHistory);
        // A file's stock moved to a new server database: the keys it
        // brings are ahead of the server's numbering, which follows them.
        TestDb file(m_dir->path());
        file.item("P-100", "Bond paper", 31, 40).item("T-200", "Toner", 4, 10).tally("P-100", "Bond paper", 2);
        file.misc("admin", "hash");
        if (beforeHistory)
            testing::execSql(file.path(), "DROP TABLE Journal; PRAGMA user_version = 0");
        else
            file.balanced();
        const QString backup = m_dir->filePath("file.bak");
        QCOMPARE(inv::backupDatabase(file.path(), backup).problems, QStringList());
        TestDb server(TestDb::OnServer{});
        const inv::AdminReport done = inv::restoreDatabase(backup, server.path());
        QVERIFY2(done.ok(), qPrintable(done.problems.join('\n')));
        const QStringList tables = {"Items", "Itemsout", "Misc"};
        QCOMPARE(testing::snapshot(server.path(), tables), testing::snapshot(file.path(), tables));
        QStringList kinds;
        for (int row = 0; row < server.count("Journal"); ++row)
            kinds << server.value("Journal", row, "kind").toString();
        QCOMPARE(kinds, QStringList({"opening", "opening", "restore", "restore"}));
        const Run check = admin({"check", server.path()});
        QVERIFY2(check.exitCode == 0, qPrintable(check.err));
        server.item("N-1", "New", 1, 1).tally("N-1", "New", 1).misc("clerk", "hash");
        QCOMPARE(server.count("Items"), 3);
        QCOMPARE(server.count("Itemsout"), 2);
        QCOMPARE(server.count("Misc"), 2);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSafekeeping)
#include "test_safekeeping.moc"
