#pragma once
// Whether a records database is in use, made visible to other processes.
//
// While a process has a records database open it holds a shared advisory
// lock (flock) on a small file beside it, "<database>.inventory-lock"; a
// restore takes the same lock exclusively, so it is refused while the
// program has the file open, and a program that opens the file during a
// restore waits for the restore to finish.
//
// The lock lives on its own file and never on the database file: the engine
// locks the database file with POSIX record locks (fcntl), which belong to
// the whole process and are all dropped when any descriptor of that file is
// closed. The lock file is never opened by the engine, flock locks are not
// POSIX record locks (they belong to the open file description), and
// closing the lock file's descriptor touches no lock on the database file.
// The name is one no engine file uses (not "-journal", "-wal", "-shm", nor
// the ".lock" of the engine's dot-file locking).
//
// Only those who may use the database may hold its lock: the lock file has
// the database's group and gives others no access at all (0660), so that no
// other user can open it to block the program, backups and restores. It is
// opened without following a symbolic link, and a file found in its place
// that someone outside the group could have made (another owner, another
// group, access for others, not a plain file) is not used: the lock is then
// not taken, and the caller refuses to go on. A lock file of the caller's own
// with loose modes (as older versions made them) is put right.

#include <QString>

namespace inv {

class InUseLock {
public:
    enum class Kind { Shared, Exclusive };
    enum class Result {
        Taken,
        Busy, // another process holds a lock that excludes this one
        NoLockFile, // the lock file cannot be made or opened (a read-only folder, say), or is not one to trust
    };

    InUseLock() = default;
    ~InUseLock();
    InUseLock(InUseLock &&other) noexcept;
    InUseLock &operator=(InUseLock &&other) noexcept;
    InUseLock(const InUseLock &) = delete;
    InUseLock &operator=(const InUseLock &) = delete;

    // Takes the lock of the database at path, waiting up to waitMs
    // milliseconds while it is Busy; a wait is reported (Waits) with the
    // sentence waitingFor, when one is given. The lock file is created when
    // missing and left in place afterwards.
    Result take(const QString &databasePath, Kind kind, int waitMs = 0, const QString &waitingFor = {});
    bool held() const { return m_fd >= 0; }
    void release();
    // Why the last take() gave NoLockFile, as a clause ("... cannot be
    // made (Permission denied)").
    const QString &error() const { return m_error; }

    // "<database>.inventory-lock", for the database's path as given.
    static QString lockFilePath(const QString &databasePath);

private:
    int m_fd = -1;
    QString m_error;
};

} // namespace inv
