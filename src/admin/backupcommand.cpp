// inventory-admin backup: a consistent copy of a records database in a new
// keyed file. A file is copied page by page while the program goes on
// writing to it; a server database's rows are read in one snapshot into a
// new records file. Either copy is made under a temporary name beside
// DEST, checked as it lies on the disk, and only then named DEST.

#include "admin/adminfiles.h"
#include "admin/provisioning.h"
#include "data/engines/file/inuselock.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/schema/schema.h"

#include <QFileInfo>

#include <cerrno>
#include <sqlite3.h>
#include <unistd.h>

namespace inv {

namespace {

using namespace AdminFiles;

// The copy is made a few hundred pages at a time with a pause between the
// steps: the file is read-locked during a step only, so the program's
// changes get in between (a click waits for one step at most). A change
// made by another program starts the copy over, so that the copy is always
// one committed state; should changes keep coming, after a few new starts
// the rest is copied in one step, which keeps writers waiting for that part
// alone (well within their wait at 100,000 items).
constexpr int kPagesPerStep = 512;
constexpr int kPauseMs = 5;
constexpr int kStartsInSteps = 4;

std::optional<QString> copyInSteps(KeyedFile &from, KeyedFile &to)
{
    sqlite3_backup *backup = sqlite3_backup_init(to.db(), "main", from.db(), "main");
    if (!backup)
        return QString::fromUtf8(sqlite3_errmsg(to.db()));
    int starts = 1;
    int lastRemaining = -1;
    int rc;
    for (;;) {
        rc = sqlite3_backup_step(backup, starts > kStartsInSteps ? -1 : kPagesPerStep);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        const int remaining = sqlite3_backup_remaining(backup);
        // Within one pass every step leaves fewer pages to copy; a step that
        // does not began the copy again (another program wrote).
        if (rc == SQLITE_OK && lastRemaining >= 0 && remaining >= lastRemaining)
            ++starts;
        if (rc == SQLITE_OK)
            lastRemaining = remaining;
        sqlite3_sleep(kPauseMs);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return QString::fromUtf8(sqlite3_errstr(rc));
    return std::nullopt;
}

// The copy at tmp, read afresh and checked, must hold the rows counted at
// the source; it then gets the group of like (a file's backup, so that the
// database's group can restore it) or the user's own (a server's), a mode
// that gives others nothing, is flushed and named dest.
AdminReport placeCheckedCopy(TempFile &tmp, const QString &dest, const QString &path, const Admin::Counts &source,
                             const std::optional<struct stat> &like)
{
    AdminReport report;
    auto refuse = [&](const QString &problem) {
        report.problems << problem;
        return report;
    };
    const AdminReport check = checkDatabase(tmp.path());
    if (!check.ok()) {
        report.problems << QStringLiteral("%1: the copy fails its check, so no backup is made").arg(path);
        report.problems << check.problems;
        return report;
    }
    const Admin::Counts checked{check.items, check.removals, check.settings};
    if (checked != source)
        return refuse(QStringLiteral("%1: the copy holds %2 where the database held %3, so no backup is made")
                          .arg(path, checked.text(), source.text()));
    const QByteArray copyName = tmp.path().toUtf8();
    if (like) {
        if (::chown(copyName.constData(), uid_t(-1), like->st_gid) == 0)
            ::chmod(copyName.constData(), like->st_mode & 0660);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(copyName.constData(), 0660 & ~mask);
    }
    if (!syncPath(tmp.path(), false))
        return refuse(QStringLiteral("%1 cannot be flushed to the disk (%2)").arg(tmp.path(), errnoText(errno)));
    if (auto problem = placeNew(tmp, dest))
        return refuse(*problem);

    report.takeCounts(source);
    report.summary = QStringLiteral("%1: a checked copy of %2, %3").arg(dest, path, report.countsText());
    return report;
}

AdminReport backupFile(const QString &path, const QString &dest)
{
    AdminReport report;
    auto refuse = [&](const QString &problem) {
        report.problems << problem;
        return report;
    };
    if (dest.isEmpty())
        return refuse(QStringLiteral("no backup file was given"));
    if (exists(dest))
        return refuse(QStringLiteral("%1 already exists; it is left as it is").arg(dest));
    if (auto problem = fileProblem(path))
        return refuse(*problem);
    // Seen by a restore as a program that has the file open.
    InUseLock inUse;
    if (inUse.take(path, InUseLock::Kind::Shared, kRestoreWaitMs) == InUseLock::Result::Busy)
        return refuse(QStringLiteral("%1: inventory-admin is restoring it from a backup; take the backup when the "
                                     "restore has finished")
                          .arg(path));

    TempFile tmp;
    if (auto problem = tmp.create(QFileInfo(dest).absoluteFilePath()))
        return refuse(*problem);

    Admin::Counts source;
    try {
        // Read-write only so that a change a killed writer left unfinished
        // is rolled back first, as the program would; nothing else is
        // written to the original.
        KeyedFile db(path, KeyedFile::Mode::ReadWrite);
        if (auto problem = readProblem(db))
            return refuse(*problem);
        const QStringList schema = schemaProblems(db);
        if (!schema.isEmpty()) {
            report.problems = schema;
            return report;
        }
        // The copy, keyed as the records files are.
        KeyedFile copy(tmp.path(), KeyedFile::Mode::ReadWrite);
        if (auto problem = copyInSteps(db, copy))
            return refuse(QStringLiteral("%1 cannot be copied (%2)").arg(path, *problem));
        // The copy is the file as one committed state left it: its own
        // rows are what the check of the copy must find again.
        source = countRows(copy);
    } catch (const RecordsError &e) {
        return refuse(QStringLiteral("%1 cannot be copied (%2)").arg(path, e.reason()));
    }

    // The copy is the database's group's to read, as the database is, so
    // that any of them can restore it; others get nothing.
    return placeCheckedCopy(tmp, dest, path, source, statOf(path));
}

// A server database's rows, every table's, read in one snapshot of the
// server (clerks go on working meanwhile; their later changes are not in
// it) into a new records file keyed and made as the program's files are.
AdminReport backupServer(const QString &location, const QString &dest)
{
    AdminReport report;
    auto refuse = [&](const QString &problem) {
        report.problems << problem;
        return report;
    };
    const QString shown = Admin::shown(location);
    if (dest.isEmpty())
        return refuse(QStringLiteral("no backup file was given"));
    if (exists(dest))
        return refuse(QStringLiteral("%1 already exists; it is left as it is").arg(dest));

    TempFile tmp;
    if (auto problem = tmp.create(QFileInfo(dest).absoluteFilePath()))
        return refuse(*problem);
    // Opening the copy as the program does leaves an in-use lock beside it.
    struct LockFileGone {
        QString path;
        ~LockFileGone() { ::unlink(InUseLock::lockFilePath(path).toUtf8().constData()); }
    } lockFileGone{tmp.path()};

    Admin::Counts source;
    try {
        {
            KeyedFile made(tmp.path(), KeyedFile::Mode::ReadWrite);
            made.exec(QStringLiteral("BEGIN"));
            createRecordsTables(made);
            made.exec(QStringLiteral("COMMIT"));
        }
        const std::shared_ptr<Connection> server = PgConnection::open(location);
        const std::shared_ptr<Connection> copy = SqlCipherConnection::open(tmp.path());
        ReadGroup snapshot(server);
        source = Admin::countRows(*server);
        Admin::copyRows(*server, copy, Admin::tablesOf(*server));
    } catch (const RecordsError &e) {
        return refuse(QStringLiteral("%1 cannot be copied (%2)").arg(shown, e.reason()));
    }
    return placeCheckedCopy(tmp, dest, shown, source, std::nullopt);
}

} // namespace

AdminReport backupDatabase(const QString &path, const QString &dest)
{
    return isServerLocation(path) ? backupServer(path, dest) : backupFile(path, dest);
}

} // namespace inv
