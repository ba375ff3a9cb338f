// The records database: cursors, the connection lifecycle, and the files
// that are not records databases.

#include "admin/provisioning.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "support/testdb.h"

#include <QCryptographicHash>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <memory>
#include <sqlite3.h>

using namespace inv;
using testing::TestDb;

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir().isValid());
        Module1::reset();
    }
    void cleanup() { Module1::reset(); }

    void cursorWalksTheTableInStoredOrder()
    {
        TestDb db(dir().path());
        db.item("3", "Toner", 5, 10).item("1", "Bond paper", 2, 8).item("2", "Toner", 7, 10);
        auto cn = SqlCipherConnection::open(db.path());
        Recordset rs(cn, "Items");
        QCOMPARE(rs.RecordCount(), 3);
        QCOMPARE(rs.text("item_no"), QString("3")); // the first row is current when opened
        rs.MoveNext();
        QCOMPARE(rs.text("item_no"), QString("1"));
        rs.MoveLast();
        QCOMPARE(rs.text("item_no"), QString("2"));
        // Rows before and after the current one, read without moving it.
        QCOMPARE(rs.GetRowTexts(1, {"item_no"}, -2).value(0).texts, QStringList{"3"});
        QCOMPARE(rs.GetRowTexts(2, {"item_no"}, -1).value(1).texts, QStringList{"2"});
        QCOMPARE(rs.text("item_no"), QString("2"));
        rs.MoveNext();
        QVERIFY(!rs.hasCurrent());
        QVERIFY_THROWS_EXCEPTION(RecordsError, rs.Fields("item_no"));

        // The lookup finds the first match in stored order, exactly.
        QVERIFY(rs.FindFirst("item_name", "Toner"));
        QCOMPARE(rs.text("item_no"), QString("3"));
        QVERIFY(!rs.FindFirst("item_name", "toner"));
        QVERIFY(!rs.FindFirst("item_name", "Toner "));
        QVERIFY(!rs.hasCurrent());
        QVERIFY_THROWS_EXCEPTION(RecordsError, rs.Fields("no_such_field"));
    }

    void emptyTableHasNoCurrentRow()
    {
        TestDb db(dir().path());
        Recordset rs(SqlCipherConnection::open(db.path()), "Itemsout");
        QCOMPARE(rs.RecordCount(), 0);
        QVERIFY(!rs.hasCurrent());
        rs.MoveFirst();
        rs.MoveNext();
        QVERIFY(!rs.hasCurrent());
        QVERIFY(!rs.FindFirst("item_name", ""));
    }

    void writesAddUpdateDelete()
    {
        TestDb db(dir().path());
        db.tally("1", "Toner", 3);
        Recordset rs(SqlCipherConnection::open(db.path()), "Itemsout");
        QCOMPARE(rs.RecordCount(), 1);

        rs.AddNew();
        rs.setField("item_no", "2");
        rs.setField("item_name", "Stapler");
        rs.setField("quantity", 1);
        QCOMPARE(db.count("Itemsout"), 1); // pending until Update
        rs.Update();
        QCOMPARE(rs.RecordCount(), 2);
        QCOMPARE(db.count("Itemsout"), 2);
        QCOMPARE(rs.text("item_name"), QString("Stapler"));
        QVERIFY(rs.Fields("Description").isNull()); // unset fields stay empty
        QVERIFY(rs.Fields("date_removed").isNull());

        // A whole decimal written into a whole-number field is stored whole;
        // a number written into a text field is stored as its text.
        rs.MoveFirst();
        rs.setField("quantity", 4.0);
        rs.setField("item_no", 17);
        rs.Update();
        QCOMPARE(db.value("Itemsout", 0, "quantity").typeId(), QMetaType::LongLong);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 4);
        QCOMPARE(db.value("Itemsout", 0, "item_no").toString(), QString("17"));

        rs.MoveLast();
        rs.Delete();
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(db.count("Itemsout"), 1);
        rs.Close();
        QVERIFY_THROWS_EXCEPTION(RecordsError, rs.MoveFirst());
    }

    void datesRoundTrip()
    {
        TestDb db(dir().path());
        db.item("1", "Toner", 5, 10);
        Recordset rs(SqlCipherConnection::open(db.path()), "Items");
        QCOMPARE(rs.Fields("date_updated").toDate(), testing::kOldDate);
        rs.setField("tempdate", QVariant());
        rs.setField("date_updated", QDate(2026, 12, 10));
        rs.Update();
        QCOMPARE(rs.Fields("date_updated").toDate(), QDate(2026, 12, 10));
        QVERIFY(rs.Fields("tempdate").isNull());
    }

    void transactionRollsBackEveryWrite()
    {
        TestDb db(dir().path());
        db.item("1", "Toner", 5, 10).tally("1", "Toner", 1);
        auto cn = SqlCipherConnection::open(db.path());
        Recordset items(cn, "Items"), tally(cn, "Itemsout");
        {
            Transaction t(cn);
            items.setField("remaining_quantity", 4);
            items.Update();
            tally.setField("quantity", 2);
            tally.Update();
            // no commit: leaving the scope undoes both
        }
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 1);
    }

    // One column with its keys: every row once, a row without a value as
    // null, the keys those of the walk in stored order.
    void oneColumnWithItsKeys()
    {
        TestDb db(dir().path());
        db.item("3", "Toner", 5, 10).item("1", "Bond paper", 2, 8);
        db.row("Items", {{"item_no", "9"}});
        db.item("2", "Toner", 7, 10);
        auto cn = SqlCipherConnection::open(db.path());
        Recordset rs(cn, "Items");
        QList<std::pair<qint64, QVariant>> read;
        rs.forEachValue("item_name", [&](qint64 key, const QVariant &value) { read.append({key, value}); });
        std::sort(read.begin(), read.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        QList<std::pair<qint64, QVariant>> walked;
        rs.forEach([&](const Row &row) { walked.append({row.key, row.values.value(rs.fieldIndex("item_name"))}); });
        QCOMPARE(read, walked);
        QVERIFY(walked[2].second.isNull());
        QVERIFY_THROWS_EXCEPTION(RecordsError, rs.forEachValue("no_such_field", [](qint64, const QVariant &) {}));
    }

    // Reads grouped see one state of the file: another program cannot
    // write under them until the group ends. No write starts inside a group,
    // and inside a group of writes a group of reads changes nothing.
    void groupedReads()
    {
        TestDb db(dir().path());
        db.item("1", "Toner", 5, 10);
        auto cn = SqlCipherConnection::open(db.path());
        Recordset items(cn, "Items");

        auto writing = std::make_unique<KeyedFile>(db.path(), KeyedFile::Mode::ReadWrite);
        writing->noBusyWait();
        sqlite3 *writer = writing->db();
        const auto write = [writer](int remaining) {
            const QByteArray sql = QByteArray("UPDATE Items SET remaining_quantity = ") + QByteArray::number(remaining);
            return sqlite3_exec(writer, sql.constData(), nullptr, nullptr, nullptr);
        };
        {
            ReadGroup outer(cn);
            {
                ReadGroup inner(cn);
                QCOMPARE(items.text("remaining_quantity"), QString("5"));
            }
            QCOMPARE(write(1), SQLITE_BUSY); // the group still holds the file
            items.setField("remaining_quantity", 4);
            QVERIFY_THROWS_EXCEPTION(RecordsError, items.Update());
            items.CancelUpdate();
            QVERIFY_THROWS_EXCEPTION(RecordsError, Transaction{cn});
            QVERIFY_THROWS_EXCEPTION(RecordsError, items.Delete());
        }
        QCOMPARE(write(6), SQLITE_OK);
        writing.reset();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 6);
        QCOMPARE(db.count("Items"), 1);

        Transaction t(cn);
        {
            ReadGroup reads(cn);
            items.MoveFirst();
            items.setField("remaining_quantity", 3);
            items.Update();
        }
        t.commit();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 3);
    }

    // A commit refused because another program keeps the file busy writes
    // nothing and leaves the connection ready for the next change.
    void failedCommitLeavesTheConnectionUsable()
    {
        TestDb db(dir().path());
        db.item("1", "Toner", 5, 10).item("2", "Stapler", 3, 3);
        auto cn = SqlCipherConnection::open(db.path());
        Recordset items(cn, "Items");

        auto reader = std::make_unique<KeyedFile>(db.path(), KeyedFile::Mode::ReadOnly);
        reader->noBusyWait();
        sqlite3_stmt *reading = nullptr;
        QCOMPARE(sqlite3_prepare_v2(reader->db(), "SELECT * FROM Items", -1, &reading, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_step(reading), SQLITE_ROW); // holds its read lock until finished

        {
            Transaction t(cn);
            items.setField("remaining_quantity", 4);
            items.Update();
            QVERIFY_THROWS_EXCEPTION(RecordsError, t.commit());
        }
        sqlite3_finalize(reading);
        reader.reset();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);

        Transaction again(cn);
        items.setField("remaining_quantity", 2);
        items.Update();
        again.commit();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 2);
    }

    // The default database: beside the program in a build tree; in the
    // data folder of the installed tree when the program runs from its
    // installed folder (the programs' folder is root's alone), wherever that
    // tree was laid.
    void defaultDatabaseFolder_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("database");
        QTest::addRow("build tree") << "build/app"
                                    << "build/app/Records.mdb";
        QTest::addRow("installed") << "tree/opt/inventory"
                                   << "tree/var/lib/inventory/Records.mdb";
        QTest::addRow("a folder named so, elsewhere") << "tree/usr/inventory"
                                                      << "tree/usr/inventory/Records.mdb";
    }

    void defaultDatabaseFolder()
    {
        QFETCH(QString, program);
        QFETCH(QString, database);
        QVERIFY(QDir(dir().path()).mkpath(program));
        Module1::setProgramFolder(dir().filePath(program));
        const auto restore = qScopeGuard([] { Module1::setProgramFolder({}); });
        QCOMPARE(QDir::cleanPath(Module1::defaultDatabasePath()), dir().filePath(database));
    }

    // The records connection stays on the default file until it is opened
    // again; the check connection follows dbPath at once.
    void connectionLifecycleWithTwoFiles()
    {
        TestDb def(dir().path(), "Records.mdb");
        TestDb chosen(dir().path(), "Chosen.db");
        def.misc("admin", "pw", "Default Co", chosen.path()).item("1", "Default item", 1, 1);
        chosen.misc("clerk", "pw2", "Chosen Co", chosen.path()).item("1", "Chosen item", 1, 1);

        Module1::setProgramFolder(dir().path());
        Module1::dbPath = Module1::defaultDatabasePath();
        QCOMPARE(Module1::dbPath, def.path());
        Module1::OpenRecordsConnection();
        Module1::OpenMisc();
        Module1::dbPath = Module1::rsMisc->text("pat");

        Module1::OpenCheckConnection();
        QCOMPARE(Module1::cnCheck->path(), chosen.path());
        Module1::OpenMisc();
        Module1::OpenItems();
        QCOMPARE(Module1::rsMisc->text("User"), QString("admin"));
        QCOMPARE(Module1::rsItems->text("item_name"), QString("Default item"));

        // A cursor keeps its connection when the records connection moves on.
        auto oldItems = Module1::rsItems;
        Module1::OpenRecordsConnection();
        Module1::OpenMisc();
        Module1::OpenItems();
        QCOMPARE(Module1::rsMisc->text("User"), QString("clerk"));
        QCOMPARE(Module1::rsItems->text("item_name"), QString("Chosen item"));
        QCOMPARE(oldItems->text("item_name"), QString("Default item"));

        // Re-opening replaces the cursor; the new one starts on its first row.
        Module1::rsItems->MoveNext();
        auto before = Module1::rsItems;
        Module1::OpenItems();
        QVERIFY(Module1::rsItems != before);
        QVERIFY(Module1::rsItems->hasCurrent());
    }

    // Opening a connection again on a file that is already open costs no new
    // key derivation.
    void reopeningSharesTheOpenFile()
    {
        TestDb db(dir().path());
        Module1::dbPath = db.path();
        Module1::OpenRecordsConnection();
        const int opened = SqlCipherConnection::handlesOpened();
        for (int i = 0; i < 20; ++i) {
            Module1::OpenCheckConnection();
            Module1::OpenItems();
            Module1::OpenItemsout();
        }
        QCOMPARE(SqlCipherConnection::handlesOpened(), opened);

        // A file replaced under the same name is opened afresh.
        Module1::reset();
        QVERIFY(QFile::remove(db.path()));
        TestDb again(dir().path());
        again.item("9", "New", 1, 1);
        Module1::dbPath = again.path();
        Module1::OpenRecordsConnection();
        Module1::OpenItems();
        QCOMPARE(Module1::rsItems->text("item_no"), QString("9"));
    }

    void fileIsEncrypted()
    {
        TestDb db(dir().path());
        db.item("1", "Toner", 5, 10);
        QFile file(db.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(16);
        QVERIFY(head != QByteArray("SQLite format 3\0", 16));
        QVERIFY(!file.readAll().contains("Toner"));
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addRow("missing") << "missing"
                                 << "does not exist";
        QTest::addRow("empty") << "empty"
                               << "empty";
        QTest::addRow("text") << "text"
                              << "not a records database";
        QTest::addRow("plain sqlite") << "plain"
                                      << "not a records database";
        QTest::addRow("other key") << "otherkey"
                                   << "not a records database";
        QTest::addRow("no Misc table") << "notable"
                                       << "the table Misc is missing";
        QTest::addRow("no pat field") << "nofield"
                                      << "the field pat is missing from the table Misc";
        QTest::addRow("folder") << "folder"
                                << "not a file";
        QTest::addRow("a loop of links") << "loop"
                                         << "symbolic links that form a loop";
    }

    void badFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = dir().filePath("Bad.mdb");
        if (kind == "empty")
            testing::writeFile(dir().path(), "Bad.mdb", {});
        else if (kind == "text")
            testing::writeFile(dir().path(), "Bad.mdb", QByteArray("not a database at all\n").repeated(100));
        else if (kind == "folder")
            QVERIFY(QDir(dir().path()).mkdir("Bad.mdb"));
        else if (kind == "loop")
            QVERIFY(QFile::link(path, path));
        else if (kind != "missing")
            testing::makeBadDatabase(path, kind);

        QByteArray before;
        if (QFileInfo(path).isFile()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            before = f.readAll();
        }

        const auto problem = checkRecordsDatabase(path);
        QVERIFY(problem.has_value());
        QVERIFY2(problem->contains(path), qPrintable(*problem));
        QVERIFY2(problem->contains(reason), qPrintable(*problem));

        Module1::dbPath = path;
        QVERIFY_THROWS_EXCEPTION(RecordsError, Module1::OpenRecordsConnection());
        QVERIFY(!Module1::cnRecords);

        // Nothing is created or changed.
        if (kind == "missing") {
            QVERIFY(!QFileInfo::exists(path));
        } else if (kind == "loop") {
            QCOMPARE(QFileInfo(path).symLinkTarget(), path);
        } else if (kind != "folder") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
        }
    }

    void createRefusesAnExistingFileAndHalfAccounts()
    {
        TestDb db(dir().path());
        QVERIFY(createRecordsDatabase(db.path(), {}).has_value());
        const QString other = dir().filePath("Other.mdb");
        NewDatabase onlyCompany;
        onlyCompany.company = "Acme";
        QVERIFY(createRecordsDatabase(other, onlyCompany).has_value());
        QVERIFY(!QFileInfo::exists(other));
        QVERIFY(setCompanyName(db.path(), "Acme").has_value()); // no account yet
        QCOMPARE(db.count("Misc"), 0);
    }

private:
    QTemporaryDir &dir() { return *m_dir; }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
