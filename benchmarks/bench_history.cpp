// The stock history and the reorder list, timed as the windows run them.
//
// - A click on the desk (the main window's handler: the removal and the
//   tally list's update) with its history row, against the same click with
//   the history row left out: the same window, file and run, the records
//   connection swapped in alternating blocks for one that drops the writes
//   to the Journal and passes everything else through.
// - The Stock History window's load (its first page read and shown) at 1,000
//   and 1,000,000 history rows, and a page turn, each against a bare read of
//   the same rows through the same index.
// - The Reorder List window's load at 100,000 items (every item read, the
//   band's filtered and sorted, the first page shown) against a bare read of
//   the same five fields with the same filter and sort.
//
// - With BENCH_PGHOST set to a server's socket folder: the first page of a
//   1,000,000-row history on the server, read through the server engine
//   (in its group of reads), against the same statement with bare libpq.
//
// Building the 1,000,000-row history takes about a minute.

#include "benchsupport.h"

#include "admin/provisioning.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "reports/frmhistory.h"
#include "reports/frmreorder.h"

#include <QApplication>
#include <QListView>
#include <QListWidget>

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

constexpr int kBlock = 8;

// Everything passed to the engine's connection but the history's rows.
class WithoutHistory : public Connection {
public:
    explicit WithoutHistory(std::shared_ptr<Connection> inner) : m(std::move(inner)) { }
    QString path() const override { return m->path(); }
    QStringList fields(const QString &t) override { return m->fields(t); }
    qint64 count(const QString &t) override { return m->count(t); }
    std::optional<qint64> firstKey(const QString &t) override { return m->firstKey(t); }
    std::optional<qint64> lastKey(const QString &t) override { return m->lastKey(t); }
    std::optional<qint64> nextKey(const QString &t, qint64 k) override { return m->nextKey(t, k); }
    std::optional<qint64> keyAtOffset(const QString &t, qint64 k, qint64 o) override { return m->keyAtOffset(t, k, o); }
    std::optional<Row> read(const QString &t, qint64 k) override { return m->read(t, k); }
    void forEach(const QString &t, const std::function<void(const Row &)> &fn) override { m->forEach(t, fn); }
    void forEachValue(const QString &t, int f, const std::function<void(qint64, const QVariant &)> &fn) override
    {
        m->forEachValue(t, f, fn);
    }
    QStringList columnText(const QString &t, int f) override { return m->columnText(t, f); }
    QVector<Row> readRows(const QString &t, const QVector<int> &f, std::optional<qint64> from, int limit) override
    {
        return m->readRows(t, f, from, limit);
    }
    QVector<TextRow> readTextsFrom(const QString &t, const QVector<int> &f, qint64 from, int skip, int limit) override
    {
        return m->readTextsFrom(t, f, from, skip, limit);
    }
    DataVersion dataVersion() override { return m->dataVersion(); }
    QVector<Row> readOrdered(const QString &t, const QVector<int> &f, const OrderedRead &how) override
    {
        return m->readOrdered(t, f, how);
    }
    QVector<TextRow> readOrderedTexts(const QString &t, const QVector<int> &f, const OrderedRead &how) override
    {
        return m->readOrderedTexts(t, f, how);
    }
    int schemaVersion() override { return m->schemaVersion(); }
    void upgradeSchema() override { m->upgradeSchema(); }
    std::optional<Row> findFirst(const QString &t, int f, const QString &text) override
    {
        return m->findFirst(t, f, text);
    }
    void update(const QString &t, qint64 k, const FieldChanges &c) override { m->update(t, k, c); }
    qint64 insert(const QString &t, const FieldChanges &v) override
    {
        return t == Journal::kTable ? 0 : m->insert(t, v);
    }
    void remove(const QString &t, qint64 k) override { m->remove(t, k); }
    void removeAll(const QString &t) override { m->removeAll(t); }
    void begin() override { m->begin(); }
    void commit() override { m->commit(); }
    void rollback() override { m->rollback(); }
    void beginRead() override { m->beginRead(); }
    void endRead() override { m->endRead(); }

private:
    std::shared_ptr<Connection> m;
};

void useConnections(bool history)
{
    if (history)
        Module1::setConnectionFactory([](const QString &p) { return SqlCipherConnection::open(p); });
    else
        Module1::setConnectionFactory(
            [](const QString &p) { return std::make_shared<WithoutHistory>(SqlCipherConnection::open(p)); });
    Module1::OpenRecordsConnection();
}

// ---- The click -----------------------------------------------------------

struct ClickFixture : Fixture {
    explicit ClickFixture(int n) : Fixture(n, 1, plainName) { }
};

