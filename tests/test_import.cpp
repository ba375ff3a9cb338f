// Bringing a stock list in from a spreadsheet: the CSV reader, the checks of
// every row (all or nothing), and the round trip export, import, export.

#include "admin/csvreader.h"
#include "admin/itemimport.h"
#include "admin/maintenance.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"
#include "support/fixedclock.h"
#include "support/testdb.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <optional>

using namespace inv;
using testing::snapshot;
using testing::TestDb;

namespace {

const QDate kToday{2026, 3, 10};
const QByteArray kHeader = "item_no,item_name,Description,original_quantity,remaining_quantity\r\n";

QByteArray exported(const QString &path)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const AdminReport report = exportCsv(path, QStringLiteral("Items"), out);
    if (!report.ok())
        qWarning("%s", qPrintable(report.problems.join('\n')));
    return out.data();
}

// The export with the ID and the two date columns emptied.
QByteArray withoutIdsAndDates(const QByteArray &csv)
{
    const Csv::Table table = Csv::parse(csv);
    QByteArray out;
    for (const Csv::Record &record : table.records) {
        QStringList fields = record.fields;
        for (int c : {0, 8, 9})
            fields[c].clear();
        out += fields.join(QLatin1Char('|')).toUtf8() + '\n';
    }
    return out;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = testing::newProgramFolder();
        m_clock.emplace(QDateTime(kToday, QTime(9, 30)));
    }

    void cleanup()
    {
        m_clock.reset();
        Module1::reset();
    }

    // The reader: quoting, line ends, the byte-order mark, the separator
    // taken from the header row, and the line each record begins on.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("records"); // fields joined by "|", then "@line"
        QTest::addRow("plain, CRLF") << QByteArray("a,b\r\n1,2\r\n3,4\r\n") << "," << QStringList{"1|2@2", "3|4@3"};
        QTest::addRow("LF, no last line end") << QByteArray("a,b\n1,2\n3,4") << "," << QStringList{"1|2@2", "3|4@3"};
        QTest::addRow("byte-order mark, semicolons") << QByteArray("\xEF\xBB\xBF"
                                                                   "a;b\r\n1,5;x\r\n")
                                                     << ";" << QStringList{"1,5|x@2"};
        QTest::addRow("quoted separator, quote, line break")
            << QByteArray("a,b\r\n\"x,y\",\"say \"\"hi\"\"\"\r\n\"two\r\nlines\",z\r\n5,6\r\n") << ","
            << QStringList{"x,y|say \"hi\"@2", "two\r\nlines|z@3", "5|6@5"};
        QTest::addRow("empty fields and blank lines")
            << QByteArray("a,b,c\r\n,,\r\n\r\n\"\",x,\r\n") << "," << QStringList{"||@2", "|x|@4"};
        QTest::addRow("semicolon header with a quoted comma")
            << QByteArray("\"a,1\";b;c\n1;2;3\n") << ";" << QStringList{"1|2|3@2"};
    }

    void reader()
    {
        QFETCH(QByteArray, bytes);
        const Csv::Table table = Csv::parse(bytes);
        QVERIFY(!table.error);
        QTEST(QString(table.separator), "separator");
        QStringList records;
        for (const Csv::Record &r : table.records)
            records << r.fields.join('|') + '@' + QString::number(r.line);
        QTEST(records, "records");
    }

    // A file with a bad row adds nothing: every bad row is named by its line
    // and reason. The first row of each file is good.
    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("problems");
        const QByteArray good = "G-1,Glue,Glue sticks,10,10\r\n";
        QTest::addRow("empty field") << kHeader + good + "A1,  ,desc,10,5\r\n"
                                     << QStringList{"line 3: item_name is empty"};
        QTest::addRow("several reasons in one row")
            << kHeader + good + "A1,Tape,,10,x\r\n"
            << QStringList{"line 3: Description is empty; remaining_quantity is not a whole number: \"x\""};
        QTest::addRow("control characters")
            << kHeader + good + "\"N\t2\",Tape,desc,10,5\r\nN3,\"Na" + QByteArray(1, '\0') + "me\",desc,10,5\r\n"
            << QStringList{"line 3: item_no holds a control character", "line 4: item_name holds a control character"};
        QTest::addRow("not a number") << kHeader + good + "A1,Tape,desc,ten,5\r\n"
                                      << QStringList{"line 3: original_quantity is not a whole number: \"ten\""};
        QTest::addRow("not a whole number") << kHeader + good + "A1,Tape,desc,10,2.5\r\n"
                                            << QStringList{"line 3: remaining_quantity is not a whole number: \"2.5\""};
        QTest::addRow("original quantity 0 (the Add window refuses it)")
            << kHeader + good + "A1,Tape,desc,0,5\r\n"
            << QStringList{"line 3: The Original Quantity cannot be 0, because the stock status is worked out as a "
                           "share of it, so the item was not saved."};
        QTest::addRow("beyond 16 bits") << kHeader + good + "A1,Tape,desc,40000,5\r\n"
                                        << QStringList{"line 3: The Original Quantity cannot be above 32767, so the "
                                                       "item was not saved."};
        QTest::addRow("max_quantity 0")
            << QByteArray("item_no,item_name,Description,original_quantity,remaining_quantity,max_quantity\r\n"
                          "G-1,Glue,Glue sticks,10,10,10\r\nA1,Tape,desc,10,5,0\r\n")
            << QStringList{"line 3: max_quantity is 0, and the stock status is worked out as a share of it"};
        QTest::addRow("duplicate number in the file")
            << kHeader + good + "A1,Tape,desc,10,5\r\nA2,Pins,desc,10,5\r\nA1 ,Tape 2,desc,10,5\r\n"
            << QStringList{"line 5: the item number A1 is on line 3 already"};
        QTest::addRow("duplicate number in the database")
            << kHeader + good + "T-200,Toner,desc,10,5\r\n"
            << QStringList{"line 3: an item with the number T-200 is in the database already"};
        QTest::addRow("a field too few") << kHeader + good + "A1,Tape,desc,10\r\n"
                                         << QStringList{"line 3: 4 fields where the header row has 5"};
        QTest::addRow("line numbers count the lines of quoted fields")
            << kHeader + "G-1,Glue,\"two\r\nlines\",10,10\r\nA1,Tape,desc,,5\r\n"
            << QStringList{"line 4: original_quantity is empty"};
        QTest::addRow("unknown and missing columns")
            << QByteArray("item_no,item_name,colour,original_quantity,remaining_quantity\r\n") + good
            << QStringList{"line 1: the column \"colour\" is no field of Items",
                           "line 1: the column Description is missing"};
        QTest::addRow("a quote never closed") << kHeader + good + "A1,\"Tape,desc,10,5\r\n"
                                              << QStringList{"line 3: a quoted field that begins here is never closed"};
        QTest::addRow("not UTF-8") << kHeader + good + "A1,Tap\xE9,desc,10,5\r\n"
                                   << QStringList{"line 3: the file is not UTF-8 text"};
        QByteArray many = kHeader + good;
        QStringList named;
        for (int i = 0; i < 25; ++i) {
            many += "B" + QByteArray::number(i) + ",Bolt,desc,10,-\r\n";
            if (i < 20)
                named << QString("line %1: remaining_quantity is not a whole number: \"-\"").arg(i + 3);
        }
        QTest::addRow("twenty named, then the count") << many << (named << "5 more");
    }

    void badFiles()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, problems);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%");
        const QStringList before = snapshot(db.path());
        for (const bool dryRun : {true, false}) {
            const AdminReport report = ItemImport::importCsv(db.path(), csv, dryRun);
            QCOMPARE(report.problems, problems + QStringList{"nothing was added to " + db.path()});
            QCOMPARE(snapshot(db.path()), before);
        }
    }

    // A dry run only looks: a file made before the stock history stays
    // byte for byte as it was; the import itself then upgrades it, in the
    // one transaction, before its own rows.
    void dryRunLeavesAnOlderFileAsItIs()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%");
        testing::execSql(db.path(), "DROP TABLE Journal; PRAGMA user_version = 0");
        const QByteArray before = testing::fileHash(db.path());
        const QByteArray csv =
            "item_no,item_name,Description,original_quantity,remaining_quantity\r\nP-1,Pins,box,10,10\r\n";
        const AdminReport dry = ItemImport::importCsv(db.path(), csv, true);
        QVERIFY2(dry.ok(), qPrintable(dry.problems.join('\n')));
        QCOMPARE(testing::fileHash(db.path()), before);
        const AdminReport report = ItemImport::importCsv(db.path(), csv, false);
        QVERIFY2(report.ok(), qPrintable(report.problems.join('\n')));
        QCOMPARE(db.count("Journal"), 2);
        QCOMPARE(db.value("Journal", 0, "kind").toString(), QString("opening"));
        QCOMPARE(db.value("Journal", 1, "item_no").toString(), QString("P-1"));
    }

    // What a good file writes: as the Add window writes an item (trimmed
    // texts, max_quantity the original quantity unless the file gives one,
    // the status by the status rule, today's date), after the rows already
    // there; the ID, Status and date columns of the file are not taken.
    void goodFile()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%");
        const QByteArray csv = "\xEF\xBB\xBF"
                               "ID;item_no;item_name;Description;original_quantity;remaining_quantity;"
                               "Status;max_quantity;date_updated;tempdate\r\n"
                               "77; 007 ;\"Tape; clear\";\"A \"\"good\"\" roll\";8;5;99%;;2020-01-01;\r\n"
                               ";P-1;Pins;'=1+1;10;5;62.5%;8;;\r\n"
                               ";P-2;Pens;'-x;3;4;x;3;;\r\n";
        const AdminReport dry = ItemImport::importCsv(db.path(), csv, true);
        QVERIFY2(dry.ok(), qPrintable(dry.problems.join('\n')));
        QCOMPARE(db.count("Items"), 1);
        const AdminReport report = ItemImport::importCsv(db.path(), csv, false);
        QVERIFY2(report.ok(), qPrintable(report.problems.join('\n')));
        QCOMPARE(report.summary, "added 3 items to " + db.path());
        QCOMPARE(db.count("Items"), 4);
        const QString today = kToday.toString(Qt::ISODate);
        const auto row = [&](int n) {
            QStringList values;
            for (const char *f : {"item_no", "item_name", "Description", "original_quantity", "remaining_quantity",
                                  "Status", "max_quantity", "date_updated", "tempdate"}) {
                const QVariant v = db.value("Items", n, f);
                values << (v.isNull()                       ? "null"
                           : v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                            : v.toString());
            }
            return values.join('|');
        };
        QCOMPARE(row(1), "007|Tape; clear|A \"good\" roll|8|5|62%|8|" + today + "|null");
        QCOMPARE(row(2), "P-1|Pins|=1+1|10|5|62.5%|8|" + today + "|null"); // the rule's exact form is kept
        QCOMPARE(row(3), "P-2|Pens|-x|3|4|133%|3|" + today + "|null");
        // Each item enters the history with the stock it brings, in the
        // import's own transaction (the dry run wrote none).
        QCOMPARE(db.count("Journal"), 3);
        QStringList entered;
        for (int n = 0; n < 3; ++n)
            entered << QStringList{db.value("Journal", n, "kind").toString(),
                                   db.value("Journal", n, "item_no").toString(),
                                   db.value("Journal", n, "quantity_change").toString(),
                                   db.value("Journal", n, "remaining_quantity").toString()}
                           .join('|');
        QCOMPARE(entered, QStringList({"import|007|5|5", "import|P-1|5|5", "import|P-2|4|4"}));
    }

    // An exported list imports into an empty database and exports again the
    // same, byte for byte, but for the IDs and the dates.
    void roundTrip()
    {
        TestDb source(m_dir->path(), "source.mdb");
        const auto add = [&](const QString &no, const QString &name, const QString &description, int original,
                             int remaining, int max, bool exact) {
            source.row("Items", {{"item_no", no},
                                 {"item_name", name},
                                 {"Description", description},
                                 {"original_quantity", original},
                                 {"remaining_quantity", remaining},
                                 {"max_quantity", max},
                                 {"Status", exact ? *ExactStatusText(remaining, max, QLocale::c())
                                                  : *WholeStatusText(remaining, max)},
                                 {"date_updated", testing::kOldDate},
                                 {"tempdate", testing::kOldDate.addDays(-3)}});
        };
        add("P-100", "Bond paper", "A4, 80 gsm \"premium\"", 40, 31, 40, false);
        add("007", "=SUM(A1)", "two\r\nlines", 10, 5, 8, true);
        add("-5", QString::fromUtf8("Ünïcode ☃"), "@home", 3, 3, 3, false);
        add("T-200", "Toner; black", "+1 cartridge", 12, 0, 10, false);
        add("S-1", "Stapler", "-", 6, 2, 6, true);
        add("Q-1", "'=SUM(A1)", "'-5 days", 4, 4, 4, false); // texts that look guarded already
        add("Q-2", "''@x", "'plain", 4, 4, 4, false);
        const QByteArray first = exported(source.path());

        TestDb target(m_dir->path(), "target.mdb");
        const AdminReport report = ItemImport::importCsv(target.path(), first, false);
        QVERIFY2(report.ok(), qPrintable(report.problems.join('\n')));
        const QByteArray second = exported(target.path());
        QCOMPARE(second.size() > 0, true);
        QCOMPARE(withoutIdsAndDates(second), withoutIdsAndDates(first));
        for (int row = 0; row < source.count("Items"); ++row)
            for (const char *field : {"item_name", "Description"})
                QCOMPARE(target.value("Items", row, field), source.value("Items", row, field));
        // Byte for byte: the header and every line end as they were.
        QCOMPARE(second.count("\r\n"), first.count("\r\n"));
        QCOMPARE(second.left(second.indexOf("\r\n")), first.left(first.indexOf("\r\n")));
    }

    // The command: its exit status and lines, --dry-run, and the file named.
    void command()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw");
        const QString good = testing::writeFile(m_dir->path(), "good.csv", kHeader + "A1,Tape,desc,10,5\r\n");
        const QString bad = testing::writeFile(m_dir->path(), "bad.csv", kHeader + "A1,Tape,desc,10,\r\n");
        const auto run = [](const QStringList &args) {
            QProcess p;
            p.start(QStringLiteral(INVENTORY_ADMIN), args);
            p.waitForFinished(60000);
            return std::make_pair(p.exitCode(),
                                  QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed());
        };
        auto [code, text] = run({"import", db.path(), bad});
        QCOMPARE(code, 1);
        QCOMPARE(text, QString("inventory-admin: %1 line 2: remaining_quantity is empty\n"
                               "inventory-admin: nothing was added to %2")
                           .arg(bad, db.path()));
        std::tie(code, text) = run({"import", db.path(), good, "--dry-run"});
        QCOMPARE(code, 0);
        QCOMPARE(text, QString("1 items can be added to %1 (dry run: nothing was written)").arg(db.path()));
        QCOMPARE(db.count("Items"), 0);
        std::tie(code, text) = run({"import", db.path(), good});
        QCOMPARE(code, 0);
        QCOMPARE(text, QString("added 1 items to %1").arg(db.path()));
        QCOMPARE(db.count("Items"), 1);
        std::tie(code, text) = run({"import", db.path()});
        QCOMPARE(code, 2);
    }

    // A write that fails on the way, as on a full disk (here the file may
    // grow no further: a limit on the command's file size), leaves the file
    // whole: nothing was added, said so, and the change is rolled back to
    // the end, so that no journal is left beside the file for a later
    // opening to finish and the check finds the file sound as it was.
    void failedWriteLeavesTheFileWhole()
    {
        if (testing::onServer())
            QSKIP("a file's own roll-back");
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("A1", "Tape", 5, 10, "50%").balanced();
        QByteArray csv = kHeader;
        const QByteArray description(300, 'd');
        // Some 4 MB, more than the engine's page cache holds: pages reach
        // the file before the commit, as a large import's do.
        for (int i = 0; i < 12000; ++i)
            csv += "N-" + QByteArray::number(i) + ",Item " + QByteArray::number(i) + "," + description + ",10,5\r\n";
        const QString file = testing::writeFile(m_dir->path(), "many.csv", csv);
        const QStringList before = snapshot(db.path());
        // 1.5 MB more than the file holds; a write past the limit fails
        // (EFBIG) instead of ending the command, its signal ignored.
        const qint64 limitKb = QFileInfo(db.path()).size() / 1024 + 1500;
        QProcess p;
        p.start("bash", {"-c", "trap '' XFSZ; ulimit -f \"$1\" && exec \"$0\" import \"$2\" \"$3\"",
                         QStringLiteral(INVENTORY_ADMIN), QString::number(limitKb), db.path(), file});
        QVERIFY(p.waitForFinished(60000));
        const QString said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(said.trimmed().endsWith("nothing was added to " + db.path()), qPrintable(said));
        QVERIFY2(!QFile::exists(db.path() + "-journal"), qPrintable(said));
        // Looked at read-only first: a reading connection would finish a
        // roll-back left over.
        const AdminReport check = checkDatabase(db.path());
        QVERIFY2(check.ok(), qPrintable(check.problems.join('\n')));
        QCOMPARE(snapshot(db.path()), before);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<testing::FixedClock> m_clock;
};

QTEST_MAIN(TestImport)
#include "test_import.moc"
