// The item windows, timed as the clerk waits for them, against the bare
// SQLite statements that do the same work on the same file in the same run:
//
// - Add: one press of Add in the add window (the check connection, the
//   Items cursor, the duplicate check, the new row in its transaction, the
//   message and the emptied boxes). Bare: BEGIN IMMEDIATE, the duplicate
//   SELECT, the INSERT, COMMIT.
// - Lookup: one keystroke in the number box of the edit window (the check
//   connection, the Items cursor, the look-up and the four boxes filled).
//   Bare: the SELECT of the four fields of the first row with that number.
//   LookupData times the same handler without the boxes: the storage part.
//
// The data layer sets no journal or synchronous pragma, so both sides run on
// the engine's defaults; the bare side prints what they are. The rows added
// by a block are deleted again, untimed, so the table keeps its size.

#include "benchsupport.h"

#include "data/schema/schema.h"
#include "data/stock/itemlookup.h"
#include "data/stock/module1.h"
#include "items/frmadd.h"
#include "items/frmedit.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

// A records database with n items, made with the program's own schema.
struct ItemsFixture : RecordsFile {
    qint64 lastKey = 0;
    int n;

    explicit ItemsFixture(int n) : n(n)
    {
        insertRows(path, n,
                   {"INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) VALUES (?1, ?2, ?3, ?4, ?5, '50%', ?4, "
                    "'2026-01-15', '2026-01-15')"},
                   [&](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       bindText(s[0], 1, itemNo(i));
                       bindText(s[0], 2, plainName(i).toUtf8());
                       bindText(s[0], 3, QStringLiteral("A stock item, lot %1").arg(i).toUtf8());
                       // Neighbouring items differ in every field the windows show.
                       sqlite3_bind_int(s[0], 4, 100 + i % 900);
                       sqlite3_bind_int(s[0], 5, i % 100);
                       step(db, s[0]);
                       lastKey = sqlite3_last_insert_rowid(db);
                   });
    }

    // Takes out the rows a block added (untimed).
    void trim(SqliteDb &db)
    {
        sqlite3_stmt *stmt = db.prepare("DELETE FROM Items WHERE rowid > ?1");
        sqlite3_bind_int64(stmt, 1, lastKey);
        step(db.db, stmt);
        sqlite3_finalize(stmt);
    }
};

ItemsFixture &fixture(int n)
{
    return cached<ItemsFixture>(n);
}

// Answers every message box at once, as a clerk pressing OK would; keeps
// the last text so that a run that was refused stops the benchmark.
class Answering : public ui::PromptHandler {
public:
    Answering() { ui::Prompts::setHandler(this); }
    ~Answering() override { ui::Prompts::setHandler(nullptr); }
    QString last;
    ui::Answer message(QWidget *, const QString &text, const QString &, ui::Buttons buttons) override
    {
        last = text;
        return buttons == ui::Buttons::Ok ? ui::Answer::Ok : ui::Answer::Yes;
    }
    QString openFile(QWidget *) override { return {}; }
    bool printDialog(QWidget *, QPrinter *) override { return false; }
    void openUrl(const QUrl &) override { }
};

// Both sides run in turns, a block of the window's actions then a block of
// bare statements, so that both meet the same disk and the same load. The
// reported time is that of one action; the counters carry the bare side and
// the ratio.
constexpr int kBlock = 8;

void report(benchmark::State &state, const Clocks &window, const Clocks &bare)
{
    const double n = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bare.wall / n * 1e6;
    state.counters["window_cpu_us"] = window.cpu / n * 1e6;
    state.counters["bare_cpu_us"] = bare.cpu / n * 1e6;
    state.counters["ratio"] = window.wall / bare.wall;
    state.counters["cpu_ratio"] = window.cpu / bare.cpu;
}

