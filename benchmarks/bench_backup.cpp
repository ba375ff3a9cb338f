// A backup as the admin waits for it: the whole `inventory-admin backup`
// command (the consistent copy, its check read afresh from the disk, the
// flush and the rename). Against it, the least an admin could do by hand on
// the same file in the same run: copy the bytes with `cp` and run the
// engine's integrity check on the copy. The check is timed twice, with the
// engine's default page cache and with the cache the admin command's check
// uses; the ratios are against both. The processor time of the backup is
// also set against that of cp and the default check (cpu ratio).
//
// Then the clerk's side: clicks on the desk of the real main window (the
// whole handler, the tally list's update included) every 50 ms (a clerk who
// never stops, so every part of the copy meets a change) or every 500 ms
// while the backup runs, against the same clicks with no backup: how many
// are refused, and how long they take (median and slowest).

#include "benchsupport.h"

#include "data/engines/file/keyedfile.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/resource.h>

using namespace inv;
using namespace bench;

namespace {

// Processor time of this process plus its finished children: on a loaded
// machine it shows the work itself, apart from the waiting for a processor.
double cpu()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                 + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    }
    return total;
}

// A records database with n items and one tally row per item.
struct BackupFixture : RecordsFile {
    qint64 bytes = 0;

    explicit BackupFixture(int n)
    {
        KeyedFile db(path, KeyedFile::Mode::ReadWrite);
        db.exec(QStringLiteral(
                    "BEGIN;"
                    "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                    "INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) SELECT printf('N-%07d', i), "
                    "printf('Item %07d', i), 'A stock item', 32767, 30000, '92%', 32767, '2026-01-15', "
                    "'2026-01-15' FROM c;"
                    "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1) "
                    "INSERT INTO Itemsout (item_no, item_name, Description, quantity) SELECT printf('N-%07d', i), "
                    "printf('Item %07d', i), 'A stock item', 1 FROM c;"
                    "COMMIT;")
                    .arg(n));
        bytes = QFileInfo(path).size();
    }
};

BackupFixture &fixture(int n)
{
    return cached<BackupFixture>(n);
}

void runOrDie(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
}

// The integrity check on a fresh keyed connection, as an admin runs it.
void integrityCheck(const QString &path, const char *cache)
{
    KeyedFile db(path, KeyedFile::Mode::ReadOnly);
    if (cache)
        db.exec(QString::fromLatin1(cache));
    if (db.value(QStringLiteral("PRAGMA integrity_check")).toString() != QLatin1String("ok"))
        qFatal("the copy is not sound");
}

void BM_Backup(benchmark::State &state)
{
    auto &f = fixture(int(state.range(0)));
    const QString dest = QDir(f.dir.path()).filePath(QStringLiteral("Backup.mdb"));
    const QString copy = QDir(f.dir.path()).filePath(QStringLiteral("Copy.mdb"));

    double backupWall = 0, cpWall = 0, checkWall = 0, cachedCheckWall = 0, backupCpu = 0, baselineCpu = 0;
    for (auto _ : state) {
        QFile::remove(dest);
        QFile::remove(copy);
        const double c0 = cpu(), t0 = wallSeconds();
        runOrDie(QStringLiteral(INVENTORY_ADMIN), {QStringLiteral("backup"), f.path, dest});
        const double c1 = cpu(), t1 = wallSeconds();
        runOrDie(QStringLiteral("cp"), {f.path, copy});
        const double t2 = wallSeconds();
        integrityCheck(copy, nullptr);
        const double c3 = cpu(), t3 = wallSeconds();
        backupCpu += c1 - c0;
        baselineCpu += c3 - c1;
        integrityCheck(copy, "PRAGMA cache_size = -32768");
        const double t4 = wallSeconds();
        backupWall += t1 - t0;
        cpWall += t2 - t1;
        checkWall += t3 - t2;
        cachedCheckWall += t4 - t3;
        state.SetIterationTime(t1 - t0);
    }
    const double n = double(state.iterations());
    state.counters["cp_ms"] = cpWall / n * 1e3;
    state.counters["check_ms"] = checkWall / n * 1e3;
    state.counters["cached_check_ms"] = cachedCheckWall / n * 1e3;
    state.counters["ratio"] = backupWall / (cpWall + checkWall);
    state.counters["ratio_cached"] = backupWall / (cpWall + cachedCheckWall);
    state.counters["MB"] = double(f.bytes) / 1e6;
    state.counters["cpu_ratio"] = backupCpu / baselineCpu;
    QFile::remove(dest);
    QFile::remove(copy);
}

const std::vector<int64_t> kBackupSizes = {10000, 100000};

// Counts the messages a click shows (a refusal), and answers them.
class Counting : public ui::PromptHandler {
public:
    Counting() { ui::Prompts::setHandler(this); }
    ~Counting() override { ui::Prompts::setHandler(nullptr); }
    ui::Answer message(QWidget *, const QString &text, const QString &, ui::Buttons) override
    {
        ++messages;
        last = text;
        return ui::Answer::Ok;
    }
    QString openFile(QWidget *) override { return {}; }
    bool printDialog(QWidget *, QPrinter *) override { return false; }
    void openUrl(const QUrl &) override { }
    int messages = 0;
    QString last;
};

struct Clicks {
    std::vector<double> ms;
    int refused = 0;
};

