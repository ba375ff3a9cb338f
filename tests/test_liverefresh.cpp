// The main window's lists follow another clerk's changes on a server within
// about a second, told by the server rather than by polling, keep the clerk's
// selection (so undo still puts back the last click's unit), and stay as they
// are while a child window keeps the main window disabled. The other clerk is
// a second connection of the same test process.

#include "data/module1.h"
#include "data/pgconnection.h"
#include "mainwindow/frmmain.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QListWidget>
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

private:
    bool loadMain(const TestDb &db)
    {
        m_main = testing::startMain();
        if (!m_main)
            return false;
        m_main->show();
        if (!QTest::qWaitForWindowExposed(m_main.get()))
            return false;
        m_main->cmdtrans->click();
        // The other clerk: a server connection of its own (another address
        // of the same database is another connection).
        m_other = PgConnection::open(db.path() + QStringLiteral("&application_name=other-clerk"));
        return m_main->transactionPanelShown();
    }

    void clickEntryNamed(const QString &name)
    {
        const QList<QListWidgetItem *> found = m_main->lstitem->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        m_main->lstitem->scrollToItem(found.first());
        QTest::mouseClick(m_main->lstitem->viewport(), Qt::LeftButton, {},
                          m_main->lstitem->visualItemRect(found.first()).center());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmmain> m_main;
    std::shared_ptr<Connection> m_other;
};

QTEST_MAIN(TestLiveRefresh)
#include "test_liverefresh.moc"
