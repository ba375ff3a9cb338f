// inventory-admin check: a file is opened read-only with the system's key,
// its tables and fields are checked and the engine's integrity check runs,
// all in one read; a server database's tables and fields are checked and
// its rows counted in one snapshot. The balance of the stock history is
// checkBalance's (historycommands.cpp).

#include "admin/adminfiles.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/server/pgconnection.h"
#include "data/schema/schema.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <sqlite3.h>

namespace inv {

namespace AdminFiles {

namespace {

// The page size every records database is written with (the engine's
// default for keyed files).
constexpr qint64 kPageSize = 1024;

} // namespace

std::optional<QString> fileProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no file was given");
    struct stat st { };
    if (::stat(path.toUtf8().constData(), &st) != 0) {
        if (errno == ENOENT)
            return QStringLiteral("%1: the file does not exist").arg(path);
        return QStringLiteral("%1: the file cannot be reached (%2)").arg(path, errnoText(errno));
    }
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("%1: it is not a file").arg(path);
    if (st.st_size == 0)
        return QStringLiteral("%1: the file is empty (0 bytes); a records database never is").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: the file cannot be read (%2)").arg(path, file.errorString());
    const QByteArray head = file.read(16);
    if (head == QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("%1: it is a database without the system's key (not encrypted), "
                              "not a records database")
            .arg(path);
    if (st.st_size % kPageSize != 0)
        return QStringLiteral("%1: it is not a records database: its size (%2 bytes) is not a whole number of "
                              "%3-byte pages, so it is another kind of file or a database cut short")
            .arg(path, QString::number(qint64(st.st_size)), QString::number(kPageSize));
    return std::nullopt;
}

// The first read, which shows a wrong key, a file of another kind and a
// change left unfinished.
std::optional<QString> readProblem(KeyedFile &db)
{
    try {
        db.value(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const RecordsError &e) {
        const QString &path = db.path();
        switch (db.lastError() & 0xff) {
        case SQLITE_CORRUPT:
            return QStringLiteral("%1: it is damaged where its reading starts (%2); it may have been cut short")
                .arg(path, e.reason());
        case SQLITE_NOTADB:
            return QStringLiteral("%1: it cannot be read with the system's key: it is protected with another "
                                  "password, or it is not a records database, or its first page is damaged")
                .arg(path);
        case SQLITE_READONLY:
            if (db.lastError() == SQLITE_READONLY_ROLLBACK)
                return QStringLiteral("%1: %2").arg(path, KeyedFile::halfWritten(path));
            break;
        case SQLITE_BUSY:
            return QStringLiteral("%1: another program keeps it locked; try again later").arg(path);
        }
        return QStringLiteral("%1: it cannot be read (%2)").arg(path, e.reason());
    }
    return std::nullopt;
}

// Field names of a table in stored order (empty when the table is missing).
QStringList fieldsOf(KeyedFile &db, const QString &table)
{
    QStringList fields;
    db.query(QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(table)), [&](sqlite3_stmt *stmt) {
        fields << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
    });
    return fields;
}

// The tables and the fields the program uses.
QStringList schemaProblems(KeyedFile &db, const QStringList &only)
{
    QStringList problems;
    // A file made before a table existed is sound without it.
    int version = 1;
    try {
        version = std::max(1, int(db.value(QStringLiteral("PRAGMA user_version")).toLongLong()));
    } catch (const RecordsError &) {
    }
    for (const TableDef &table : recordsTables()) {
        const QString name = QString::fromLatin1(table.name);
        if ((!only.isEmpty() && !only.contains(name)) || table.since > version)
            continue;
        QStringList have;
        try {
            have = fieldsOf(db, name);
        } catch (const RecordsError &e) {
            problems << QStringLiteral("%1: the table %2 cannot be read (%3)").arg(db.path(), name, e.reason());
            continue;
        }
        if (have.isEmpty()) {
            problems << QStringLiteral("%1: the table %2 is missing").arg(db.path(), name);
            continue;
        }
        for (const QString &field : table.required)
            if (!have.contains(field))
                problems << QStringLiteral("%1: the table %2 has no field %3").arg(db.path(), name, field);
    }
    return problems;
}
Admin::Counts countRows(KeyedFile &db)
{
    auto count = [&](const char *table) {
        return db.value(QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(QLatin1String(table)))).toLongLong();
    };
    return {count("Items"), count("Itemsout"), count("Misc")};
}

} // namespace AdminFiles

