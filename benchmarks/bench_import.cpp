// inventory-admin import as the admin waits for it: a CSV stock list of n
// rows read, every row checked (the Add window's rules, the duplicate check
// against the file and the database) and written in one transaction through
// the records layer, into an empty records database. Against it, on another
// empty database of the same schema, the bare insert of the same rows
// (values already in memory, one prepared statement) in one transaction.

#include "benchsupport.h"

#include "admin/itemimport.h"
#include "data/core/clock.h"
#include "data/stock/status.h"

#include <QCoreApplication>

#include <cstdio>

using namespace inv;
using namespace bench;

namespace {

struct Row {
    QByteArray no, name, description, status;
    int original, remaining;
};

// The rows as a spreadsheet would hold them, and the CSV text of them.
struct StockList {
    std::vector<Row> rows;
    QByteArray csv;

    explicit StockList(int n)
    {
        csv = "item_no,item_name,Description,original_quantity,remaining_quantity\r\n";
        rows.reserve(size_t(n));
        for (int i = 1; i <= n; ++i) {
            Row row{itemNo(i), itemName(i).toUtf8(), "A stock item, \"boxed\"", {}, 100 + i % 900, i % 700};
            row.status = WholeStatusText(qint16(row.remaining), qint16(row.original))->toUtf8();
            csv += row.no + ',' + row.name + ",\"A stock item, \"\"boxed\"\"\"," + QByteArray::number(row.original)
                   + ',' + QByteArray::number(row.remaining) + "\r\n";
            rows.push_back(std::move(row));
        }
    }
};

StockList &stockList(int n)
{
    return cached<StockList>(n);
}

// The bare side: the same rows, the same values, one statement.
void bareInsert(const QString &path, const StockList &list)
{
    SqliteDb db(path);
    const QByteArray today = Clock::today().toString(Qt::ISODate).toUtf8();
    sqlite3_stmt *insert =
        db.prepare("INSERT INTO Items (item_no, item_name, Description, original_quantity, remaining_quantity, Status, "
                   "max_quantity, date_updated) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?4, ?7)");
    db.exec("BEGIN IMMEDIATE");
    for (const Row &row : list.rows) {
        bindText(insert, 1, row.no);
        bindText(insert, 2, row.name);
        bindText(insert, 3, row.description);
        sqlite3_bind_int(insert, 4, row.original);
        sqlite3_bind_int(insert, 5, row.remaining);
        bindText(insert, 6, row.status);
        bindText(insert, 7, today);
        step(db.db, insert);
    }
    db.exec("COMMIT");
    sqlite3_finalize(insert);
}

qint64 itemCount(const QString &path)
{
    return SqliteDb(path).pragma("SELECT count(*) FROM Items").toLongLong();
}

void BM_Import(benchmark::State &state)
{
    const int n = int(state.range(0));
    const StockList &list = stockList(n);
    double importWall = 0, bareWall = 0;
    for (auto _ : state) {
        // Fresh files each time, made untimed; the first open's quick check
        // of an empty file is part of the command.
        RecordsFile imported, bare;
        const double w0 = wallSeconds();
        const AdminReport report = ItemImport::importCsv(imported.path, list.csv, false);
        const double w1 = wallSeconds();
        bareInsert(bare.path, list);
        const double w2 = wallSeconds();
        if (!report.ok() || itemCount(imported.path) != n || itemCount(bare.path) != n) {
            state.SkipWithError(qPrintable(report.problems.value(0, QStringLiteral("rows are missing"))));
            return;
        }
        importWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime(w1 - w0);
    }
    state.counters["bare_ms"] = bareWall / double(state.iterations()) * 1e3;
    state.counters["ratio"] = importWall / bareWall;
}

} // namespace

BENCHMARK(BM_Import)
    ->ArgName("rows")
    ->ArgsProduct({{10000, 100000}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs (wall time; the bare insert in the same run):\n");
        std::printf("%-40s %12s %12s %7s\n", "benchmark", "import (ms)", "bare (ms)", "ratio");
        for (const auto &[name, run] : reporter.medians)
            std::printf("%-40s %12.1f %12.1f %7.2f\n", name.c_str(), run.GetAdjustedRealTime(),
                        MedianReporter::counter(run, "bare_ms"), MedianReporter::counter(run, "ratio"));
        std::printf("\n");
    });
}
