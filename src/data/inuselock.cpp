#include "inuselock.h"

#include "waits.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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

InUseLock::Result InUseLock::take(const QString &databasePath, Kind kind, int waitMs, const QString &waitingFor)
{
    release();
    m_error.clear();
    const QByteArray file = lockFilePath(databasePath).toUtf8();
    // Close-on-exec: a program started from this one (a browser) must not
    // inherit the lock.
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return Result::NoLockFile;
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
            m_error = QString::fromLocal8Bit(std::strerror(error));
            ::close(fd);
            return Result::NoLockFile;
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