// Clicks every pauseMs on the entry, each through the window's own handler,
// while running() holds.
Clicks clickWhile(frmmain &main, QListWidgetItem *entry, int pauseMs, const std::function<bool()> &running)
{
    Counting prompts;
    Clicks clicks;
    while (running()) {
        main.lstitem->setCurrentItem(entry);
        const double t0 = wallSeconds();
        main.lstitem_Click();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        clicks.ms.push_back((wallSeconds() - t0) * 1e3);
        if (prompts.messages > 0) {
            ++clicks.refused;
            prompts.messages = 0;
        }
        QTest::qWait(pauseMs);
    }
    return clicks;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_ClicksDuringBackup(benchmark::State &state)
{
    auto &f = fixture(int(state.range(0)));
    const int pauseMs = int(state.range(1));
    const QString dest = QDir(f.dir.path()).filePath(QStringLiteral("Backup.mdb"));
    startRun(f.path);
    Module1::OpenMisc();
    frmmain main;
    if (!main.Form_Load())
        qFatal("the main window did not load");
    main.show();
    main.cmdtrans_Click();
    QListWidgetItem *entry = main.lstitem->item(main.lstitem->count() / 2);

    Clicks during, alone;
    double backupMs = 0;
    for (auto _ : state) {
        QFile::remove(dest);
        QProcess backup;
        const double t0 = wallSeconds();
        // BENCH_ADMIN runs another build of the command (an older one, say).
        backup.start(qEnvironmentVariable("BENCH_ADMIN", QStringLiteral(INVENTORY_ADMIN)),
                     {QStringLiteral("backup"), f.path, dest});
        if (!backup.waitForStarted())
            qFatal("inventory-admin did not start");
        Clicks c = clickWhile(main, entry, pauseMs, [&] { return backup.state() != QProcess::NotRunning; });
        backup.waitForFinished();
        backupMs += (wallSeconds() - t0) * 1e3;
        if (backup.exitCode() != 0)
            qFatal("the backup failed: %s", backup.readAllStandardOutput().constData());
        during.ms.insert(during.ms.end(), c.ms.begin(), c.ms.end());
        during.refused += c.refused;
        // The same number of clicks with no backup.
        int left = int(c.ms.size());
        Clicks a = clickWhile(main, entry, pauseMs, [&] { return left-- > 0; });
        alone.ms.insert(alone.ms.end(), a.ms.begin(), a.ms.end());
        alone.refused += a.refused;
        state.SetIterationTime(median(c.ms) / 1e3);
    }
    state.counters["backup_ms"] = backupMs / double(state.iterations());
    state.counters["clicks"] = double(during.ms.size());
    state.counters["refused"] = during.refused;
    state.counters["median_ms"] = median(during.ms);
    state.counters["max_ms"] = during.ms.empty() ? 0 : *std::max_element(during.ms.begin(), during.ms.end());
    state.counters["alone_median_ms"] = median(alone.ms);
    state.counters["alone_max_ms"] = alone.ms.empty() ? 0 : *std::max_element(alone.ms.begin(), alone.ms.end());
    state.counters["alone_refused"] = alone.refused;
    QFile::remove(dest);
    Module1::reset();
}

} // namespace

BENCHMARK(BM_Backup)
    ->ArgName("items")
    ->ArgsProduct({kBackupSizes})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_ClicksDuringBackup)
    ->ArgNames({"items", "every_ms"})
    ->ArgsProduct({kBackupSizes, {50, 500}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs; the backup against cp + integrity check of the copy:\n");
        std::printf("%8s %6s %11s %8s %10s %17s %7s %14s %10s\n", "items", "MB", "backup (ms)", "cp (ms)", "check (ms)",
                    "cached check (ms)", "ratio", "ratio (cached)", "cpu ratio");
        for (const auto &[n, run] : reporter.bySize["BM_Backup"])
            std::printf("%8lld %6.1f %11.0f %8.0f %10.0f %17.0f %7.2f %14.2f %10.2f\n", static_cast<long long>(n),
                        counter(run, "MB"), run.GetAdjustedRealTime(), counter(run, "cp_ms"), counter(run, "check_ms"),
                        counter(run, "cached_check_ms"), counter(run, "ratio"), counter(run, "ratio_cached"),
                        counter(run, "cpu_ratio"));
        std::printf("\nMedians of 3 backups; clicks on the desk while a backup runs, and as many with none:\n");
        std::printf("%8s %9s %11s %7s %8s %11s %8s %13s %10s %8s\n", "items", "every ms", "backup (ms)", "clicks",
                    "refused", "median (ms)", "max (ms)", "alone median", "alone max", "refused");
        for (const auto &[name, run] : reporter.medians) {
            if (name.rfind("BM_ClicksDuringBackup/", 0) != 0)
                continue;
            const auto arg = [&](const char *key) {
                const auto at = name.find(key);
                return at == std::string::npos ? 0LL : std::atoll(name.c_str() + at + std::strlen(key));
            };
            std::printf("%8lld %9lld %11.0f %7.0f %8.0f %11.1f %8.1f %13.1f %10.1f %8.0f\n", arg("items:"),
                        arg("every_ms:"), counter(run, "backup_ms"), counter(run, "clicks"), counter(run, "refused"),
                        counter(run, "median_ms"), counter(run, "max_ms"), counter(run, "alone_median_ms"),
                        counter(run, "alone_max_ms"), counter(run, "alone_refused"));
        }
    });
}
