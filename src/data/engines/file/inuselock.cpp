#include "data/engines/file/inuselock.h"

#include "data/core/waits.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inv {

QString InUseLock::lockFilePath(const QString &databasePath)
{
    // The same file whichever name (a link, a relative path) the database
    // was opened by.
    const QFileInfo info(databasePath);
    const QString canonical = info.canonicalFilePath();
    return (canonical.isEmpty() ? info.absoluteFilePath() : canonical) + QStringLiteral(".inventory-lock");
}

InUseLock::~InUseLock()
{
    release();
}

InUseLock::InUseLock(InUseLock &&other) noexcept : m_fd(other.m_fd), m_error(std::move(other.m_error))
{
    other.m_fd = -1;
}

InUseLock &InUseLock::operator=(InUseLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_fd = other.m_fd;
        m_error = std::move(other.m_error);
        other.m_fd = -1;
    }
    return *this;
}

void InUseLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd); // drops the flock; no other file is involved
    m_fd = -1;
}

namespace {

constexpr mode_t kLockMode = 0660;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Whether uid belongs to gid, as its primary group or as a listed member.
bool isMember(uid_t uid, gid_t gid)
{
    const passwd *user = ::getpwuid(uid);
    if (!user)
        return false;
    if (user->pw_gid == gid)
        return true;
    const group *g = ::getgrgid(gid);
    if (!g)
        return false;
    for (char **member = g->gr_mem; *member; ++member)
        if (std::strcmp(*member, user->pw_name) == 0)
            return true;
    return false;
}

QString userName(uid_t uid)
{
    const passwd *user = ::getpwuid(uid);
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid)
{
    const group *g = ::getgrgid(gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

// Who keeps the database: its file's owner and group, or for a file not
// there yet (a restore to a new name), what a new file in its folder gets.
struct Keeper {
    uid_t owner;
    gid_t group;
};

Keeper keeperOf(const QString &databasePath)
{
    struct stat st { };
    if (::stat(QFile::encodeName(databasePath).constData(), &st) == 0)
        return {st.st_uid, st.st_gid};
    const QByteArray folder = QFile::encodeName(QFileInfo(databasePath).absolutePath());
    if (::stat(folder.constData(), &st) == 0 && (st.st_mode & S_ISGID))
        return {::geteuid(), st.st_gid};
    return {::geteuid(), ::getegid()};
}

// Why the opened lock file is not one to trust; nothing when it is.
std::optional<QString> distrust(const struct stat &st, const Keeper &keeper)
{
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1)
        return QStringLiteral("it is not a plain file");
    const bool trustedOwner =
        st.st_uid == ::geteuid() || st.st_uid == 0 || st.st_uid == keeper.owner || isMember(st.st_uid, keeper.group);
    if (!trustedOwner || st.st_gid != keeper.group || (st.st_mode & 07007) != 0)
        return QStringLiteral("it belongs to %1, group %2, with mode %3, where it should belong to the group %4 "
                              "with mode 660")
            .arg(userName(st.st_uid), groupName(st.st_gid),
                 QString::number(st.st_mode & 07777, 8).rightJustified(3, QLatin1Char('0')), groupName(keeper.group));
    return std::nullopt;
}

} // namespace

InUseLock::Result InUseLock::take(const QString &databasePath, Kind kind, int waitMs, const QString &waitingFor)
{
    release();
    m_error.clear();
    const QString lockPath = lockFilePath(databasePath);
    const QByteArray file = QFile::encodeName(lockPath);
    const Keeper keeper = keeperOf(databasePath);
    const auto refuse = [&](const QString &why) {
        m_error = QStringLiteral("%1 cannot be used as its in-use lock: %2").arg(lockPath, why);
        return Result::NoLockFile;
    };
    // Read-only is enough for flock. Never through a symbolic link, and
    // close-on-exec: a program started from this one (a browser) must not
    // inherit the lock.
    int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(file.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kLockMode);
        if (fd >= 0) {
            // The umask may have taken the group's bits, and the folder may
            // not hand its group down: both put right on the new file.
            if (::fchown(fd, uid_t(-1), keeper.group) != 0 || ::fchmod(fd, kLockMode) != 0) {
                const int error = errno;
                ::close(fd);
                ::unlink(file.constData());
                return refuse(QStringLiteral("it cannot be given the group %1 (%2)")
                                  .arg(groupName(keeper.group), errnoText(error)));
            }
        } else if (errno == EEXIST) {
            // Another program made it just now.
            fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
        }
    }
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            return refuse(QStringLiteral("it is a symbolic link"));
        return refuse(errnoText(error));
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return refuse(errnoText(error));
    }
    if (distrust(st, keeper) && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid()) {
        // One of the caller's own, made with looser modes: put right.
        if (::fchown(fd, uid_t(-1), keeper.group) == 0 && ::fchmod(fd, kLockMode) == 0)
            ::fstat(fd, &st);
    }
    if (const std::optional<QString> why = distrust(st, keeper)) {
        ::close(fd);
        return refuse(*why);
    }

    const int operation = (kind == Kind::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(fd, operation) == 0) {
            m_fd = fd;
            return Result::Taken;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            return refuse(errnoText(error));
        }
        if (waited.elapsed() >= waitMs) {
            ::close(fd);
            return Result::Busy;
        }
        if (!waitingFor.isEmpty())
            Waits::waiting(waitingFor);
        QThread::msleep(20);
    }
}

} // namespace inv
