// The Remaining Items and Removed Items grids, opened as the menu opens
// them: loaded, shown and painted. Against it, a bare SQLite read of the
// columns the grid shows, every row, on the same file in the same run. Also
// the process's memory (VmRSS) with the grid open against just before it
// was opened; freed memory is handed back to the system (malloc_trim) before
// each measure, so that each opening starts from the same footing.
//
// Then a check, not timed: an open grid does not wake up when idle.

#include "benchsupport.h"

#include "data/stock/module1.h"
#include "mainwindow/frmremain.h"
#include "mainwindow/frmremoved.h"

#include <QApplication>
#include <QEventLoop>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <malloc.h>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

Fixture &fixture(int n)
{
    return cached<Fixture>(n, n);
}

// The columns each grid shows, in stored order.
const char *const kRemainSql =
    "SELECT item_no, item_name, Description, remaining_quantity, Status FROM Items ORDER BY rowid";
const char *const kRemovedSql = "SELECT item_no, item_name, Description, quantity FROM Itemsout ORDER BY rowid";

class BareRead {
public:
    BareRead(Fixture &f, const char *sql) : m_db(f.path) { m_read = m_db.prepare(sql); }
    ~BareRead() { sqlite3_finalize(m_read); }
    int run()
    {
        int rows = 0;
        const int columns = sqlite3_column_count(m_read);
        while (sqlite3_step(m_read) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(m_read, c));
            ++rows;
        }
        sqlite3_reset(m_read);
        return rows;
    }

private:
    SqliteDb m_db;
    sqlite3_stmt *m_read;
};

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <typename Grid>
std::unique_ptr<Grid> openGrid()
{
    auto grid = std::make_unique<Grid>();
    if (!grid->Form_Load())
        return nullptr;
    grid->show();
    settle();
    return grid;
}

template <typename Grid>
void BM_Grid(benchmark::State &state)
{
    const int n = int(state.range(0));
    Fixture &f = fixture(n);
    BareRead bare(f, std::is_same_v<Grid, frmremain> ? kRemainSql : kRemovedSql);
    Module1::reset();
    Module1::dbPath = f.path;
    Module1::OpenRecordsConnection();
    double gridWall = 0, bareWall = 0, memory = 0, before = 0, open = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const long rss0 = statusKb("VmRSS");
        const double w0 = wallSeconds();
        std::unique_ptr<Grid> grid = openGrid<Grid>();
        const double w1 = wallSeconds();
        const long rss1 = statusKb("VmRSS");
        if (!grid || grid->DataGrid1->model()->rowCount() != n) {
            state.SkipWithError("the grid did not open with every row");
            return;
        }
        grid.reset();
        settle();
        const double w2 = wallSeconds();
        if (bare.run() != n) {
            state.SkipWithError("the bare read missed rows");
            return;
        }
        const double w3 = wallSeconds();
        gridWall += w1 - w0;
        bareWall += w3 - w2;
        memory += double(rss1) / double(rss0);
        before += rss0 / 1024.0;
        open += rss1 / 1024.0;
        state.SetIterationTime(w1 - w0);
    }
    const double runs = double(state.iterations());
    state.counters["bare_us"] = bareWall / runs * 1e6;
    state.counters["ratio"] = gridWall / bareWall;
    state.counters["mem_ratio"] = memory / runs;
    state.counters["mb_before"] = before / runs;
    state.counters["mb_open"] = open / runs;
    Module1::reset();
}

void BM_Remaining(benchmark::State &state)
{
    BM_Grid<frmremain>(state);
}

void BM_Removed(benchmark::State &state)
{
    BM_Grid<frmremoved>(state);
}

template <typename Grid>
void idleCheck(const char *title, int n)
{
    Module1::reset();
    Module1::dbPath = fixture(n).path;
    Module1::OpenRecordsConnection();
    std::unique_ptr<Grid> grid = openGrid<Grid>();
    grid->DataGrid1->scrollToBottom();
    settle();
    // What the window system still has to say about the new window comes
    // first; idle is what follows.
    {
        QEventLoop settling;
        QTimer::singleShot(500, &settling, &QEventLoop::quit);
        settling.exec();
    }
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    const long before = wakeUps();
    loop.exec();
    std::printf("Idle %s grid, %d rows, scrolled to the end: %ld wake-ups in 3 s (1 is the timer that ends the "
                "wait)\n",
                title, n, wakeUps() - before);
    grid.reset();
    settle();
    Module1::reset();
}

} // namespace

BENCHMARK(BM_Remaining)->Apply(bySize<benchmark::kMillisecond, true>);
BENCHMARK(BM_Removed)->Apply(bySize<benchmark::kMillisecond, true>);

int main(int argc, char **argv)
{
    offscreenUnlessSet(true);
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs (wall time; the bare side in the same run; memory as VmRSS):\n");
        std::printf("%-36s %10s %10s %7s %11s %9s %9s\n", "benchmark", "grid (ms)", "bare (ms)", "ratio", "MB before",
                    "MB open", "mem ratio");
        for (const auto &[name, run] : reporter.medians) {
            auto c = [&run = run](const char *counter) { return MedianReporter::counter(run, counter); };
            std::printf("%-36s %10.2f %10.2f %7.2f %11.1f %9.1f %9.2f\n", name.c_str(), run.GetAdjustedRealTime(),
                        c("bare_us") / 1000.0, c("ratio"), c("mb_before"), c("mb_open"), c("mem_ratio"));
        }
        std::printf("\n");
        idleCheck<frmremain>("Remaining Items", 100000);
        idleCheck<frmremoved>("Removed Items", 100000);
    });
}
