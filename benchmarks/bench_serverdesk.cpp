// The stock-out desk on a server database, as the clerk waits for it, on the
// real main window (a server of its own on a unix socket, started and
// stopped by tests/pgserver.sh, or the one whose socket folder
// BENCH_PGHOST names):
//
// - Click: a mouse click on the entry of the item list and the events it
//   leaves, until the tally list shows the new line; against the bare libpq
//   statements that make the same two row changes in one transaction (keys
//   known, no look-up, prepared once), in the same run, in alternating
//   blocks. The bare side is another connection, which the window is told
//   of; one untimed click and the window's catching up follow each bare
//   block, so the timed clicks are those of a clerk alone with the database.
// - Follow: another clerk's click (the bare statements of the click, from
//   their own connection), and the whole follow-up the window then runs
//   (the lists read again and updated, the events they leave), timed from
//   the moment the server's word of it has come in; against the bare libpq
//   read of the item names that a list of every name needs, in the same run.
// - Load: the main window's log-in load to the item list filled, against a
//   bare libpq read of the names and a case-insensitive sort of them.

#include "benchsupport.h"

#include "admin/provisioning.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTest>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <poll.h>

using namespace inv;
using namespace bench;

namespace {

constexpr int kStartRemaining = 30000;

struct Server {
    QTemporaryDir dir;
    QString host;
    bool own = false;
    Server()
    {
        host = qEnvironmentVariable("BENCH_PGHOST");
        if (!host.isEmpty())
            return;
        own = true;
        run("start");
        QFile file(dir.filePath(QStringLiteral("host")));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the benchmark's server did not start");
        host = QString::fromLocal8Bit(file.readAll()).trimmed();
    }
    ~Server()
    {
        if (own)
            run("stop");
    }
    void run(const char *action)
    {
        if (QProcess::execute(QStringLiteral("bash"),
                              {QStringLiteral(PGSERVER_SCRIPT), QString::fromLatin1(action), dir.path()})
            != 0)
            qFatal("tests/pgserver.sh %s failed", action);
    }
    QString location(const QString &database) const
    {
        return QStringLiteral("postgresql:///%1?host=%2").arg(database, host);
    }
};

Server &server()
{
    static Server s;
    return s;
}

struct Pg {
    PGconn *conn;
    explicit Pg(const QString &location) : conn(PQconnectdb(location.toUtf8().constData()))
    {
        if (PQstatus(conn) != CONNECTION_OK)
            qFatal("%s", PQerrorMessage(conn));
    }
    ~Pg() { PQfinish(conn); }
    void exec(const QString &sql)
    {
        PGresult *r = PQexec(conn, sql.toUtf8().constData());
        const ExecStatusType s = PQresultStatus(r);
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
            qFatal("%s: %s", qPrintable(sql), PQerrorMessage(conn));
        PQclear(r);
    }
};

// n items, and one tally row: the last item's, which is clicked.
struct ServerFixture {
    QString location;
    QString target;
    qint64 itemKey = 0, tallyKey = 0;
    explicit ServerFixture(int n)
    {
        const QString name = QStringLiteral("bench_%1").arg(n);
        {
            Pg admin(server().location(QStringLiteral("postgres")));
            admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
            admin.exec(QStringLiteral("CREATE DATABASE %1").arg(name));
        }
        location = server().location(name);
        if (auto error = createServerRecords(location, {}))
            qFatal("%s", qPrintable(*error));
        Pg db(location);
        db.exec(QStringLiteral("INSERT INTO \"Items\" (item_no, item_name, \"Description\", original_quantity, "
                               "remaining_quantity, \"Status\", max_quantity, date_updated, tempdate) "
                               "SELECT 'N-' || i, 'Item ' || lpad(i::text, 6, '0'), 'A stock item', 32767, %1, "
                               "'92%', 32767, '2026-01-15', '2026-01-15' FROM generate_series(1, %2) i")
                    .arg(kStartRemaining)
                    .arg(n));
        target = QStringLiteral("Item %1").arg(n, 6, 10, QLatin1Char('0'));
        db.exec(QStringLiteral("INSERT INTO \"Itemsout\" (item_no, item_name, \"Description\", quantity) "
                               "VALUES ('N-%1', '%2', 'A stock item', 1)")
                    .arg(n)
                    .arg(target));
        db.exec(QStringLiteral("ANALYZE"));
        PGresult *r = PQexec(db.conn, "SELECT (SELECT \"ID\" FROM \"Items\" ORDER BY \"ID\" DESC LIMIT 1), "
                                      "(SELECT \"ID\" FROM \"Itemsout\" LIMIT 1)");
        itemKey = QByteArray(PQgetvalue(r, 0, 0)).toLongLong();
        tallyKey = QByteArray(PQgetvalue(r, 0, 1)).toLongLong();
        PQclear(r);
    }
};

ServerFixture &fixture(int n)
{
    return cached<ServerFixture>(n);
}

// The bare click: the same two rows in one transaction, prepared once; it
// also gives the item its stock back, so that the clicks never run out.
class BareClick {
public:
    explicit BareClick(ServerFixture &f) : m_f(f), m_db(f.location)
    {
        prepare("item", "UPDATE \"Items\" SET tempdate = date_updated, remaining_quantity = $1, \"Status\" = '92%', "
                        "date_updated = '2026-03-10' WHERE \"ID\" = $2");
        prepare("tally", "UPDATE \"Itemsout\" SET quantity = quantity + 1 WHERE \"ID\" = $1");
    }
    void run()
    {
        m_db.exec(QStringLiteral("BEGIN"));
        const QByteArray remaining = QByteArray::number(kStartRemaining), item = QByteArray::number(m_f.itemKey),
                         tally = QByteArray::number(m_f.tallyKey);
        const char *itemValues[] = {remaining.constData(), item.constData()};
        const char *tallyValues[] = {tally.constData()};
        PQclear(PQexecPrepared(m_db.conn, "item", 2, itemValues, nullptr, nullptr, 0));
        PQclear(PQexecPrepared(m_db.conn, "tally", 1, tallyValues, nullptr, nullptr, 0));
        m_db.exec(QStringLiteral("COMMIT"));
    }

private:
    void prepare(const char *name, const char *sql) { PQclear(PQprepare(m_db.conn, name, sql, 0, nullptr)); }
    ServerFixture &m_f;
    Pg m_db;
};

std::unique_ptr<frmmain> openMain(ServerFixture &f)
{
    startRun(f.location);
    Module1::OpenMisc();
    auto main = std::make_unique<frmmain>();
    if (!main->Form_Load())
        qFatal("the main window did not load");
    main->show();
    settleEvents();
    return main;
}

// The names of every item as a bare read gives them, in stored order.
QStringList bareNames(Pg &bare)
{
    PGresult *r = PQexec(bare.conn, "SELECT item_name FROM \"Items\" ORDER BY \"ID\"");
    QStringList names;
    names.reserve(PQntuples(r));
    for (int i = 0; i < PQntuples(r); ++i)
        names << QString::fromUtf8(PQgetvalue(r, i, 0), PQgetlength(r, i, 0));
    PQclear(r);
    return names;
}

constexpr int kBlock = 8;

void BM_ServerClick(benchmark::State &state)
{
    ServerFixture &f = fixture(int(state.range(0)));
    auto main = openMain(f);
    main->cmdtrans_Click();
    settleEvents();
    const auto entryNow = [&]() -> QListWidgetItem * {
        return main->lstitem->findItems(f.target, Qt::MatchExactly).value(0);
    };
    if (!entryNow()) {
        state.SkipWithError("the clicked item is not listed");
        return;
    }
    BareClick bare(f);
    double clickWall = 0, bareWall = 0;
    for (auto _ : state) {
        // Untimed: the window catches up with the bare block's writes.
        QTest::qWait(20);
        main->followOthers();
        QListWidgetItem *entry = entryNow();
        main->lstitem->scrollToItem(entry);
        clickEntry(main->lstitem, entry);
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
    if (main->lstremove->findItems(f.target, Qt::MatchStartsWith).isEmpty())
        state.SkipWithError("the tally list does not show the clicks");
    const double clicks = double(state.iterations()) * kBlock;
    state.counters["bare_us"] = bareWall / clicks * 1e6;
    state.counters["ratio"] = clickWall / bareWall;
    main.reset();
    Module1::reset();
}

// Waits, untimed, until the server's word of another program's change can
// be read on the window's connection (a second at most).
bool changeTold()
{
    pollfd watch{Module1::records()->changeSocket(), POLLIN, 0};
    return watch.fd >= 0 && ::poll(&watch, 1, 1000) == 1;
}

void BM_FollowOtherClerk(benchmark::State &state)
{
    const int n = int(state.range(0));
    ServerFixture &f = fixture(n);
    auto main = openMain(f);
    QListWidgetItem *entry = deskEntryShown(*main, f.target);
    if (!entry) {
        state.SkipWithError("the clicked item is not listed");
        return;
    }
    // The clerk's own last click: the entry selected, the list scrolled to it.
    clickEntry(main->lstitem, entry);
    QTest::qWait(50);
    main->followOthers();
    settleEvents();
    BareClick other(f);
    Pg bare(f.location);
    double followWall = 0, bareWall = 0;
    QString line;
    for (auto _ : state) {
        other.run();
        if (!changeTold()) {
            state.SkipWithError("the server did not tell of the other clerk's click");
            return;
        }
        const double w0 = wallSeconds();
        main->followOthers();
        settleEvents();
        const double w1 = wallSeconds();
        if (bareNames(bare).size() != n) {
            state.SkipWithError("the bare read missed rows");
            return;
        }
        const double w2 = wallSeconds();
        followWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime(w1 - w0);
        line = main->lstremove->item(0) ? main->lstremove->item(0)->text() : QString();
    }
    // The tally list followed every click, and the selection stayed.
    PGresult *r = PQexec(bare.conn, "SELECT quantity FROM \"Itemsout\"");
    const QString quantity = QString::fromUtf8(PQgetvalue(r, 0, 0));
    PQclear(r);
    if (!line.endsWith(QStringLiteral("(") + quantity + QStringLiteral(")")))
        state.SkipWithError("the tally list did not follow the other clerk");
    if (main->lstitem->selectedItems().value(0) == nullptr
        || main->lstitem->selectedItems().first()->text() != f.target)
        state.SkipWithError("the selection was lost");
    state.counters["bare_us"] = bareWall / double(state.iterations()) * 1e6;
    state.counters["ratio"] = followWall / bareWall;
    main.reset();
    Module1::reset();
}

void BM_ServerLoad(benchmark::State &state)
{
    const int n = int(state.range(0));
    ServerFixture &f = fixture(n);
    Pg bare(f.location);
    double loadWall = 0, bareWall = 0;
    for (auto _ : state) {
        startRun(f.location);
        Module1::OpenMisc();
        auto loaded = std::make_unique<frmmain>();
        const double w0 = wallSeconds();
        if (!loaded->Form_Load()) {
            state.SkipWithError("the main window did not load");
            return;
        }
        const double w1 = wallSeconds();
        QStringList names = bareNames(bare);
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
        const double w2 = wallSeconds();
        if (names.size() != n || loaded->lstitem->count() != n) {
            state.SkipWithError("a list missed rows");
            return;
        }
        loadWall += w1 - w0;
        bareWall += w2 - w1;
        state.SetIterationTime(w1 - w0);
        loaded.reset();
        Module1::reset();
    }
    state.counters["bare_us"] = bareWall / double(state.iterations()) * 1e6;
    state.counters["ratio"] = loadWall / bareWall;
}

} // namespace

BENCHMARK(BM_ServerClick)
    ->ArgName("items")
    ->Arg(1000)
    ->Arg(100000)
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_FollowOtherClerk)
    ->ArgName("items")
    ->Arg(1000)
    ->Arg(100000)
    ->Apply(fiveTimedRuns<benchmark::kMicrosecond>);
BENCHMARK(BM_ServerLoad)
    ->ArgName("items")
    ->Arg(100000)
    ->Apply(fiveTimedRuns<benchmark::kMillisecond>);

int main(int argc, char **argv)
{
    offscreenUnlessSet(true);
    return runBenchmarks<QApplication>(argc, argv, [](MedianReporter &reporter) {
        std::printf("\nMedians of 5 runs on a server over its unix socket (the bare side in the same run):\n");
        std::printf("%-40s %12s %12s %7s\n", "benchmark", "window (us)", "bare (us)", "ratio");
        for (const auto &[name, run] : reporter.medians) {
            const double us = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1000.0 : 1.0);
            std::printf("%-40s %12.1f %12.1f %7.2f\n", name.c_str(), us, MedianReporter::counter(run, "bare_us"),
                        MedianReporter::counter(run, "ratio"));
        }
    });
}