void BM_ClickWithHistory(benchmark::State &state)
{
    const int n = int(state.range(0));
    auto &f = cached<ClickFixture>(n);
    startRun(f.path);
    frmmain window;
    if (!window.Form_Load()) {
        state.SkipWithError("the main window did not load");
        return;
    }
    const auto entries = window.lstitem->findItems(f.target, Qt::MatchExactly);
    if (entries.isEmpty()) {
        state.SkipWithError("no entry to click");
        return;
    }
    window.lstitem->blockSignals(true);
    window.lstitem->setCurrentItem(entries.first());
    window.lstitem->blockSignals(false);
    double with = 0, without = 0;
    for (auto _ : state) {
        useConnections(false);
        const double w0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i) {
            window.lstitem_Click();
            QCoreApplication::processEvents();
        }
        const double w1 = wallSeconds();
        useConnections(true);
        const double w2 = wallSeconds();
        for (int i = 0; i < kBlock; ++i) {
            window.lstitem_Click();
            QCoreApplication::processEvents();
        }
        const double w3 = wallSeconds();
        without += w1 - w0;
        with += w3 - w2;
        state.SetIterationTime((w3 - w2) / kBlock);
    }
    const double count = double(state.iterations()) * kBlock;
    state.counters["without_us"] = without / count * 1e6;
    state.counters["ratio"] = with / without;
    Module1::reset();
}

// ---- The history window --------------------------------------------------

// n history rows over n minutes, on 97 item numbers.
struct HistoryFixture : RecordsFile {
    explicit HistoryFixture(int n)
    {
        insertRows(path, n,
                   {"INSERT INTO Journal (entered_at, user_name, login_name, kind, item_no, item_name, "
                    "quantity_change, remaining_quantity) VALUES (?1, 'clerk', 'store', 'removal', ?2, ?3, -1, ?4)"},
                   [](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       const QDateTime at = QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addSecs(60LL * i);
                       bindText(s[0], 1, at.toString("yyyy-MM-dd HH:mm:ss").toUtf8());
                       bindText(s[0], 2, itemNo(i % 97));
                       bindText(s[0], 3, plainName(i % 97).toUtf8());
                       sqlite3_bind_int(s[0], 4, i % 1000);
                       step(db, s[0]);
                   });
    }
};

// The bare read of a page newest first: from the start, or past a place.
class BarePage {
public:
    BarePage(const QString &path, bool past) : m_db(path)
    {
        m_stmt = m_db.prepare(past ? "SELECT rowid, entered_at, user_name, login_name, kind, item_no, item_name, "
                                     "quantity_change, remaining_quantity FROM Journal WHERE (entered_at, rowid) < "
                                     "(?1, ?2) ORDER BY entered_at DESC, rowid DESC LIMIT 42"
                                   : "SELECT rowid, entered_at, user_name, login_name, kind, item_no, item_name, "
                                     "quantity_change, remaining_quantity FROM Journal ORDER BY entered_at DESC, "
                                     "rowid DESC LIMIT 42");
    }
    ~BarePage() { sqlite3_finalize(m_stmt); }
    // Reads every field of the page as text; the last row's place is kept
    // for the next read past it.
    size_t run(const QByteArray &at = {}, qint64 key = 0)
    {
        if (!at.isEmpty()) {
            sqlite3_bind_text(m_stmt, 1, at.constData(), int(at.size()), SQLITE_STATIC);
            sqlite3_bind_int64(m_stmt, 2, key);
        }
        size_t bytes = 0;
        while (sqlite3_step(m_stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(m_stmt); ++c) {
                sqlite3_column_text(m_stmt, c);
                bytes += size_t(sqlite3_column_bytes(m_stmt, c));
            }
            lastAt = QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, 1)));
            lastKey = sqlite3_column_int64(m_stmt, 0);
        }
        sqlite3_reset(m_stmt);
        return bytes;
    }
    QByteArray lastAt;
    qint64 lastKey = 0;

private:
    SqliteDb m_db;
    sqlite3_stmt *m_stmt;
};

void BM_HistoryOpen(benchmark::State &state)
{
    auto &f = cached<HistoryFixture>(int(state.range(0)));
    startRun(f.path);
    BarePage bare(f.path, false);
    double open = 0, bareTime = 0, bareCold = 0;
    size_t sink = 0;
    for (auto _ : state) {
        double block = 0;
        for (int i = 0; i < kBlock; ++i) {
            frmhistory window; // made untimed: the timed part reads and shows the first page
            // For comparison only (not in the ratio): the bare read right
            // after a window was made, as the window's own read comes.
            const double c0 = wallSeconds();
            sink += bare.run();
            bareCold += wallSeconds() - c0;
            const double t0 = wallSeconds();
            if (!window.Form_Load()) {
                state.SkipWithError("the window did not load");
                return;
            }
            block += wallSeconds() - t0;
        }
        const double b0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            sink += bare.run();
        bareTime += wallSeconds() - b0;
        open += block;
        state.SetIterationTime(block / kBlock);
    }
    benchmark::DoNotOptimize(sink);
    const double count = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareTime / count * 1e6;
    state.counters["bare_after_making_us"] = bareCold / count * 1e6;
    state.counters["ratio"] = open / bareTime;
    Module1::reset();
}

