// The status window, timed as the user waits for it, against bare SQLite
// statements that read the same rows on the same file in the same run:
//
// - opening: the window made, its list filled and sorted (Form_Load), shown
//   and laid out; against a bare read of every name in the order the list
//   shows them (SELECT ... ORDER BY item_name COLLATE NOCASE: alphabetical,
//   ignoring case). The same read in the index's own order (binary, no sort
//   at all) is printed beside it for reference.
// - one selection: the selection moved to another name in the list, which
//   runs the window's handler (check connection, cursor, lookup, six labels
//   and the status colour); against a bare indexed lookup of that name
//   reading the six fields the window shows.
//
// Both sides run in turns so that they meet the same disk and the same load.
// The names are stored in scrambled order with mixed case, so that the sort
// has real work to do.

#include "benchsupport.h"

#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "reports/frmstatus.h"

#include <QApplication>
#include <QLabel>
#include <QListView>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

// A records database with n items made with the program's own schema. Names
// come in scrambled order, in mixed case; the two names the selections move
// between are the first and the last row.
struct StatusFixture : RecordsFile {
    QString first, last;

    explicit StatusFixture(int n)
    {
        insertRows(path, n,
                   {"INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item kept in the store "
                    "room.', 200, ?3, ?4, 200, '2026-01-15', '2026-01-15')"},
                   [&](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       const char *const words[] = {"toner", "Bond paper", "stapler", "Folder",
                                                    "INK",   "Envelope",   "marker"};
                       // i * 7919 mod a prime above n visits every number once, scrambled.
                       const qint64 scrambled = (qint64(i) * 7919) % 1000003;
                       const QByteArray name = QStringLiteral("%1 %2")
                                                   .arg(QLatin1String(words[scrambled % 7]))
                                                   .arg(scrambled, 7, 10, QLatin1Char('0'))
                                                   .toUtf8();
                       bindText(s[0], 1, itemNo(i));
                       bindText(s[0], 2, name);
                       sqlite3_bind_int(s[0], 3, i % 200);
                       bindText(s[0], 4, QStringLiteral("%1%").arg(i % 101).toUtf8());
                       step(db, s[0]);
                       if (i == 1)
                           first = QString::fromUtf8(name);
                       last = QString::fromUtf8(name);
                   });
    }
};

StatusFixture &fixture(int n)
{
    return cached<StatusFixture>(n);
}

// Reads every name with one prepared statement, as text, to the end.
class BareNames {
public:
    BareNames(SqliteDb &db, const char *sql) : m_db(db), m_stmt(db.prepare(sql)) { }
    ~BareNames() { sqlite3_finalize(m_stmt); }
    int run()
    {
        int rows = 0;
        std::size_t bytes = 0;
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
            bytes += std::strlen(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, 0)));
            ++rows;
        }
        if (rc != SQLITE_DONE)
            qFatal("step failed: %s", sqlite3_errmsg(m_db.db));
        sqlite3_reset(m_stmt);
        benchmark::DoNotOptimize(bytes);
        return rows;
    }

private:
    SqliteDb &m_db;
    sqlite3_stmt *m_stmt;
};

// The first row, in stored order, with the name: its six shown fields.
class BareLookup {
public:
    explicit BareLookup(SqliteDb &db)
        : m_db(db),
          m_stmt(db.prepare("SELECT item_no, item_name, remaining_quantity, Status, date_updated, Description "
                            "FROM Items WHERE item_name = ?1 ORDER BY rowid LIMIT 1"))
    {
    }
    ~BareLookup() { sqlite3_finalize(m_stmt); }
    void run(const QByteArray &name)
    {
        sqlite3_bind_text(m_stmt, 1, name.constData(), name.size(), SQLITE_STATIC);
        if (sqlite3_step(m_stmt) != SQLITE_ROW)
            qFatal("the name was not found");
        std::size_t bytes = 0;
        for (int c = 0; c < 6; ++c)
            if (const unsigned char *text = sqlite3_column_text(m_stmt, c))
                bytes += std::strlen(reinterpret_cast<const char *>(text));
        benchmark::DoNotOptimize(bytes);
        sqlite3_reset(m_stmt);
    }

private:
    SqliteDb &m_db;
    sqlite3_stmt *m_stmt;
};

