#pragma once
// The file-only side of inventory-admin's commands: what a records file is
// made of on the disk (its name, its folder, its journal, its mode and
// group) and the engine's own look at it (the first read, the tables in
// the file, the rows counted in one read). The commands' files use them;
// nothing else does.

#include "admin/admintables.h"
#include "admin/maintenance.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <sys/stat.h>

namespace inv {

class KeyedFile;

namespace AdminFiles {

// How long a backup waits for a restore of the same file to finish.
constexpr int kRestoreWaitMs = 10000;

QString errnoText(int error);
QString quotedName(const QString &identifier);
// Whether anything has the name (a dangling link counts).
bool exists(const QString &path);
std::optional<struct stat> statOf(const QString &path);
bool sameFile(const QString &a, const QString &b);

// Whether a journal beside a database holds a change to roll back.
bool holdsAChange(const QString &journal);

// Flushes a file, or a folder's entries, to the disk.
bool syncPath(const QString &path, bool folder);
bool syncFolderOf(const QString &path);

// A new file beside a target, removed (with any journal the engine left
// beside it) unless it is given its final name.
class TempFile {
public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Creates a new, empty file named after target; the reason when it
    // cannot.
    std::optional<QString> create(const QString &target);
    // Takes over a file made by other means.
    void adopt(const QString &path) { m_path = path; }
    const QString &path() const { return m_path; }
    void keep() { m_path.clear(); }

private:
    QString m_path;
};

// Gives the finished file tmp the name dest, which must not exist, and
// flushes the folder's entries.
std::optional<QString> placeNew(TempFile &tmp, const QString &dest);

// Copies the bytes of from into a new file to (which must not exist) and
// flushes them to the disk; with owner given, the copy takes its owner and
// group.
std::optional<QString> copyBytes(const QString &from, const QString &to, mode_t mode,
                                 const struct stat *owner = nullptr);

// What can be told about a file before the engine opens it: missing, empty,
// not a file, unencrypted, or of a size no records database has.
std::optional<QString> fileProblem(const QString &path);
// The first read, which shows a wrong key, a file of another kind and a
// change left unfinished.
std::optional<QString> readProblem(KeyedFile &db);
// Field names of a table in stored order (empty when the table is missing).
QStringList fieldsOf(KeyedFile &db, const QString &table);
// The tables (only those named, when any are) and the fields the program
// uses, as far as the file's schema version has them.
QStringList schemaProblems(KeyedFile &db, const QStringList &only = {});
Admin::Counts countRows(KeyedFile &db);

} // namespace AdminFiles

} // namespace inv
