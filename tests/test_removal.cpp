// The stock-out desk: one click takes one unit, undo puts the last one back,
// clearing empties the tally, and the refusals that leave every row alone.

#include "data/core/clock.h"
#include "data/core/waits.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "support/fixedclock.h"
#include "support/hookedconnection.h"
#include "support/paintlog.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"
#include "ui/sortedlist.h"
#include "ui/waitnotice.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEvent>
#include <QRegularExpression>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <vector>

using namespace inv;
using testing::entries;
using testing::execSql;
using testing::PaintLog;
using testing::settle;
using testing::snapshot;
using testing::TestDb;

namespace {

const QDate kToday{2026, 3, 10};

} // namespace

class TestRemoval : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = testing::newProgramFolder();
        m_clock.emplace(QDateTime(kToday, QTime(9, 30)));
        canUndo = false;
    }

    void cleanup()
    {
        m_main.reset();
        testing::endRun();
        m_clock.reset();
    }

    // Sequences of clicks (r), undos (u), clearing (c) and changes made
    // elsewhere: the tally row deleted (D), the list reloaded (T). Toner is
    // the first row of Items, dated 2026-01-15.
    void removalAndUndo_data()
    {
        QTest::addColumn<int>("remaining");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("tallyBefore"); // -1: no tally row
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("expRemaining");
        QTest::addColumn<QString>("expStatus");
        QTest::addColumn<QDate>("expUpdated");
        QTest::addColumn<QDate>("expTempdate");
        QTest::addColumn<int>("expTally"); // -1: no tally row
        QTest::addColumn<bool>("expCanUndo");

        const QDate old = testing::kOldDate;
        QTest::addRow("5 of 10") << 5 << 10 << -1 << "r" << 4 << "40%" << kToday << old << 1 << true;
        QTest::addRow("half down: 2 of 8") << 2 << 8 << -1 << "r" << 1 << "12%" << kToday << old << 1 << true;
        QTest::addRow("half up: 4 of 8") << 4 << 8 << -1 << "r" << 3 << "38%" << kToday << old << 1 << true;
        QTest::addRow("above the base") << 12 << 10 << -1 << "r" << 11 << "110%" << kToday << old << 1 << true;
        QTest::addRow("last unit") << 1 << 10 << -1 << "r" << 0 << "0%" << kToday << old << 1 << true;
        QTest::addRow("no stock after the last unit")
            << 1 << 10 << -1 << "r r r" << 0 << "0%" << kToday << old << 1 << true;
        QTest::addRow("no stock") << 0 << 10 << -1 << "r" << 0 << "old" << old << old << -1 << true;
        QTest::addRow("second removal raises the tally")
            << 5 << 10 << -1 << "r r" << 3 << "30%" << kToday << kToday << 2 << true;
        QTest::addRow("existing tally row") << 5 << 10 << 3 << "r" << 4 << "40%" << kToday << old << 4 << true;
        QTest::addRow("remove then undo: exact status")
            << 5 << 8 << -1 << "r u" << 5 << "62.5%" << old << old << 0 << false;
        QTest::addRow("undo restores the date of the last removal")
            << 5 << 8 << -1 << "r r u" << 4 << "50%" << kToday << kToday << 1 << false;
        QTest::addRow("undo twice") << 5 << 8 << -1 << "r u u" << 5 << "62.5%" << old << old << 0 << false;
        QTest::addRow("undo after the tally row was deleted")
            << 5 << 8 << -1 << "r D u" << 5 << "62.5%" << old << old << -1 << false;
        QTest::addRow("tally row at 0 raised again")
            << 5 << 8 << -1 << "r u r" << 4 << "50%" << kToday << old << 1 << true;
        QTest::addRow("undo after a reload finds nothing selected")
            << 5 << 10 << -1 << "r T u" << 4 << "40%" << kToday << old << 1 << false;
        QTest::addRow("clearing after a removal keeps the item")
            << 5 << 10 << 3 << "r c" << 4 << "40%" << kToday << old << -1 << true;
    }

    void removalAndUndo()
    {
        QFETCH(int, remaining);
        QFETCH(int, base);
        QFETCH(int, tallyBefore);
        QFETCH(QString, steps);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", remaining, base, "old", "Laser toner");
        db.item("S-310", "Stapler", 8, 8, "100%");
        if (tallyBefore >= 0)
            db.tally("T-200", "Toner", tallyBefore, "Laser toner");
        const QString stapler = snapshot(db.path()).at(1);
        QVERIFY(loadMain());
        testing::ScriptedPrompts prompts;

        for (const QString &step : steps.split(QLatin1Char(' ')))
            QVERIFY(run(step, db));

        QTEST(db.value("Items", 0, "remaining_quantity").toInt(), "expRemaining");
        QTEST(db.value("Items", 0, "Status").toString(), "expStatus");
        QTEST(db.value("Items", 0, "date_updated").toDate(), "expUpdated");
        QTEST(db.value("Items", 0, "tempdate").toDate(), "expTempdate");
        QTEST(canUndo, "expCanUndo");
        QFETCH(int, expTally);
        if (expTally < 0) {
            QCOMPARE(db.count("Itemsout"), 0);
            QCOMPARE(entries(m_main->lstremove), QStringList());
        } else {
            QCOMPARE(db.count("Itemsout"), 1);
            QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), expTally);
            // A row made by a click copies the item's number, name and
            // description.
            QCOMPARE(db.value("Itemsout", 0, "item_no").toString(), QString("T-200"));
            QCOMPARE(db.value("Itemsout", 0, "item_name").toString(), QString("Toner"));
            QCOMPARE(db.value("Itemsout", 0, "Description").toString(), QString("Laser toner"));
            QCOMPARE(entries(m_main->lstremove), QStringList({QString("Toner      (%1)").arg(expTally)}));
        }
        QCOMPARE(snapshot(db.path()).at(1), stapler); // the other item is never touched
        QCOMPARE(prompts.messages.size(), 0);
    }

    // After every step the tally list shows the table as a full reading
    // would: sorted ignoring case, equal lines in stored order, whatever
    // changed it. Steps: a name clicks that entry, "undo", "sql:..." changes
    // the file from another program, "add:name:quantity" adds a tally row
    // through the program's own open file, "clear" clears the tally;
    // "box:sql:..." makes that change while the next message box is open.
    // Stapler's undo is refused (its base is stored as "50 boxes", a text
    // the click reads as 50 but the undo as no number); Glue's click is
    // refused (its base is 0).
    void tallyListFollowsTheTable_data()
    {
        QTest::addColumn<QStringList>("tally"); // name:quantity rows to start with
        QTest::addColumn<QStringList>("steps");
        QTest::addRow("new and raised lines")
            << QStringList{"Bond paper:1"}
            << QStringList{"Toner", "toner", "Toner", "Bond paper", "Ärmel tape", "Toner", "undo", "Bond paper"};
        QTest::addRow("a line equal to another ignoring case")
            << QStringList{"toner:2", "Toner:1"} << QStringList{"Toner", "toner", "Toner", "undo", "Toner"};
        QTest::addRow("the same, the other row first")
            << QStringList{"Toner:1", "toner:2"} << QStringList{"Toner", "Toner", "toner", "undo", "toner"};
        QTest::addRow("identical lines") << QStringList{"Toner:1", "Toner:2"}
                                         << QStringList{"Toner", "Toner", "undo", "Toner"};
        QTest::addRow("rows deleted and changed by another program")
            << QStringList{"Bond paper:4", "Toner:1"}
            << QStringList{"Toner", "sql:DELETE FROM Itemsout WHERE item_name = 'Bond paper'",
                           "Toner", "sql:UPDATE Itemsout SET quantity = 9",
                           "toner", "sql:DELETE FROM Itemsout",
                           "undo",  "Toner"};
        const QString added = "box:sql:INSERT INTO Itemsout (item_no, item_name, Description, quantity) "
                              "VALUES ('9', 'Adhesive tape', 'd', 4)";
        // A server keeps numbers in number fields: no base stored as text.
        if (!testing::onServer())
            QTest::addRow("a row added under a refused undo's message")
                << QStringList{"Toner:2"} << QStringList{"Stapler", added, "undo", "Toner"};
        QTest::addRow("a row added under a refused click's message")
            << QStringList{} << QStringList{"Toner", added, "Glue", "Toner", "undo"};
        QTest::addRow("a row added through the program's own file")
            << QStringList{}
            << QStringList{"Toner", "add:Adhesive tape:5", "Toner", "add:toner:3", "toner", "undo", "clear", "Toner"};
    }

    void tallyListFollowsTheTable()
    {
        QFETCH(QStringList, tally);
        QFETCH(QStringList, steps);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 50, 50).item("2", "toner", 50, 50).item("3", "Bond paper", 50, 50);
        db.item("4", "Ärmel tape", 50, 50).item("6", "Glue", 50, 0);
        db.row("Items", {{"item_no", "5"},
                         {"item_name", "Stapler"},
                         {"Description", "desc"},
                         {"original_quantity", 50},
                         {"remaining_quantity", 50},
                         {"Status", "100%"},
                         {"max_quantity", testing::onServer() ? QVariant(50) : QVariant("50 boxes")},
                         {"date_updated", "2026-01-15"},
                         {"tempdate", "2026-01-15"}});
        for (const QString &row : tally)
            db.tally("0", row.section(':', 0, 0), row.section(':', 1).toInt());
        QVERIFY(loadMain());
        QCOMPARE(entries(m_main->lstremove), tallyAsRead(db));
        testing::ScriptedPrompts prompts;
        for (const QString &step : steps) {
            if (step == "undo")
                m_main->cmdundo();
            else if (step == "clear")
                m_main->cmdclear();
            else if (step.startsWith("sql:"))
                execSql(db.path(), step.mid(4));
            else if (step.startsWith("box:sql:"))
                prompts.duringNext([path = db.path(), sql = step.mid(8)] { execSql(path, sql); });
            else if (step.startsWith("add:"))
                db.tally("0", step.section(':', 1, 1), step.section(':', 2).toInt());
            else
                clickEntryNamed(step);
            QVERIFY(!QTest::currentTestFailed());
            if (!step.startsWith("sql:") && !step.startsWith("add:") && !step.startsWith("box:"))
                QVERIFY2(entries(m_main->lstremove) == tallyAsRead(db), qPrintable("after " + step));
        }
        QCOMPARE(prompts.messages.size(), steps.filter(QRegularExpression("^box:")).size());
        VERIFY_PROMPTS(prompts);
    }

    // Clearing deletes every row that is there under its lock, and the list
    // takes the version read under that lock: another program's row added
    // just before the clear's count or just after its commit is neither
    // kept in the table wrongly nor missed by the list.
    void clearingBesideAnotherWriter_data()
    {
        QTest::addColumn<QString>("after"); // the call after which the other program writes
        QTest::addRow("after a count of the rows") << "count";
        QTest::addRow("after the commit") << "commit";
    }

    void clearingBesideAnotherWriter()
    {
        if (testing::onServer())
            QSKIP("the other program writes under the clear's own call; a server makes it wait for the clear's lock");
        QFETCH(QString, after);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 50, 50).tally("1", "Toner", 3).tally("2", "Bond paper", 2);
        bool armed = false;
        testing::ScopedFactory hooked([&](const QString &path) -> std::shared_ptr<Connection> {
            return std::make_shared<testing::HookedConnection>(SqlCipherConnection::open(path),
                                                               [&, path](const QString &call) {
                                                                   if (!armed || call != after)
                                                                       return;
                                                                   armed = false;
                                                                   execSql(path, "INSERT INTO Itemsout (item_no, "
                                                                                 "item_name, Description, quantity) "
                                                                                 "VALUES ('9', 'Adhesive tape', "
                                                                                 "'d', 4)");
                                                               });
        });
        QVERIFY(loadMain());
        testing::ScriptedPrompts prompts;
        armed = true;
        m_main->cmdclear();
        armed = false;
        for (int i = 0; i < db.count("Itemsout"); ++i)
            QCOMPARE(db.value("Itemsout", i, "item_name").toString(), QString("Adhesive tape"));
        clickEntryNamed("Toner");
        QCOMPARE(entries(m_main->lstremove), tallyAsRead(db));
        VERIFY_PROMPTS(prompts);
    }

    // Two items of one name: both entries act on the first row in table order.
    void duplicateNamesActOnTheFirstRow_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addRow("first entry") << 0;
        QTest::addRow("second entry") << 1;
    }

    void duplicateNamesActOnTheFirstRow()
    {
        QFETCH(int, entry);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 5, 10).item("2", "Toner", 7, 10);
        QVERIFY(loadMain());
        clickEntry(entry);
        clickEntry(1 - entry);
        clickEntry(entry);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 2);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 7);
        QCOMPARE(db.count("Itemsout"), 1);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 3);
        QCOMPARE(db.value("Itemsout", 0, "item_no").toString(), QString("1"));
    }

    // A mouse click is one unit, on the selected entry too, and so is a
    // double-click; a keyboard move is one unit; giving the list the focus
    // is none.
    void eachClickAndKeyboardMoveIsOneUnit()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Bond paper", 20, 20).item("2", "Toner", 20, 20);
        QVERIFY(loadMain());
        QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(m_main->lstitem, &tabbedIn);
        QCOMPARE(db.count("Itemsout"), 0);

        clickEntry(0);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 19);
        clickEntry(0);
        clickEntry(0);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 17);
        clickEntry(0, true); // a double-click is one click
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 16);
        QTest::keyClick(m_main->lstitem, Qt::Key_Down);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 19);
        QTest::keyClick(m_main->lstitem, Qt::Key_Down); // already the last entry: no change
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 19);
        QTest::keyClick(m_main->lstitem, Qt::Key_Up);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 15);
        QCOMPARE(entries(m_main->lstremove), QStringList({"Bond paper      (5)", "Toner      (1)"}));

        // Undo acts on the entry selected now, the one last taken out.
        m_main->cmdundo();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 16);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 19);
        QCOMPARE(entries(m_main->lstremove), QStringList({"Bond paper      (4)", "Toner      (1)"}));
    }

    // A selection the program sets (a list that keeps the clerk's entry
    // over a refresh, a scan box that finds an entry) is no gesture: it
    // takes nothing, whichever way it is set.
    void selectionSetInCodeTakesNothing()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Bond paper", 20, 20).item("2", "Toner", 20, 20);
        QVERIFY(loadMain());
        const QStringList before = snapshot(db.path());
        QListWidget *list = m_main->lstitem;
        list->setCurrentRow(1);
        list->setCurrentItem(list->item(0));
        list->item(1)->setSelected(true);
        list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(snapshot(db.path()), before);
        QCOMPARE(m_main->lstremove->count(), 0);
    }

    // What the mouse and keyboard do to the list after a click on Bond paper
    // (19 left): only a whole left click on an entry, or a keyboard move,
    // takes a unit; the selected entry stays the memory of the last
    // removal, so undo still puts back the unit the selection names. The
    // gestures go through the window as real input does. Steps: press,
    // release (of the left button unless "right-" or "middle-"), move, key
    // at a place: e0..e2 (entries), empty (list, below the
    // entries), outside (the window, off the list); a "+" adds Ctrl.
    void gesturesTakeAtMostOneClick_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QList<int>>("remaining"); // Bond paper, Copier toner, Staples
        QTest::addColumn<QString>("selected");

        QTest::addRow("click on the empty part")
            << "press empty, release empty" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("ctrl+click on the selected entry")
            << "press+ e0, release+ e0" << QList<int>{18, 20, 20} << "Bond paper";
        QTest::addRow("ctrl+click on another entry")
            << "press+ e1, release+ e1" << QList<int>{19, 19, 20} << "Copier toner";
        QTest::addRow("right-click on another entry")
            << "right-press e1, right-release e1" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("middle-click on another entry")
            << "middle-press e2, middle-release e2" << QList<int>{19, 20, 20} << "Bond paper";
        // A drag is no click: it takes nothing from where it ends.
        QTest::addRow("drag over entries, released on one")
            << "press e0, move e1, move e2, release e2" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("drag from one entry to another")
            << "press e1, move e2, release e2" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("drag back to the pressed entry")
            << "press e1, move e2, move e1, release e1" << QList<int>{19, 19, 20} << "Copier toner";
        QTest::addRow("drag out of the list")
            << "press e1, move e2, move outside, release outside" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("drag from the empty part onto an entry")
            << "press empty, move e2, release e2" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("ctrl+space on the selected entry") << "key+ space" << QList<int>{19, 20, 20} << "Bond paper";
        QTest::addRow("keyboard move") << "key down" << QList<int>{19, 19, 20} << "Copier toner";
    }

    void gesturesTakeAtMostOneClick()
    {
        QFETCH(QString, gesture);
        QFETCH(QList<int>, remaining);
        QFETCH(QString, selected);
        TestDb db(m_dir->path());
        db.misc("admin", "pw")
            .item("1", "Bond paper", 20, 20)
            .item("2", "Copier toner", 20, 20)
            .item("3", "Staples", 20, 20);
        QVERIFY(loadMain());
        QWindow *window = m_main->windowHandle();
        QListWidget *list = m_main->lstitem;
        QWidget *viewport = list->viewport();
        const auto at = [&](const QString &place) {
            QPoint p;
            if (place == "empty")
                p = QPoint(viewport->width() / 2, viewport->height() - 10);
            else if (place == "outside")
                p = viewport->mapFrom(list, QPoint(-20, 20)); // left of the list
            else
                p = list->visualItemRect(list->item(place.mid(1).toInt())).center();
            return viewport->mapTo(m_main.get(), p);
        };
        QTest::mouseClick(window, Qt::LeftButton, {}, at("e0"));
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 19);

        for (const QString &step : gesture.split(", ")) {
            const QString action = step.section(' ', 0, 0);
            const QString place = step.section(' ', 1);
            const Qt::KeyboardModifiers mods = action.endsWith('+') ? Qt::ControlModifier : Qt::NoModifier;
            const QString verb = action.chopped(action.endsWith('+') ? 1 : 0);
            const Qt::MouseButton button = verb.startsWith("right-")    ? Qt::RightButton
                                           : verb.startsWith("middle-") ? Qt::MiddleButton
                                                                        : Qt::LeftButton;
            if (verb.endsWith("press"))
                QTest::mousePress(window, button, mods, at(place));
            else if (verb.endsWith("release"))
                QTest::mouseRelease(window, button, mods, at(place));
            else if (verb == "move")
                QTest::mouseMove(window, at(place));
            else if (verb == "key")
                QTest::keyClick(window, place == "space" ? Qt::Key_Space : Qt::Key_Down, mods);
            else
                QFAIL(qPrintable("unknown step " + step));
        }
        for (int i = 0; i < 3; ++i)
            QCOMPARE(db.value("Items", i, "remaining_quantity").toInt(), remaining[i]);
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().first()->text(), selected);

        // Undo puts back the last unit, of the entry the selection names.
        const int row = list->currentRow();
        m_main->cmdundo();
        remaining[row] += 1;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(db.value("Items", i, "remaining_quantity").toInt(), remaining[i]);
    }

    void clearing_data()
    {
        QTest::addColumn<int>("tallyRows");
        QTest::addRow("empty tally") << 0;
        QTest::addRow("full tally") << 3;
    }

    void clearing()
    {
        QFETCH(int, tallyRows);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 5, 10, "50%");
        for (int i = 0; i < tallyRows; ++i)
            db.tally(QString::number(i), QString("Item %1").arg(i), i + 1);
        QVERIFY(loadMain());
        const QString items = snapshot(db.path()).at(0);
        testing::ScriptedPrompts prompts;
        m_main->cmdtrans->click();
        QCOMPARE(m_main->lstremove->count(), tallyRows);

        m_main->cmdclear();
        QCOMPARE(db.count("Itemsout"), 0);
        QCOMPARE(m_main->lstremove->count(), 0);
        QCOMPARE(snapshot(db.path()), QStringList({items}));
        QCOMPARE(prompts.messages.size(), 0);
        VERIFY_PROMPTS(prompts);
    }

    // What cannot be worked out is refused with a sentence, and every row
    // stays exactly as it was; what leaves nothing to undo changes nothing.
    // Setup steps run first (S: remaining set to 32767 elsewhere, X: the
    // item deleted elsewhere, Z: base set to 0 elsewhere); the rows must not
    // change over the final steps.
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<int>("remaining");
        QTest::addColumn<int>("base");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("message");

        QTest::addRow("base 0") << 5 << 0 << ""
                                << "r"
                                << "Toner cannot be taken out of stock: its base quantity is 0, so its stock status "
                                   "cannot be worked out. Nothing was changed.";
        QTest::addRow("status beyond 32767 percent")
            << 400 << 1 << ""
            << "r"
            << "Toner cannot be taken out of stock: its stock status would fall outside -32768% to 32767%. "
               "Nothing was changed.";
        QTest::addRow("base beyond 32767")
            << 5 << 40000 << ""
            << "r"
            << "Toner cannot be taken out of stock: its base quantity lies outside -32768 to 32767. Nothing was "
               "changed.";
        QTest::addRow("undo beyond 32767")
            << 32767 << 32767 << "r S"
            << "u"
            << "The last removal of Toner cannot be undone: its remaining quantity would go beyond 32767. Nothing "
               "was changed.";
        QTest::addRow("undo with base 0")
            << 5 << 10 << "r Z"
            << "u"
            << "The last removal of Toner cannot be undone: its base quantity is 0, so its stock status cannot be "
               "worked out. Nothing was changed.";
        QTest::addRow("undo after a click on an item without stock") << 0 << 10 << ""
                                                                     << "r u"
                                                                     << "";
        QTest::addRow("undo after a click that matched no row") << 5 << 10 << "X"
                                                                << "r u"
                                                                << "";
        QTest::addRow("undo after a refused click") << 5 << 0 << ""
                                                    << "r u"
                                                    << "Toner cannot be taken out of stock: its base quantity is 0, "
                                                       "so its stock status cannot be worked out. Nothing was "
                                                       "changed.";
        QTest::addRow("undo after an undo") << 5 << 10 << "r u"
                                            << "u"
                                            << "";
    }

    void refusalsChangeNothing()
    {
        QFETCH(int, remaining);
        QFETCH(int, base);
        QFETCH(QString, setup);
        QFETCH(QString, steps);
        QFETCH(QString, message);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", remaining, base, "old", "Laser toner");
        db.tally("T-200", "Toner", 3, "Laser toner");
        QVERIFY(loadMain());
        for (const QString &step : setup.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            QVERIFY(run(step, db));
        const QStringList before = snapshot(db.path());

        testing::ScriptedPrompts prompts;
        for (const QString &step : steps.split(QLatin1Char(' ')))
            QVERIFY(run(step, db));
        QCOMPARE(snapshot(db.path()), before);
        if (message.isEmpty()) {
            QCOMPARE(prompts.messages.size(), 0);
        } else {
            QCOMPARE(prompts.messages.size(), 1);
            QCOMPARE(prompts.last().text, message);
            QCOMPARE(prompts.last().title, ui::Prompts::applicationTitle());
            QVERIFY(prompts.last().buttons == ui::Buttons::Ok);
        }
        VERIFY_PROMPTS(prompts);
    }

    // A tally write that fails takes the item's change back with it; on a
    // server, so does a connection lost in the middle of the click, and the
    // next click connects again.
    void removalIsOneTransaction_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("says");
        QTest::addRow("tally write fails") << "disk full"
                                           << "disk full";
        if (testing::onServer())
            QTest::addRow("server lost") << "lost"
                                         << "The database server cannot be reached; nothing was written. Try "
                                            "again when it is back.";
    }

    void removalIsOneTransaction()
    {
        QFETCH(QString, failure);
        QFETCH(QString, says);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%");
        QVERIFY(loadMain());
        testing::failWrites(db.path(), "tally_full", "BEFORE", "INSERT", "Itemsout", failure);
        const QStringList before = snapshot(db.path());

        testing::ScriptedPrompts prompts;
        clickEntry(0);
        QCOMPARE(snapshot(db.path()), before);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.last().text.contains(says), qPrintable(prompts.last().text));

        // Nothing was taken, so there is nothing to put back.
        m_main->cmdundo();
        QCOMPARE(snapshot(db.path()), before);
        QVERIFY(!canUndo);

        // The same click goes through once the tally can be written.
        testing::stopFailing(db.path(), "tally_full", "Itemsout");
        clickEntry(0);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 1);
    }

    // A click changes one tally line, and the window repaints that line:
    // not the other lines, nor the picture, shadow and heading behind the
    // list. The lists are white with blue text.
    void clickRepaintsItsTallyLineAlone()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw");
        for (const char *name : {"Adhesive tape", "Bond paper", "Toner"})
            db.item(name, name, 50, 50).tally(name, name, 1);
        QVERIFY(loadMain());
        for (QListWidget *list : {m_main->lstitem, m_main->lstremove}) {
            QCOMPARE(list->palette().color(QPalette::Base), QColor(Qt::white));
            QCOMPARE(list->palette().color(QPalette::Text), QColor(0x00, 0x00, 0xFF));
        }
        clickEntryNamed("Bond paper");
        settle();
        PaintLog tally(m_main->lstremove->viewport());
        std::vector<std::unique_ptr<PaintLog>> behind;
        for (QWidget *w : {m_main->centralWidget(), static_cast<QWidget *>(m_main->txtremove),
                           static_cast<QWidget *>(m_main->Shape4), static_cast<QWidget *>(m_main->lstremove)})
            behind.push_back(std::make_unique<PaintLog>(w));

        clickEntryNamed("Bond paper");
        settle();
        QCOMPARE(entries(m_main->lstremove),
                 QStringList({"Adhesive tape      (1)", "Bond paper      (3)", "Toner      (1)"}));
        QCOMPARE(tally.painted, QRegion(m_main->lstremove->visualItemRect(m_main->lstremove->item(1))));
        for (const auto &log : behind)
            QVERIFY(log->painted.isEmpty());
    }

    // A click that meets another program's change waits for it, and shows
    // what it waits for (a busy cursor and a line in the window) for as long
    // as the wait lasts; it blocks nothing more than before. When the other
    // change holds on past the wait, the click is refused and writes nothing.
    void aWaitShowsWhatItWaitsFor()
    {
        if (testing::onServer())
            QSKIP("the busy wait is the file engine's");
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 50, 50);
        QVERIFY(loadMain());
        // The program's own notice.
        ui::showWaits();
        Waits::waiting("Waiting for a test...");
        QLabel *notice = ui::waitNotice();
        QVERIFY(notice && notice->isVisible());
        QCOMPARE(notice->text(), QString("Waiting for a test..."));
        QCOMPARE(notice->window(), m_main.get());
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
        QTest::qWait(20); // the event loop runs again: the wait is over
        QVERIFY(!ui::waitNotice());
        QVERIFY(!QApplication::overrideCursor());

        // A real wait, behind another program's change.
        QStringList waits;
        Waits::setListener([&](const QString &what) { waits << what; });
        const QStringList before = snapshot(db.path());
        testing::ScriptedPrompts prompts;
        {
            KeyedFile other(db.path(), KeyedFile::Mode::ReadWrite);
            other.exec("BEGIN IMMEDIATE");
            clickEntryNamed("Toner");
            other.exec("ROLLBACK");
        }
        QVERIFY(!waits.isEmpty());
        QCOMPARE(waits.last(), QString("Waiting for another program to let go of %1...").arg(db.path()));
        QCOMPARE(prompts.messages.size(), 1); // refused: the file stayed busy
        QCOMPARE(snapshot(db.path()), before);
        Waits::setListener(nullptr);
    }

    // Undo before any click has opened the tally: nothing to act on.
    void undoBeforeAnyClick()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%").tally("T-200", "Toner", 2);
        QVERIFY(loadMain());
        const QStringList before = snapshot(db.path());
        canUndo = true; // even so
        m_main->cmdundo();
        QCOMPARE(snapshot(db.path()), before);
        QVERIFY(!canUndo);
    }

