// View-only use (the User entry) writes nothing, whatever reaches the
// routine that writes: the hidden item list through the accessibility
// interface and the keyboard, and every write routine called as it is.

#include "data/stock/itemlookup.h"
#include "data/stock/module1.h"
#include "items/itemrecords.h"
#include "items/stockchange.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/stockdesk.h"
#include "startup/credentials.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QListWidget>

#include <functional>

using namespace inv;

namespace {

QStringList everything(const QString &path)
{
    return testing::snapshot(path, {QStringLiteral("Items"), QStringLiteral("Itemsout"), QStringLiteral("Misc")});
}

} // namespace

class TestViewOnly : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_db = testing::newRecordsRun(m_dir);
        m_db->item("A1", "Toner", 5, 10, "50%").item("B2", "Paper", 3, 10, "30%").tally("A1", "Toner", 2);
        canUndo = false;
    }

    void cleanup()
    {
        m_main.reset();
        testing::endRun();
        m_db.reset();
    }

    // The main window in User mode: its item list is hidden, but an
    // assistive client's Toggle on an entry, keys sent to the list, undo and
    // clearing all reach the desk's routines, which write nothing.
    void theDeskInUserMode()
    {
        m_main = std::make_unique<frmmain>();
        QVERIFY(m_main->Form_Load());
        m_main->setRestrictedMode();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        QVERIFY(!m_main->lstitem->isVisible());
        const QStringList before = everything(m_db->path());
        QVERIFY(Module1::viewOnly());

        testing::ScriptedPrompts prompts;
        if (m_main->lstitem->count() == 0)
            m_main->lstitem->addItems({"Paper", "Toner"});
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(m_main->lstitem);
        QVERIFY(list);
        int toggled = 0;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface *entry = list->child(i);
            QAccessibleActionInterface *actions = entry ? entry->actionInterface() : nullptr;
            if (!actions || !actions->actionNames().contains(QAccessibleActionInterface::toggleAction()))
                continue;
            actions->doAction(QAccessibleActionInterface::toggleAction());
            ++toggled;
        }
        QVERIFY(toggled > 0);
        QTest::keyClick(m_main->lstitem, Qt::Key_Down);
        QTest::keyClick(m_main->lstitem, Qt::Key_Up);
        m_main->cmdundo();
        m_main->cmdclear();
        QCOMPARE(everything(m_db->path()), before);
        // The routines were reached, and refused there.
        QVERIFY(prompts.messages.size() >= toggled);
        for (const auto &shown : prompts.messages)
            QVERIFY2(shown.text.contains("for viewing and printing only"), qPrintable(shown.text));
    }

    // Each write routine, called directly in view-only use, writes nothing.
    void everyWriteRoutineRefuses_data()
    {
        QTest::addColumn<int>("routine");
        const char *names[] = {"removal",     "undo",      "clear the tally", "update: add",        "update: less",
                               "add an item", "edit item", "delete an item",  "delete a tally row", "change account"};
        for (int i = 0; i < int(std::size(names)); ++i)
            QTest::addRow("%s", names[i]) << i;
    }

    void everyWriteRoutineRefuses()
    {
        QFETCH(int, routine);
        Module1::dbPath = m_db->path();
        Module1::OpenCheckConnection();
        Module1::OpenItems();
        Module1::OpenItemsout();
        Module1::OpenMisc();
        const QStringList before = everything(m_db->path());
        const ItemRecords::ItemInput edit{"A1", "Ink", "10", "9", "new"};
        const std::function<void()> routines[] = {
            [] { StockDesk::removeOne(QString("Toner")); },
            [] { StockDesk::undoRemoval(QString("Toner")); },
            [] { StockDesk::clearTally(); },
            [] { StockChange::changeQuantity(StockChange::Direction::Add, "A1", "Toner", "4"); },
            [] { StockChange::changeQuantity(StockChange::Direction::Less, "A1", "Toner", "4"); },
            [] {
                ItemRecords::addItem({"C3", "Glue", "4", "4", "d"});
            },
            [&] { ItemRecords::editItem(edit); },
            [] {
                findByItemNo(ItemTable::Items, "A1");
                deleteShownRow(shownRow(ItemTable::Items));
            },
            [] {
                findByItemNo(ItemTable::Itemsout, "A1");
                deleteShownRow(shownRow(ItemTable::Itemsout));
            },
            [] {
                Module1::rsMisc->MoveFirst();
                startup::writeAccount("mallory", "secret");
            },
        };
        Module1::setViewOnly(true);
        bool refused = false;
        try {
            routines[routine]();
        } catch (const RecordsError &e) {
            refused = e.reason().contains("for viewing and printing only");
        }
        QVERIFY(refused);
        QCOMPARE(everything(m_db->path()), before);

        // The same routine writes once view-only use is over.
        Module1::setViewOnly(false);
        Module1::OpenItems();
        Module1::OpenItemsout();
        Module1::OpenMisc();
        routines[routine]();
        QVERIFY(everything(m_db->path()) != before);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<testing::TestDb> m_db;
    std::unique_ptr<frmmain> m_main;
};

QTEST_MAIN(TestViewOnly)
#include "test_viewonly.moc"
