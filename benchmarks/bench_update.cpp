// The update window, timed as the user waits for it, against bare SQLite
// statements that do the same work on the same file in the same run:
//
// - Change: one press of Add or Less (presses alternate, so the stock stays
//   put), the whole handler: the check connection, the cursor, the lookup of
//   the item by number, the transaction that writes quantity, status and
//   maximum, the read-back and the labels. Bare: BEGIN, the lookup by number,
//   the UPDATE, COMMIT. The item is the last row of Items in table order.
// - Load: the window made, both lists filled and the window shown and
//   painted. Bare: a read of item_no and item_name of every row.
//
// The data layer sets no journal or synchronous pragma, so both sides run on
// the engine's defaults; the run prints what they are. The window runs on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "benchsupport.h"

#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"
#include "items/frmupdate.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

constexpr int kStartRemaining = 500;
constexpr int kMax = 1000;

// A records database with n items, made with the program's own schema; the
// item worked on comes last.
struct UpdateFixture : RecordsFile {
    QString number;
    QString name;

    explicit UpdateFixture(int n)
    {
        insertRows(path, n,
                   {"INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item', ?4, ?3, '50%', "
                    "?4, '2026-01-15', '2026-01-15')"},
                   [&](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       const QByteArray no = itemNo(i);
                       const QByteArray nm = plainName(i).toUtf8();
                       bindText(s[0], 1, no);
                       bindText(s[0], 2, nm);
                       sqlite3_bind_int(s[0], 3, kStartRemaining);
                       sqlite3_bind_int(s[0], 4, kMax);
                       step(db, s[0]);
                       number = QString::fromUtf8(no);
                       name = QString::fromUtf8(nm);
                   });
    }
};

UpdateFixture &fixture(int n)
{
    return cached<UpdateFixture>(n);
}

// The bare change: the same row found by its number, written in one
// transaction, the status worked out the same way.
class BareChange {
public:
    explicit BareChange(UpdateFixture &f) : m_db(f.path), m_number(f.number.toUtf8())
    {
        m_begin = m_db.prepare("BEGIN IMMEDIATE");
        m_find = m_db.prepare("SELECT rowid, remaining_quantity, max_quantity FROM Items WHERE item_no = ?1 "
                              "ORDER BY rowid LIMIT 1");
        m_write = m_db.prepare("UPDATE Items SET Status = ?1, remaining_quantity = ?2 WHERE rowid = ?3");
        m_commit = m_db.prepare("COMMIT");
    }
    ~BareChange()
    {
        for (sqlite3_stmt *stmt : {m_begin, m_find, m_write, m_commit})
            sqlite3_finalize(stmt);
    }
    SqliteDb &db() { return m_db; }
    void run(int delta)
    {
        step(m_db.db, m_begin);
        sqlite3_bind_text(m_find, 1, m_number.constData(), m_number.size(), SQLITE_STATIC);
        stepRow(m_db.db, m_find);
        const qint64 key = sqlite3_column_int64(m_find, 0);
        const int remaining = sqlite3_column_int(m_find, 1) + delta;
        const int base = sqlite3_column_int(m_find, 2);
        sqlite3_reset(m_find);
        const QByteArray status = ExactStatusText(remaining, qint16(base)).value_or(QString()).toUtf8();
        sqlite3_bind_text(m_write, 1, status.constData(), status.size(), SQLITE_STATIC);
        sqlite3_bind_int(m_write, 2, remaining);
        sqlite3_bind_int64(m_write, 3, key);
        step(m_db.db, m_write);
        step(m_db.db, m_commit);
    }

private:
    SqliteDb m_db;
    QByteArray m_number;
    sqlite3_stmt *m_begin, *m_find, *m_write, *m_commit;
};