void BM_OpenStatusWindow(benchmark::State &state)
{
    const int n = int(state.range(0));
    auto &f = fixture(n);
    startRun(f.path);
    SqliteDb db(f.path);
    BareNames sorted(db, "SELECT item_name FROM Items ORDER BY item_name COLLATE NOCASE");
    BareNames indexed(db, "SELECT item_name FROM Items ORDER BY item_name");

    double windowTime = 0, sortedTime = 0, indexedTime = 0;
    for (auto _ : state) {
        const double t0 = wallSeconds();
        auto window = std::make_unique<frmstatus>();
        if (!window->Form_Load()) {
            state.SkipWithError("the window failed to load");
            return;
        }
        window->show();
        QCoreApplication::processEvents();
        const double t1 = wallSeconds();
        if (window->lstitem->model()->rowCount() != n) {
            state.SkipWithError("the list is not full");
            return;
        }
        window.reset();
        const double t2 = wallSeconds();
        const int rows = sorted.run();
        const double t3 = wallSeconds();
        indexed.run();
        const double t4 = wallSeconds();
        if (rows != n) {
            state.SkipWithError("the bare read missed rows");
            return;
        }
        windowTime += t1 - t0;
        sortedTime += t3 - t2;
        indexedTime += t4 - t3;
        state.SetIterationTime(t1 - t0);
    }
    const double runs = double(state.iterations());
    state.counters["bare_us"] = sortedTime / runs * 1e6;
    state.counters["index_us"] = indexedTime / runs * 1e6;
    state.counters["ratio"] = windowTime / sortedTime;
    state.counters["index_ratio"] = windowTime / indexedTime;
    Module1::reset();
}

constexpr int kBlock = 16;

void BM_SelectInStatusWindow(benchmark::State &state)
{
    const int n = int(state.range(0));
    auto &f = fixture(n);
    startRun(f.path);
    frmstatus window;
    if (!window.Form_Load()) {
        state.SkipWithError("the window failed to load");
        return;
    }
    window.show();
    QCoreApplication::processEvents();
    const QString names[2] = {f.first, f.last};
    QModelIndex rows[2];
    QAbstractItemModel *model = window.lstitem->model();
    for (int i = 0; i < 2; ++i) {
        const QModelIndexList found =
            model->match(model->index(0, 0), Qt::DisplayRole, names[i], 1, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found.isEmpty()) {
            state.SkipWithError("a name is missing from the list");
            return;
        }
        rows[i] = found.first();
    }
    const QByteArray utf8[2] = {names[0].toUtf8(), names[1].toUtf8()};
    SqliteDb db(f.path);
    BareLookup bare(db);

    double windowTime = 0, bareTime = 0;
    for (auto _ : state) {
        const double t0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            window.lstitem->setCurrentIndex(rows[i % 2]);
        const double t1 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            bare.run(utf8[i % 2]);
        const double t2 = wallSeconds();
        windowTime += t1 - t0;
        bareTime += t2 - t1;
        state.SetIterationTime((t1 - t0) / kBlock);
    }
    if (window.lblname->text() != names[(kBlock - 1) % 2]) {
        state.SkipWithError("the selection did not show its item");
        return;
    }
    const double selections = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareTime / selections * 1e6;
    state.counters["ratio"] = windowTime / bareTime;
    Module1::reset();
}

} // namespace

BENCHMARK(BM_OpenStatusWindow)->Apply(bySize<benchmark::kMillisecond>);
BENCHMARK(BM_SelectInStatusWindow)->Apply(bySize<benchmark::kMicrosecond>);

int main(int argc, char **argv)
{
    // Windows are made and shown, but never on a screen.
    offscreenUnlessSet();
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nOpening the status window (list filled, sorted, shown), medians of 5 runs:\n");
        std::printf("%8s %12s %16s %7s %17s %7s\n", "items", "window (ms)", "bare sorted (ms)", "ratio",
                    "bare index (ms)", "ratio");
        for (const auto &[n, run] : reporter.bySize["BM_OpenStatusWindow"])
            std::printf("%8lld %12.2f %16.2f %7.2f %17.2f %7.2f\n", static_cast<long long>(n),
                        run.GetAdjustedRealTime(), counter(run, "bare_us") / 1000, counter(run, "ratio"),
                        counter(run, "index_us") / 1000, counter(run, "index_ratio"));
        std::printf("\nOne selection in the status window, medians of 5 runs:\n");
        std::printf("%8s %12s %16s %7s\n", "items", "window (us)", "bare lookup (us)", "ratio");
        for (const auto &[n, run] : reporter.bySize["BM_SelectInStatusWindow"])
            std::printf("%8lld %12.1f %16.1f %7.2f\n", static_cast<long long>(n), run.GetAdjustedRealTime(),
                        counter(run, "bare_us"), counter(run, "ratio"));
    });
}