void BM_HistoryPageTurn(benchmark::State &state)
{
    auto &f = cached<HistoryFixture>(int(state.range(0)));
    startRun(f.path);
    frmhistory window;
    if (!window.Form_Load()) {
        state.SkipWithError("the window did not load");
        return;
    }
    BarePage first(f.path, false), past(f.path, true);
    first.run();
    double turns = 0, bareTime = 0;
    size_t sink = 0;
    for (auto _ : state) {
        double block = 0;
        for (int i = 0; i < kBlock; ++i) {
            window.cmdprev_Click(); // untimed, back to the first page
            const double t0 = wallSeconds();
            window.cmdnxt_Click();
            block += wallSeconds() - t0;
        }
        const double b0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            sink += past.run(first.lastAt, first.lastKey);
        bareTime += wallSeconds() - b0;
        turns += block;
        state.SetIterationTime(block / kBlock);
    }
    if (window.pageStart() != 42)
        state.SkipWithError("the turn did not show the second page");
    benchmark::DoNotOptimize(sink);
    const double count = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareTime / count * 1e6;
    state.counters["ratio"] = turns / bareTime;
    Module1::reset();
}

// ---- The history on a server --------------------------------------------

// n history rows as HistoryFixture's, in a server database of their own on
// the server whose socket folder BENCH_PGHOST names.
struct ServerHistoryFixture {
    QString location;
    explicit ServerHistoryFixture(int n)
    {
        const QString host = qEnvironmentVariable("BENCH_PGHOST");
        const QString name = QStringLiteral("bench_history_%1").arg(n);
        const auto exec = [](PGconn *conn, const QString &sql) {
            PGresult *r = PQexec(conn, sql.toUtf8().constData());
            if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
                qFatal("%s: %s", qPrintable(sql), PQerrorMessage(conn));
            PQclear(r);
        };
        PGconn *admin = PQconnectdb(QStringLiteral("postgresql:///postgres?host=%1").arg(host).toUtf8().constData());
        exec(admin, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        exec(admin, QStringLiteral("CREATE DATABASE %1").arg(name));
        PQfinish(admin);
        location = QStringLiteral("postgresql:///%1?host=%2").arg(name, host);
        if (auto error = createServerRecords(location, {}))
            qFatal("%s", qPrintable(*error));
        PGconn *db = PQconnectdb(location.toUtf8().constData());
        exec(db, QStringLiteral("INSERT INTO \"Journal\" (entered_at, user_name, login_name, kind, item_no, item_name, "
                                "quantity_change, remaining_quantity) SELECT to_char(timestamp '2024-01-01 08:00' + "
                                "i * interval '1 minute', 'YYYY-MM-DD HH24:MI:SS'), 'clerk', 'store', 'removal', "
                                "'N-' || (i % 97), 'Item ' || (i % 97), -1, i % 1000 FROM generate_series(0, %1) i")
                     .arg(n - 1));
        exec(db, QStringLiteral("ANALYZE"));
        PQfinish(db);
    }
};

// The history's first page newest first through the server engine's ordered
// read as text (as the window reads it, every field), against the same
// statement prepared once and run with bare libpq, its fields read as text.
void BM_ServerHistoryPage(benchmark::State &state)
{
    if (qEnvironmentVariableIsEmpty("BENCH_PGHOST")) {
        state.SkipWithError("BENCH_PGHOST names no server's socket folder");
        return;
    }
    auto &f = cached<ServerHistoryFixture>(int(state.range(0)));
    const std::shared_ptr<Connection> cn = PgConnection::open(f.location);
    const QVector<int> fields{1, 2, 3, 4, 5, 6, 7, 8};
    PGconn *bare = PQconnectdb(f.location.toUtf8().constData());
    PQclear(PQprepare(bare, "page",
                      "SELECT \"ID\", entered_at, user_name, login_name, kind, item_no, item_name, quantity_change, "
                      "remaining_quantity FROM \"Journal\" ORDER BY entered_at DESC, \"ID\" DESC LIMIT 42",
                      0, nullptr));
    double window = 0, bareTime = 0;
    size_t sink = 0;
    for (auto _ : state) {
        const double t0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i) {
            ReadGroup group(cn);
            sink += size_t(Journal::readTexts(*cn, {}, fields, true, std::nullopt, false, 0, 42).size());
        }
        const double t1 = wallSeconds();
        for (int i = 0; i < kBlock; ++i) {
            PGresult *r = PQexecPrepared(bare, "page", 0, nullptr, nullptr, nullptr, 0);
            for (int row = 0; row < PQntuples(r); ++row)
                for (int c = 0; c < PQnfields(r); ++c)
                    sink += size_t(PQgetlength(r, row, c)) + size_t(*PQgetvalue(r, row, c));
            PQclear(r);
        }
        const double t2 = wallSeconds();
        window += t1 - t0;
        bareTime += t2 - t1;
        state.SetIterationTime((t1 - t0) / kBlock);
    }
    PQfinish(bare);
    benchmark::DoNotOptimize(sink);
    const double count = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareTime / count * 1e6;
    state.counters["ratio"] = window / bareTime;
}