// The bare read: the two columns of every row, as text.
class BareRead {
public:
    explicit BareRead(UpdateFixture &f) : m_db(f.path)
    {
        m_read = m_db.prepare("SELECT item_no, item_name FROM Items ORDER BY rowid");
    }
    ~BareRead() { sqlite3_finalize(m_read); }
    size_t run()
    {
        size_t bytes = 0;
        while (sqlite3_step(m_read) == SQLITE_ROW) {
            const unsigned char *no = sqlite3_column_text(m_read, 0);
            const unsigned char *name = sqlite3_column_text(m_read, 1);
            bytes += size_t(sqlite3_column_bytes(m_read, 0)) + size_t(sqlite3_column_bytes(m_read, 1));
            benchmark::DoNotOptimize(no);
            benchmark::DoNotOptimize(name);
        }
        sqlite3_reset(m_read);
        return bytes;
    }

private:
    SqliteDb m_db;
    sqlite3_stmt *m_read;
};

// Both sides run in turns, a block of one then a block of the other, so that
// both meet the same disk and the same load. The reported time is the
// window's; the counters carry the bare side and the ratio.
constexpr int kBlock = 8; // even: Add and Less alternate

void BM_Change(benchmark::State &state)
{
    auto &f = fixture(int(state.range(0)));
    startRun(f.path);
    BareChange bare(f);
    frmupdate window;
    if (!window.Form_Load()) {
        state.SkipWithError("the window did not load");
        return;
    }
    // The item as picked: its number and name in the two lists.
    window.cmbitemno->setEditText(f.number);
    window.cmbitemname->setEditText(f.name);
    window.txtqua->setText(QStringLiteral("1"));

    double windowWall = 0, bareWall = 0;
    for (auto _ : state) {
        const double w0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i) {
            if (i % 2 == 0)
                window.cmdadd_Click();
            else
                window.Command1_Click();
        }
        const double w1 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            bare.run(i % 2 == 0 ? 1 : -1);
        const double w2 = wallSeconds();
        windowWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime((w1 - w0) / kBlock);
    }
    const double n = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareWall / n * 1e6;
    state.counters["ratio"] = windowWall / bareWall;
    Module1::reset();
}

void BM_Load(benchmark::State &state)
{
    auto &f = fixture(int(state.range(0)));
    startRun(f.path);
    BareRead bare(f);
    double windowWall = 0, bareWall = 0;
    for (auto _ : state) {
        const double w0 = wallSeconds();
        auto *window = new frmupdate;
        if (!window->Form_Load()) {
            state.SkipWithError("the window did not load");
            delete window;
            return;
        }
        window->show();
        QCoreApplication::processEvents(); // the first paint
        const double w1 = wallSeconds();
        benchmark::DoNotOptimize(bare.run());
        const double w2 = wallSeconds();
        delete window;
        QCoreApplication::processEvents();
        windowWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime(w1 - w0);
    }
    state.counters["bare_us"] = bareWall / double(state.iterations()) * 1e6;
    state.counters["ratio"] = windowWall / bareWall;
    Module1::reset();
}

} // namespace

BENCHMARK(BM_Change)->Apply(bySize<benchmark::kMicrosecond>);
BENCHMARK(BM_Load)->Apply(bySize<benchmark::kMillisecond>);

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    return runBenchmarks<QApplication>(
        argc, argv,
        [](MedianReporter &reporter) {
            std::printf("\nMedians of 5 runs, one Add or Less against the bare lookup and update:\n");
            std::printf("%8s %13s %10s %7s\n", "items", "window (us)", "bare (us)", "ratio");
            for (const auto &[n, run] : reporter.bySize["BM_Change"])
                std::printf("%8lld %13.1f %10.1f %7.2f\n", static_cast<long long>(n), run.GetAdjustedRealTime(),
                            counter(run, "bare_us"), counter(run, "ratio"));
            std::printf("\nMedians of 5 runs, loading the window against a bare read of both columns:\n");
            std::printf("%8s %13s %10s %7s\n", "items", "window (ms)", "bare (ms)", "ratio");
            for (const auto &[n, run] : reporter.bySize["BM_Load"])
                std::printf("%8lld %13.2f %10.2f %7.2f\n", static_cast<long long>(n), run.GetAdjustedRealTime(),
                            counter(run, "bare_us") / 1000.0, counter(run, "ratio"));
        },
        [] {
            BareChange bare(fixture(int(kSizes.front())));
            std::printf("%s (the engine's defaults, on both sides)\n", qPrintable(bare.db().settings()));
        });
}
