#include "maintenance.h"

#include "csvwriter.h"
#include "inuselock.h"
#include "journal.h"
#include "keyedfile.h"
#include "schema.h"
#include "sqlcipherconnection.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inv {

namespace {

// The page size every records database is written with (the engine's
// default for keyed files).
constexpr qint64 kPageSize = 1024;
// Enough page cache for the integrity check to walk the indexes of a large
// file without decrypting the same pages again and again.
constexpr const char *kCheckCache = "PRAGMA cache_size = -32768";
// The integrity check findings shown one by one; the rest are counted.
constexpr int kFindingsShown = 5;
// How long a backup waits for a restore of the same file to finish.
constexpr int kRestoreWaitMs = 10000;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString quotedName(const QString &identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

bool exists(const QString &path)
{
    struct stat st { };
    return ::lstat(path.toUtf8().constData(), &st) == 0; // a dangling link counts
}

std::optional<struct stat> statOf(const QString &path)
{
    struct stat st { };
    if (::stat(path.toUtf8().constData(), &st) != 0)
        return std::nullopt;
    return st;
}

bool sameFile(const QString &a, const QString &b)
{
    const auto sa = statOf(a), sb = statOf(b);
    return sa && sb && sa->st_dev == sb->st_dev && sa->st_ino == sb->st_ino;
}

qint64 sizeOf(const QString &path)
{
    const auto st = statOf(path);
    return st ? qint64(st->st_size) : -1;
}

// Whether a journal beside a database holds a change to roll back: its
// header carries the engine's magic number. The engine writes the number only
// once the journal is flushed, before the first page of the file changes; a
// journal cut off before that (its header still zero) holds nothing, and the
// engine ignores it.
bool holdsAChange(const QString &journal)
{
    static const char kMagic[8] = {'\xd9', '\xd5', '\x05', '\xf9', '\x20', '\xa1', '\x63', '\xd7'};
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return exists(journal); // there, but unreadable: counted as holding one
    return file.read(8) == QByteArray(kMagic, 8);
}

// Flushes a file, or a folder's entries, to the disk.
bool syncPath(const QString &path, bool folder)
{
    const int fd = ::open(path.toUtf8().constData(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool syncFolderOf(const QString &path)
{
    return syncPath(QFileInfo(path).absolutePath(), true);
}

// A new file beside a target, removed (with any journal the engine left
// beside it) unless it is given its final name.
class TempFile {
public:
    TempFile() = default;
    ~TempFile()
    {
        if (!m_path.isEmpty()) {
            ::unlink(m_path.toUtf8().constData());
            ::unlink((m_path + QStringLiteral("-journal")).toUtf8().constData());
        }
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Creates a new, empty file named after target; the reason when it
    // cannot.
    std::optional<QString> create(const QString &target)
    {
        QByteArray pattern = (target + QStringLiteral(".partial-XXXXXX")).toUtf8();
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return QStringLiteral("%1: no file can be made beside it (%2)").arg(target, errnoText(errno));
        ::close(fd);
        m_path = QString::fromUtf8(pattern);
        return std::nullopt;
    }
    // Takes over a file made by other means.
    void adopt(const QString &path) { m_path = path; }
    const QString &path() const { return m_path; }
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

// Gives the finished file tmp the name dest, which must not exist: a hard
// link, which refuses an existing name, then the temporary name goes. On a
// file system without hard links, a rename after a last look. The folder's
// entries are flushed.
std::optional<QString> placeNew(TempFile &tmp, const QString &dest)
{
    const QByteArray from = tmp.path().toUtf8(), to = dest.toUtf8();
    if (::link(from.constData(), to.constData()) != 0) {
        const int error = errno;
        if (error == EEXIST)
            return QStringLiteral("%1 already exists; it is left as it is").arg(dest);
        if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK)
            return QStringLiteral("%1 cannot be written (%2)").arg(dest, errnoText(error));
        if (exists(dest))
            return QStringLiteral("%1 already exists; it is left as it is").arg(dest);
        if (::rename(from.constData(), to.constData()) != 0)
            return QStringLiteral("%1 cannot be written (%2)").arg(dest, errnoText(errno));
        tmp.keep();
    }
    // The file now has its final name; the temporary one goes.
    syncFolderOf(dest);
    return std::nullopt;
}

// Gives the open file fd the owner and group of like (root may give both;
// anyone else keeps the owner and gives the group, which needs membership).
// The reason when the group cannot be kept: a database the group could no
// longer reach.
std::optional<QString> keepOwnership(int fd, const QString &name, const struct stat &like)
{
    if (::fchown(fd, like.st_uid, like.st_gid) == 0 || ::fchown(fd, uid_t(-1), like.st_gid) == 0)
        return std::nullopt;
    const group *g = ::getgrgid(like.st_gid);
    return QStringLiteral("%1 cannot be given the group %2 (%3)")
        .arg(name, g ? QString::fromLocal8Bit(g->gr_name) : QString::number(like.st_gid), errnoText(errno));
}

// Copies the bytes of from into a new file to (which must not exist) and
// flushes them to the disk; with owner given, the copy takes its owner and
// group.
std::optional<QString> copyBytes(const QString &from, const QString &to, mode_t mode,
                                 const struct stat *owner = nullptr)
{
    const int in = ::open(from.toUtf8().constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return QStringLiteral("%1 cannot be read (%2)").arg(from, errnoText(errno));
    const int out = ::open(to.toUtf8().constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return QStringLiteral("%1 cannot be written (%2)").arg(to, errnoText(error));
    }
    std::optional<QString> problem;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = QStringLiteral("%1 cannot be read (%2)").arg(from, errnoText(errno));
            break;
        }
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got && !problem;) {
            const ssize_t put = ::write(out, buffer.constData() + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                problem = QStringLiteral("%1 cannot be written (%2)").arg(to, errnoText(errno));
            else
                done += put;
        }
        if (problem)
            break;
    }
    if (!problem && owner)
        problem = keepOwnership(out, to, *owner);
    if (!problem && ::fchmod(out, mode) != 0)
        problem = QStringLiteral("%1 cannot be written (%2)").arg(to, errnoText(errno));
    if (!problem && ::fsync(out) != 0)
        problem = QStringLiteral("%1 cannot be flushed to the disk (%2)").arg(to, errnoText(errno));
    ::close(in);
    if (::close(out) != 0 && !problem)
        problem = QStringLiteral("%1 cannot be written (%2)").arg(to, errnoText(errno));
    return problem;
}

// What can be told about a file before the engine opens it: missing, empty,
// not a file, unencrypted, or of a size no records database has.
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
            .arg(path)
            .arg(qint64(st.st_size))
            .arg(kPageSize);
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
                return QStringLiteral("%1: a change to it was cut off half-written (%1-journal is left beside "
                                      "it); the program, or inventory-admin backup, completes the roll-back "
                                      "when it next opens the file; check it again after that")
                    .arg(path);
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
QStringList schemaProblems(KeyedFile &db, const QStringList &only = {})
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

struct Counts {
    qint64 items = 0, removals = 0, settings = 0;
    bool operator==(const Counts &o) const
    {
        return items == o.items && removals == o.removals && settings == o.settings;
    }
    bool operator!=(const Counts &o) const { return !(*this == o); }
    QString text() const
    {
        return QStringLiteral("%1 items, %2 removal records, %3 settings rows").arg(items).arg(removals).arg(settings);
    }
};

Counts countRows(KeyedFile &db, const QString &schema = QStringLiteral("main"))
{
    auto count = [&](const char *table) {
        return db.value(QStringLiteral("SELECT count(*) FROM %1.%2").arg(schema, quotedName(QLatin1String(table))))
            .toLongLong();
    };
    return {count("Items"), count("Itemsout"), count("Misc")};
}

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
            const Counts counts = countRows(db);
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
        report.summary = QStringLiteral("%1: sound, %2 items, %3 removal records")
                             .arg(db.path())
                             .arg(report.items)
                             .arg(report.removals);
    return report;
}

} // namespace

AdminReport checkDatabase(const QString &path)
{
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

namespace {

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

} // namespace

AdminReport backupDatabase(const QString &path, const QString &dest)
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

    Counts source;
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

    // The copy as it lies on the disk, read afresh.
    const AdminReport check = checkDatabase(tmp.path());
    if (!check.ok()) {
        report.problems << QStringLiteral("%1: the copy fails its check, so no backup is made").arg(path);
        report.problems << check.problems;
        return report;
    }
    const Counts checked{check.items, check.removals, check.settings};
    if (checked != source)
        return refuse(QStringLiteral("%1: the copy holds %2 where the database held %3, so no backup is made")
                          .arg(path, checked.text(), source.text()));
    // The copy is the database's group's to read, as the database is, so
    // that any of them can restore it; others get nothing.
    if (const auto source = statOf(path)) {
        const QByteArray copyName = tmp.path().toUtf8();
        if (::chown(copyName.constData(), uid_t(-1), source->st_gid) == 0)
            ::chmod(copyName.constData(), source->st_mode & 0660);
    }
    if (!syncPath(tmp.path(), false))
        return refuse(QStringLiteral("%1 cannot be flushed to the disk (%2)").arg(tmp.path(), errnoText(errno)));
    if (auto problem = placeNew(tmp, dest))
        return refuse(*problem);

    report.items = source.items;
    report.removals = source.removals;
    report.settings = source.settings;
    report.summary = QStringLiteral("%1: a checked copy of %2, %3 items, %4 removal records")
                         .arg(dest, path)
                         .arg(source.items)
                         .arg(source.removals);
    return report;
}

AdminReport restoreDatabase(const QString &backup, const QString &path)
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

    report.items = copyCheck.items;
    report.removals = copyCheck.removals;
    report.settings = copyCheck.settings;
    report.summary = QStringLiteral("%1: restored from %2, %3 items, %4 removal records")
                         .arg(path, backup)
                         .arg(copyCheck.items)
                         .arg(copyCheck.removals);
    if (hadFile)
        report.summary += QStringLiteral("; the former file is kept as %1").arg(before);
    return report;
}

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
    if (auto problem = fileProblem(path))
        return refuse(*problem);

    // The whole table is read first, in one read, and written afterwards:
    // a slow reader of the output never keeps the program from writing.
    QByteArray csv;
    qint64 rows = 0;
    try {
        KeyedFile db(path, KeyedFile::Mode::ReadOnly);
        if (auto problem = readProblem(db))
            return refuse(*problem);
        db.exec(QStringLiteral("BEGIN"));
        const QStringList schema = schemaProblems(db, {table});
        if (!schema.isEmpty()) {
            report.problems = schema;
            return report;
        }
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
        return refuse(QStringLiteral("%1: the table %2 cannot be read (%3)").arg(path, table, e.reason()));
    }
    if (out.write(csv) != csv.size())
        return refuse(QStringLiteral("the table cannot be written out (%1)").arg(out.errorString()));
    report.summary = QStringLiteral("%1 rows of %2 from %3").arg(rows).arg(table, path);
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
        if (!out.flush() || ::fsync(out.handle()) != 0) {
            report.problems << QStringLiteral("%1 cannot be written (%2)").arg(file, out.errorString());
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
