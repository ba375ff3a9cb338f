// inventory-admin export: a table as CSV for a spreadsheet, values as
// stored, from a file or a server database; writeNewFile puts any list
// into a new file that appears whole or not at all.

#include "admin/adminfiles.h"
#include "admin/csvwriter.h"
#include "admin/historycommands.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/server/pgconnection.h"

#include <QDate>
#include <QFile>
#include <QIODevice>
#include <QLocale>

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace inv {

using namespace AdminFiles;

QStringList exportableTables()
{
    return {QStringLiteral("Items"), QStringLiteral("Itemsout")};
}

namespace {

using Csv::appendField;
using Csv::inert;

// A stored value as its CSV text: numbers as written, texts as stored, dates
// in ISO form, nothing for no value.
QByteArray csvValue(sqlite3_stmt *stmt, int column, bool isDate)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QByteArray::number(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QByteArray::number(sqlite3_column_double(stmt, column), 'g', QLocale::FloatingPointShortest);
    case SQLITE_TEXT: {
        QByteArray text(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                        sqlite3_column_bytes(stmt, column));
        if (isDate) {
            // A date with a time of day written after it keeps the date.
            const QDate date = QDate::fromString(QString::fromUtf8(text.left(10)), Qt::ISODate);
            if (date.isValid()
                && (text.size() == 10 || text.mid(10).trimmed() == "00:00:00" || text.mid(10) == "T00:00:00"))
                return date.toString(Qt::ISODate).toUtf8();
        }
        return inert(text);
    }
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column))
            .toHex();
    default:
        return {};
    }
}

// A file's table, in one read, its values as the engine stores them: a
// date field's text is written as the date it holds when it has no time of
// day, and as it is otherwise.
QStringList readFileTable(const QString &path, const QString &table, QByteArray &csv, qint64 &rows)
{
    if (auto problem = fileProblem(path))
        return {*problem};
    try {
        KeyedFile db(path, KeyedFile::Mode::ReadOnly);
        if (auto problem = readProblem(db))
            return {*problem};
        db.exec(QStringLiteral("BEGIN"));
        const QStringList schema = schemaProblems(db, {table});
        if (!schema.isEmpty())
            return schema;
        QVector<bool> isDate;
        db.query(QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(table)), [&](sqlite3_stmt *stmt) {
            const QString type = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 2)));
            isDate << type.contains(QLatin1String("DATE"), Qt::CaseInsensitive);
        });
        bool header = true;
        db.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(quotedName(table)), [&](sqlite3_stmt *stmt) {
            const int columns = sqlite3_column_count(stmt);
            if (header) {
                for (int c = 0; c < columns; ++c) {
                    if (c > 0)
                        csv += ',';
                    appendField(csv, QByteArray(sqlite3_column_name(stmt, c)));
                }
                csv += "\r\n";
                header = false;
            }
            for (int c = 0; c < columns; ++c) {
                if (c > 0)
                    csv += ',';
                appendField(csv, csvValue(stmt, c, c < isDate.size() && isDate[c]));
            }
            csv += "\r\n";
            ++rows;
        });
        if (header) {
            // No rows: the header alone.
            QStringList fields = fieldsOf(db, table);
            for (int c = 0; c < fields.size(); ++c) {
                if (c > 0)
                    csv += ',';
                appendField(csv, fields[c].toUtf8());
            }
            csv += "\r\n";
        }
        db.exec(QStringLiteral("COMMIT"));
    } catch (const RecordsError &e) {
        return {QStringLiteral("%1: the table %2 cannot be read (%3)").arg(path, table, e.reason())};
    }
    return {};
}

