// What an action pays to open its connection and cursors: the check
// connection and the three cursors, as nearly every window action opens
// them, on a database of 1,000 items; beside it, a first open of the file
// (the key derivation and the quick check of every page), which a run pays
// once per file, and the quick check alone, at 1,000 and 100,000 items.

#include "benchsupport.h"

#include "admin/provisioning.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QString makeDatabase(const QTemporaryDir &dir, int items)
{
    const QString path = dir.filePath(QStringLiteral("Bench.mdb"));
    if (auto error = inv::createRecordsDatabase(path, {}))
        qFatal("%s", qPrintable(*error));
    auto cn = inv::SqlCipherConnection::open(path);
    inv::Transaction t(cn);
    for (int i = 0; i < items; ++i)
        cn->insert(QStringLiteral("Items"), {{1, QString::number(i)},
                                             {2, QStringLiteral("Item %1").arg(i)},
                                             {3, QStringLiteral("desc")},
                                             {4, 10},
                                             {5, 10},
                                             {6, QStringLiteral("100%")},
                                             {7, 10}});
    t.commit();
    return path;
}

void BM_ActionOpens(benchmark::State &state)
{
    QTemporaryDir dir;
    inv::Module1::reset();
    inv::Module1::dbPath = makeDatabase(dir, int(state.range(0)));
    inv::Module1::OpenRecordsConnection();
    for (auto _ : state) {
        inv::Module1::OpenCheckConnection();
        inv::Module1::OpenMisc();
        inv::Module1::OpenItems();
        inv::Module1::OpenItemsout();
        benchmark::DoNotOptimize(inv::Module1::rsItems.get());
    }
    inv::Module1::reset();
}
BENCHMARK(BM_ActionOpens)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_FirstOpenOfAFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeDatabase(dir, int(state.range(0)));
    for (auto _ : state) {
        auto cn = inv::SqlCipherConnection::open(path); // released at once: the next open starts afresh
        benchmark::DoNotOptimize(cn.get());
    }
}
BENCHMARK(BM_FirstOpenOfAFile)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The engine's quick check on a freshly opened, keyed handle: the part of a
// first open that grows with the file.
void BM_QuickCheck(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeDatabase(dir, int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto bare = std::make_unique<bench::SqliteDb>(path);
        bare->exec("SELECT count(*) FROM sqlite_master");
        state.ResumeTiming();
        sqlite3_stmt *stmt = bare->prepare("PRAGMA quick_check(1)");
        if (sqlite3_step(stmt) != SQLITE_ROW
            || strcmp(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), "ok") != 0)
            state.SkipWithError("the quick check failed");
        sqlite3_finalize(stmt);
        state.PauseTiming();
        bare.reset();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1024 * 1024);
}
BENCHMARK(BM_QuickCheck)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
