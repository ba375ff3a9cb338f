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

#include "data/module1.h"
#include "data/schema.h"
#include "reports/frmprint.h"
#include "reports/frmprintl.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
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

void step(sqlite3 *db, sqlite3_stmt *stmt)
{
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("step failed: %s", sqlite3_errmsg(db));
    sqlite3_reset(stmt);
}

sqlite3 *openBare(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(path));
    sqlite3_key(db, RecordsPassword, int(std::strlen(RecordsPassword)));
    return db;
}

sqlite3_stmt *prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        qFatal("%s: %s", sql, sqlite3_errmsg(db));
    return stmt;
}

// A records database with n items and n tally rows, made with the
// program's own schema.
struct Fixture {
    QTemporaryDir dir;
    QString path;

    explicit Fixture(int n)
    {
        path = QDir(dir.path()).filePath(QStringLiteral("Records.mdb"));
        if (auto error = CreateRecordsDatabase(path, {}))
            qFatal("%s", qPrintable(*error));
        sqlite3 *db = openBare(path);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *item = prepare(
            db, "INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, Status, "
                "max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item', 100, ?3, ?4, 100, "
                "'2026-01-15', '2026-01-15')");
        sqlite3_stmt *tally =
            prepare(db, "INSERT INTO Itemsout (item_no, item_name, Description, quantity) VALUES (?1, ?2, "
                        "'A stock item', ?3)");
        for (int i = 1; i <= n; ++i) {
            const QByteArray no = QStringLiteral("N-%1").arg(i, 7, 10, QLatin1Char('0')).toUtf8();
            const QByteArray name = QStringLiteral("Item %1").arg(i, 7, 10, QLatin1Char('0')).toUtf8();
            const QByteArray status = QStringLiteral("%1%").arg(i % 101).toUtf8();
            for (sqlite3_stmt *stmt : {item, tally}) {
                sqlite3_bind_text(stmt, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
                sqlite3_bind_text(stmt, 2, name.constData(), name.size(), SQLITE_TRANSIENT);
                sqlite3_bind_int(stmt, 3, i % 100);
            }
            sqlite3_bind_text(item, 4, status.constData(), status.size(), SQLITE_TRANSIENT);
            step(db, item);
            step(db, tally);
        }
        sqlite3_finalize(item);
        sqlite3_finalize(tally);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
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

double wall()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The bare read of a page: one statement from the page's first key.
class BareRead {
public:
    BareRead(const QString &path, const char *sql, qint64 firstKey, int rows)
        : m_db(openBare(path)), m_stmt(prepare(m_db, sql)), m_key(firstKey), m_rows(rows)
    {
    }
    ~BareRead()
    {
        sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
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
            qFatal("bare read failed: %s", sqlite3_errmsg(m_db));
        sqlite3_reset(m_stmt);
        return bytes;
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt;
    qint64 m_key;
    int m_rows;
};

// The key of the row at a position, looked up once, untimed.
qint64 keyAt(const QString &path, const char *table, int position)
{
    sqlite3 *db = openBare(path);
    const QByteArray sql = QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1 OFFSET %2")
                               .arg(QLatin1String(table))
                               .arg(position)
                               .toUtf8();
    sqlite3_stmt *stmt = prepare(db, sql.constData());
    if (sqlite3_step(stmt) != SQLITE_ROW)
        qFatal("no row at %d", position);
    const qint64 key = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return key;
}

// Both sides run in turns, a block of page turns then a block of bare
// reads. Before each turn to the last page, untimed, a turn back.
constexpr int kBlock = 8;

template <typename Window>
void pageTurn(benchmark::State &state, const char *table, const char *bareSql, int size)
{
    const int n = int(state.range(0));
    Fixture &f = fixture(n);
    Module1::Reset();
    Module1::dbPath = f.path;
    Module1::OpenRecordsConnection(); // as the main window's load leaves it
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
            const double t0 = wall();
            window.cmdnxt_Click();
            turns += wall() - t0;
        }
        const double b0 = wall();
        for (int i = 0; i < kBlock; ++i)
            sink += bare.run();
        bareTime += wall() - b0;
        turnTime += turns;
        state.SetIterationTime(turns / kBlock);
    }
    if (window.pageStart() != last || window.lists().first()->count() != n - last)
        state.SkipWithError("the turn did not show the last page");
    benchmark::DoNotOptimize(sink);
    const double count = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareTime / count * 1e6;
    state.counters["ratio"] = turnTime / bareTime;
    state.counters["page_rows"] = n - last;
    Module1::Reset();
}

void BM_ItemListLastPage(benchmark::State &state)
{
    pageTurn<frmprint>(state, "Items",
                       "SELECT item_no, item_name, Description, remaining_quantity, Status FROM Items "
                       "WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2",
                       reports::ItemListPage.size);
}

void BM_RemovedListLastPage(benchmark::State &state)
{
    pageTurn<frmprintl>(state, "Itemsout",
                        "SELECT item_name, quantity FROM Itemsout WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2",
                        reports::RemovedListPage.size);
}

const std::vector<int64_t> kSizes = {1000, 10000, 100000};

// Keeps the medians so that a short table can follow the usual one.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::pair<std::string, int64_t>, Run> medians;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred)
                continue;
            const std::string name = run.benchmark_name();
            const auto at = name.find("/rows:");
            if (at != std::string::npos)
                medians[{name.substr(3, name.find('/') - 3), std::stoll(name.substr(at + 6))}] = run;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

BENCHMARK(BM_ItemListLastPage)->ArgName("rows")->ArgsProduct({kSizes})->UseManualTime()
    ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RemovedListLastPage)->ArgName("rows")->ArgsProduct({kSizes})->UseManualTime()
    ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    // The windows are made but never shown: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nMedians of 5 runs, a page turn to the last page:\n");
    std::printf("%-18s %8s %10s %10s %10s %7s\n", "printout", "rows", "page rows", "turn (us)", "bare (us)",
                "ratio");
    for (const auto &[key, run] : reporter.medians) {
        auto counter = [&run = run](const char *name) {
            auto it = run.counters.find(name);
            return it == run.counters.end() ? 0.0 : double(it->second);
        };
        std::printf("%-18s %8lld %10.0f %10.1f %10.1f %7.2f\n", key.first.c_str(), static_cast<long long>(key.second),
                    counter("page_rows"), run.GetAdjustedRealTime(), counter("bare_us"), counter("ratio"));
    }
    benchmark::Shutdown();
    return 0;
}
