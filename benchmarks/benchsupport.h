#pragma once
// What the window benchmarks share: a records database of a given size made
// with the program's own schema, a bare SQLite handle on it, clocks, the
// process's memory, and a reporter that keeps the medians.

#include "data/schema.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>

namespace bench {

struct SqliteDb {
    sqlite3 *db = nullptr;
    explicit SqliteDb(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
        sqlite3_key(db, inv::RecordsPassword, int(std::strlen(inv::RecordsPassword)));
    }
    ~SqliteDb() { sqlite3_close(db); }
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
};

inline void step(sqlite3 *db, sqlite3_stmt *stmt)
{
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qFatal("step failed: %s", sqlite3_errmsg(db));
    sqlite3_reset(stmt);
}

// Item names as a store room has them: words in mixed case (a few with
// accents), not in alphabetical order, each made unique by a number.
inline QString itemName(int i)
{
    static const char *const words[] = {"toner", "Bond paper", "STAPLES", "ballpen", "Folder", "Ärmel tape",
                                        "élastique", "Marker", "glue stick", "Envelope", "clip", "Ruler"};
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

// n items, and tallyRows tally rows (the last items'), all made with the
// program's own schema. The clicked item is the last row of Items, and its
// tally row the last row of Itemsout.
struct Fixture {
    static constexpr int kStartRemaining = 30000;
    QTemporaryDir dir{benchFolder() + QStringLiteral("/bench-XXXXXX")};
    QString path;
    QString target;
    qint64 itemKey = 0;
    qint64 tallyKey = 0;

    Fixture(int n, int tallyRows)
    {
        path = QDir(dir.path()).filePath(QStringLiteral("Records.mdb"));
        if (auto error = inv::CreateRecordsDatabase(path, {}))
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
            const QByteArray name = itemName(i).toUtf8();
            sqlite3_bind_text(item, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(item, 2, name.constData(), name.size(), SQLITE_TRANSIENT);
            sqlite3_bind_int(item, 3, kStartRemaining);
            step(db.db, item);
            itemKey = sqlite3_last_insert_rowid(db.db);
            if (i > n - tallyRows) {
                sqlite3_bind_text(tally, 1, no.constData(), no.size(), SQLITE_TRANSIENT);
                sqlite3_bind_text(tally, 2, name.constData(), name.size(), SQLITE_TRANSIENT);
                step(db.db, tally);
                tallyKey = sqlite3_last_insert_rowid(db.db);
            }
            target = QString::fromUtf8(name);
        }
        sqlite3_finalize(item);
        sqlite3_finalize(tally);
        db.exec("COMMIT");
    }
};

inline double wallSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

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

// Keeps the medians by benchmark name so that a short table can follow.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Run> medians;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred)
                medians[run.run_name.str()] = run;
        ConsoleReporter::ReportRuns(runs);
    }

    static double counter(const Run &run, const char *name)
    {
        auto it = run.counters.find(name);
        return it == run.counters.end() ? 0.0 : double(it->second);
    }
};

} // namespace bench
