// One click on the stock-out desk, timed: the check connection, both cursors,
// the lookup of the item and of its tally row, and the transaction that
// writes both rows. Against it, a bare SQLite update of the same two rows
// with the same journal and synchronous settings, on the same file, in the
// same run. The item clicked is the last row of Items in table order, and its
// tally row the last of Itemsout.
//
// The data layer sets no journal or synchronous pragma, so both sides run on
// the engine's defaults; the bare side prints what they are.

#include "baseline.h"
#include "data/module1.h"
#include "data/schema.h"
#include "mainwindow/stockdesk.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>

using namespace inv;

namespace {

constexpr int kStartRemaining = 30000;

using bench::SqliteDb;

void step(sqlite3 *db, sqlite3_stmt *stmt)
{
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("step failed: %s", sqlite3_errmsg(db));
    sqlite3_reset(stmt);
}

// A records database with n items and one tally row per item, made with the
// program's own schema; the clicked item and its tally row come last.
struct Fixture {
    QTemporaryDir dir;
    QString path;
    QString target;
    qint64 itemKey = 0;
    qint64 tallyKey = 0;

    explicit Fixture(int n)
    {
        path = QDir(dir.path()).filePath(QStringLiteral("Records.mdb"));
        if (auto error = CreateRecordsDatabase(path, {}))
            qFatal("%s", qPrintable(*error));
        SqliteDb db(path);
        db.exec("BEGIN");
        sqlite3_stmt *item = db.prepare(
            "INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, Status, "
            "max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item', 32767, ?3, '92%', 32767, "
            "'2026-01-15', '2026-01-15')");
        sqlite3_stmt *tally = db.prepare(
            "INSERT INTO Itemsout (item_no, item_name, Description, quantity) VALUES (?1, ?2, 'A stock item', 1)");
        for (int i = 1; i <= n; ++i) {
            const QByteArray no = QStringLiteral("N-%1").arg(i, 7, 10, QLatin1Char('0')).toUtf8();
            const QByteArray name = QStringLiteral("Item %1").arg(i, 7, 10, QLatin1Char('0')).toUtf8();
            for (sqlite3_stmt *stmt : {item, tally}) {
                sqlite3_bind_text(stmt, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
                sqlite3_bind_text(stmt, 2, name.constData(), name.size(), SQLITE_TRANSIENT);
            }
            sqlite3_bind_int(item, 3, kStartRemaining);
            step(db.db, item);
            itemKey = sqlite3_last_insert_rowid(db.db);
            step(db.db, tally);
            tallyKey = sqlite3_last_insert_rowid(db.db);
            target = QString::fromUtf8(name);
        }
        sqlite3_finalize(item);
        sqlite3_finalize(tally);
        db.exec("COMMIT");
    }

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

Fixture &fixture(int n)
{
    static std::map<int, std::unique_ptr<Fixture>> made;
    auto &f = made[n];
    if (!f)
        f = std::make_unique<Fixture>(n);
    return *f;
}

struct Stopwatch {
    static double wall()
    {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
    static double cpu()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
};

// The bare update: the same two rows, keys known beforehand, no lookup.
class BareUpdate {
public:
    explicit BareUpdate(Fixture &f) : m_fixture(f), m_db(f.path)
    {
        m_begin = m_db.prepare("BEGIN");
        m_item = m_db.prepare("UPDATE Items SET tempdate = date_updated, remaining_quantity = ?1, "
                              "Status = ?2, date_updated = ?3 WHERE rowid = ?4");
        m_tally = m_db.prepare("UPDATE Itemsout SET quantity = quantity + 1 WHERE rowid = ?1");
        m_commit = m_db.prepare("COMMIT");
    }
    ~BareUpdate()
    {
        for (sqlite3_stmt *stmt : {m_begin, m_item, m_tally, m_commit})
            sqlite3_finalize(stmt);
    }
    QString pragma(const char *sql) { return m_db.pragma(sql); }
    void run()
    {
        step(m_db.db, m_begin);
        // Back to where the clicks started, so that they never run out.
        sqlite3_bind_int(m_item, 1, kStartRemaining);
        sqlite3_bind_text(m_item, 2, "92%", -1, SQLITE_STATIC);
        sqlite3_bind_text(m_item, 3, "2026-03-10", -1, SQLITE_STATIC);
        sqlite3_bind_int64(m_item, 4, m_fixture.itemKey);
        step(m_db.db, m_item);
        sqlite3_bind_int64(m_tally, 1, m_fixture.tallyKey);
        step(m_db.db, m_tally);
        step(m_db.db, m_commit);
    }

private:
    Fixture &m_fixture;
    SqliteDb m_db;
    sqlite3_stmt *m_begin, *m_item, *m_tally, *m_commit;
};

// Both sides run in turns, a block of clicks then a block of bare updates,
// so that both meet the same disk and the same load. The reported time is
// that of one click; the counters carry the bare update and the ratios.
constexpr int kBlock = 8;

void BM_Removal(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    f.restock();
    Module1::Reset();
    Module1::dbPath = f.path;
    Module1::OpenRecordsConnection(); // as the main window's load leaves it
    BareUpdate bare(f);
    const std::optional<QString> name = f.target;

    double removalWall = 0, removalCpu = 0, bareWall = 0, bareCpu = 0;
    for (auto _ : state) {
        const double w0 = Stopwatch::wall(), c0 = Stopwatch::cpu();
        for (int i = 0; i < kBlock; ++i) {
            if (!StockDesk::RemoveOne(name).changed) {
                state.SkipWithError("the click took no unit");
                return;
            }
        }
        const double w1 = Stopwatch::wall(), c1 = Stopwatch::cpu();
        for (int i = 0; i < kBlock; ++i)
            bare.run();
        const double w2 = Stopwatch::wall(), c2 = Stopwatch::cpu();
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
    Module1::Reset();
}

const std::vector<int64_t> kSizes = {1000, 10000, 100000};

// Keeps the medians so that a short table can follow the usual one.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<int64_t, Run> medians;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred)
                continue;
            const std::string name = run.benchmark_name();
            const auto at = name.find("/items:");
            if (at != std::string::npos)
                medians[std::stoll(name.substr(at + 7))] = run;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

BENCHMARK(BM_Removal)->ArgName("items")->ArgsProduct({kSizes})->UseManualTime()->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        BareUpdate bare(fixture(int(kSizes.front())));
        std::printf("journal_mode=%s synchronous=%s (the engine's defaults, on both sides)\n",
                    qPrintable(bare.pragma("PRAGMA journal_mode")), qPrintable(bare.pragma("PRAGMA synchronous")));
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nMedians of 5 runs, per removal:\n");
    std::printf("%8s %13s %10s %7s %14s %11s %9s\n", "items", "removal (us)", "bare (us)", "ratio",
                "removal cpu", "bare cpu", "cpu ratio");
    for (const auto &[n, run] : reporter.medians) {
        auto counter = [&run = run](const char *name) {
            auto it = run.counters.find(name);
            return it == run.counters.end() ? 0.0 : double(it->second);
        };
        std::printf("%8lld %13.1f %10.1f %7.2f %14.1f %11.1f %9.2f\n", static_cast<long long>(n),
                    run.GetAdjustedRealTime(), counter("bare_us"), counter("ratio"), counter("removal_cpu_us"),
                    counter("bare_cpu_us"), counter("cpu_ratio"));
    }
    benchmark::Shutdown();
    return 0;
}
