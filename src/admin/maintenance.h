#pragma once
// Keeping a records database safe: checking it, copying it while the program
// works on it, putting a copy back, and handing a table to a spreadsheet.
// The inventory-admin command runs these; none of them shows anything. Each
// takes a records file or a server address (postgresql://...) where it
// names the database; a backup is always a records file.

#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

namespace inv {

// What a procedure found or did.
struct AdminReport {
    // One sentence per problem, each naming the file it is about; empty when
    // the procedure succeeded.
    QStringList problems;
    // On success, the line to show (for a check: "PATH: sound, ...").
    QString summary;
    qint64 items = 0; // rows of Items, when the file was read
    qint64 removals = 0; // rows of Itemsout
    qint64 settings = 0; // rows of Misc
    bool ok() const { return problems.isEmpty(); }
    // Takes the rows counted in the database the procedure read.
    template <typename Counted>
    void takeCounts(const Counted &counted)
    {
        items = counted.items;
        removals = counted.removals;
        settings = counted.settings;
    }
    // "12 items, 30 removal records", as the summaries give the counts.
    QString countsText() const
    {
        return QStringLiteral("%1 items, %2 removal records").arg(items).arg(removals);
    }
};

// Opens path read-only with the system's key, checks that it holds the three
// tables with the fields the program uses, and runs the engine's full
// integrity check, all in one read. Never writes to the file, nor beside it.
// A server database: its tables and fields, and its rows counted in one
// snapshot.
AdminReport checkDatabase(const QString &path);

// Copies the records database at path to dest, which must not exist: a
// consistent copy (every change committed when it starts and nothing
// half-written), keyed like the original, written to a temporary file beside
// dest, checked, and only then given the name dest. Works while the program
// has path open and keeps writing to it. From a server database, every
// table's rows as one snapshot of the server saw them, in a new records file
// made as the program's files are.
AdminReport backupDatabase(const QString &path, const QString &dest);

// Puts the backup at backup in place of path. The backup is checked first
// and refused when it is not sound, and refused while a program has path
// open. path is replaced in one step (at every moment it is the former file
// whole or the backup whole); the former file is kept as
// "PATH.before-restore", which is never overwritten. A server database gets
// the backup's rows in place of all of its own in one change under the
// writers' lock, refused while other programs are connected to it; the
// numbering of new rows goes on past the restored keys.
AdminReport restoreDatabase(const QString &backup, const QString &path);

// The tables export can write.
QStringList exportableTables();

// Writes table (Items or Itemsout) of the database at path as CSV (RFC 4180:
// a header row of the field names, fields quoted when they hold a comma, a
// quote or a line break, quotes doubled, UTF-8, CRLF line ends), rows in
// stored order, values as stored, dates in ISO form. Reads read-only.
AdminReport exportCsv(const QString &path, const QString &table, QIODevice &out);
// The same into a new file (refused when file exists); the file appears
// whole or not at all.
AdminReport exportCsvFile(const QString &path, const QString &table, const QString &file);
// What write puts out, into a new file (refused when file exists) that
// appears whole or not at all; the summary is write's, after the file name.
AdminReport writeNewFile(const QString &file, const std::function<AdminReport(QIODevice &)> &write);
// What write puts out, onto standard output: a write that does not get
// there whole (a full disk behind a redirection, /dev/full) is a problem of
// the report, never a success.
AdminReport writeStandardOutput(const std::function<AdminReport(QIODevice &)> &write);

} // namespace inv