// A server database's table, in one snapshot, through the records
// interface: the same bytes as a file holding the same rows.
QStringList readServerTable(const QString &location, const QString &table, QByteArray &csv, qint64 &rows)
{
    try {
        const std::shared_ptr<Connection> server = PgConnection::open(location);
        ReadGroup snapshot(server);
        rows = appendCsvPages(csv, server->fields(table), [&](const QVector<int> &fields, const Row *last) {
            return server->readRows(table, fields, last ? std::optional<qint64>(last->key + 1) : std::nullopt,
                                    kCsvPage);
        });
    } catch (const RecordsError &e) {
        return {QStringLiteral("%1: the table %2 cannot be read (%3)").arg(Admin::shown(location), table, e.reason())};
    }
    return {};
}

} // namespace

AdminReport exportCsv(const QString &path, const QString &table, QIODevice &out)
{
    AdminReport report;
    auto refuse = [&](const QString &problem) {
        report.problems << problem;
        return report;
    };
    if (!exportableTables().contains(table))
        return refuse(QStringLiteral("there is no table %1 to export: export %2")
                          .arg(table, exportableTables().join(QLatin1String(" or "))));
    // The whole table is read first, in one read, and written afterwards:
    // a slow reader of the output never keeps the program from writing.
    QByteArray csv;
    qint64 rows = 0;
    const QStringList problems =
        isServerLocation(path) ? readServerTable(path, table, csv, rows) : readFileTable(path, table, csv, rows);
    if (!problems.isEmpty()) {
        report.problems = problems;
        return report;
    }
    if (out.write(csv) != csv.size())
        return refuse(QStringLiteral("the table cannot be written out (%1)").arg(out.errorString()));
    report.summary = QStringLiteral("%1 rows of %2 from %3").arg(rows).arg(table, Admin::shown(path));
    if (table == QLatin1String("Items"))
        report.items = rows;
    else
        report.removals = rows;
    return report;
}

AdminReport exportCsvFile(const QString &path, const QString &table, const QString &file)
{
    return writeNewFile(file, [&](QIODevice &out) { return exportCsv(path, table, out); });
}

namespace {

// Why what was written to out did not all reach it (and the disk, when
// durable), in words; nothing when it did.
std::optional<QString> unwritten(QFile &out, bool durable)
{
    if (out.error() != QFileDevice::NoError || !out.flush())
        return out.errorString();
    if (durable && ::fsync(out.handle()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return std::nullopt;
}

} // namespace

AdminReport writeStandardOutput(const std::function<AdminReport(QIODevice &)> &write)
{
    AdminReport report;
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) {
        report.problems << QStringLiteral("standard output cannot be written");
        return report;
    }
    report = write(out);
    if (!report.ok())
        return report;
    std::optional<QString> problem = unwritten(out, false);
    if (!problem && (std::fflush(stdout) != 0 || std::ferror(stdout)))
        problem = QString::fromLocal8Bit(std::strerror(errno));
    if (problem)
        report.problems << QStringLiteral("standard output cannot be written in full (%1)").arg(*problem);
    return report;
}

AdminReport writeNewFile(const QString &file, const std::function<AdminReport(QIODevice &)> &write)
{
    AdminReport report;
    if (file.isEmpty()) {
        report.problems << QStringLiteral("no output file was given");
        return report;
    }
    if (exists(file)) {
        report.problems << QStringLiteral("%1 already exists; it is left as it is").arg(file);
        return report;
    }
    TempFile tmp;
    if (auto problem = tmp.create(file)) {
        report.problems << *problem;
        return report;
    }
    {
        QFile out(tmp.path());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            report.problems << QStringLiteral("%1 cannot be written (%2)").arg(file, out.errorString());
            return report;
        }
        report = write(out);
        if (!report.ok())
            return report;
        if (const std::optional<QString> problem = unwritten(out, true)) {
            report.problems << QStringLiteral("%1 cannot be written (%2)").arg(file, *problem);
            return report;
        }
        out.close();
    }
    // Readable like any new file of the user's, not only by its owner.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(tmp.path().toUtf8().constData(), 0666 & ~mask);
    if (auto problem = placeNew(tmp, file)) {
        report.problems << *problem;
        return report;
    }
    report.summary = QStringLiteral("%1: %2").arg(file, report.summary);
    return report;
}
} // namespace inv