private:
    bool loadMain()
    {
        m_main = testing::startMain();
        if (!m_main)
            return false;
        m_main->show();
        if (!QTest::qWaitForWindowExposed(m_main.get()))
            return false;
        m_main->cmdtrans->click(); // the panel, with both lists reloaded
        return m_main->transactionPanelShown();
    }

    // The tally lines of every Itemsout row, sorted ignoring case with equal
    // lines in stored order: the list as a full reading shows it.
    static QStringList tallyAsRead(const TestDb &db)
    {
        QStringList lines;
        for (int i = 0; i < db.count("Itemsout"); ++i)
            lines << frmmain::tallyLine(db.value("Itemsout", i, "item_name"), db.value("Itemsout", i, "quantity"));
        // In the one order of every sorted list.
        ui::sortCaseInsensitive(lines);
        return lines;
    }

    // A mouse click (or double-click) on the n-th entry of the item list.
    void clickEntry(int n, bool twice = false)
    {
        QListWidgetItem *item = m_main->lstitem->item(n);
        QVERIFY(item);
        m_main->lstitem->scrollToItem(item);
        const QPoint centre = m_main->lstitem->visualItemRect(item).center();
        QWidget *viewport = m_main->lstitem->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centre);
        if (twice) { // the second press of a double-click comes as a double-click event
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre);
        }
    }

    void clickEntryNamed(const QString &name)
    {
        for (int i = 0; i < m_main->lstitem->count(); ++i) {
            if (m_main->lstitem->item(i)->text() == name) {
                clickEntry(i);
                return;
            }
        }
        QFAIL(qPrintable("no entry " + name));
    }

    bool run(const QString &step, const TestDb &db)
    {
        if (step == "r") {
            clickEntryNamed("Toner");
        } else if (step == "u") {
            m_main->cmdundo();
        } else if (step == "c") {
            m_main->cmdclear();
        } else if (step == "T") {
            m_main->cmdtrans->click();
            m_main->cmdtrans->click();
        } else if (step == "D") {
            execSql(db.path(), "DELETE FROM Itemsout WHERE item_name = 'Toner'");
        } else if (step == "X") {
            execSql(db.path(), "DELETE FROM Items WHERE item_name = 'Toner'");
        } else if (step == "S") {
            execSql(db.path(), "UPDATE Items SET remaining_quantity = 32767 WHERE item_name = 'Toner'");
        } else if (step == "Z") {
            execSql(db.path(), "UPDATE Items SET max_quantity = 0 WHERE item_name = 'Toner'");
        } else {
            qWarning("unknown step %s", qPrintable(step));
            return false;
        }
        return !QTest::currentTestFailed();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmmain> m_main;
    std::optional<testing::FixedClock> m_clock;
};

QTEST_MAIN(TestRemoval)
#include "test_removal.moc"
