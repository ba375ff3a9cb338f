// The main window as a hub: its menus, toolbar and picture buttons, the rule
// by which it opens other windows, the help message, and restricted mode.

#include "data/stock/module1.h"
#include "mainwindow/frmdeleteremove.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/frmremain.h"
#include "mainwindow/frmremoved.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace inv;
using testing::TestDb;

namespace {

QStringList actionNames(const QWidget *widget)
{
    QStringList names;
    for (const QAction *action : widget->actions())
        names << action->objectName();
    return names;
}

// The windows open besides the main window.
QList<QWidget *> openedWindows()
{
    QList<QWidget *> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && w->isVisible() && !qobject_cast<frmmain *>(w))
            windows << w;
    return windows;
}

// A stand-in for a window that another part of the program provides.
frmmain::WindowFactory standIn(const QString &name)
{
    return [name] {
        auto *w = new QWidget;
        w->setObjectName(name);
        return w;
    };
}

} // namespace

class TestNavigation : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = testing::newProgramFolder();
        m_db = std::make_unique<TestDb>(m_dir->path());
        m_db->misc("admin", "pw").item("1", "Toner", 3, 10).tally("1", "Toner", 2);
        Module1::dbPath = m_db->path();
        Module1::OpenRecordsConnection();
        m_main = std::make_unique<frmmain>();
        QVERIFY(m_main->Form_Load());
    }

    void cleanup()
    {
        m_main.reset();
        testing::endRun();
        m_db.reset();
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addRow("mFile") << "mFile"
                               << "&File"
                               << "";
        QTest::addRow("nAddItem") << "nAddItem"
                                  << "&Add Item"
                                  << "Ctrl+A";
        QTest::addRow("nEditItem") << "nEditItem"
                                   << "&Edit Item"
                                   << "Ctrl+E";
        QTest::addRow("nDeleteItem") << "nDeleteItem"
                                     << "&Delete Item"
                                     << "Ctrl+D";
        QTest::addRow("nPrintItemList") << "nPrintItemList"
                                        << "&Print Item List"
                                        << "";
        QTest::addRow("nRemainingItems") << "nRemainingItems"
                                         << "&Remaining Items"
                                         << "Ctrl+P";
        QTest::addRow("nRemovedItems") << "nRemovedItems"
                                       << "&Remo&ved Items"
                                       << "Ctrl+O";
        QTest::addRow("nExit") << "nExit"
                               << "E&xit"
                               << "Ctrl+X";
        QTest::addRow("mView") << "mView"
                               << "&View"
                               << "";
        QTest::addRow("nViewItemList") << "nViewItemList"
                                       << "&View Item List"
                                       << "";
        QTest::addRow("nRemaining") << "nRemaining"
                                    << "&Remaining"
                                    << "Ctrl+R";
        QTest::addRow("nIn") << "nIn"
                             << "&In"
                             << "";
        QTest::addRow("nOut") << "nOut"
                              << "&Removed"
                              << "";
        QTest::addRow("nViewItemStatus") << "nViewItemStatus"
                                         << "View &Item Status"
                                         << "";
        QTest::addRow("nHistory") << "nHistory"
                                  << "Stock &History"
                                  << "Ctrl+H";
        QTest::addRow("nReorder") << "nReorder"
                                  << "&Reorder List"
                                  << "Ctrl+L";
        QTest::addRow("nToolBar") << "nToolBar"
                                  << "&ToolBar"
                                  << "";
        QTest::addRow("mAction") << "mAction"
                                 << "&Action"
                                 << "";
        QTest::addRow("nUndoRemove") << "nUndoRemove"
                                     << "U&ndo Remove"
                                     << "Ctrl+Z";
        QTest::addRow("nUpdate") << "nUpdate"
                                 << "&Update Items"
                                 << "";
        QTest::addRow("nDeleteRemoveItems") << "nDeleteRemoveItems"
                                            << "&Clear Removed Item List"
                                            << "";
        QTest::addRow("nDeleteRemovedItems") << "nDeleteRemovedItems"
                                             << "&Delete Removed Item/s"
                                             << "Shift+Del";
        QTest::addRow("nChange") << "nChange"
                                 << "Change UserName/Password"
                                 << "";
        QTest::addRow("mLogOut") << "mLogOut"
                                 << "&Log-Out"
                                 << "";
    }

    void menuEntries()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        auto *action = m_main->findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), QKeySequence(shortcut));
        QCOMPARE(action->isVisible(), name != "nIn");
    }

    void menuOrder()
    {
        QCOMPARE(actionNames(m_main->menuBar()), QStringList({"mFile", "mView", "mAction", "mLogOut"}));
        QCOMPARE(actionNames(m_main->mFile),
                 QStringList({"nAddItem", "nEditItem", "nDeleteItem", "nPrintItemList", "nExit"}));
        QCOMPARE(actionNames(m_main->nPrintItemList), QStringList({"nRemainingItems", "nRemovedItems"}));
        QCOMPARE(actionNames(m_main->mView),
                 QStringList({"nViewItemList", "nViewItemStatus", "nHistory", "nReorder", "nToolBar"}));
        QCOMPARE(actionNames(m_main->nViewItemList), QStringList({"nRemaining", "nIn", "nOut"}));
        QCOMPARE(actionNames(m_main->mAction),
                 QStringList({"nUndoRemove", "nUpdate", "nDeleteRemoveItems", "nDeleteRemovedItems", "nChange"}));
    }

    // Wiring a window to an entry enables the entry and every button that
    // leads to it; the picture buttons and "New" then hide the panel, the
    // menu command leaves it as it was.
    void wiredEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("via"); // menu, toolbar key or picture button
        QTest::addColumn<bool>("hidesPanel");
        QTest::addRow("Add Item menu") << "nAddItem"
                                       << "menu" << false;
        QTest::addRow("Add Item button") << "nAddItem"
                                         << "cmdadd" << true;
        QTest::addRow("toolbar New") << "nAddItem"
                                     << "New" << true;
        QTest::addRow("Edit Item button") << "nEditItem"
                                          << "cmdedit" << true;
        QTest::addRow("Delete Item button") << "nDeleteItem"
                                            << "cmddel" << true;
        QTest::addRow("Update menu") << "nUpdate"
                                     << "menu" << false;
        QTest::addRow("Update Inventory button") << "nUpdate"
                                                 << "cmdupdate" << true;
        QTest::addRow("toolbar View") << "nViewItemStatus"
                                      << "View" << false;
        QTest::addRow("toolbar Print") << "nRemainingItems"
                                       << "Print" << false;
        QTest::addRow("removed printout") << "nRemovedItems"
                                          << "menu" << false;
        QTest::addRow("credentials") << "nChange"
                                     << "menu" << false;
        QTest::addRow("toolbar Logo") << "Logo"
                                      << "Logo" << false;
    }

    void wiredEntries()
    {
        QFETCH(QString, entry);
        QFETCH(QString, via);
        QFETCH(bool, hidesPanel);
        m_main->setWindow(entry, standIn("standIn"));
        m_main->show();
        m_main->cmdtrans_Click();
        QVERIFY(m_main->transactionPanelShown());

        if (via == "menu") {
            QAction *action = m_main->findChild<QAction *>(entry);
            QVERIFY(action->isEnabled());
            action->trigger();
        } else if (via.startsWith("cmd")) {
            auto *button = m_main->findChild<QToolButton *>(via);
            QVERIFY(button->isEnabled());
            button->click();
        } else {
            QAction *action = m_main->toolbarButton(via);
            QVERIFY(action->isEnabled());
            action->trigger();
        }
        const QList<QWidget *> opened = openedWindows();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0]->objectName(), QString("standIn"));
        QVERIFY(!m_main->isEnabled());
        QCOMPARE(m_main->transactionPanelShown(), !hidesPanel);
        QCOMPARE(m_main->cmdtrans->text(), QString(hidesPanel ? "Show Transaction" : "Hide Transaction"));
    }

    void toolbarToggle()
    {
        m_main->show();
        QVERIFY(m_main->nToolBar->isCheckable());
        QVERIFY(m_main->nToolBar->isChecked());
        QVERIFY(m_main->Toolbar1->isVisible());
        m_main->nToolBar->trigger();
        QVERIFY(!m_main->nToolBar->isChecked());
        QVERIFY(!m_main->Toolbar1->isVisible());
        m_main->nToolBar->trigger();
        QVERIFY(m_main->nToolBar->isChecked());
        QVERIFY(m_main->Toolbar1->isVisible());
    }

    void helpMessage()
    {
        testing::ScriptedPrompts prompts;
        m_main->Toolbar1_ButtonClick(m_main->toolbarButton("Help"));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().title, QString("Tavrisk Developer"));
        QCOMPARE(prompts.last().buttons, ui::Buttons::Ok);
        QCOMPARE(prompts.last().text.split('\n'),
                 QStringList({"If you have questions or comments, feel free to contact the developer.", "", "",
                              "E-mail: inventory@example.org", "Website: www.example.org/inventory", "",
                              "To God be the Glory!", "",
                              "F2 goes to the Item number box: type or scan a number and press Enter to take one "
                              "unit out."}));
        QVERIFY(m_main->isEnabled());
        VERIFY_PROMPTS(prompts);
    }

    // The key decides, compared exactly; the first match wins.
    void toolbarKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("opens"); // the window's name, "help" or nothing
        QTest::addRow("New") << "New"
                             << "add";
        QTest::addRow("View") << "View"
                              << "status";
        QTest::addRow("Print") << "Print"
                               << "printout";
        QTest::addRow("Help") << "Help"
                              << "help";
        QTest::addRow("Logo") << "Logo"
                              << "about";
        QTest::addRow("other case") << "help"
                                    << "";
        QTest::addRow("trailing blank") << "Logo "
                                        << "";
        QTest::addRow("no key") << ""
                                << "";
    }

    void toolbarKeys()
    {
        QFETCH(QString, key);
        QFETCH(QString, opens);
        m_main->setWindow("nAddItem", standIn("add"));
        m_main->setWindow("nViewItemStatus", standIn("status"));
        m_main->setWindow("nRemainingItems", standIn("printout"));
        m_main->setWindow("Logo", standIn("about"));
        testing::ScriptedPrompts prompts;
        QAction button(key);
        button.setData(key);
        m_main->Toolbar1_ButtonClick(&button);

        QStringList opened;
        for (QWidget *w : openedWindows())
            opened << w->objectName();
        if (opens == "help")
            QCOMPARE(prompts.messages.size(), 1);
        else
            QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(opened, opens.isEmpty() || opens == "help" ? QStringList() : QStringList(opens));
    }

    // A window opened from the main window disables it until it is gone,
    // however it is closed.
    void openingRule_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("byButton");
        QTest::addRow("remaining grid, close box") << "nRemaining"
                                                   << "frmremain" << false;
        QTest::addRow("removed grid, close box") << "nOut"
                                                 << "frmremoved" << false;
        QTest::addRow("item status, close box") << "nViewItemStatus"
                                                << "frmstatus" << false;
        QTest::addRow("tally deletion, Cancel") << "nDeleteRemovedItems"
                                                << "frmdeleteremove" << true;
        QTest::addRow("tally deletion, close box") << "nDeleteRemovedItems"
                                                   << "frmdeleteremove" << false;
        QTest::addRow("add, Cancel") << "nAddItem"
                                     << "frmadd" << true;
        QTest::addRow("add, close box") << "nAddItem"
                                        << "frmadd" << false;
        QTest::addRow("edit, Cancel") << "nEditItem"
                                      << "frmedit" << true;
        QTest::addRow("edit, close box") << "nEditItem"
                                         << "frmedit" << false;
        QTest::addRow("delete, Cancel") << "nDeleteItem"
                                        << "frmdelete" << true;
        QTest::addRow("delete, close box") << "nDeleteItem"
                                           << "frmdelete" << false;
        QTest::addRow("item printout, close box") << "nRemainingItems"
                                                  << "frmprint" << false;
        QTest::addRow("removed printout, close box") << "nRemovedItems"
                                                     << "frmprintl" << false;
    }

    void openingRule()
    {
        QFETCH(QString, entry);
        QFETCH(QString, window);
        QFETCH(bool, byButton);
        m_main->show();
        m_main->findChild<QAction *>(entry)->trigger();
        const QList<QWidget *> opened = openedWindows();
        QCOMPARE(opened.size(), 1);
        QPointer<QWidget> w = opened[0];
        QCOMPARE(w->objectName(), window);
        QVERIFY(!w->parentWidget());
        QVERIFY(!m_main->isEnabled());
        QVERIFY(m_main->isVisible());
        // Its close box takes no input either: the program goes on.
        QVERIFY(!m_main->close());
        QVERIFY(m_main->isVisible());

        if (byButton)
            w->findChild<QPushButton *>("cmdcancel")->click();
        else
            QVERIFY(w->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QVERIFY(m_main->isEnabled());
    }

    // While a window is open the main window runs none of its actions,
    // whatever triggers them: the menus and toolbar directly, or an
    // accessibility client's "press" on a menu entry. Closing the window
    // gives every entry back the state it had.
    void aDisabledMainWindowRunsNoAction()
    {
        m_main->show();
        m_main->cmdtrans_Click();
        m_main->lstitem->setCurrentRow(0); // a removal: undo has work to do
        m_main->lstitem_Click();
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 2);
        QVERIFY(canUndo);
        const auto states = [this] {
            QStringList enabled;
            for (QAction *action : m_main->findChildren<QAction *>())
                enabled << action->objectName() + (action->isEnabled() ? "+" : "-");
            return enabled;
        };
        const QStringList before = states();

        m_main->nDeleteRemovedItems->trigger();
        const QList<QWidget *> opened = openedWindows();
        QCOMPARE(opened.size(), 1);
        QVERIFY(!m_main->isEnabled());

        testing::ScriptedPrompts prompts;
        for (QMenu *menu : m_main->findChildren<QMenu *>()) {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(menu);
            QVERIFY(face);
            for (int i = 0; i < face->childCount(); ++i)
                if (QAccessibleActionInterface *press = face->child(i)->actionInterface())
                    press->doAction(QAccessibleActionInterface::pressAction());
        }
        // Every action of the window's own (the named ones; Qt's inner
        // actions, such as the toolbar's own toggle, are not offered).
        for (QAction *action : m_main->findChildren<QAction *>())
            if (!action->objectName().isEmpty() && action != m_main->nExit) // Exit would end the test run
                action->trigger();
        QVERIFY(!m_main->nExit->isEnabled());

        QCOMPARE(openedWindows(), opened);
        QVERIFY(!m_main->isEnabled() && m_main->isVisible());
        QVERIFY(m_main->Toolbar1->isVisible());
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 2);
        QCOMPARE(m_db->value("Itemsout", 0, "quantity").toInt(), 3);
        QVERIFY(canUndo);
        QVERIFY(prompts.messages.isEmpty());

        QVERIFY(opened[0]->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_main->isEnabled());
        QCOMPARE(states(), before);
        m_main->nUndoRemove->trigger();
        QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 3);
    }

    // A window opened from the main window becomes the active window with
    // the first control of its tab order focused: what the user types next
    // goes there. Opened by real key events where the entry has a key.
    void openedWindowTakesTheFocus_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QKeySequence>("key"); // empty: the entry is triggered
        QTest::addColumn<QString>("first");
        QTest::addRow("tally deletion, Shift+Del") << "nDeleteRemovedItems" << QKeySequence("Shift+Del") << "txtitemno";
        QTest::addRow("remaining grid, Ctrl+R") << "nRemaining" << QKeySequence("Ctrl+R") << "DataGrid1";
        QTest::addRow("removed grid") << "nOut" << QKeySequence() << "DataGrid1";
        QTest::addRow("credentials") << "nChange" << QKeySequence() << "cmdenter";
        QTest::addRow("about") << "Logo" << QKeySequence() << "txtinfo";
    }

    void openedWindowTakesTheFocus()
    {
        QFETCH(QString, entry);
        QFETCH(QKeySequence, key);
        QFETCH(QString, first);
        QVERIFY(showActiveMain());
        if (!key.isEmpty())
            QTest::keyClick(m_main->windowHandle(), key[0].key(), key[0].keyboardModifiers());
        else if (entry == "Logo")
            m_main->toolbarButton(entry)->trigger();
        else
            m_main->findChild<QAction *>(entry)->trigger();
        const QList<QWidget *> opened = openedWindows();
        QCOMPARE(opened.size(), 1);
        QTRY_COMPARE(QApplication::activeWindow(), opened[0]);
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), first);
    }

    // No two entries of the window share a key, nor does one take the
    // number box's key.
    void everyKeyReachesOneEntry()
    {
        QMap<QKeySequence, QString> entryOf{{frmmain::scanKey(), "the number box"}};
        for (QAction *action : m_main->findChildren<QAction *>())
            for (const QKeySequence &key : action->shortcuts()) {
                QVERIFY2(!entryOf.contains(key), qPrintable(QStringLiteral("%1 is the key of %2 and of %3")
                                                                .arg(key.toString(), entryOf.value(key),
                                                                     action->objectName())));
                entryOf.insert(key, action->objectName());
            }
    }

    // Stock History and Reorder List open by their keys.
    void historyAndReorderKeys_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("window");
        QTest::addRow("Ctrl+H") << QKeySequence("Ctrl+H") << "frmhistory";
        QTest::addRow("Ctrl+L") << QKeySequence("Ctrl+L") << "frmreorder";
    }

    void historyAndReorderKeys()
    {
        QFETCH(QKeySequence, key);
        QFETCH(QString, window);
        QVERIFY(showActiveMain());
        QTest::keyClick(m_main->windowHandle(), key[0].key(), key[0].keyboardModifiers());
        const QList<QWidget *> opened = openedWindows();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0]->objectName(), window);
        opened[0]->close();
        QTRY_VERIFY(m_main->isEnabled());
    }

    // After each of its message boxes the window gets the activation back,
    // even when the window system gave it to the main window meanwhile, so
    // the next number typed goes into the number box.
    void windowGetsTheFocusBackAfterItsMessageBoxes()
    {
        QVERIFY(showActiveMain());
        QTest::keyClick(m_main->windowHandle(), Qt::Key_Delete, Qt::ShiftModifier);
        auto *window = testing::shownWindow<frmdeleteremove>();
        QVERIFY(window);
        QTRY_COMPARE(QApplication::activeWindow(), window);

        testing::ScriptedPrompts prompts;
        bool movedAway = false;
        prompts.whileShown = [&] {
            m_main->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), m_main.get());
            movedAway = true;
        };
        prompts.answer(ui::Answer::Yes);
        QTest::keyClick(QGuiApplication::focusWindow(), '1');
        QCOMPARE(window->txtitemno->text(), QString("1"));
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
        QCOMPARE(prompts.messages.size(), 2);
        QCOMPARE(prompts.last().text, QString("Item Deleted"));
        QVERIFY(movedAway);
        QCOMPARE(m_db->count("Itemsout"), 0);
        QTRY_COMPARE(QApplication::activeWindow(), window);
        QCOMPARE(QApplication::focusWidget(), window->txtitemno);
        QTest::keyClick(QGuiApplication::focusWindow(), '2');
        QCOMPARE(window->txtitemno->text(), QString("2"));
        VERIFY_PROMPTS(prompts);
    }

    void openingAGridThatFailsLeavesTheMainWindowEnabled()
    {
        Module1::dbPath = m_dir->filePath("Gone.mdb");
        testing::ScriptedPrompts prompts;
        m_main->show();
        m_main->nRemaining->trigger();
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains("Gone.mdb"));
        QVERIFY(openedWindows().isEmpty());
        QVERIFY(m_main->isEnabled());
    }

    void restrictedMode()
    {
        // The item windows are the real ones.
        for (const char *entry : {"nUpdate", "nChange"})
            m_main->setWindow(entry, standIn(entry));
        m_main->setRestrictedMode();
        m_main->show();

        for (const char *name : {"cmdadd", "cmdedit", "cmddel", "cmdtrans", "cmdupdate"}) {
            auto *button = m_main->findChild<QToolButton *>(name);
            QVERIFY2(button->isVisible() && !button->isEnabled(), name);
        }
        for (QAction *hidden : {m_main->nAddItem, m_main->nEditItem, m_main->nDeleteItem, m_main->mAction->menuAction(),
                                m_main->toolbarButton("New")})
            QVERIFY2(!hidden->isVisible() && !hidden->isEnabled(), qPrintable(hidden->objectName()));
        for (QAction *under : m_main->mAction->actions())
            QVERIFY2(!under->isEnabled(), qPrintable(under->objectName()));
        // Viewing, printing, help, the toolbar, logging out and exiting stay.
        for (QAction *shown :
             {m_main->nRemaining, m_main->nOut, m_main->nToolBar, m_main->nExit, m_main->mFile->menuAction(),
              m_main->mView->menuAction(), m_main->mLogOut, m_main->toolbarButton("View"),
              m_main->toolbarButton("Print"), m_main->toolbarButton("Help"), m_main->toolbarButton("Logo")})
            QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
        for (QAction *enabled : {m_main->nRemaining, m_main->nOut, m_main->nViewItemStatus,
                                 m_main->toolbarButton("View"), m_main->toolbarButton("Help")})
            QVERIFY2(enabled->isEnabled(), qPrintable(enabled->objectName()));
        for (QAction *printing : {m_main->nRemainingItems, m_main->nRemovedItems, m_main->toolbarButton("Print")})
            QVERIFY2(printing->isEnabled(), qPrintable(printing->objectName()));

        // No way around it: the operations themselves refuse.
        m_main->cmdtrans->click();
        QVERIFY(!m_main->transactionPanelShown());
        m_main->Toolbar1_ButtonClick(m_main->toolbarButton("New"));
        for (const char *entry : {"nAddItem", "nEditItem", "nDeleteItem", "nUpdate", "nChange", "nDeleteRemovedItems"})
            QVERIFY2(!m_main->openEntry(entry), entry);
        QVERIFY(openedWindows().isEmpty());
        QVERIFY(m_main->isEnabled());

        m_main->nRemaining->trigger();
        QCOMPARE(openedWindows().size(), 1);
    }

    // The shortcut keys of the entries that restricted mode hides reach their
    // entry in full mode and nothing at all in restricted mode.
    void shortcutsOfHiddenEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opensWindow");
        for (bool restricted : {false, true}) {
            const char *mode = restricted ? "restricted" : "full";
            QTest::addRow("%s Ctrl+A", mode) << "nAddItem" << int(Qt::Key_A) << int(Qt::ControlModifier) << true;
            QTest::addRow("%s Ctrl+E", mode) << "nEditItem" << int(Qt::Key_E) << int(Qt::ControlModifier) << true;
            QTest::addRow("%s Ctrl+D", mode) << "nDeleteItem" << int(Qt::Key_D) << int(Qt::ControlModifier) << true;
            QTest::addRow("%s Ctrl+Z", mode) << "nUndoRemove" << int(Qt::Key_Z) << int(Qt::ControlModifier) << false;
            QTest::addRow("%s Shift+Del", mode)
                << "nDeleteRemovedItems" << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << true;
        }
    }

    void shortcutsOfHiddenEntries()
    {
        QFETCH(QString, entry);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, opensWindow);
        const bool restricted = QString(QTest::currentDataTag()).startsWith("restricted");
        if (restricted)
            m_main->setRestrictedMode();
        m_main->show();
        QApplication::setActiveWindow(m_main.get());
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        canUndo = true;

        QSignalSpy triggered(m_main->findChild<QAction *>(entry), &QAction::triggered);
        QTest::keyClick(m_main.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(triggered.size(), restricted ? 0 : 1);
        QCOMPARE(openedWindows().size(), !restricted && opensWindow ? 1 : 0);
        if (restricted) {
            QVERIFY(m_main->isEnabled());
            QVERIFY(canUndo);
            QCOMPARE(m_db->value("Items", 0, "remaining_quantity").toInt(), 3);
            QCOMPARE(m_db->count("Itemsout"), 1);
            QCOMPARE(m_db->value("Itemsout", 0, "quantity").toInt(), 2);
        }
    }

    // "E&xit" leaves the event loop at once; no window is asked to close.
    void exitEndsTheProgramWithoutClosing()
    {
        m_main->show();
        int closeEvents = 0;
        struct CloseCounter : QObject {
            int *count;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Close)
                    ++*count;
                return false;
            }
        } counter;
        counter.count = &closeEvents;
        m_main->installEventFilter(&counter);
        QTimer::singleShot(0, m_main->nExit, &QAction::trigger);
        // A watchdog, should the exit not end the loop.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(closeEvents, 0);
        QVERIFY(m_main->isVisible());
        m_main->removeEventFilter(&counter);
    }

private:
    bool showActiveMain()
    {
        m_main->show();
        m_main->activateWindow();
        return QTest::qWaitForWindowActive(m_main.get());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<frmmain> m_main;
};

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