namespace {

using namespace AdminFiles;

// Enough page cache for the integrity check to walk the indexes of a large
// file without decrypting the same pages again and again.
constexpr const char *kCheckCache = "PRAGMA cache_size = -32768";
// The integrity check findings shown one by one; the rest are counted.
constexpr int kFindingsShown = 5;

// The check of an open file, in one read transaction.
AdminReport checkOpen(KeyedFile &db)
{
    AdminReport report;
    if (auto problem = readProblem(db)) {
        report.problems << *problem;
        return report;
    }
    try {
        db.exec(QString::fromLatin1(kCheckCache));
        db.exec(QStringLiteral("BEGIN"));
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: it cannot be read (%2)").arg(db.path(), e.reason());
        return report;
    }
    const QStringList schema = schemaProblems(db);
    report.problems << schema;
    QStringList findings;
    try {
        db.query(QStringLiteral("PRAGMA integrity_check"), [&](sqlite3_stmt *stmt) {
            // A row may hold several findings, one a line, after a heading.
            const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
            for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                const QString finding = line.simplified();
                if (finding != QLatin1String("ok") && !finding.startsWith(QLatin1String("*** in database")))
                    findings << finding;
            }
        });
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the integrity check stops at a damaged part of the file (%2)")
                               .arg(db.path(), e.reason());
    }
    for (int i = 0; i < findings.size() && i < kFindingsShown; ++i)
        report.problems << QStringLiteral("%1: the integrity check finds damage: %2").arg(db.path(), findings[i]);
    if (findings.size() > kFindingsShown)
        report.problems << QStringLiteral("%1: the integrity check finds %2 more problems")
                               .arg(db.path())
                               .arg(findings.size() - kFindingsShown);
    // Counted after the check: a damaged page found on the way leaves the
    // connection unable to read any further.
    if (schema.isEmpty()) {
        try {
            const Admin::Counts counts = countRows(db);
            report.items = counts.items;
            report.removals = counts.removals;
            report.settings = counts.settings;
        } catch (const RecordsError &e) {
            report.problems << QStringLiteral("%1: its rows cannot be counted (%2)").arg(db.path(), e.reason());
        }
    }
    try {
        db.exec(QStringLiteral("COMMIT"));
    } catch (const RecordsError &) {
        // A read-only transaction: nothing to keep.
    }
    if (report.ok())
        report.summary = Admin::soundSummary(db.path(), {report.items, report.removals, report.settings});
    return report;
}
// A server database: the open checks that the tables and the fields the
// program uses are there; the rows are counted in one snapshot. The server
// keeps its own pages sound: there is no integrity check of ours to run.
AdminReport checkServer(const QString &location)
{
    AdminReport report;
    try {
        const std::shared_ptr<Connection> server = PgConnection::open(location);
        ReadGroup snapshot(server);
        const Admin::Counts counts = Admin::countRows(*server);
        report.takeCounts(counts);
        report.summary = Admin::soundSummary(server->path(), counts);
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: %2").arg(Admin::shown(location), e.reason());
    }
    return report;
}

} // namespace

AdminReport checkDatabase(const QString &path)
{
    if (isServerLocation(path))
        return checkServer(path);
    AdminReport report;
    if (auto problem = fileProblem(path)) {
        report.problems << *problem;
        return report;
    }
    try {
        KeyedFile db(path, KeyedFile::Mode::ReadOnly);
        return checkOpen(db);
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: %2").arg(path, e.reason());
    }
    return report;
}
} // namespace inv
