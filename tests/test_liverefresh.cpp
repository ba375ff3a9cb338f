// The main window's lists follow another clerk's changes on a server within
// about a second, told by the server rather than by polling, keep the clerk's
// selection (so undo still puts back the last click's unit), and stay as they
// are while a child window keeps the main window disabled. The other clerk is
// a second connection of the same test process.

#include "data/engines/server/pgconnection.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "support/hookedconnection.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace inv;
using testing::entries;
using testing::TestDb;

namespace {

constexpr int kFollowMs = 1500; // "within about a second", with room for a loaded machine

} // namespace

class TestLiveRefresh : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup()
    {
        m_other.reset();
        m_main.reset();
        testing::endRun();
    }

    void fileEngineTellsNothing()
    {
        if (testing::onServer())
            QSKIP("the file engine's case");
        TestDb db(m_dir->path());
        QCOMPARE(testing::openLocation(db.path())->changeSocket(), -1);
        QCOMPARE(testing::openLocation(db.path())->takeChanges(), QStringList());
    }

    // Another clerk counts a unit, adds an item and clears: each shows up
    // without a click here; the selection stays and undo puts the unit back.
    void listsFollowAnotherClerk()
    {
        if (!testing::onServer())
            QSKIP("only a server tells of other clerks' changes");
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%").item("S-310", "Stapler", 8, 8, "100%");
        QVERIFY(loadMain(db));
        testing::ScriptedPrompts prompts;

        clickEntryNamed("Toner");
        QCOMPARE(entries(m_main->lstremove), QStringList{"Toner      (1)"});

        m_other->insert(QStringLiteral("Itemsout"), {{1, "S-310"}, {2, "Stapler"}, {4, 3}});
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstremove), (QStringList{"Stapler      (3)", "Toner      (1)"}),
                                  kFollowMs);

        m_other->insert(QStringLiteral("Items"), {{1, "A-100"}, {2, "Adhesive tape"}, {4, 4}, {5, 4}});
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstitem), (QStringList{"Adhesive tape", "Stapler", "Toner"}),
                                  kFollowMs);
        QCOMPARE(m_main->lstitem->selectedItems().size(), 1);
        QCOMPARE(m_main->lstitem->selectedItems().first()->text(), QStringLiteral("Toner"));
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4); // the refresh took no unit

        m_main->cmdundo();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(entries(m_main->lstremove), (QStringList{"Stapler      (3)", "Toner      (0)"}));

        m_other->begin();
        for (std::optional<qint64> key = m_other->firstKey(QStringLiteral("Itemsout")); key;
             key = m_other->firstKey(QStringLiteral("Itemsout")))
            m_other->remove(QStringLiteral("Itemsout"), *key);
        m_other->commit();
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstremove), QStringList(), kFollowMs);
        QCOMPARE(prompts.messages.size(), 0);
    }

    // Under an open child window nothing moves; once the main window is
    // enabled again, the lists catch up.
    void nothingMovesUnderAChildWindow()
    {
        if (!testing::onServer())
            QSKIP("only a server tells of other clerks' changes");
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%");
        QVERIFY(loadMain(db));

        m_main->setEnabled(false); // as the window-opening rule does for a child window
        m_other->insert(QStringLiteral("Itemsout"), {{1, "T-200"}, {2, "Toner"}, {4, 2}});
        m_other->insert(QStringLiteral("Items"), {{1, "A-100"}, {2, "Adhesive tape"}, {4, 4}, {5, 4}});
        QTest::qWait(kFollowMs);
        QCOMPARE(entries(m_main->lstremove), QStringList());
        QCOMPARE(entries(m_main->lstitem), QStringList{"Toner"});

        m_main->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstremove), QStringList{"Toner      (2)"}, kFollowMs);
        QCOMPARE(entries(m_main->lstitem), (QStringList{"Adhesive tape", "Toner"}));
    }

    // The other clerk as another program: its clicks and an add, made by the
    // program's own routines in a process of its own, show up here.
    void followsAnotherProgram()
    {
        if (!testing::onServer())
            QSKIP("only a server tells of other clerks' changes");
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%").item("S-310", "Stapler", 8, 8, "100%");
        QVERIFY(loadMain(db));
        testing::ScriptedPrompts prompts;
        clickEntryNamed("Toner");
        const QList<QListWidgetItem *> itemsShown = listed(m_main->lstitem);
        const QString go = m_dir->filePath(QStringLiteral("go"));
        QVERIFY(QFile(go).open(QIODevice::WriteOnly));
        const auto run = [&](const QStringList &args) {
            QProcess worker;
            worker.start(QStringLiteral(CLERK_WORKER), QStringList{db.path()} + args);
            QVERIFY2(worker.waitForFinished(30000), "the other program did not end");
            QVERIFY2(worker.exitCode() == 0, worker.readAllStandardError().constData());
        };

        run({"clerk", "3", m_dir->filePath(QStringLiteral("ready1")), go, "Toner"});
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstremove), QStringList{"Toner      (4)"}, kFollowMs);
        QCOMPARE(listed(m_main->lstitem), itemsShown);

        run({"add", "N-77", m_dir->filePath(QStringLiteral("ready2")), go});
        QTRY_COMPARE_WITH_TIMEOUT(m_main->lstitem->count(), 3, kFollowMs);
        QCOMPARE(m_main->lstitem->selectedItems().size(), 1);
        QCOMPARE(m_main->lstitem->selectedItems().first()->text(), QStringLiteral("Toner"));

        // This clerk's undo puts back this clerk's unit only.
        m_main->cmdundo();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 2);
        QCOMPARE(entries(m_main->lstremove), QStringList{"Toner      (3)"});
        QCOMPARE(prompts.messages.size(), 0);
    }

    // Another clerk's clicks change stock and tally quantities only: the
    // item list is left as it is (the very same entries, the scroll place,
    // the selection), the tally list changes just the lines that changed,
    // and undo still puts back this clerk's last unit.
    void stockChangesLeaveTheListsAlone()
    {
        if (!testing::onServer())
            QSKIP("only a server tells of other clerks' changes");
        TestDb db(m_dir->path());
        db.misc("admin", "pw");
        for (int i = 1; i <= 80; ++i)
            db.item(QStringLiteral("N-%1").arg(i), QStringLiteral("Item %1").arg(i, 2, 10, QLatin1Char('0')), 9, 10,
                    "90%");
        db.tally("N-1", "Item 01", 2);
        QVERIFY(loadMain(db));
        testing::ScriptedPrompts prompts;
        clickEntryNamed("Item 40");
        QCOMPARE(entries(m_main->lstremove), (QStringList{"Item 01      (2)", "Item 40      (1)"}));
        QScrollBar *bar = m_main->lstitem->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 3);
        const int top = bar->value();
        const QList<QListWidgetItem *> itemsShown = listed(m_main->lstitem);
        const QList<QListWidgetItem *> tallyShown = listed(m_main->lstremove);

        // Another clerk takes a unit of Item 01 and of Item 70.
        testing::execSql(db.path(), "BEGIN; UPDATE Items SET remaining_quantity = 8 WHERE item_no IN ('N-1', "
                                    "'N-70'); UPDATE Itemsout SET quantity = 3 WHERE item_no = 'N-1'; "
                                    "INSERT INTO Itemsout (item_no, item_name, Description, quantity) VALUES "
                                    "('N-70', 'Item 70', 'desc', 1); COMMIT");
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstremove),
                                  (QStringList{"Item 01      (3)", "Item 40      (1)", "Item 70      (1)"}), kFollowMs);
        QCOMPARE(listed(m_main->lstitem), itemsShown);
        QCOMPARE(bar->value(), top);
        QCOMPARE(m_main->lstitem->selectedItems(), QList<QListWidgetItem *>{itemsShown[39]});
        // The tally's lines are those it had, and the one added.
        QCOMPARE(listed(m_main->lstremove).mid(0, 2), tallyShown);

        // Only quantities again: the lines change in place.
        testing::execSql(db.path(), "UPDATE Itemsout SET quantity = 4 WHERE item_no = 'N-1'");
        QTRY_COMPARE_WITH_TIMEOUT(m_main->lstremove->item(0)->text(), QStringLiteral("Item 01      (4)"), kFollowMs);
        QCOMPARE(listed(m_main->lstremove).mid(0, 2), tallyShown);
        QCOMPARE(listed(m_main->lstitem), itemsShown);

        m_main->cmdundo();
        QCOMPARE(db.value("Items", 39, "remaining_quantity").toInt(), 9);
        QCOMPARE(entries(m_main->lstremove), (QStringList{"Item 01      (4)", "Item 40      (0)", "Item 70      (1)"}));
        QCOMPARE(prompts.messages.size(), 0);
    }

    // Another clerk adds, renames or deletes an item: the item list follows,
    // keeping this clerk's selection.
    void itemListFollowsNames_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("listed");
        QTest::addRow("add") << "INSERT INTO Items (item_no, item_name, remaining_quantity) VALUES ('A-100', "
                                "'Adhesive tape', 4)"
                             << QStringList{"Adhesive tape", "Bond paper", "Stapler", "Toner"};
        QTest::addRow("rename") << "UPDATE Items SET item_name = 'Stapler, heavy' WHERE item_no = 'S-310'"
                                << QStringList{"Bond paper", "Stapler, heavy", "Toner"};
        QTest::addRow("delete") << "DELETE FROM Items WHERE item_no = 'S-310'" << QStringList{"Bond paper", "Toner"};
        QTest::addRow("rename to the same") << "UPDATE Items SET item_name = 'Stapler' WHERE item_no = 'S-310'"
                                            << QStringList{"Bond paper", "Stapler", "Toner"};
    }

    void itemListFollowsNames()
    {
        if (!testing::onServer())
            QSKIP("only a server tells of other clerks' changes");
        QFETCH(QString, sql);
        QFETCH(QStringList, listed);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%").item("S-310", "Stapler", 8, 8, "100%");
        db.item("B-1", "Bond paper", 3, 10, "30%");
        QVERIFY(loadMain(db));
        testing::ScriptedPrompts prompts;
        clickEntryNamed("Toner");
        testing::execSql(db.path(), sql);
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstitem), listed, kFollowMs);
        QCOMPARE(m_main->lstitem->selectedItems().size(), 1);
        QCOMPARE(m_main->lstitem->selectedItems().first()->text(), QStringLiteral("Toner"));
        m_main->cmdundo();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(prompts.messages.size(), 0);
    }

    // A lost server: the click says one plain sentence and writes nothing;
    // the next click connects again and works, the lists are read again
    // (what another clerk did meanwhile shows), and the window goes on
    // following the other clerk on its new connection.
    void recoversFromALostServer()
    {
        if (!testing::onServer())
            QSKIP("only a server can be lost");
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%").item("S-310", "Stapler", 8, 8, "100%");
        bool cut = false;
        const QString location = db.path();
        testing::ScopedFactory hooked([&](const QString &path) -> std::shared_ptr<Connection> {
            return std::make_shared<testing::HookedConnection>(testing::openLocation(path), [&](const QString &call) {
                if (!cut || call != "update")
                    return;
                cut = false;
                endEveryOtherConnection(location);
            });
        });
        QVERIFY(loadMain(db));
        testing::ScriptedPrompts prompts;
        // The test reads on a connection of its own (the program shares one
        // per address): the program's is made again by its own next action.
        const QString reader = db.path() + QStringLiteral("&application_name=reader");
        const QStringList before = testing::snapshot(reader);

        cut = true;
        clickEntryNamed("Toner");
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, QStringLiteral("The database server cannot be reached; nothing was "
                                                               "written. Try again when it is back."));
        QCOMPARE(testing::snapshot(reader), before);
        QCOMPARE(entries(m_main->lstremove), QStringList());

        // Meanwhile another clerk adds an item, unheard of on the lost
        // connection.
        m_other->insert(QStringLiteral("Items"), {{1, "A-100"}, {2, "Adhesive tape"}, {4, 4}, {5, 4}});
        QTest::qWait(200);
        QCOMPARE(entries(m_main->lstitem), (QStringList{"Stapler", "Toner"}));

        clickEntryNamed("Toner");
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4);
        QCOMPARE(entries(m_main->lstremove), QStringList{"Toner      (1)"});
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstitem), (QStringList{"Adhesive tape", "Stapler", "Toner"}),
                                  kFollowMs);
        QCOMPARE(m_main->lstitem->selectedItems().size(), 1);
        QCOMPARE(m_main->lstitem->selectedItems().first()->text(), QStringLiteral("Toner"));

        m_other->insert(QStringLiteral("Itemsout"), {{1, "S-310"}, {2, "Stapler"}, {4, 3}});
        QTRY_COMPARE_WITH_TIMEOUT(entries(m_main->lstremove), (QStringList{"Stapler      (3)", "Toner      (1)"}),
                                  kFollowMs);
        QCOMPARE(prompts.messages.size(), 1);
    }

private:
    static QList<QListWidgetItem *> listed(const QListWidget *list)
    {
        QList<QListWidgetItem *> shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i);
        return shown;
    }

    // Ends the server side of every connection to the database but the
    // caller's, as a restarted server would.
    static void endEveryOtherConnection(const QString &location)
    {
        testing::execSql(location, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                   "WHERE datname = current_database() AND pid <> pg_backend_pid()");
    }

    bool loadMain(const TestDb &db)
    {
        m_main = testing::showMainWithLists();
        // The other clerk: a server connection of its own (another address
        // of the same database is another connection).
        m_other = PgConnection::open(db.path() + QStringLiteral("&application_name=other-clerk"));
        return m_main != nullptr;
    }

    void clickEntryNamed(const QString &name) { testing::clickEntryNamed(m_main->lstitem, name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmmain> m_main;
    std::shared_ptr<Connection> m_other;
};

QTEST_MAIN(TestLiveRefresh)
#include "test_liverefresh.moc"
