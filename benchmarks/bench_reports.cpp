// A page turn to the last page of each printout, timed as the window runs
// it: the check connection and the cursor, the turn, the reading of the
// page's rows and the filling of the lists. Against it, the bare SQLite
// statement that reads the same rows (the same fields, keys known
// beforehand) on the same file, in the same run. The last page holds 10
// rows at every size here, so the ratio shows whether the turn's cost grows
// with the table.
//
// Each timed turn comes with an untimed turn back and a bare read, so a run
// at the default minimum time takes several minutes; for instance
//   build/benchmarks/bench_reports --benchmark_min_time=0.2
// gives the table in about two.

#include "benchsupport.h"

#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "reports/frmprint.h"
#include "reports/frmprintl.h"

#include <QApplication>
#include <QListView>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

// A records database with n items and n tally rows, made with the
// program's own schema.
struct ReportsFixture : RecordsFile {
    explicit ReportsFixture(int n)
    {
        insertRows(path, n,
                   {"INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item', 100, ?3, ?4, 100, "
                    "'2026-01-15', '2026-01-15')",
                    "INSERT INTO Itemsout (item_no, item_name, Description, quantity) VALUES (?1, ?2, "
                    "'A stock item', ?3)"},
                   [](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       const QByteArray no = itemNo(i);
                       const QByteArray name = plainName(i).toUtf8();
                       for (sqlite3_stmt *stmt : s) {
                           bindText(stmt, 1, no);
                           bindText(stmt, 2, name);
                           sqlite3_bind_int(stmt, 3, i % 100);
                       }
                       bindText(s[0], 4, QStringLiteral("%1%").arg(i % 101).toUtf8());
                       step(db, s[0]);
                       step(db, s[1]);
                   });
    }
};

ReportsFixture &fixture(int n)
{
    return cached<ReportsFixture>(n);
}

// The bare read of a page: one statement from the page's first key.
class BareRead {
public:
    BareRead(const QString &path, const char *sql, qint64 firstKey, int rows)
        : m_db(path), m_stmt(m_db.prepare(sql)), m_key(firstKey), m_rows(rows)
    {
    }
    ~BareRead() { sqlite3_finalize(m_stmt); }
    // Reads every field of every row as text; returns the bytes read.
    size_t run()
    {
        size_t bytes = 0;
        sqlite3_bind_int64(m_stmt, 1, m_key);
        sqlite3_bind_int(m_stmt, 2, m_rows);
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(m_stmt); ++c) {
                sqlite3_column_text(m_stmt, c);
                bytes += size_t(sqlite3_column_bytes(m_stmt, c));
            }
        if (rc != SQLITE_DONE)
            qFatal("bare read failed: %s", sqlite3_errmsg(m_db.db));
        sqlite3_reset(m_stmt);
        return bytes;
    }

private:
    SqliteDb m_db;
    sqlite3_stmt *m_stmt;
    qint64 m_key;
    int m_rows;
};

// The key of the row at a position, looked up once, untimed.
qint64 keyAt(const QString &path, const char *table, int position)
{
    SqliteDb db(path);
    const QByteArray sql = QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1 OFFSET %2")
                               .arg(QLatin1String(table))
                               .arg(position)
                               .toUtf8();
    sqlite3_stmt *stmt = db.prepare(sql.constData());
    if (sqlite3_step(stmt) != SQLITE_ROW)
        qFatal("no row at %d", position);
    const qint64 key = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return key;
}

// Both sides run in turns, a block of page turns then a block of bare
// reads. Before each turn to the last page, untimed, a turn back.
constexpr int kBlock = 8;

template <typename Window>
void pageTurn(benchmark::State &state, const char *table, const char *bareSql, int size)
{
    const int n = int(state.range(0));
    auto &f = fixture(n);
    startRun(f.path);
    Window window;
    if (!window.Form_Load()) {
        state.SkipWithError("the window did not load");
        return;
    }
    // To the last page, by the window's own turns.
    for (int before = -1; before != window.pageStart();) {
        before = window.pageStart();
        window.cmdnxt_Click();
    }
    const int last = window.pageStart();
    BareRead bare(f.path, bareSql, keyAt(f.path, table, last), size);

    double turnTime = 0, bareTime = 0;
    size_t sink = 0;
    for (auto _ : state) {
        double turns = 0;
        for (int i = 0; i < kBlock; ++i) {
            window.cmdprev_Click();
            const double t0 = wallSeconds();
            window.cmdnxt_Click();
            turns += wallSeconds() - t0;
        }
        const double b0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            sink += bare.run();
        bareTime += wallSeconds() - b0;
        turnTime += turns;
        state.SetIterationTime(turns / kBlock);
    }
    if (window.pageStart() != last || window.lists().first()->model()->rowCount() != n - last)
        state.SkipWithError("the turn did not show the last page");
    benchmark::DoNotOptimize(sink);
    const double count = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareTime / count * 1e6;
    state.counters["ratio"] = turnTime / bareTime;
    state.counters["page_rows"] = n - last;
    Module1::reset();
}

void BM_ItemListLastPage(benchmark::State &state)
{
    pageTurn<frmprint>(state, "Items",
                       "SELECT item_no, item_name, Description, remaining_quantity, Status FROM Items "
                       "WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2",
                       reports::kItemListPage.size);
}

void BM_RemovedListLastPage(benchmark::State &state)
{
    pageTurn<frmprintl>(state, "Itemsout",
                        "SELECT item_name, quantity FROM Itemsout WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2",
                        reports::kRemovedListPage.size);
}

} // namespace

BENCHMARK(BM_ItemListLastPage)->Apply(bySize<benchmark::kMicrosecond, true>);
BENCHMARK(BM_RemovedListLastPage)->Apply(bySize<benchmark::kMicrosecond, true>);

int main(int argc, char **argv)
{
    // The windows are made but never shown: no display is needed.
    offscreenUnlessSet();
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs, a page turn to the last page:\n");
        std::printf("%-18s %8s %10s %10s %10s %7s\n", "printout", "rows", "page rows", "turn (us)", "bare (us)",
                    "ratio");
        for (const auto &[name, sizes] : reporter.bySize)
            for (const auto &[n, run] : sizes)
                std::printf("%-18s %8lld %10.0f %10.1f %10.1f %7.2f\n", name.substr(3).c_str(),
                            static_cast<long long>(n), counter(run, "page_rows"), run.GetAdjustedRealTime(),
                            counter(run, "bare_us"), counter(run, "ratio"));
    });
}
