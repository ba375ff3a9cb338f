#pragma once
// Builds keyed records databases in a temporary folder, with the rows a test
// needs, in a line or two per test.

#include "data/core/connection.h"
#include "data/schema/schema.h"

#include <QDate>
#include <QTemporaryDir>

namespace testing {

// The engine the tests run on: the file, or (INVENTORY_TEST_ENGINE=server)
// the test server that CTest starts for the run, whose socket folder is
// written in $INVENTORY_TEST_PGSERVER/host.
bool onServer();
// The address of the test server's database name.
QString serverLocation(const QString &database);
// A new, empty database on the test server, with a name no other test uses;
// its address. It stays until the test server stops.
QString newServerDatabase();
// A connection of the program's own engine on a file or a server address.
std::shared_ptr<inv::Connection> openLocation(const QString &location);

class TestDb {
public:
    // Creates name (default Records.mdb) in dir with the three tables. On
    // the server, the tables are made in a new database of their own, and
    // the default database in dir (name Records.mdb) is a file that points
    // the program there, as inventory-admin connect does.
    explicit TestDb(const QString &dir, const QString &name = QStringLiteral("Records.mdb"));
    // A new records database on the test server, whatever engine the test
    // runs on (INVENTORY_TEST_PGSERVER must name the test server).
    struct OnServer { };
    explicit TestDb(OnServer);
    // A server database is dropped at a later test's start, once no
    // connection holds it any more.
    ~TestDb();
    // The file's path, or the server database's address.
    const QString &path() const { return m_path; }

    // Adds an item; max defaults to original, status to "" (computed by
    // nobody: tests give what they need), dates to 2026-01-15.
    TestDb &item(const QString &no, const QString &name, int remaining, int max, const QString &status = {},
                 const QString &description = QStringLiteral("desc"));
    // Adds a row with any values by field name (unset fields stay null).
    TestDb &row(const QString &table, const QVariantMap &values);
    TestDb &tally(const QString &no, const QString &name, int quantity,
                  const QString &description = QStringLiteral("desc"));
    // Gives every item an opening row in the stock history, as if it had
    // entered the books through the program: the books then balance.
    TestDb &balanced();
    // Adds the one Misc row.
    TestDb &misc(const QVariant &user, const QVariant &pass, const QVariant &coname = {}, const QVariant &pat = {});

    // Reads a field of the n-th row (0-based, stored order).
    QVariant value(const QString &table, int row, const QString &field) const;
    int count(const QString &table) const;

private:
    std::shared_ptr<inv::Connection> connection() const;
    QString m_path;
};

// A fresh run of the program for one test: every connection and cursor let
// go, and a new temporary folder standing for the program's folder.
std::unique_ptr<QTemporaryDir> newProgramFolder();

// A fresh run on a records database with an account, as the windows find it
// after the log-in: dir becomes the new program folder, the database is made
// there, dbPath points at it and the records connection is open on it.
std::unique_ptr<TestDb> newRecordsRun(std::unique_ptr<QTemporaryDir> &dir);

// Writes bytes to dir/name and returns the path (for files that are not
// records databases).
QString writeFile(const QString &dir, const QString &name, const QByteArray &bytes);

// A database of the wrong kind at path: "plain" (no key), "otherkey",
// "notable" (no Misc table) or "nofield" (Misc without pat).
void makeBadDatabase(const QString &path, const QString &kind);

// Runs SQL on a records database behind the program's back, as another
// program or a failing disk would change it; a failure fails the test. On a
// server, through a connection of its own; the records tables' and fields'
// names written bare are quoted on the way, and rowid stands for "ID".
void execSql(const QString &path, const QString &statement);

// Makes every write of one kind to a table fail with message, as a full
// disk would, on either engine: timing is "BEFORE" or "AFTER" (the row
// changed, then the statement fails), event "INSERT", "UPDATE" or "DELETE".
// On a server, message "lost" ends the writer's connection instead.
// stopFailing takes it away again.
void failWrites(const QString &path, const QString &name, const QString &timing, const QString &event,
                const QString &table, const QString &message);
void stopFailing(const QString &path, const QString &name, const QString &table);

// Damages a records database in place, as a disk or a copy would: "data"
// flips a byte in the middle of the Items table's first page, "index" in the
// first page of an index, "last" in the file's last page; "truncated" cuts
// the file off in the middle of its last page. The file must be closed.
void damageDatabase(const QString &path, const QString &kind);

// Every stored value of the tables, row by row ("table:value|value|..."), to
// show that a refused change wrote nothing.
QStringList snapshot(const QString &path,
                     const QStringList &tables = {QStringLiteral("Items"), QStringLiteral("Itemsout")});

// The SHA-256 of a file's bytes, to show that a file was left untouched.
QByteArray fileHash(const QString &path);

inline const QDate kOldDate{2026, 1, 15};

} // namespace testing
