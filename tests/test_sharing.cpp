// A database shared by the users of one group: only they can hold its in-use
// lock, nobody else can plant a lock file in its place, a program that cannot
// take the lock does not open the file, a restore waits for every member's
// program, and a restore keeps the file's owner, group and mode.
//
// The other users are numeric ids with no account: a child process takes
// them on. Changing ids needs root; as anyone else the tests are skipped.

#include "admin/maintenance.h"
#include "data/engines/file/inuselock.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing::TestDb;

namespace {

constexpr gid_t kGroup = 64990; // the group that keeps the database
constexpr uid_t kClerkA = 64991; // members of it
constexpr uid_t kClerkB = 64992;
constexpr uid_t kOutsider = 64993; // in a group of its own
constexpr gid_t kOutsiderGroup = 64993;

struct stat statOf(const QString &path)
{
    struct stat st { };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// A child process running as uid with the one group gid. What it does
// reports back one line; with hold, it then keeps what it opened until
// finish() is called.
class As {
public:
    As(uid_t uid, gid_t gid, const std::function<QByteArray()> &what, bool hold = false)
    {
        int report[2], wait[2];
        if (::pipe(report) != 0 || ::pipe(wait) != 0)
            qFatal("no pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(report[0]);
            ::close(wait[1]);
            QByteArray line = "cannot change ids";
            if (::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0) {
                ::umask(022);
                line = what();
            }
            line += '\n';
            (void)!::write(report[1], line.constData(), size_t(line.size()));
            ::close(report[1]);
            if (hold) {
                char c;
                (void)!::read(wait[0], &c, 1);
            }
            ::_exit(0);
        }
        ::close(report[1]);
        ::close(wait[0]);
        m_wait = wait[1];
        QByteArray got;
        char buffer[512];
        ssize_t n;
        while ((n = ::read(report[0], buffer, sizeof buffer)) > 0) {
            got.append(buffer, int(n));
            if (got.endsWith('\n'))
                break;
        }
        ::close(report[0]);
        result = QString::fromUtf8(got).trimmed();
        if (!hold)
            finish();
    }
    ~As() { finish(); }
    void finish()
    {
        if (m_wait >= 0)
            ::close(m_wait);
        m_wait = -1;
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    QString result;

private:
    pid_t m_pid = -1;
    int m_wait = -1;
};

QByteArray openDatabase(const QString &path)
{
    try {
        auto cn = inv::SqlCipherConnection::open(path);
        static std::shared_ptr<inv::Connection> kept;
        kept = cn; // held until the process ends
        return "opened";
    } catch (const inv::RecordsError &e) {
        return e.message().toUtf8();
    }
}

} // namespace

class TestSharing : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (::geteuid() != 0)
            QSKIP("other users are only played as root");
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        ::chmod(QFile::encodeName(m_dir->path()).constData(), 0755);
    }

    void cleanup() { m_dir.reset(); }

