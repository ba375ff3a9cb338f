// The stock-out desk as the clerk waits for it, on the real main window:
//
// - Click: a mouse click on the entry of the item list, through the list's
//   own click path, and the events it leaves (layout, repaint) processed,
//   until the tally list shows the new line. Against it, the bare SQLite
//   update of the same two rows on the same file, in the same run, in
//   alternating blocks. With 1 tally row and with as many tally rows as
//   items. The bare update comes from another handle, which the window sees
//   as another program writing to the file; so after each bare block one
//   untimed click lets the window catch up, and the timed clicks are those of
//   a clerk alone with the file.
// - Scan: the last item's number typed into the item-number box and Enter,
//   through the box's own key path, and the events that follow, against a
//   click on the same item as above, in alternating blocks of the same run.
// - Load and Show Transaction: filling the item list (with one tally row),
//   against a bare read of the names column and a case-insensitive sort of it.
//
// Then two checks, not timed: every entry of both lists is exposed to
// assistive technology with its text, and the idle window does not wake up.

#include "benchsupport.h"

#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"

#include <QAccessible>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace inv;
using namespace bench;

namespace {

Fixture &fixture(int n, int tallyRows)
{
    return cached<Fixture>(n, tallyRows);
}

// The bare fill: the names column read, then sorted ignoring case.
class BareNames {
public:
    explicit BareNames(Fixture &f) : m_db(f.path)
    {
        m_read = m_db.prepare("SELECT item_name FROM Items ORDER BY rowid");
    }
    ~BareNames() { sqlite3_finalize(m_read); }
    qsizetype run()
    {
        QStringList names;
        while (sqlite3_step(m_read) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_read, 0)),
                                       sqlite3_column_bytes(m_read, 0));
        sqlite3_reset(m_read);
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
        return names.size();
    }

private:
    SqliteDb m_db;
    sqlite3_stmt *m_read;
};

// The main window as after a log-in on the fixture's file.
std::unique_ptr<frmmain> openMain(Fixture &f)
{
    startRun(f.path);
    Module1::OpenMisc();
    auto main = std::make_unique<frmmain>();
    if (!main->Form_Load())
        qFatal("the main window did not load");
    main->show();
    QCoreApplication::processEvents();
    return main;
}

constexpr int kBlock = 8;

void BM_Click(benchmark::State &state)
{
    const int n = int(state.range(0));
    Fixture &f = fixture(n, state.range(1) ? n : 1);
    auto main = openMain(f);
    main->cmdtrans_Click(); // show the lists
    settleEvents();
    const QList<QListWidgetItem *> found = main->lstitem->findItems(f.target, Qt::MatchExactly);
    if (found.isEmpty()) {
        state.SkipWithError("the clicked item is not listed");
        return;
    }
    QListWidgetItem *entry = found.first();
    main->lstitem->scrollToItem(entry);
    settleEvents();
    BareUpdate bare(f);

    double clickWall = 0, bareWall = 0;
    for (auto _ : state) {
        clickEntry(main->lstitem, entry); // untimed: catches up with the bare block's writes
        const double w0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            clickEntry(main->lstitem, entry);
        const double w1 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            bare.run();
        const double w2 = wallSeconds();
        clickWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime((w1 - w0) / kBlock);
    }
    // The clicks did reach the tally list.
    const int lines = main->lstremove->count();
    if (lines != (state.range(1) ? n : 1) || main->lstremove->findItems(f.target, Qt::MatchStartsWith).isEmpty())
        state.SkipWithError("the tally list does not show the clicks");
    const double clicks = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareWall / clicks * 1e6;
    state.counters["ratio"] = clickWall / bareWall;
    main.reset();
    Module1::reset();
}

// One scan: the number typed into the box, then Enter, as a scanner sends it.
void scan(frmmain &main, const QString &number)
{
    QTest::keyClicks(main.txtscan, number);
    QTest::keyClick(main.txtscan, Qt::Key_Return);
    settleEvents();
}

void BM_Scan(benchmark::State &state)
{
    const int n = int(state.range(0));
    Fixture &f = fixture(n, 1);
    const QString number = QString::fromUtf8(itemNo(n));
    const QByteArray refill = QStringLiteral("UPDATE Items SET remaining_quantity = %1 WHERE item_no = '%2'")
                                  .arg(Fixture::kStartRemaining)
                                  .arg(number)
                                  .toUtf8();
    SqliteDb(f.path).exec(refill.constData()); // whatever the clicks before left
    auto main = openMain(f);
    QListWidgetItem *entry = deskEntryShown(*main, f.target);
    if (!entry) {
        state.SkipWithError("the clicked item is not listed");
        return;
    }
    qint64 units = 0;
    double scanWall = 0, clickWall = 0;
    for (auto _ : state) {
        const double w0 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            clickEntry(main->lstitem, entry);
        const double w1 = wallSeconds();
        main->txtscan->setFocus(); // untimed: the clerk picks up the scanner
        settleEvents();
        const double w2 = wallSeconds();
        for (int i = 0; i < kBlock; ++i)
            scan(*main, number);
        const double w3 = wallSeconds();
        clickWall += w1 - w0;
        scanWall += w3 - w2;
        units += 2 * kBlock;
        state.SetIterationTime((w3 - w2) / kBlock);
    }
    // Every click and every scan took its unit (the item starts with plenty).
    main.reset();
    Module1::reset();
    SqliteDb check(f.path);
    const QString left = check.pragma(
        QStringLiteral("SELECT remaining_quantity FROM Items WHERE item_no = '%1'").arg(number).toUtf8().constData());
    check.exec(refill.constData());
    if (left.toLongLong() != Fixture::kStartRemaining - units)
        state.SkipWithError("a scan or a click did not take its unit");
    const double scans = double(state.iterations()) * kBlock;
    state.counters["click_us"] = clickWall / scans * 1e6;
    state.counters["ratio"] = scanWall / clickWall;
}

