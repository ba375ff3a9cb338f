#include "killrounds.h"

#include "data/engines/file/keyedfile.h"
#include "data/engines/server/pgconnection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace testing {

namespace {

// The file's integrity as a reader of its own finds it: "ok", or what is
// wrong.
QString integrity(const QString &path)
{
    try {
        inv::KeyedFile db(path, inv::KeyedFile::Mode::ReadWrite);
        db.noBusyWait();
        return db.value(QStringLiteral("PRAGMA integrity_check")).toString();
    } catch (const inv::RecordsError &e) {
        return e.reason();
    }
}

// Starts the worker, lets it work a random few milliseconds once its database
// is open, and kills it.
void killOneRun(const KillRounds &rounds, QRandomGenerator &random, const QString &readyFile, const QString &round)
{
    QFile::remove(readyFile);
    QProcess worker;
    worker.start(rounds.worker, QStringList{rounds.database, rounds.number(random), readyFile} + rounds.words);
    QVERIFY2(worker.waitForStarted(10000), qPrintable(round + ": " + worker.errorString()));

    QElapsedTimer opening;
    opening.start();
    bool ended = false;
    while (!QFileInfo::exists(readyFile) && !ended && !opening.hasExpired(10000))
        ended = worker.waitForFinished(1);
    QVERIFY2(!ended, qPrintable(QStringLiteral("%1: the worker ended by itself before its kill: %2")
                                    .arg(round, QString::fromLocal8Bit(worker.readAllStandardError()))));
    QThread::msleep(random.bounded(2, rounds.longestWorkMs));
    worker.kill();
    QVERIFY(worker.waitForFinished(10000));
    // Only the kill may end it: a worker that stopped by itself hit an error,
    // or was refused a write it should have been allowed.
    QVERIFY2(worker.exitStatus() == QProcess::CrashExit,
             qPrintable(QStringLiteral("%1: the worker ended by itself with status %2: %3")
                            .arg(round)
                            .arg(worker.exitCode())
                            .arg(QString::fromLocal8Bit(worker.readAllStandardError()))));
    QVERIFY2(QFileInfo::exists(readyFile), qPrintable(round + ": the worker never opened the database"));
}

} // namespace

void KillRounds::run(const std::function<void(const QString &round)> &check)
{
    seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    // Beside a file; a server database has no folder of its own.
    QTemporaryDir readyFolder;
    const QString readyFile = inv::isServerLocation(database) ? readyFolder.filePath(QStringLiteral("ready"))
                                                              : database + QStringLiteral(".ready");
    const QString journal = database + QStringLiteral("-journal");
    killsInsideAWrite = 0;

    for (int kill = 1; kill <= kills; ++kill) {
        const QString round = QStringLiteral("kill %1 of %2 (seed %3)").arg(kill).arg(kills).arg(seed);
        killOneRun(*this, random, readyFile, round);
        if (QTest::currentTestFailed())
            return;
        // A server rolls back what a killed client left unfinished itself;
        // the check below reads what it kept.
        if (!inv::isServerLocation(database)) {
            if (QFileInfo(journal).size() > 0)
                ++killsInsideAWrite;
            const QString found = integrity(database);
            QVERIFY2(found == QLatin1String("ok"), qPrintable(round + ": integrity check: " + found));
        }
        check(round);
        if (QTest::currentTestFailed())
            return;
    }
}

} // namespace testing