// ---- The reorder list ----------------------------------------------------

struct ReorderFixture : RecordsFile {
    explicit ReorderFixture(int n)
    {
        insertRows(path, n,
                   {"INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item', 100, ?3, ?4, 100, "
                    "'2026-01-15', '2026-01-15')"},
                   [](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       bindText(s[0], 1, itemNo(i));
                       bindText(s[0], 2, plainName(i).toUtf8());
                       sqlite3_bind_int(s[0], 3, i % 101);
                       bindText(s[0], 4, QStringLiteral("%1%").arg(i % 101).toUtf8());
                       step(db, s[0]);
                   });
    }
};

// The bare side: the same five fields of every item, the same band kept
// and sorted by status.
size_t bareReorder(SqliteDb &db, sqlite3_stmt *stmt)
{
    struct Line {
        double percent;
        QByteArray no, name, status;
        int remaining, max;
    };
    std::vector<Line> lines;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const char *status = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 2));
        const double percent = std::atof(status);
        if (percent > 50)
            continue;
        lines.push_back({percent, QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))),
                         QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1))), QByteArray(status),
                         sqlite3_column_int(stmt, 3), sqlite3_column_int(stmt, 4)});
    }
    sqlite3_reset(stmt);
    (void)db;
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) { return a.percent < b.percent; });
    return lines.size();
}

void BM_ReorderOpen(benchmark::State &state)
{
    auto &f = cached<ReorderFixture>(int(state.range(0)));
    startRun(f.path);
    SqliteDb db(f.path);
    sqlite3_stmt *stmt =
        db.prepare("SELECT item_no, item_name, Status, remaining_quantity, max_quantity FROM Items ORDER BY rowid");
    double open = 0, bareTime = 0;
    size_t sink = 0;
    for (auto _ : state) {
        frmreorder window;
        const double t0 = wallSeconds();
        if (!window.Form_Load()) {
            state.SkipWithError("the window did not load");
            return;
        }
        const double t1 = wallSeconds();
        sink += bareReorder(db, stmt);
        const double t2 = wallSeconds();
        open += t1 - t0;
        bareTime += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sink);
    state.counters["bare_us"] = bareTime / double(state.iterations()) * 1e6;
    state.counters["ratio"] = open / bareTime;
    Module1::reset();
}

} // namespace

BENCHMARK(BM_ClickWithHistory)
    ->ArgName("items")
    ->Arg(1000)
    ->Arg(100000)
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_HistoryOpen)
    ->ArgName("rows")
    ->Arg(1000)
    ->Arg(1000000)
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_HistoryPageTurn)
    ->ArgName("rows")
    ->Arg(1000)
    ->Arg(1000000)
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_ServerHistoryPage)
    ->ArgName("rows")
    ->Arg(1000000)
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_ReorderOpen)
    ->ArgName("items")
    ->Arg(1000)
    ->Arg(100000)
    ->Apply(fiveTimedRuns<benchmark::kMillisecond>);

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs:\n");
        std::printf("%-20s %9s %12s %12s %7s\n", "", "size", "window (us)", "against (us)", "ratio");
        for (const auto &[name, sizes] : reporter.bySize) {
            const char *against = name == "BM_ClickWithHistory" ? "without_us" : "bare_us";
            for (const auto &[n, run] : sizes)
                std::printf("%-20s %9lld %12.1f %12.1f %7.2f\n", name.substr(3).c_str(), static_cast<long long>(n),
                            run.GetAdjustedRealTime() * (name == "BM_ReorderOpen" ? 1000 : 1), counter(run, against),
                            counter(run, "ratio"));
        }
        std::printf("Click: against the same click without its history row. ServerHistoryPage: against bare libpq. "
                    "Others: against bare SQLite.\n");
    });
}
