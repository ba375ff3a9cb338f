#include "admin/adminfiles.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <unistd.h>

namespace inv::AdminFiles {

namespace {

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

} // namespace

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

TempFile::~TempFile()
{
    if (!m_path.isEmpty()) {
        ::unlink(m_path.toUtf8().constData());
        ::unlink((m_path + QStringLiteral("-journal")).toUtf8().constData());
    }
}

std::optional<QString> TempFile::create(const QString &target)
{
    QByteArray pattern = (target + QStringLiteral(".partial-XXXXXX")).toUtf8();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("%1: no file can be made beside it (%2)").arg(target, errnoText(errno));
    ::close(fd);
    m_path = QString::fromUtf8(pattern);
    return std::nullopt;
}

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

// Copies the bytes of from into a new file to (which must not exist) and
// flushes them to the disk; with owner given, the copy takes its owner and
// group.
std::optional<QString> copyBytes(const QString &from, const QString &to, mode_t mode, const struct stat *owner)
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

} // namespace inv::AdminFiles
