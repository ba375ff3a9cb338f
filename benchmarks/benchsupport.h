#pragma once
// What the benchmarks share: a records database of a given size made with
// the program's own schema, a bare SQLite handle on it (opened and keyed by
// the data library's KeyedFile), clocks, the process's memory, a reporter
// that keeps the medians, and the run itself.

#include "admin/provisioning.h"
#include "data/engines/file/keyedfile.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#ifdef QT_TESTLIB_LIB
#include <QListWidget>
#include <QTest>
#endif

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace bench {

// The runs of every benchmark here: timed by hand (the handler as the window
// runs it, not the loop around it), five runs reported by their aggregates.
template <benchmark::TimeUnit unit>
void fiveTimedRuns(benchmark::internal::Benchmark *b)
{
    b->UseManualTime()->Unit(unit)->Repetitions(5)->ReportAggregatesOnly(true);
}

// A bare handle on a records database file, opened and keyed as the data
// library's KeyedFile does it; any failure ends the run.
struct SqliteDb {
    std::unique_ptr<inv::KeyedFile> file;
    sqlite3 *db = nullptr;
    explicit SqliteDb(const QString &path)
    {
        try {
            file = std::make_unique<inv::KeyedFile>(path, inv::KeyedFile::Mode::ReadWrite);
        } catch (const inv::RecordsError &) {
            qFatal("cannot open %s", qPrintable(path));
        }
        db = file->db();
    }
    SqliteDb(const SqliteDb &) = delete;
    SqliteDb &operator=(const SqliteDb &) = delete;
    void exec(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            qFatal("%s: %s", sql, error ? error : "?");
    }
    sqlite3_stmt *prepare(const char *sql)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            qFatal("%s: %s", sql, sqlite3_errmsg(db));
        return stmt;
    }
    // The first column of the first row, as text (a pragma's value).
    QString pragma(const char *sql)
    {
        sqlite3_stmt *stmt = prepare(sql);
        QString value;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return value;
    }
    // "journal_mode=… synchronous=…", as both sides run.
    QString settings()
    {
        return QStringLiteral("journal_mode=%1 synchronous=%2")
            .arg(pragma("PRAGMA journal_mode"), pragma("PRAGMA synchronous"));
    }
};

// Steps a statement that returns no row, then resets it.
inline void step(sqlite3 *db, sqlite3_stmt *stmt)
{
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("step failed: %s", sqlite3_errmsg(db));
    sqlite3_reset(stmt);
}

// Steps a statement to its first row, left there to be read.
inline void stepRow(sqlite3 *db, sqlite3_stmt *stmt)
{
    if (sqlite3_step(stmt) != SQLITE_ROW)
        qFatal("step found no row: %s", sqlite3_errmsg(db));
}