void BM_Add(benchmark::State &state)
{
    auto &f = fixture(int(state.range(0)));
    startRun(f.path);
    SqliteDb bare(f.path);
    sqlite3_stmt *begin = bare.prepare("BEGIN IMMEDIATE");
    sqlite3_stmt *find = bare.prepare("SELECT rowid FROM Items WHERE item_no = ?1 ORDER BY rowid LIMIT 1");
    sqlite3_stmt *insert =
        bare.prepare("INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                     "max_quantity, Status, date_updated) VALUES (?1, 'Notebook', 'Spiral, A5', 40, 30, 40, '75%', "
                     "'2026-03-10')");
    sqlite3_stmt *commit = bare.prepare("COMMIT");
    Answering answers;
    frmadd window;
    window.show();

    int next = f.n;
    Clocks windowTotal, bareTotal;
    for (auto _ : state) {
        Clocks w;
        for (int i = 0; i < kBlock; ++i) {
            // Typing is the clerk's time; the press of Add is the program's.
            window.txtitemno->setText(QString::fromUtf8(itemNo(++next)));
            window.txtname->setText(QStringLiteral("Notebook"));
            window.txtoqua->setText(QStringLiteral("40"));
            window.txtrqua->setText(QStringLiteral("30"));
            window.txtdesc->setPlainText(QStringLiteral("Spiral, A5"));
            const Clocks t0 = Clocks::now();
            window.cmdadd->click();
            w += Clocks::now() - t0;
            if (answers.last != QLatin1String("Item Added")) {
                state.SkipWithError(qPrintable(answers.last));
                return;
            }
        }
        const Clocks b0 = Clocks::now();
        for (int i = 0; i < kBlock; ++i) {
            const QByteArray no = itemNo(++next);
            step(bare.db, begin);
            sqlite3_bind_text(find, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
            if (sqlite3_step(find) != SQLITE_DONE) // no such number yet
                qFatal("duplicate in the bare run");
            sqlite3_reset(find);
            sqlite3_bind_text(insert, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
            step(bare.db, insert);
            step(bare.db, commit);
        }
        const Clocks b = Clocks::now() - b0;
        f.trim(bare);
        windowTotal += w;
        bareTotal += b;
        state.SetIterationTime(w.wall / kBlock);
    }
    report(state, windowTotal, bareTotal);
    for (sqlite3_stmt *stmt : {begin, find, insert, commit})
        sqlite3_finalize(stmt);
    Module1::reset();
}

// One keystroke's look-up against the bare SELECT. withBoxes: the edit
// window's handler, boxes filled; otherwise only its storage part (the
// look-up and the four fields read as text), to show where the time goes.
void lookup(benchmark::State &state, bool withBoxes)
{
    auto &f = fixture(int(state.range(0)));
    startRun(f.path);
    SqliteDb bare(f.path);
    sqlite3_stmt *find = bare.prepare("SELECT item_name, original_quantity, remaining_quantity, Description FROM "
                                      "Items WHERE item_no = ?1 ORDER BY rowid LIMIT 1");
    Answering answers;
    frmedit window;
    window.show();

    // Each keystroke changes the text: the last item and the one before it
    // in turns, both found, differing in every field shown.
    const QString numbers[2] = {QString::fromUtf8(itemNo(f.n)), QString::fromUtf8(itemNo(f.n - 1))};
    const QString fields[4] = {QStringLiteral("item_name"), QStringLiteral("original_quantity"),
                               QStringLiteral("remaining_quantity"), QStringLiteral("Description")};
    Clocks windowTotal, bareTotal;
    int turn = 0;
    QString seen[4];
    for (auto _ : state) {
        Clocks w;
        for (int i = 0; i < kBlock; ++i) {
            const QString &typed = numbers[++turn & 1];
            if (withBoxes) {
                // The typed character reaches the box (the clerk's time),
                // then the box's change handler runs (the program's).
                const QSignalBlocker typing(window.txtitemno);
                window.txtitemno->setText(typed);
            }
            const Clocks t0 = Clocks::now();
            if (withBoxes) {
                window.txtitemno_Change();
            } else if (findByItemNo(ItemTable::Items, typed) == ItemNoMatch::Found) {
                for (int c = 0; c < 4; ++c)
                    seen[c] = Module1::rsItems->text(fields[c]);
            }
            w += Clocks::now() - t0;
        }
        const Clocks b0 = Clocks::now();
        for (int i = 0; i < kBlock; ++i) {
            const QByteArray no = numbers[++turn & 1].toUtf8();
            sqlite3_bind_text(find, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
            if (sqlite3_step(find) != SQLITE_ROW)
                qFatal("the bare look-up found nothing");
            for (int c = 0; c < 4; ++c)
                seen[c] = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(find, c)));
            sqlite3_reset(find);
        }
        const Clocks b = Clocks::now() - b0;
        if ((withBoxes && window.txtname->text().isEmpty()) || !answers.last.isEmpty()) {
            state.SkipWithError(answers.last.isEmpty() ? "the look-up found nothing" : qPrintable(answers.last));
            return;
        }
        windowTotal += w;
        bareTotal += b;
        state.SetIterationTime(w.wall / kBlock);
    }
    report(state, windowTotal, bareTotal);
    sqlite3_finalize(find);
    Module1::reset();
}

void BM_Lookup(benchmark::State &state)
{
    lookup(state, true);
}

void BM_LookupData(benchmark::State &state)
{
    lookup(state, false);
}

} // namespace

BENCHMARK(BM_Add)->Apply(bySize<benchmark::kMicrosecond>);
BENCHMARK(BM_Lookup)->Apply(bySize<benchmark::kMicrosecond>);
BENCHMARK(BM_LookupData)->Apply(bySize<benchmark::kMicrosecond>);

int main(int argc, char **argv)
{
    offscreenUnlessSet();
    return runBenchmarks<QApplication>(
        argc, argv,
        [](MedianReporter &reporter) {
            std::printf("\nMedians of 5 runs, per action:\n");
            std::printf("%-8s %8s %12s %10s %7s %12s %10s %10s\n", "action", "items", "window (us)", "bare (us)",
                        "ratio", "window cpu", "bare cpu", "cpu ratio");
            for (const auto &[name, sizes] : reporter.bySize)
                for (const auto &[n, run] : sizes)
                    std::printf("%-8s %8lld %12.1f %10.1f %7.2f %12.1f %10.1f %10.2f\n", name.substr(3).c_str(),
                                static_cast<long long>(n), run.GetAdjustedRealTime(), counter(run, "bare_us"),
                                counter(run, "ratio"), counter(run, "window_cpu_us"), counter(run, "bare_cpu_us"),
                                counter(run, "cpu_ratio"));
        },
        [] {
            SqliteDb bare(fixture(int(kSizes.front())).path);
            std::printf("%s (the engine's defaults, on both sides)\n", qPrintable(bare.settings()));
        });
}
