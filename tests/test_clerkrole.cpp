// The server set-up that docs/server.md gives, run as it stands: a database owned
// by one role, the tables made by inventory-admin's routine as that owner,
// and a clerk role with only the guide's grants. The clerk's program must do
// all of its work (the desk, the item windows, the update window, the
// account), and must not be able to rewrite the stock history.

#include "admin/maintenance.h"
#include "admin/provisioning.h"
#include "data/core/connection.h"
#include "data/schema/schema.h"
#include "data/stock/itemlookup.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "items/itemrecords.h"
#include "items/stockchange.h"
#include "mainwindow/stockdesk.h"
#include "startup/credentials.h"
#include "support/testdb.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <libpq-fe.h>

using namespace inv;

namespace {

// Runs statements on a connection of its own; the server's SQLSTATE, or
// empty when they went through.
QString run(const QString &location, const QString &statements)
{
    PGconn *conn = PQconnectdb(location.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString error = QString::fromUtf8(PQerrorMessage(conn));
        PQfinish(conn);
        return error;
    }
    PGresult *result = PQexec(conn, statements.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    const QString state = (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
                              ? QString()
                              : QString::fromUtf8(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    PQclear(result);
    PQfinish(conn);
    return state;
}

// The SQL block of the server guide that follows the words marker.
QString guideBlock(const QString &marker)
{
    QFile guide(QStringLiteral(INVENTORY_SERVER_GUIDE));
    if (!guide.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(guide.readAll());
    const int at = text.indexOf(marker);
    if (at < 0)
        return {};
    const int start = text.indexOf(QStringLiteral("```sql\n"), at);
    const int end = text.indexOf(QStringLiteral("```"), start + 7);
    return start < 0 || end < 0 ? QString() : text.mid(start + 7, end - start - 7);
}

} // namespace

class TestClerkRole : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!testing::onServer())
            QSKIP("runs on the test server (INVENTORY_TEST_ENGINE=server)");
    }

    void cleanup() { Module1::reset(); }

    void theGuidesGrantsAreWhatTheProgramNeeds()
    {
        const QString grants = guideBlock(QStringLiteral("gives the clerk role only what the program needs"));
        QVERIFY2(grants.contains(QStringLiteral("TO clerk")), qPrintable(grants));

        // The guide's roles, on this run's test server (roles belong to the
        // whole server, so they are made once).
        const QString location = testing::newServerDatabase();
        const QString database = location.section(QLatin1Char('/'), 3).section(QLatin1Char('?'), 0, 0);
        const QString admin = testing::serverLocation(QStringLiteral("postgres"));
        for (const char *role : {"stock_owner", "clerk"})
            QCOMPARE(run(admin, QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1') "
                                               "THEN CREATE ROLE %1 LOGIN; END IF; END $$")
                                    .arg(QLatin1String(role))),
                     QString());
        QCOMPARE(run(admin, QStringLiteral("ALTER DATABASE %1 OWNER TO stock_owner").arg(database)), QString());

        const QString owner = location + QStringLiteral("&user=stock_owner");
        const QString clerk = location + QStringLiteral("&user=clerk");
        NewDatabase made;
        made.user = QStringLiteral("admin");
        made.password = QStringLiteral("pw");
        made.demo = true;
        QVERIFY(!createRecordsDatabase(owner, made));
        QString statements = grants;
        statements.replace(QRegularExpression(QStringLiteral("ON DATABASE \\w+")),
                           QStringLiteral("ON DATABASE ") + database);
        QCOMPARE(run(owner, statements), QString());

        // Without the grants the clerk reads nothing: the test would show it.
        Module1::dbPath = clerk;
        Module1::OpenRecordsConnection();

        // The desk.
        const auto click = StockDesk::removeOne(QStringLiteral("Toner"));
        QVERIFY2(click.changed && click.message.isEmpty(), qPrintable(click.message));
        const auto undo = StockDesk::undoRemoval(QStringLiteral("Toner"), click.tally->key);
        QVERIFY2(undo.changed && undo.message.isEmpty(), qPrintable(undo.message));
        QVERIFY(StockDesk::removeOne(QStringLiteral("Folder")).changed);
        QVERIFY(StockDesk::clearTally().changed);

        // The item windows and the update window.
        using ItemRecords::Result;
        QCOMPARE(ItemRecords::addItem({"Z-1", "Zip ties", "10", "8", "bag of 100"}).result, Result::Written);
        QCOMPARE(ItemRecords::editItem({"Z-1", "Cable ties", "10", "8", "bag of 100"}).result, Result::Written);
        const auto more = StockChange::changeQuantity(StockChange::Direction::Add, "Z-1", "Cable ties", "5");
        QVERIFY2(more.changed, qPrintable(more.message));
        QCOMPARE(findByItemNo(ItemTable::Items, QStringLiteral("Z-1")), ItemNoMatch::Found);
        QVERIFY(deleteShownRow(shownRow(ItemTable::Items)));

        // The account.
        Module1::OpenMisc();
        QVERIFY(startup::checkAccount(QStringLiteral("admin"), QStringLiteral("pw")));
        startup::writeAccount(QStringLiteral("keeper"), QStringLiteral("new pw"));
        QVERIFY(startup::checkAccount(QStringLiteral("keeper"), QStringLiteral("new pw")));

        // Every change entered the history, which balances...
        auto cn = testing::openLocation(owner);
        QVERIFY(Journal::unbalanced(*cn).isEmpty());
        QVERIFY(cn->count(Journal::kTable) > 6);
        // ...and which the clerk can add to but never rewrite, nor can the
        // clerk change the tables themselves.
        const QString denied = QStringLiteral("42501");
        QCOMPARE(run(clerk, QStringLiteral("UPDATE \"Journal\" SET quantity_change = 0")), denied);
        QCOMPARE(run(clerk, QStringLiteral("DELETE FROM \"Journal\"")), denied);
        QCOMPARE(run(clerk, QStringLiteral("DROP TABLE \"Itemsout\"")), denied);
        QCOMPARE(run(clerk, QStringLiteral("ALTER TABLE \"Items\" ADD COLUMN x integer")), denied);

        // The owner's restore sees the clerk's program connected (the server
        // tells the owner little of another role's sessions) and refuses.
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("Backup.mdb"));
        QVERIFY(backupDatabase(owner, backup).ok());
        const qint64 itemsBefore = cn->count(QStringLiteral("Items"));
        const AdminReport restore = restoreDatabase(backup, owner);
        QVERIFY2(!restore.ok() && restore.problems.join(' ').contains(QStringLiteral("in use by 1 other connection")),
                 qPrintable(restore.problems.join('\n')));
        QCOMPARE(cn->count(QStringLiteral("Items")), itemsBefore);
    }
};

QTEST_GUILESS_MAIN(TestClerkRole)
#include "test_clerkrole.moc"