inline void bindText(sqlite3_stmt *stmt, int index, const QByteArray &text)
{
    sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// The item number of the i-th row: N-0000001 and on.
inline QByteArray itemNo(int i)
{
    return QStringLiteral("N-%1").arg(i, 7, 10, QLatin1Char('0')).toUtf8();
}

// A plain item name: Item 0000001 and on, in table order.
inline QString plainName(int i)
{
    return QStringLiteral("Item %1").arg(i, 7, 10, QLatin1Char('0'));
}

// Item names as a store room has them: words in mixed case (a few with
// accents), not in alphabetical order, each made unique by a number.
inline QString itemName(int i)
{
    static const char *const words[] = {"toner",     "Bond paper", "STAPLES",    "ballpen",  "Folder", "Ärmel tape",
                                        "élastique", "Marker",     "glue stick", "Envelope", "clip",   "Ruler"};
    quint32 x = quint32(i) * 2654435761u;
    x ^= x >> 13;
    const QString word = QString::fromUtf8(words[x % (sizeof words / sizeof *words)]);
    return word + QStringLiteral(" %1").arg((x >> 4) % 100000) + QStringLiteral("-%1").arg(i);
}

// The folder the files are made in: BENCH_DIR when set (a RAM disk takes
// the disk out of the figures), else the system's temporary folder.
inline QString benchFolder()
{
    const QString dir = qEnvironmentVariable("BENCH_DIR");
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

// An empty records database made with the program's own schema, in a
// folder of its own that goes with it.
struct RecordsFile {
    QTemporaryDir dir{benchFolder() + QStringLiteral("/bench-XXXXXX")};
    QString path;

    RecordsFile()
    {
        path = QDir(dir.path()).filePath(QStringLiteral("Records.mdb"));
        if (auto error = inv::createRecordsDatabase(path, {}))
            qFatal("%s", qPrintable(*error));
    }
};

// Fills a database in one transaction: the statements are prepared, then
// row(i, statements) binds and steps them for i = 1 .. n.
inline void insertRows(const QString &path, int n, std::initializer_list<const char *> sql,
                       const std::function<void(int, sqlite3 *, const std::vector<sqlite3_stmt *> &)> &row)
{
    SqliteDb db(path);
    db.exec("BEGIN");
    std::vector<sqlite3_stmt *> stmts;
    for (const char *text : sql)
        stmts.push_back(db.prepare(text));
    for (int i = 1; i <= n; ++i)
        row(i, db.db, stmts);
    for (sqlite3_stmt *stmt : stmts)
        sqlite3_finalize(stmt);
    db.exec("COMMIT");
}

// One fixture per key (a size, or a size and more), made at first use and
// kept for the rest of the run.
template <typename F, typename... Key>
F &cached(Key... key)
{
    static std::map<std::tuple<Key...>, std::unique_ptr<F>> made;
    auto &f = made[std::tuple<Key...>(key...)];
    if (!f)
        f = std::make_unique<F>(key...);
    return *f;
}

// n items, and tallyRows tally rows (the last items'), all made with the
// program's own schema. The clicked item is the last row of Items, and its
// tally row the last row of Itemsout.
struct Fixture : RecordsFile {
    static constexpr int kStartRemaining = 30000;
    QString target;
    qint64 itemKey = 0;
    qint64 tallyKey = 0;

    Fixture(int n, int tallyRows, QString (*name)(int) = itemName)
    {
        insertRows(path, n,
                   {"INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, "
                    "Status, max_quantity, date_updated, tempdate) VALUES (?1, ?2, 'A stock item', 32767, ?3, "
                    "'92%', 32767, '2026-01-15', '2026-01-15')",
                    "INSERT INTO Itemsout (item_no, item_name, Description, quantity) VALUES (?1, ?2, "
                    "'A stock item', 1)"},
                   [&](int i, sqlite3 *db, const std::vector<sqlite3_stmt *> &s) {
                       const QByteArray no = itemNo(i);
                       const QByteArray text = name(i).toUtf8();
                       bindText(s[0], 1, no);
                       bindText(s[0], 2, text);
                       sqlite3_bind_int(s[0], 3, kStartRemaining);
                       step(db, s[0]);
                       itemKey = sqlite3_last_insert_rowid(db);
                       if (i > n - tallyRows) {
                           bindText(s[1], 1, no);
                           bindText(s[1], 2, text);
                           step(db, s[1]);
                           tallyKey = sqlite3_last_insert_rowid(db);
                       }
                       target = QString::fromUtf8(text);
                   });
    }
};

// The bare click on the desk: the same two rows, keys known beforehand, no
// lookup. It also gives the item its stock back, so that the clicks never
// run out.
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
    SqliteDb &db() { return m_db; }
    void run()
    {
        step(m_db.db, m_begin);
        sqlite3_bind_int(m_item, 1, Fixture::kStartRemaining);
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

// Sets the program's records file and opens its connection, as the main
// window's load leaves it.
inline void startRun(const QString &path)
{
    inv::Module1::reset();
    inv::Module1::dbPath = path;
    inv::Module1::OpenRecordsConnection();
}

inline double wallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Processor time of the calling thread.
inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Wall time and this thread's processor time, in seconds.
struct Clocks {
    double wall = 0, cpu = 0;
    static Clocks now() { return {wallSeconds(), cpuSeconds()}; }
    Clocks operator-(const Clocks &o) const { return {wall - o.wall, cpu - o.cpu}; }
    Clocks &operator+=(const Clocks &o)
    {
        wall += o.wall;
        cpu += o.cpu;
        return *this;
    }
};

// A line of /proc/self/status (VmRSS, VmHWM), in kB.
inline long statusKb(const char *key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return 0;
}

// Wake-ups of the calling thread so far (voluntary context switches).
inline long wakeUps()
{
    std::ifstream in("/proc/thread-self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stol(line.substr(24));
    return 0;
}

// What an action leaves to the event loop is part of it: a round of the loop
// can post more (a list's delayed layout asks for a repaint), so a second
// round handles that, and nothing of one action falls into the next.
inline void settleEvents()
{
    for (int round = 0; round < 2; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

#ifdef QT_TESTLIB_LIB
// One click on a list's entry, as the mouse gives it, and what it leaves.
inline void clickEntry(QListWidget *list, QListWidgetItem *entry)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(entry).center());
    settleEvents();
}

// The entry of a list that is exactly text, scrolled into view; nullptr
// when the list has none.
inline QListWidgetItem *entryShown(QListWidget *list, const QString &text)
{
    QListWidgetItem *entry = list->findItems(text, Qt::MatchExactly).value(0);
    if (entry) {
        list->scrollToItem(entry);
        settleEvents();
    }
    return entry;
}

// The main window's lists shown (its Show Transaction), and the entry of the
// item list that is exactly text, scrolled into view; nullptr when none.
template <typename MainWindow>
QListWidgetItem *deskEntryShown(MainWindow &main, const QString &text)
{
    main.cmdtrans_Click();
    settleEvents();
    return entryShown(main.lstitem, text);
}
#endif

// Keeps the medians so that a short table can follow: by the whole
// benchmark name, and by the function's name then the first argument (the
// size), as in BM_Load/items:1000.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Run> medians;
    std::map<std::string, std::map<int64_t, Run>> bySize;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred)
                continue;
            medians[run.run_name.str()] = run;
            const std::string name = run.benchmark_name();
            const auto slash = name.find('/');
            const auto colon = name.find(':', slash);
            if (slash != std::string::npos && colon != std::string::npos)
                bySize[name.substr(0, slash)][std::stoll(name.substr(colon + 1))] = run;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    static double counter(const Run &run, const char *name)
    {
        auto it = run.counters.find(name);
        return it == run.counters.end() ? 0.0 : double(it->second);
    }
};

// The sizes the benchmarks run at, in items (or rows).
inline const std::vector<int64_t> kSizes = {1000, 10000, 100000};

// A benchmark run at every size, timed by hand (the window's side), five
// repetitions of which only the aggregates are reported:
// BENCHMARK(BM_X)->Apply(bySize<benchmark::kMicrosecond>).
template <benchmark::TimeUnit Unit, bool Rows = false>
void bySize(benchmark::internal::Benchmark *b)
{
    b->ArgName(Rows ? "rows" : "items")
        ->ArgsProduct({kSizes})
        ->UseManualTime()
        ->Unit(Unit)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

inline double counter(const benchmark::BenchmarkReporter::Run &run, const char *name)
{
    return MedianReporter::counter(run, name);
}

// Runs the benchmarks named on the command line under an application object
// of the given kind; before() runs first, after() gets the medians.
template <typename App>
int runBenchmarks(int argc, char **argv, const std::function<void(MedianReporter &)> &after,
                  const std::function<void()> &before = {})
{
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (before)
        before();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    after(reporter);
    benchmark::Shutdown();
    return 0;
}

// Windows are made but need no screen: the offscreen platform unless one
// is named (or, withDisplay, a display is there).
inline void offscreenUnlessSet(bool withDisplay = false)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && (!withDisplay || qEnvironmentVariableIsEmpty("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
