// The item windows: adding an item, editing its name and description,
// deleting it; the look-up as the number is typed; the refusals; and what a
// failing database leaves behind.

#include "data/core/clock.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/module1.h"
#include "items/frmadd.h"
#include "items/frmdelete.h"
#include "items/frmedit.h"
#include "mainwindow/frmmain.h"
#include "support/fixedclock.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <memory>
#include <optional>
#include <sqlite3.h>

using namespace inv;
using testing::execSql;
using testing::snapshot;
using testing::TestDb;
using ui::Answer;

namespace {

const QDate kToday{2026, 3, 10};

QStringList shown(const testing::ScriptedPrompts &prompts)
{
    QStringList texts;
    for (const auto &m : prompts.messages)
        texts << m.title + ": " + m.text;
    return texts;
}

const QString kFill = "Cannot proccess: Fill all boxes";

} // namespace

class TestItems : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_db = testing::newRecordsRun(m_dir);
        m_clock.emplace(QDateTime(kToday, QTime(9, 30)));
    }

    void cleanup()
    {
        testing::endRun();
        m_db.reset();
        m_clock.reset();
    }

    // What the boxes hold when Add is pressed, and what comes of it: the
    // message shown (none before "Item Added") and the new row, or no row.
    void add_data()
    {
        QTest::addColumn<QStringList>("boxes"); // number, name, original, remaining, description
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stored"); // no, name, description, original, remaining, max, status
        const auto boxes = [](QString no, QString original, QString remaining, QString name = "Stapler",
                              QString desc = "Desk stapler") {
            return QStringList{no, name, original, remaining, desc};
        };
        QTest::addRow("8 and 1") << boxes("S-1", "8", "1") << ""
                                 << QStringList{"S-1", "Stapler", "Desk stapler", "8", "1", "8", "12%"};
        QTest::addRow("3 and 2") << boxes("S-1", "3", "2") << ""
                                 << QStringList{"S-1", "Stapler", "Desk stapler", "3", "2", "3", "67%"};
        QTest::addRow("more than the original")
            << boxes("S-1", "10", "20") << ""
            << QStringList{"S-1", "Stapler", "Desk stapler", "10", "20", "10", "200%"};
        QTest::addRow("leading zeros") << boxes("S-1", "007", "7") << ""
                                       << QStringList{"S-1", "Stapler", "Desk stapler", "7", "7", "7", "100%"};
        QTest::addRow("pasted with letters") << boxes("S-1", "12 boxes", "6x") << ""
                                             << QStringList{"S-1", "Stapler", "Desk stapler", "12", "6", "12", "50%"};
        QTest::addRow("blanks trimmed") << boxes("  A2 ", "4", "4", " Glue ", "\n Glue stick \n") << ""
                                        << QStringList{"A2", "Glue", "Glue stick", "4", "4", "4", "100%"};
        QTest::addRow("several lines kept") << boxes("S-1", "2", "1", "Pins", "Box\nof 100") << ""
                                            << QStringList{"S-1", "Pins", "Box\nof 100", "2", "1", "2", "50%"};
        QTest::addRow("other case is another number")
            << boxes("a1", "5", "5") << "" << QStringList{"a1", "Stapler", "Desk stapler", "5", "5", "5", "100%"};
        QTest::addRow("largest quantities")
            << boxes("S-1", "32767", "32767") << ""
            << QStringList{"S-1", "Stapler", "Desk stapler", "32767", "32767", "32767", "100%"};

        QTest::addRow("number of blanks") << boxes("   ", "8", "1") << kFill << QStringList();
        QTest::addRow("no name") << boxes("S-1", "8", "1", " ") << kFill << QStringList();
        QTest::addRow("no original") << boxes("S-1", "", "1") << kFill << QStringList();
        QTest::addRow("no remaining") << boxes("S-1", "8", " ") << kFill << QStringList();
        QTest::addRow("no description") << boxes("S-1", "8", "1", "Stapler", "  \n ") << kFill << QStringList();
        QTest::addRow("duplicate") << boxes("A1", "8", "1") << "Cannot proccess: Item number already exist."
                                   << QStringList();
        QTest::addRow("duplicate with blanks")
            << boxes(" A1 ", "8", "1") << "Cannot proccess: Item number already exist." << QStringList();
        // The duplicate is found before the quantities are looked at.
        QTest::addRow("duplicate, original 0")
            << boxes("A1", "0", "1") << "Cannot proccess: Item number already exist." << QStringList();

        const QString zero = "Cannot proccess: The Original Quantity cannot be 0, because the stock status is "
                             "worked out as a share of it, so the item was not saved.";
        QTest::addRow("original 0") << boxes("S-1", "0", "1") << zero << QStringList();
        QTest::addRow("original pasted without a number") << boxes("S-1", "many", "1") << zero << QStringList();
        QTest::addRow("original above 32767")
            << boxes("S-1", "32768", "1")
            << "Cannot proccess: The Original Quantity cannot be above 32767, so the item was not saved."
            << QStringList();
        QTest::addRow("original pasted below -32768")
            << boxes("S-1", "-40000", "1")
            << "Cannot proccess: The Original Quantity cannot be below -32768, so the item was not saved."
            << QStringList();
        QTest::addRow("remaining above 32767")
            << boxes("S-1", "8", "99999")
            << "Cannot proccess: The Remaining Quantity cannot be above 32767, so the item was not saved."
            << QStringList();
        QTest::addRow("status beyond 32767 percent")
            << boxes("S-1", "1", "400")
            << "Cannot proccess: The Remaining Quantity is too far from the Original Quantity: the stock status "
               "would lie outside -32768% to 32767%, so the item was not saved."
            << QStringList();
    }

    void add()
    {
        QFETCH(QStringList, boxes);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        m_db->item("A1", "Toner", 3, 10, "30%");
        frmadd *w = openAdd();
        fill(w, boxes);
        const QStringList before = snapshot(m_db->path());

        testing::ScriptedPrompts prompts;
        w->cmdadd->click();
        VERIFY_PROMPTS(prompts);
        QVERIFY(w->isVisible());
        if (stored.isEmpty()) {
            QCOMPARE(shown(prompts), QStringList{message});
            QCOMPARE(snapshot(m_db->path()), before);
            QCOMPARE(contents(w), boxes);
            if (message.contains("already exist"))
                QCOMPARE(w->focusWidget(), w->txtitemno);
            return;
        }
        QCOMPARE(shown(prompts), QStringList{"Success: Item Added"});
        QCOMPARE(m_db->count("Items"), 2);
        QStringList row;
        for (const char *field : {"item_no", "item_name", "Description", "original_quantity", "remaining_quantity",
                                  "max_quantity", "Status"})
            row << m_db->value("Items", 1, field).toString();
        QCOMPARE(row, stored);
        QCOMPARE(m_db->value("Items", 1, "date_updated").toDate(), kToday);
        QCOMPARE(contents(w), QStringList({"", "", "", "", ""}));
        QCOMPARE(w->focusWidget(), w->txtitemno);
    }

    // Typed keys: the quantity boxes take digits only; Enter anywhere adds,
    // Ctrl+Enter breaks a line of the description.
    void addByKeyboard()
    {
        frmadd *w = openAdd();
        QTest::keyClicks(w->txtitemno, "P-1");
        QTest::keyClicks(w->txtname, "Paper");
        QTest::keyClicks(w->txtoqua, "1a0.-5 ");
        QTest::keyClicks(w->txtrqua, "x4");
        QCOMPARE(w->txtoqua->text(), QString("105"));
        QCOMPARE(w->txtrqua->text(), QString("4"));
        QTest::keyClick(w->txtrqua, Qt::Key_Backspace);
        QTest::keyClicks(w->txtrqua, "42");
        QTest::keyClicks(w->txtdesc, "A4");
        QTest::keyClick(w->txtdesc, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(w->txtdesc, "ream");
        QCOMPARE(w->txtdesc->toPlainText(), QString("A4\nream"));

        testing::ScriptedPrompts prompts;
        QTest::keyClick(w->txtdesc, Qt::Key_Return);
        QCOMPARE(shown(prompts), QStringList{"Success: Item Added"});
        QCOMPARE(m_db->value("Items", 0, "Description").toString(), QString("A4\nream"));
        QCOMPARE(m_db->value("Items", 0, "Status").toString(), QString("40%"));
        // Enter in a quantity box presses Add as well: now the boxes are empty.
        QTest::keyClick(w->txtoqua, Qt::Key_Return);
        QCOMPARE(shown(prompts).last(), kFill);
        VERIFY_PROMPTS(prompts);
    }

    // An added item is in the main window's list the next time it is loaded.
    void addedItemReachesTheItemList()
    {
        auto main = std::make_unique<frmmain>();
        QVERIFY(main->Form_Load());
        main->show();
        main->cmdadd->click();
        auto *w = testing::shownWindow<frmadd>();
        QVERIFY(w);
        QVERIFY(!main->isEnabled());
        fill(w, {"N-1", "Notebook", "5", "5", "Spiral"});
        testing::ScriptedPrompts prompts;
        w->cmdadd->click();
        w->cmdcancel->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(main->isEnabled());
        main->cmdtrans->click();
        QCOMPARE(main->lstitem->count(), 1);
        QCOMPARE(main->lstitem->item(0)->text(), QString("Notebook"));
    }

    // The edit and delete windows show an item while the typed text is
    // exactly its number; a field without a value shows as an empty box.
    void lookup_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *window : {"edit", "delete"})
            QTest::addRow("%s", window) << window;
    }

    void lookup()
    {
        QFETCH(QString, window);
        m_db->item("A1", "Toner", 3, 10, "30%", "black").item("A12", "Bond paper", 40, 50, "80%", "white");
        m_db->row("Items", {{"item_no", "B7"}}); // nothing else filled in
        ItemShowWindow *w = openShow(window);
        const QList<QPair<QString, QStringList>> steps = {
            {"A", {"", "", "", ""}},
            {"A1", {"Toner", "10", "3", "black"}},
            {"A12", {"Bond paper", "50", "40", "white"}},
            {"A123", {"", "", "", ""}},
        };
        for (const auto &[typed, boxes] : steps) {
            QTest::keyClicks(w->txtitemno, typed.right(1));
            QCOMPARE(w->txtitemno->text(), typed);
            QCOMPARE(shownItem(w), boxes);
        }
        const QList<QPair<QString, QStringList>> set = {
            {" A1", {"", "", "", ""}}, {"A1 ", {"", "", "", ""}},
            {"a1", {"", "", "", ""}},  {"A1", {"Toner", "10", "3", "black"}},
            {"B7", {"", "", "", ""}},
        };
        for (const auto &[typed, boxes] : set) {
            w->txtitemno->setText(typed);
            QCOMPARE(shownItem(w), boxes);
        }
        for (QWidget *box : {static_cast<QWidget *>(w->txtname), static_cast<QWidget *>(w->txtoqua),
                             static_cast<QWidget *>(w->txtrqua), static_cast<QWidget *>(w->txtdesc)})
            QVERIFY(!box->isEnabled());
    }

    void anEmptyTableLeavesTheBoxesAsTheyWere()
    {
        ItemShowWindow *w = openShow("edit");
        w->txtname->setText("left");
        w->txtitemno->setText("A1");
        QCOMPARE(w->txtname->text(), QString("left"));
    }

    // Edit opens the name and the description; Save writes them with the
    // status worked out from the quantities shown. Steps: type a number (n:),
    // press the button (b), set the name (name:) or description (desc:), "_"
    // standing for a blank.
    void edit_data()
    {
        QTest::addColumn<int>("original");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("stored"); // name, description, original, remaining, max, status
        QTest::addRow("status against the original")
            << 10 << 15 << 15 << "n:T-200 b name:Toner_XL b" << QStringList{"Success: Item Edited"}
            << QStringList{"Toner XL", "black", "10", "15", "15", "150%"};
        QTest::addRow("whole-number status")
            << 3 << 2 << 3 << "n:T-200 b desc:Laser b" << QStringList{"Success: Item Edited"}
            << QStringList{"Toner", "Laser", "3", "2", "3", "67%"};
        QTest::addRow("blanks trimmed") << 10 << 5 << 10 << "n:T-200 b name:__Ink___ desc:_cyan__ b"
                                        << QStringList{"Success: Item Edited"}
                                        << QStringList{"Ink", "cyan", "10", "5", "10", "50%"};
        QTest::addRow("empty name") << 10 << 5 << 10 << "n:T-200 b name: b" << QStringList{kFill}
                                    << QStringList{"Toner", "black", "10", "5", "10", "old"};
        QTest::addRow("empty name, then Edit does nothing")
            << 10 << 5 << 10 << "n:T-200 b name: b b" << QStringList{kFill}
            << QStringList{"Toner", "black", "10", "5", "10", "old"};
        QTest::addRow("Edit with no item shown")
            << 10 << 5 << 10 << "n:T-2 b b" << QStringList() << QStringList{"Toner", "black", "10", "5", "10", "old"};
        // No status can be worked out: the name and description are saved,
        // the quantities and the status stay.
        QTest::addRow("stored original 0")
            << 0 << 5 << 10 << "n:T-200 b name:Ink desc:cyan b" << QStringList{"Success: Item Edited"}
            << QStringList{"Ink", "cyan", "0", "5", "10", "old"};
        QTest::addRow("stored remaining above 32767")
            << 10 << 40000 << 10 << "n:T-200 b name:Ink b"
            << QStringList{"Cannot proccess: The Remaining Quantity cannot be above 32767, so the item was not "
                           "saved."}
            << QStringList{"Toner", "black", "10", "40000", "10", "old"};
    }

    void edit()
    {
        QFETCH(int, original);
        QFETCH(int, remaining);
        QFETCH(int, max);
        QFETCH(QString, steps);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, stored);
        m_db->row("Items", {{"item_no", "T-200"},
                            {"item_name", "Toner"},
                            {"Description", "black"},
                            {"original_quantity", original},
                            {"remaining_quantity", remaining},
                            {"max_quantity", max},
                            {"Status", "old"},
                            {"date_updated", testing::kOldDate}});
        auto *w = static_cast<frmedit *>(openShow("edit"));
        testing::ScriptedPrompts prompts;
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "b")
                w->cmdsave->click();
            else if (step.startsWith("n:"))
                w->txtitemno->setText(step.mid(2));
            else if (step.startsWith("name:"))
                w->txtname->setText(step.mid(5).replace('_', ' '));
            else if (step.startsWith("desc:"))
                w->txtdesc->setText(step.mid(5).replace('_', ' '));
        }
        VERIFY_PROMPTS(prompts);
        QCOMPARE(shown(prompts), messages);
        QStringList row;
        for (const char *field :
             {"item_name", "Description", "original_quantity", "remaining_quantity", "max_quantity", "Status"})
            row << m_db->value("Items", 0, field).toString();
        QCOMPARE(row, stored);
        QCOMPARE(m_db->value("Items", 0, "item_no").toString(), QString("T-200"));
        QCOMPARE(m_db->value("Items", 0, "date_updated").toDate(), testing::kOldDate);
        QCOMPARE(w->cmdsave->text(), QString("Edit"));
        QVERIFY(w->isVisible());
        if (messages == QStringList{"Success: Item Edited"}) {
            QCOMPARE(shownItem(w), QStringList({"", "", "", ""}));
            QVERIFY(w->txtitemno->text().isEmpty());
            QVERIFY(w->txtitemno->isEnabled());
            QCOMPARE(w->focusWidget(), w->txtitemno);
            QVERIFY(!w->txtname->isEnabled() && !w->txtdesc->isEnabled());
        } else if (!messages.isEmpty()) {
            // Refused: the editing boxes stay open with what was typed, and
            // the number box opens again: never a state only Cancel leaves.
            QCOMPARE(w->txtitemno->text(), QString("T-200"));
            QVERIFY(w->txtitemno->isEnabled());
            QVERIFY(w->txtname->isEnabled() && w->txtdesc->isEnabled());
        } else {
            QVERIFY(w->txtitemno->isEnabled());
            QVERIFY(!w->txtname->isEnabled());
        }
        QVERIFY(!w->txtoqua->isEnabled() && !w->txtrqua->isEnabled());
    }

    // The states of the edit window: Edit opens the name and description
    // and closes the number; Enter presses the button.
    void editStates()
    {
        m_db->item("T-200", "Toner", 5, 10, "50%", "black");
        auto *w = static_cast<frmedit *>(openShow("edit"));
        QVERIFY(w->cmdsave->isDefault());
        QTest::keyClicks(w->txtitemno, "T-200");
        QTest::keyClick(w->txtitemno, Qt::Key_Return);
        QCOMPARE(w->cmdsave->text(), QString("Save"));
        QVERIFY(!w->txtitemno->isEnabled());
        QVERIFY(w->txtname->isEnabled() && w->txtdesc->isEnabled());
        QVERIFY(!w->txtoqua->isEnabled() && !w->txtrqua->isEnabled());
        w->txtname->selectAll();
        QTest::keyClicks(w->txtname, "Ink");
        testing::ScriptedPrompts prompts;
        QTest::keyClick(w->txtname, Qt::Key_Return);
        QCOMPARE(shown(prompts), QStringList{"Success: Item Edited"});
        QCOMPARE(m_db->value("Items", 0, "item_name").toString(), QString("Ink"));
        VERIFY_PROMPTS(prompts);
    }

    // Save after another user changed or deleted the item shown: nothing is
    // written, the user is told, and the boxes show the item as it is now;
    // a change to another item stands in no one's way.
    void saveAfterAnotherUserChangedIt_data()
    {
        QTest::addColumn<QString>("elsewhere"); // what another user does meanwhile
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("nameShown"); // in the name box afterwards
        const QString changed = "Cannot proccess: Another user changed this item after it was shown; nothing was "
                                "saved. It now shows as it is.";
        QTest::addRow("deleted") << "DELETE FROM Items WHERE item_no = 'T-200'"
                                 << QStringList{"Cannot proccess: Another user deleted this item after it was "
                                                "shown; nothing was saved."}
                                 << "";
        QTest::addRow("renamed") << "UPDATE Items SET item_name = 'Toner XL' WHERE item_no = 'T-200'"
                                 << QStringList{changed} << "Toner XL";
        QTest::addRow("a unit taken out")
            << "UPDATE Items SET remaining_quantity = 4, Status = '40%' WHERE item_no = 'T-200'" << QStringList{changed}
            << "Toner";
        QTest::addRow("another item changed") << "UPDATE Items SET item_name = 'Bond XL' WHERE item_no = 'B-7'"
                                              << QStringList{"Success: Item Edited"} << "";
    }

    void saveAfterAnotherUserChangedIt()
    {
        QFETCH(QString, elsewhere);
        QFETCH(QStringList, messages);
        QFETCH(QString, nameShown);
        m_db->item("T-200", "Toner", 5, 10, "50%", "black").item("B-7", "Bond", 1, 2, "50%");
        auto *w = static_cast<frmedit *>(openShow("edit"));
        w->txtitemno->setText("T-200");
        w->cmdsave->click();
        w->txtname->setText("Ink");
        execSql(m_db->path(), elsewhere);
        const QStringList before = snapshot(m_db->path());
        testing::ScriptedPrompts prompts;
        w->cmdsave->click();
        QCOMPARE(shown(prompts), messages);
        VERIFY_PROMPTS(prompts);
        QCOMPARE(w->cmdsave->text(), QString("Edit"));
        QCOMPARE(w->txtname->text(), nameShown);
        if (messages != QStringList{"Success: Item Edited"}) {
            QCOMPARE(snapshot(m_db->path()), before); // nothing overwritten
            QCOMPARE(w->txtitemno->text(), QString("T-200"));
            QVERIFY(w->txtitemno->isEnabled());
            QVERIFY(!w->txtname->isEnabled() && !w->txtdesc->isEnabled());
        } else {
            QCOMPARE(m_db->value("Items", 0, "item_name").toString(), QString("Ink"));
        }
    }

    // A description of several lines (written by the add window) comes back
    // unchanged from an edit of the name in the one-line box.
    void editKeepsTheLinesOfADescription()
    {
        m_db->item("T-200", "Toner", 5, 10, "50%", "Laser toner\nblack, 2 pack");
        auto *w = static_cast<frmedit *>(openShow("edit"));
        w->txtitemno->setText("T-200");
        w->cmdsave->click();
        w->txtname->setText("Ink");
        testing::ScriptedPrompts prompts;
        w->cmdsave->click();
        QCOMPARE(shown(prompts), QStringList{"Success: Item Edited"});
        QCOMPARE(m_db->value("Items", 0, "Description").toString(), QString("Laser toner\nblack, 2 pack"));
    }

    // Delete asks first; only the Items row goes, its tally rows stay.
    void deletion_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("how"); // click or enter
        QTest::addColumn<QString>("answer"); // yes, no, or none when nothing is asked
        QTest::addColumn<QStringList>("left"); // item numbers in stored order
        const QStringList all = {"A1", "B7", "A1"};
        QTest::addRow("yes") << "B7"
                             << "click"
                             << "yes" << QStringList{"A1", "A1"};
        QTest::addRow("no") << "B7"
                            << "click"
                            << "no" << all;
        QTest::addRow("Enter, yes") << "B7"
                                    << "enter"
                                    << "yes" << QStringList{"A1", "A1"};
        QTest::addRow("two rows, first goes") << "A1"
                                              << "click"
                                              << "yes" << QStringList{"B7", "A1"};
        QTest::addRow("unknown number") << "Z9"
                                        << "click"
                                        << "none" << all;
        QTest::addRow("empty number") << ""
                                      << "click"
                                      << "none" << all;
        QTest::addRow("leading blank") << " B7"
                                       << "click"
                                       << "none" << all;
        QTest::addRow("trailing blank") << "B7 "
                                        << "enter"
                                        << "none" << all;
    }

    void deletion()
    {
        QFETCH(QString, number);
        QFETCH(QString, how);
        QFETCH(QString, answer);
        QFETCH(QStringList, left);
        m_db->item("A1", "Toner", 3, 10).item("B7", "Stapler", 1, 8).item("A1", "Toner again", 2, 2);
        m_db->tally("B7", "Stapler", 4).tally("A1", "Toner", 2);
        auto *w = static_cast<frmdelete *>(openShow("delete"));
        QVERIFY(w->cmddelete->isDefault());
        testing::ScriptedPrompts prompts;
        if (answer != "none")
            prompts.answer(answer == "yes" ? Answer::Yes : Answer::No);
        w->txtitemno->setText(number);
        const QStringList before = shownItem(w);
        if (how == "enter")
            QTest::keyClick(w->txtitemno, Qt::Key_Return);
        else
            w->cmddelete->click();
        VERIFY_PROMPTS(prompts);

        QStringList expected;
        if (answer != "none")
            expected << "Confirm: Are you sure you want to delete this item?";
        if (answer == "yes")
            expected << "Success: Item Deleted";
        QCOMPARE(shown(prompts), expected);
        if (answer != "none")
            QCOMPARE(prompts.messages[0].buttons, ui::Buttons::YesNo);
        QStringList numbers;
        for (int row = 0; row < m_db->count("Items"); ++row)
            numbers << m_db->value("Items", row, "item_no").toString();
        QCOMPARE(numbers, left);
        QCOMPARE(m_db->count("Itemsout"), 2);
        QVERIFY(w->isVisible());
        if (answer == "yes") {
            QVERIFY(w->txtitemno->text().isEmpty());
            QCOMPARE(shownItem(w), QStringList({"", "", "", ""}));
            QCOMPARE(w->focusWidget(), w->txtitemno);
        } else {
            QCOMPARE(w->txtitemno->text(), number);
            QCOMPARE(shownItem(w), before);
        }
    }

    // A database that fails in the middle of an action: its message is
    // shown, nothing is written, and the window goes on working once the
    // database does. A trigger stands for a full disk.
    void failingDatabase_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("fault"); // the write that fails (and how), or "gone" / "locked"
        QTest::addColumn<QString>("says"); // part of the message
        QTest::addRow("add, disk full") << "add"
                                        << "INSERT"
                                        << "disk full";
        QTest::addRow("edit, disk full") << "edit"
                                         << "UPDATE"
                                         << "disk full";
        QTest::addRow("delete, disk full") << "delete"
                                           << "DELETE"
                                           << "disk full";
        if (testing::onServer()) {
            // The server ends the connection in the middle of the write.
            const QString lost = "The database server cannot be reached; nothing was written.";
            QTest::addRow("add, server lost") << "add"
                                              << "INSERT lost" << lost;
            QTest::addRow("edit, server lost") << "edit"
                                               << "UPDATE lost" << lost;
            QTest::addRow("delete, server lost") << "delete"
                                                 << "DELETE lost" << lost;
            return; // the file's own failures follow
        }
        QTest::addRow("add, file gone") << "add"
                                        << "gone"
                                        << "does not exist";
        QTest::addRow("edit, file gone") << "edit"
                                         << "gone"
                                         << "does not exist";
        QTest::addRow("delete, file gone") << "delete"
                                           << "gone"
                                           << "does not exist";
        QTest::addRow("add, file locked") << "add"
                                          << "locked"
                                          << "locked";
    }

    void failingDatabase()
    {
        QFETCH(QString, window);
        QFETCH(QString, fault);
        QFETCH(QString, says);
        m_db->item("T-200", "Toner", 5, 10, "50%", "black");
        ItemWindow *w = window == "add" ? static_cast<ItemWindow *>(openAdd()) : openShow(window);
        testing::ScriptedPrompts prompts;
        QPushButton *button = w->findChild<QPushButton *>(window == "add"    ? "cmdadd"
                                                          : window == "edit" ? "cmdsave"
                                                                             : "cmddelete");
        if (window == "add") {
            fill(static_cast<frmadd *>(w), {"N-1", "Notebook", "5", "5", "Spiral"});
        } else {
            w->txtitemno->setText("T-200");
            if (window == "edit") {
                button->click();
                w->txtname->setText("Ink");
            } else if (fault != "gone") {
                prompts.answer(Answer::Yes); // asked before the write fails
            }
        }
        const QStringList before = snapshot(m_db->path());
        const QString moved = m_db->path() + ".away";

        std::unique_ptr<KeyedFile> holder;
        if (fault == "gone") {
            QVERIFY(QFile::rename(m_db->path(), moved));
        } else if (fault == "locked") {
            holder = std::make_unique<KeyedFile>(m_db->path(), KeyedFile::Mode::ReadWrite);
            holder->noBusyWait();
            holder->exec("BEGIN EXCLUSIVE");
        } else {
            testing::failWrites(m_db->path(), "full", "BEFORE", fault.section(' ', 0, 0), "Items",
                                fault.contains("lost") ? "lost" : "disk full");
        }
        const QStringList boxes = contentsOf(w);
        button->click();
        if (holder) {
            sqlite3_exec(holder->db(), "ROLLBACK", nullptr, nullptr, nullptr);
            holder.reset();
        }
        if (fault == "gone")
            QVERIFY(QFile::rename(moved, m_db->path()));
        QVERIFY(!prompts.messages.isEmpty());
        QVERIFY2(prompts.last().text.contains(says), qPrintable(prompts.last().text));
        QCOMPARE(prompts.last().title, ui::Prompts::applicationTitle());
        QCOMPARE(snapshot(m_db->path()), before);
        QCOMPARE(contentsOf(w), boxes);
        VERIFY_PROMPTS(prompts);

        // Usable again as soon as the database is.
        if (fault != "gone" && fault != "locked")
            testing::stopFailing(m_db->path(), "full", "Items");
        if (window == "edit")
            button->click(); // "Edit" again: the name box is still open
        else if (window == "delete")
            prompts.answer(Answer::Yes);
        button->click();
        QCOMPARE(shown(prompts).last(), QString(window == "add"    ? "Success: Item Added"
                                                : window == "edit" ? "Success: Item Edited"
                                                                   : "Success: Item Deleted"));
        QCOMPARE(m_db->count("Items"), window == "add" ? 2 : window == "edit" ? 1 : 0);
        VERIFY_PROMPTS(prompts);
    }

    // A look-up reads the file as one read and lets go of it afterwards,
    // found or not, so another program can write at once; a change may not
    // start inside a read.
    void lookupLetsGoOfTheFile()
    {
        if (testing::onServer())
            QSKIP("about the file's own lock");
        m_db->item("T-200", "Toner", 5, 10, "50%", "black");
        ItemShowWindow *w = openShow("delete");
        for (const char *typed : {"T-200", "T-2"}) {
            w->txtitemno->setText(typed);
            KeyedFile other(m_db->path(), KeyedFile::Mode::ReadWrite);
            other.noBusyWait();
            QCOMPARE(sqlite3_exec(other.db(), "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        {
            ReadGroup read(Module1::cnRecords);
            QVERIFY_THROWS_EXCEPTION(RecordsError, Transaction(Module1::cnRecords));
        }
        Transaction write(Module1::cnRecords);
        write.commit();
    }

    // The three windows share one layout; each box is named by its label.
    void layout_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addRow("add") << "add"
                             << "Add Item"
                             << "cmdadd"
                             << "&Add";
        QTest::addRow("edit") << "edit"
                              << "Edit Item"
                              << "cmdsave"
                              << "Edit";
        QTest::addRow("delete") << "delete"
                                << "Delete Item"
                                << "cmddelete"
                                << "&Delete";
    }

    void layout()
    {
        QFETCH(QString, window);
        QFETCH(QString, title);
        QFETCH(QString, button);
        QFETCH(QString, caption);
        ItemWindow *w = window == "add" ? static_cast<ItemWindow *>(openAdd()) : openShow(window);
        QCOMPARE(w->objectName(), "frm" + window);
        QCOMPARE(w->windowTitle(), title);
        QCOMPARE(w->size(), QSize(333, 385));
        auto *b = w->findChild<QPushButton *>(button);
        QVERIFY(b && b->isDefault());
        QCOMPARE(b->text(), caption);
        QCOMPARE(w->cmdcancel->text(), QString("&Cancel"));
        QCOMPARE(w->focusWidget(), w->txtitemno);
        const QList<QPair<QString, QString>> labels = {{"Label1", "Item Number:"},
                                                       {"Label2", "Item Name:"},
                                                       {"Label5", "Original Quantity:"},
                                                       {"Label4", "Remaining Quantity:"},
                                                       {"Label3", "Description:"}};
        const QStringList boxes = {"txtitemno", "txtname", "txtoqua", "txtrqua", "txtdesc"};
        int previousTop = -1;
        for (int i = 0; i < labels.size(); ++i) {
            auto *label = w->findChild<QLabel *>(labels[i].first);
            QCOMPARE(label->text(), labels[i].second);
            QCOMPARE(label->buddy(), w->findChild<QWidget *>(boxes[i]));
            QVERIFY2(label->y() > previousTop, qPrintable(labels[i].first));
            previousTop = label->y();
            // Every control lies inside the window, its caption whole.
            QVERIFY(w->rect().contains(label->geometry()));
            QVERIFY(label->width() >= label->sizeHint().width());
            QAccessibleInterface *box = QAccessible::queryAccessibleInterface(label->buddy());
            QCOMPARE(box->text(QAccessible::Name), labels[i].second);
        }
        QWidget *desc = w->findChild<QWidget *>("txtdesc");
        QCOMPARE(qobject_cast<QPlainTextEdit *>(desc) != nullptr, window == "add");
        // Tab order: the five boxes, then the buttons.
        QWidget *at = w->txtitemno;
        for (const QString &next : QStringList{"txtname", "txtoqua", "txtrqua", "txtdesc", button, "cmdcancel"}) {
            at = at->nextInFocusChain();
            while (!(at->focusPolicy() & Qt::TabFocus))
                at = at->nextInFocusChain();
            QCOMPARE(at->objectName(), next);
        }
        for (QWidget *child : w->findChildren<QWidget *>())
            if (!child->isWindow() && child->parentWidget() == w)
                QVERIFY2(w->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }

private:
    frmadd *openAdd()
    {
        auto *w = new frmadd;
        w->show();
        QApplication::setActiveWindow(w);
        return w;
    }

    ItemShowWindow *openShow(const QString &window)
    {
        ItemShowWindow *w = window == "edit" ? static_cast<ItemShowWindow *>(new frmedit) : new frmdelete;
        w->show();
        QApplication::setActiveWindow(w);
        return w;
    }

    static void fill(frmadd *w, const QStringList &boxes)
    {
        w->txtitemno->setText(boxes[0]);
        w->txtname->setText(boxes[1]);
        w->txtoqua->setText(boxes[2]);
        w->txtrqua->setText(boxes[3]);
        w->txtdesc->setPlainText(boxes[4]);
    }

    static QStringList contents(frmadd *w)
    {
        return {w->txtitemno->text(), w->txtname->text(), w->txtoqua->text(), w->txtrqua->text(),
                w->txtdesc->toPlainText()};
    }

    static QStringList contentsOf(ItemWindow *w)
    {
        if (auto *add = qobject_cast<frmadd *>(w))
            return contents(add);
        return QStringList{w->txtitemno->text()} + shownItem(static_cast<ItemShowWindow *>(w));
    }

    static QStringList shownItem(ItemShowWindow *w)
    {
        return {w->txtname->text(), w->txtoqua->text(), w->txtrqua->text(), w->txtdesc->text()};
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDb> m_db;
    std::optional<testing::FixedClock> m_clock;
};

QTEST_MAIN(TestItems)
#include "test_items.moc"