    // The group's folder (set-group-ID, 2770) as the package makes it: the
    // lock made by one clerk is the group's, the next clerk holds it too,
    // and a restore is refused while any of them has the file open. Nobody
    // outside the group can even open the lock file.
    void onlyTheGroupHoldsTheLock()
    {
        const QString path = clerkADatabase(makeFolder("data", 02770, 0, kGroup));
        const QString lock = inv::InUseLock::lockFilePath(path);
        const QString backup = m_dir->filePath("Backup.mdb");

        QCOMPARE(As(kClerkA, kGroup, [&] { return openDatabase(path); }).result, QString("opened"));
        const struct stat made = statOf(lock);
        QVERIFY(S_ISREG(made.st_mode));
        QCOMPARE(made.st_gid, kGroup);
        QCOMPARE(made.st_mode & 07777, mode_t(0660));

        As clerkB(
            kClerkB, kGroup, [&] { return openDatabase(path); }, true);
        QCOMPARE(clerkB.result, QString("opened"));
        const inv::AdminReport refused = inv::restoreDatabase(backup, path);
        QVERIFY2(!refused.ok() && refused.problems.join('\n').contains("is open in the inventory program"),
                 qPrintable(refused.problems.join('\n')));
        clerkB.finish();

        const As outsider(kOutsider, kOutsiderGroup, [&] {
            const int fd = ::open(QFile::encodeName(lock).constData(), O_RDONLY);
            return QByteArray(fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) == 0 ? "held" : "refused");
        });
        QCOMPARE(outsider.result, QString("refused"));
        QVERIFY(inv::restoreDatabase(backup, path).ok());
    }

    // In a folder anyone may write, whatever someone else puts in the lock
    // file's place is not used: the program does not open the database (it
    // never runs unlocked) and says why, and a restore refuses.
    void aPlantedLockFileIsRefused_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<QString>("why");
        QTest::addRow("another user's, readable by all") << "outsider 644"
                                                         << "with mode 644";
        QTest::addRow("in the group but open to all") << "group 666"
                                                      << "with mode 666";
        QTest::addRow("a symbolic link") << "link"
                                         << "symbolic link";
        QTest::addRow("a named pipe") << "fifo"
                                      << "not a plain file";
        QTest::addRow("a folder") << "folder"
                                  << "not a plain file";
    }

    void aPlantedLockFileIsRefused()
    {
        QFETCH(QString, planted);
        QFETCH(QString, why);
        const QString path = clerkADatabase(makeFolder("shared", 01777, 0, 0));
        const QString lock = inv::InUseLock::lockFilePath(path);
        const QString backup = m_dir->filePath("Backup.mdb");
        const QByteArray lockName = QFile::encodeName(lock);
        const gid_t gid = planted == "group 666" ? kGroup : kOutsiderGroup;
        const As outsider(kOutsider, gid, [&]() -> QByteArray {
            int ok = -1;
            if (planted == "link")
                ok = ::symlink(QFile::encodeName(m_dir->filePath("elsewhere")).constData(), lockName.constData());
            else if (planted == "fifo")
                ok = ::mkfifo(lockName.constData(), 0666);
            else if (planted == "folder")
                ok = ::mkdir(lockName.constData(), 0777);
            else {
                const int fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_EXCL, 0644);
                ok = fd >= 0 && ::fchmod(fd, planted == "group 666" ? 0666 : 0644) == 0 ? 0 : -1;
            }
            return ok == 0 ? "planted" : "not planted";
        });
        QCOMPARE(outsider.result, QString("planted"));

        const QString asClerk = As(kClerkA, kGroup, [&] { return openDatabase(path); }).result;
        QVERIFY2(asClerk.contains("cannot mark it as in use") && asClerk.contains(why), qPrintable(asClerk));
        QVERIFY2(openDatabase(path).contains("cannot mark it as in use"), "opened by root all the same");
        const inv::AdminReport refused = inv::restoreDatabase(backup, path);
        QVERIFY2(!refused.ok()
                     && refused.problems.join('\n').contains("cannot be told whether the program has it open"),
                 qPrintable(refused.problems.join('\n')));
    }

    // A lock file of one's own with the loose mode older versions gave it is
    // put right and used.
    void anOwnLooseLockFileIsPutRight()
    {
        const QString dir = makeFolder("own", 0755, 0, 0);
        TestDb db(dir);
        const QString lock = inv::InUseLock::lockFilePath(db.path());
        QFile::remove(lock);
        const int fd = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT, 0644);
        ::fchmod(fd, 0644);
        ::close(fd);
        QCOMPARE(openDatabase(db.path()), QByteArray("opened"));
        QCOMPARE(statOf(lock).st_mode & 07777, mode_t(0660));
    }

    // Restored by root in a folder that hands down no group, the file keeps
    // the former one's owner, group and mode; a backup is the database
    // group's to read.
    void restoreKeepsOwnerGroupAndMode()
    {
        const QString path = clerkADatabase(makeFolder("plain", 0775, 0, 0));
        const QString backup = m_dir->filePath("Backup.mdb");
        const struct stat copy = statOf(backup);
        QCOMPARE(copy.st_gid, kGroup);
        QCOMPARE(copy.st_mode & 07777, mode_t(0660));

        const inv::AdminReport restored = inv::restoreDatabase(backup, path);
        QVERIFY2(restored.ok(), qPrintable(restored.problems.join('\n')));
        const struct stat st = statOf(path);
        QCOMPARE(st.st_uid, kClerkA);
        QCOMPARE(st.st_gid, kGroup);
        QCOMPARE(st.st_mode & 07777, mode_t(0660));
        // The member can go on using it.
        QCOMPARE(As(kClerkB, kGroup, [&] { return openDatabase(path); }).result, QString("opened"));
    }

private:
    // A database of clerk A's in the group, mode 660, in dir; its backup
    // Backup.mdb beside the test's files. No lock file is left.
    QString clerkADatabase(const QString &dir)
    {
        TestDb db(dir);
        setOwner(db.path(), kClerkA, kGroup, 0660);
        if (!inv::backupDatabase(db.path(), m_dir->filePath("Backup.mdb")).ok())
            qFatal("no backup made");
        QFile::remove(inv::InUseLock::lockFilePath(db.path()));
        return db.path();
    }

    QString makeFolder(const QString &name, mode_t mode, uid_t uid, gid_t gid)
    {
        const QString dir = m_dir->filePath(name);
        QDir().mkpath(dir);
        const QByteArray d = QFile::encodeName(dir);
        if (::chown(d.constData(), uid, gid) != 0 || ::chmod(d.constData(), mode) != 0)
            qFatal("cannot set up %s", d.constData());
        return dir;
    }

    static void setOwner(const QString &path, uid_t uid, gid_t gid, mode_t mode)
    {
        const QByteArray p = QFile::encodeName(path);
        if (::chown(p.constData(), uid, gid) != 0 || ::chmod(p.constData(), mode) != 0)
            qFatal("cannot set up %s", p.constData());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestSharing)
#include "test_sharing.moc"
