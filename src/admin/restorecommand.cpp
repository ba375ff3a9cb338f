// inventory-admin restore: a sound backup put in place of a records
// database. A file is replaced in one rename (the former file kept beside
// it) while no program has it open; a server database's rows are all
// replaced in one change under the writers' lock while no other program is
// connected to it. Either way the history records the restore.

#include "admin/adminfiles.h"
#include "data/core/fields.h"
#include "data/engines/file/inuselock.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/schema/schema.h"
#include "data/stock/journal.h"

#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace inv {

namespace {

using namespace AdminFiles;

AdminReport restoreFile(const QString &backup, const QString &path)
{
    AdminReport report;
    auto refuse = [&](const QString &problem) {
        report.problems << problem << QStringLiteral("%1 is left as it is").arg(path);
        return report;
    };
    if (path.isEmpty())
        return refuse(QStringLiteral("no database file was given"));

    // Refused before anything is touched.
    const AdminReport backupCheck = checkDatabase(backup);
    if (!backupCheck.ok()) {
        report.problems << backupCheck.problems
                        << QStringLiteral("%1 is not a sound backup; %2 is left as it is").arg(backup, path);
        return report;
    }

    // The file itself, not a link to it, is replaced.
    const QFileInfo info(path);
    const bool hadFile = exists(path);
    const QString target =
        hadFile && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : info.absoluteFilePath();
    const auto targetStat = statOf(target);
    if (hadFile && (!targetStat || !S_ISREG(targetStat->st_mode)))
        return refuse(QStringLiteral("%1: it is not a file").arg(path));
    if (!QFileInfo(QFileInfo(target).absolutePath()).isDir())
        return refuse(QStringLiteral("%1: its folder does not exist").arg(path));
    if (hadFile && sameFile(backup, target))
        return refuse(QStringLiteral("%1 and %2 are the same file").arg(backup, path));

    // No program may have the file open while it is replaced, and none can
    // open it until the restore is over.
    InUseLock inUse;
    switch (inUse.take(target, InUseLock::Kind::Exclusive)) {
    case InUseLock::Result::Taken:
        break;
    case InUseLock::Result::Busy:
        return refuse(QStringLiteral("%1 is open in the inventory program or in another inventory-admin command; "
                                     "close the program, then restore")
                          .arg(path));
    case InUseLock::Result::NoLockFile:
        return refuse(QStringLiteral("%1: it cannot be told whether the program has it open, because %2")
                          .arg(path, inUse.error()));
    }

    const QString before = target + QStringLiteral(".before-restore");
    bool beforeKept = false;
    mode_t mode = 0644;
    if (hadFile) {
        mode = targetStat->st_mode & 07777;
        // A change to the former file that a killed program left unfinished
        // belongs to that file: it is rolled back now, as the program would,
        // so that neither file depends on a journal beside it.
        const QString journal = target + QStringLiteral("-journal");
        if (holdsAChange(journal)) {
            try {
                KeyedFile former(target, KeyedFile::Mode::ReadWrite);
                former.value(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            } catch (const RecordsError &) {
            }
            if (holdsAChange(journal))
                return refuse(QStringLiteral("%1: a change to it was cut off half-written and cannot be rolled "
                                             "back (%2 is left beside it); move both files away together, "
                                             "then restore")
                                  .arg(path, journal));
        }
        if (exists(target + QStringLiteral("-wal")))
            return refuse(QStringLiteral("%1: %1-wal lies beside it, which this system never writes; move it "
                                         "away, then restore")
                              .arg(path));
        if (exists(before)) {
            // The same file: a restore cut off after keeping it.
            if (!sameFile(before, target))
                return refuse(QStringLiteral("%1 already exists (kept by an earlier restore); move it away, then "
                                             "restore again")
                                  .arg(before));
            beforeKept = true;
        }
    }

    // The backup's bytes beside the file, flushed, and checked as they lie.
    // A copy left by a restore that was cut off is ours to replace: the lock
    // shows that no other restore is running.
    const QString copy = target + QStringLiteral(".restoring");
    ::unlink(copy.toUtf8().constData());
    ::unlink((copy + QStringLiteral("-journal")).toUtf8().constData());
    ::unlink(InUseLock::lockFilePath(copy).toUtf8().constData());
    TempFile tmp;
    tmp.adopt(copy);
    // The restored file keeps the former one's owner, group and mode: the
    // group that used it goes on using it.
    if (auto problem = copyBytes(backup, copy, mode, hadFile ? &*targetStat : nullptr))
        return refuse(*problem);
    const AdminReport copyCheck = checkDatabase(copy);
    if (!copyCheck.ok()) {
        report.problems << copyCheck.problems;
        return refuse(QStringLiteral("the copy of %1 beside %2 fails its check").arg(backup, path));
    }

    // The copy's history records the restore (a backup from before the
    // history gets it first), written before the copy takes the file's place.
    try {
        Journal::restored(SqlCipherConnection::open(copy));
    } catch (const RecordsError &e) {
        ::unlink(InUseLock::lockFilePath(copy).toUtf8().constData());
        return refuse(QStringLiteral("the copy of %1 beside %2 cannot be written (%3)").arg(backup, path, e.reason()));
    }
    ::unlink(InUseLock::lockFilePath(copy).toUtf8().constData());

    // The former file keeps a name of its own before its place is taken.
    if (hadFile && !beforeKept) {
        const QByteArray from = target.toUtf8(), to = before.toUtf8();
        if (::link(from.constData(), to.constData()) != 0) {
            const int error = errno;
            if (error == EEXIST)
                return refuse(QStringLiteral("%1 already exists; move it away, then restore again").arg(before));
            if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK)
                return refuse(QStringLiteral("%1 cannot be kept as %2 (%3)").arg(path, before, errnoText(error)));
            // No hard links here: a copy, made whole under another name first.
            TempFile formerCopy;
            const QString partial = before + QStringLiteral(".partial");
            ::unlink(partial.toUtf8().constData());
            formerCopy.adopt(partial);
            if (auto problem = copyBytes(target, partial, mode, &*targetStat))
                return refuse(*problem);
            if (auto problem = placeNew(formerCopy, before))
                return refuse(*problem);
        }
        syncFolderOf(target);
    }

    if (::rename(copy.toUtf8().constData(), target.toUtf8().constData()) != 0)
        return refuse(QStringLiteral("%1 cannot be replaced (%2)").arg(path, errnoText(errno)));
    tmp.keep();
    syncFolderOf(target);

    report.takeCounts(copyCheck);
    report.summary = QStringLiteral("%1: restored from %2, %3").arg(path, backup, report.countsText());
    if (hadFile)
        report.summary += QStringLiteral("; the former file is kept as %1").arg(before);
    return report;
}
// One history row of kind for every item of the server database, a page
// of items at a time: an opening row holds the item's remaining quantity as
// its change, a restore row no change.
void recordEveryItem(PgConnection &server, Journal::Kind kind)
{
    constexpr int kItemsAPage = 4096;
    const QStringList names = server.fields(QStringLiteral("Items"));
    const QVector<int> read{int(names.indexOf(inv::kItemNo)), int(names.indexOf(inv::kItemName)),
                            int(names.indexOf(inv::kRemaining))};
    QVector<int> fields;
    std::optional<qint64> next;
    for (;;) {
        const QVector<Row> items = server.readRows(QStringLiteral("Items"), read, next, kItemsAPage);
        QVector<Row> rows;
        rows.reserve(items.size());
        for (const Row &item : items) {
            const double change = kind == Journal::Kind::Opening ? Journal::quantityOf(item.values[2]) : 0;
            const FieldChanges values =
                Journal::rowValues(kind, item.values[0], item.values[1], change, item.values[2]);
            Row row;
            fields.clear();
            for (const auto &value : values) {
                fields << value.first;
                row.values << value.second;
            }
            rows << row;
        }
        server.insertRows(Journal::kTable, fields, rows);
        if (items.size() < kItemsAPage)
            return;
        next = items.last().key + 1;
    }
}

// Every row of every table of the server database replaced by the backup's,
// in one change under the writers' lock: at every moment the database is
// the former one whole or the backup whole. Refused while other programs
// are connected to the database (a clerk's list would show rows that are
// gone). That is asked under the lock: a program that connects after it
// waits for the restore before its first change.
AdminReport restoreServer(const QString &backup, const QString &location)
{
    AdminReport report;
    const QString shown = Admin::shown(location);
    auto refuse = [&](const QString &problem) {
        report.problems << problem << QStringLiteral("%1 is left as it is").arg(shown);
        return report;
    };

    // Refused before anything is touched.
    const AdminReport backupCheck = checkDatabase(backup);
    if (!backupCheck.ok()) {
        report.problems << backupCheck.problems
                        << QStringLiteral("%1 is not a sound backup; %2 is left as it is").arg(backup, shown);
        return report;
    }

    try {
        const std::shared_ptr<Connection> source = SqlCipherConnection::openReadOnly(backup);
        const std::shared_ptr<PgConnection> server = PgConnection::open(location);
        Transaction change(server);
        if (const qint64 others = server->otherClients(); others > 0) {
            report.problems << QStringLiteral("%1 is in use by %2 other %3 (the program on a clerk's computer, "
                                              "say), so nothing was restored: close %4, then restore again")
                                   .arg(shown, QString::number(others),
                                        others == 1 ? QStringLiteral("connection") : QStringLiteral("connections"),
                                        others == 1 ? QStringLiteral("it") : QStringLiteral("them"));
            return report;
        }
        ReadGroup backupRead(source);
        const QStringList tables = Admin::tablesOf(*source);
        for (const TableDef &table : recordsTables())
            server->removeAll(QString::fromLatin1(table.name));
        Admin::copyRows(*source, server, tables,
                        [&](const QString &table, const QVector<int> &fields, const QVector<Row> &rows) {
                            server->insertRows(table, fields, rows);
                        });
        // The rows written from here on are numbered past the backup's.
        server->numberPastKeys();
        // A backup from before the history: its items enter the books with
        // the stock they hold, as the upgrade of a file gives them. Then the
        // restore itself, as on a file.
        if (!tables.contains(Journal::kTable))
            recordEveryItem(*server, Journal::Kind::Opening);
        recordEveryItem(*server, Journal::Kind::Restore);
        change.commit();
        report.takeCounts(backupCheck);
    } catch (const RecordsError &e) {
        // A commit the server could not confirm may have gone in: that is
        // said, not that the database was left as it was.
        if (e.kind() == RecordsError::Kind::OutcomeUnknown) {
            report.problems << QStringLiteral("%1: the server stopped answering while the restore was being saved: it "
                                              "may or may not have been restored; check it before anything else")
                                   .arg(shown);
            return report;
        }
        return refuse(QStringLiteral("%1 cannot be restored from %2 (%3)").arg(shown, backup, e.reason()));
    }
    report.summary = QStringLiteral("%1: restored from %2, %3").arg(shown, backup, report.countsText());
    return report;
}

} // namespace

AdminReport restoreDatabase(const QString &backup, const QString &path)
{
    return isServerLocation(path) ? restoreServer(backup, path) : restoreFile(backup, path);
}

} // namespace inv