// Filling the item list, at the window's load or at Show Transaction.
template <bool kShowTransaction>
void BM_Fill(benchmark::State &state)
{
    const int n = int(state.range(0));
    Fixture &f = fixture(n, 1);
    BareNames bare(f);
    std::unique_ptr<frmmain> main = kShowTransaction ? openMain(f) : nullptr;
    double fillWall = 0, bareWall = 0;
    for (auto _ : state) {
        std::unique_ptr<frmmain> loaded;
        if (!kShowTransaction) {
            Module1::reset();
            Module1::dbPath = f.path;
            Module1::OpenRecordsConnection();
            Module1::OpenMisc();
            loaded = std::make_unique<frmmain>();
        }
        const double w0 = wallSeconds();
        if (kShowTransaction) {
            main->cmdtrans_Click(); // shows, then hides, the lists: each press fills them
            settleEvents();
        } else if (!loaded->Form_Load()) {
            state.SkipWithError("the main window did not load");
            return;
        }
        const double w1 = wallSeconds();
        if (bare.run() != n) {
            state.SkipWithError("the bare read missed rows");
            return;
        }
        const double w2 = wallSeconds();
        if ((kShowTransaction ? main : loaded)->lstitem->count() != n) {
            state.SkipWithError("the item list is not full");
            return;
        }
        fillWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime(w1 - w0);
        loaded.reset();
    }
    state.counters["bare_us"] = bareWall / double(state.iterations()) * 1e6;
    state.counters["ratio"] = fillWall / bareWall;
    main.reset();
    Module1::reset();
}

void BM_Load(benchmark::State &state)
{
    BM_Fill<false>(state);
}

void BM_ShowTransaction(benchmark::State &state)
{
    BM_Fill<true>(state);
}

// Every entry of a list, as assistive technology reads it.
int accessibleEntries(QListWidget *list)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(list);
    if (!iface)
        return 0;
    int withText = 0;
    for (int i = 0; i < list->count(); ++i) {
        QAccessibleInterface *child = nullptr;
        if (QAccessibleTableInterface *table = iface->tableInterface())
            child = table->cellAt(i, 0);
        if (!child)
            child = iface->child(i);
        if (child && child->text(QAccessible::Name) == list->item(i)->text())
            ++withText;
    }
    return withText;
}

void checks(int n)
{
    Fixture &f = fixture(n, n);
    auto main = openMain(f);
    main->cmdtrans_Click();
    settleEvents();
    QListWidgetItem *entry = main->lstitem->findItems(f.target, Qt::MatchExactly).value(0);
    clickEntry(main->lstitem, entry);
    clickEntry(main->lstitem, entry);
    std::printf("Accessibility (bridge %s): item list %d of %d entries with their text, tally list %d of %d\n",
                QAccessible::isActive() ? "on" : "off", accessibleEntries(main->lstitem), int(main->lstitem->count()),
                accessibleEntries(main->lstremove), int(main->lstremove->count()));

    // Idle: the event loop alone for 3 s (BENCH_IDLE_SECONDS, to look at
    // the window from outside meanwhile); the timer that ends it is 1 wake-up.
    const int seconds =
        qEnvironmentVariableIsSet("BENCH_IDLE_SECONDS") ? qEnvironmentVariableIntValue("BENCH_IDLE_SECONDS") : 3;
    std::printf("Idle for %d s from now\n", seconds);
    std::fflush(stdout);
    // What the window system still has to say about the new window comes
    // first; idle is what follows.
    {
        QEventLoop settling;
        QTimer::singleShot(500, &settling, &QEventLoop::quit);
        settling.exec();
    }
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const long before = wakeUps();
    loop.exec();
    std::printf("Idle main window with the lists shown, %d items: %ld wake-ups in %d s (1 is the timer that "
                "ends the wait)\n",
                n, wakeUps() - before, seconds);
    main.reset();
    Module1::reset();
}

} // namespace

BENCHMARK(BM_Click)
    ->ArgNames({"items", "fulltally"})
    ->ArgsProduct({kSizes, {0, 1}})
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_Scan)
    ->ArgName("items")
    ->ArgsProduct({kSizes})
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_Load)->Apply(bySize<benchmark::kMillisecond>);
BENCHMARK(BM_ShowTransaction)->Apply(bySize<benchmark::kMillisecond>);

int main(int argc, char **argv)
{
    offscreenUnlessSet(true);
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs (wall time; the bare side in the same run):\n");
        std::printf("%-40s %12s %12s %7s\n", "benchmark", "window (us)", "bare (us)", "ratio");
        for (const auto &[name, run] : reporter.medians) {
            const double us = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1000.0 : 1.0);
            // A scan's other side is a click, not a bare update.
            const bool scan = name.rfind("BM_Scan", 0) == 0;
            std::printf("%-40s %12.1f %12.1f %7.2f%s\n", name.c_str(), us,
                        MedianReporter::counter(run, scan ? "click_us" : "bare_us"),
                        MedianReporter::counter(run, "ratio"), scan ? "  (scan against a click)" : "");
        }
        std::printf("\n");
        checks(100000);
    });
}
