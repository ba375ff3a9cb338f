// One click on the stock-out desk, timed: the check connection, both cursors,
// the lookup of the item and of its tally row, and the transaction that
// writes both rows. Against it, a bare SQLite update of the same two rows
// with the same journal and synchronous settings, on the same file, in the
// same run. The item clicked is the last row of Items in table order, and its
// tally row the last of Itemsout.
//
// The data layer sets no journal or synchronous pragma, so both sides run on
// the engine's defaults; the bare side prints what they are.

#include "benchsupport.h"

#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "mainwindow/stockdesk.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

// A records database with n items and one tally row per item, made with the
// program's own schema; the clicked item and its tally row come last.
struct RemovalFixture : Fixture {
    explicit RemovalFixture(int n) : Fixture(n, n, plainName) { }

    // Gives the clicked item its stock back between runs, untimed.
    void restock()
    {
        SqliteDb db(path);
        sqlite3_stmt *stmt = db.prepare("UPDATE Items SET remaining_quantity = ?1 WHERE rowid = ?2");
        sqlite3_bind_int(stmt, 1, kStartRemaining);
        sqlite3_bind_int64(stmt, 2, itemKey);
        step(db.db, stmt);
        sqlite3_finalize(stmt);
    }
};

RemovalFixture &fixture(int n)
{
    return cached<RemovalFixture>(n);
}

// Both sides run in turns, a block of clicks then a block of bare updates,
// so that both meet the same disk and the same load. The reported time is
// that of one click; the counters carry the bare update and the ratios.
constexpr int kBlock = 8;

void BM_Removal(benchmark::State &state)
{
    auto &f = fixture(int(state.range(0)));
    f.restock();
    startRun(f.path);
    BareUpdate bare(f);
    const std::optional<QString> name = f.target;

    double removalWall = 0, removalCpu = 0, bareWall = 0, bareCpu = 0;
    for (auto _ : state) {
        const double w0 = wallSeconds(), c0 = cpuSeconds();
        for (int i = 0; i < kBlock; ++i) {
            if (!StockDesk::removeOne(name).changed) {
                state.SkipWithError("the click took no unit");
                return;
            }
        }
        const double w1 = wallSeconds(), c1 = cpuSeconds();
        for (int i = 0; i < kBlock; ++i)
            bare.run();
        const double w2 = wallSeconds(), c2 = cpuSeconds();
        removalWall += w1 - w0;
        removalCpu += c1 - c0;
        bareWall += w2 - w1;
        bareCpu += c2 - c1;
        state.SetIterationTime((w1 - w0) / kBlock);
    }
    const double n = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareWall / n * 1e6;
    state.counters["removal_cpu_us"] = removalCpu / n * 1e6;
    state.counters["bare_cpu_us"] = bareCpu / n * 1e6;
    state.counters["ratio"] = removalWall / bareWall;
    state.counters["cpu_ratio"] = removalCpu / bareCpu;
    Module1::reset();
}

} // namespace

BENCHMARK(BM_Removal)->Apply(bySize<benchmark::kMicrosecond>);

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(
        argc, argv,
        [](MedianReporter &reporter) {
            std::printf("\nMedians of 5 runs, per removal:\n");
            std::printf("%8s %13s %10s %7s %14s %11s %9s\n", "items", "removal (us)", "bare (us)", "ratio",
                        "removal cpu", "bare cpu", "cpu ratio");
            for (const auto &[n, run] : reporter.bySize["BM_Removal"])
                std::printf("%8lld %13.1f %10.1f %7.2f %14.1f %11.1f %9.2f\n", static_cast<long long>(n),
                            run.GetAdjustedRealTime(), counter(run, "bare_us"), counter(run, "ratio"),
                            counter(run, "removal_cpu_us"), counter(run, "bare_cpu_us"), counter(run, "cpu_ratio"));
        },
        [] {
            BareUpdate bare(fixture(int(kSizes.front())));
            std::printf("%s (the engine's defaults, on both sides)\n", qPrintable(bare.db().settings()));
        });
}
