// Deleting one row of the removal tally: the lookup as the number is typed,
// the confirmation, and which row goes.

#include "data/stock/module1.h"
#include "items/frmdelete.h"
#include "mainwindow/frmdeleteremove.h"
#include "mainwindow/frmmain.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace inv;
using testing::TestDb;
using ui::Answer;

class TestDeleteRemove : public QObject {
    Q_OBJECT

private slots:
    void init() { m_db = testing::newRecordsRun(m_dir); }

    void cleanup()
    {
        m_window.reset();
        testing::endRun();
        m_db.reset();
    }

    // After each typed or deleted character the boxes show the first row
    // whose number is exactly the text, or nothing.
    void lookupAsTyped()
    {
        fillTally();
        openWindow();
        const QStringList afterEachKey = {"", "Toner", "Bond paper", "", "Bond paper", "Toner", ""};
        const QList<Qt::Key> keys = {Qt::Key_A,         Qt::Key_1,         Qt::Key_2,        Qt::Key_3,
                                     Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace};
        for (int i = 0; i < keys.size(); ++i) {
            if (keys[i] == Qt::Key_Backspace)
                QTest::keyClick(m_window->txtitemno, keys[i]);
            else
                QTest::keyClicks(m_window->txtitemno, QKeySequence(keys[i]).toString());
            QCOMPARE(m_window->txtname->text(), afterEachKey[i]);
        }
        QTest::keyClicks(m_window->txtitemno, "12");
        QCOMPARE(m_window->txtitemno->text(), QString("A12"));
        QCOMPARE(m_window->txtqua->text(), QString("5"));
        QCOMPARE(m_window->txtdesc->toPlainText(), QString("white"));
    }

    void lookupIsExact_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addRow("exact") << "B7"
                               << "Stapler";
        QTest::addRow("first of two") << "A1"
                                      << "Toner";
        QTest::addRow("other case") << "b7"
                                    << "";
        QTest::addRow("leading blank") << " B7"
                                       << "";
        QTest::addRow("trailing blank") << "B7 "
                                        << "";
        QTest::addRow("unknown") << "Z9"
                                 << "";
    }

    void lookupIsExact()
    {
        QFETCH(QString, number);
        QFETCH(QString, name);
        fillTally();
        openWindow();
        m_window->txtitemno->setText(number);
        QCOMPARE(m_window->txtname->text(), name);
        QCOMPARE(m_window->txtqua->text().isEmpty(), name.isEmpty());
    }

    void anEmptyTallyLeavesTheBoxesAsTheyWere()
    {
        openWindow();
        m_window->txtname->setText("left");
        m_window->txtitemno->setText("A1");
        QCOMPARE(m_window->txtname->text(), QString("left"));
    }

    void deletion_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("how"); // click or enter
        QTest::addColumn<QString>("answer"); // yes, no, or none when nothing is asked
        QTest::addColumn<QStringList>("left"); // tally names in stored order
        const QStringList all = {"Toner", "Bond paper", "Stapler", "Toner again"};
        QTest::addRow("yes") << "B7"
                             << "click"
                             << "yes" << QStringList{"Toner", "Bond paper", "Toner again"};
        QTest::addRow("no") << "B7"
                            << "click"
                            << "no" << all;
        QTest::addRow("unknown number") << "Z9"
                                        << "click"
                                        << "none" << all;
        QTest::addRow("empty number") << ""
                                      << "click"
                                      << "none" << all;
        QTest::addRow("two rows, first goes") << "A1"
                                              << "click"
                                              << "yes" << QStringList{"Bond paper", "Stapler", "Toner again"};
        QTest::addRow("Enter in the number box") << "A12"
                                                 << "enter"
                                                 << "yes" << QStringList{"Toner", "Stapler", "Toner again"};
        QTest::addRow("Enter, no") << "A12"
                                   << "enter"
                                   << "no" << all;
    }

    void deletion()
    {
        QFETCH(QString, number);
        QFETCH(QString, how);
        QFETCH(QString, answer);
        QFETCH(QStringList, left);
        fillTally();
        openWindow();
        canUndo = true;
        testing::ScriptedPrompts prompts;
        if (answer != "none")
            prompts.answer(answer == "yes" ? Answer::Yes : Answer::No);
        m_window->txtitemno->setText(number);
        const QString shownName = m_window->txtname->text();

        if (how == "enter")
            QTest::keyClick(m_window->txtitemno, Qt::Key_Return);
        else
            m_window->cmddelete->click();

        QStringList texts;
        for (const auto &m : prompts.messages)
            texts << m.title + ": " + m.text;
        if (answer == "none")
            QCOMPARE(texts, QStringList());
        else if (answer == "no")
            QCOMPARE(texts, QStringList{"Confirm: Are you sure you want to delete this item?"});
        else
            QCOMPARE(texts,
                     QStringList({"Confirm: Are you sure you want to delete this item?", "Success: Item Deleted"}));
        if (answer != "none")
            QCOMPARE(prompts.messages[0].buttons, ui::Buttons::YesNo);
        VERIFY_PROMPTS(prompts);

        QCOMPARE(tallyNames(), left);
        QCOMPARE(m_db->count("Items"), 1);
        QVERIFY(canUndo);
        QVERIFY(m_window->isVisible());
        if (answer == "yes") {
            for (QString text : {m_window->txtitemno->text(), m_window->txtname->text(), m_window->txtqua->text(),
                                 m_window->txtdesc->toPlainText()})
                QVERIFY(text.isEmpty());
            QCOMPARE(m_window->focusWidget(), m_window->txtitemno);
        } else {
            QCOMPARE(m_window->txtitemno->text(), number);
            QCOMPARE(m_window->txtname->text(), shownName);
        }
    }

    // Both delete windows delete the row the user confirmed, not whatever
    // stands at its place when Yes is answered: another program may delete
    // it while the box is open and add a row that takes its key (the
    // highest key is given again). A row that only changed its count is
    // still the row that was confirmed.
    void deleteActsOnTheConfirmedRow_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("meanwhile"); // SQL run while the box is open; %1 is the table
        QTest::addColumn<QStringList>("left"); // the table's names in stored order
        const QString replaced = "DELETE FROM %1 WHERE item_no = 'B7'; "
                                 "INSERT INTO %1 (item_no, item_name, Description) VALUES ('C3', 'Glue', 'new')";
        for (const QString table : {"Items", "Itemsout"}) {
            QTest::addRow("%s: replaced by a row with its key", qPrintable(table))
                << table << replaced << QStringList{"Toner", "Glue"};
            QTest::addRow("%s: deleted", qPrintable(table))
                << table << "DELETE FROM %1 WHERE item_no = 'B7'" << QStringList{"Toner"};
            QTest::addRow("%s: its count changed", qPrintable(table))
                << table << (table == "Items" ? "UPDATE %1 SET remaining_quantity = 4" : "UPDATE %1 SET quantity = 8")
                << QStringList{"Toner"};
        }
    }

    void deleteActsOnTheConfirmedRow()
    {
        QFETCH(QString, table);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, left);
        m_db->item("A1", "Toner", 3, 10).item("B7", "Stapler", 5, 10);
        m_db->tally("A1", "Toner", 3).tally("B7", "Stapler", 1);
        const bool items = table == "Items";
        std::unique_ptr<QWidget> window;
        QLineEdit *number = nullptr;
        QPushButton *remove = nullptr;
        if (items) {
            auto *w = new frmdelete;
            window.reset(w);
            number = w->txtitemno;
            remove = w->cmddelete;
        } else {
            auto *w = new frmdeleteremove;
            window.reset(w);
            number = w->txtitemno;
            remove = w->cmddelete;
        }
        window->show();
        testing::ScriptedPrompts prompts;
        prompts.answer(Answer::Yes);
        prompts.duringNext([&] { testing::execSql(m_db->path(), meanwhile.arg(table)); });
        number->setText("B7");
        remove->click();

        const bool confirmedRowGone = !left.contains("Glue") && meanwhile.startsWith("UPDATE");
        QStringList texts;
        for (const auto &m : prompts.messages)
            texts << m.text;
        QCOMPARE(texts.value(0), QString("Are you sure you want to delete this item?"));
        if (confirmedRowGone)
            QCOMPARE(texts.value(1), QString("Item Deleted"));
        else
            QCOMPARE(texts.value(1), QString("This item was deleted or changed by another program after it was "
                                             "shown, so nothing was deleted."));
        QCOMPARE(texts.size(), 2);
        VERIFY_PROMPTS(prompts);
        QStringList names;
        for (int row = 0; row < m_db->count(table); ++row)
            names << m_db->value(table, row, "item_name").toString();
        QCOMPARE(names, left);
        // The other table is never touched.
        QCOMPARE(m_db->count(items ? "Itemsout" : "Items"), 2);
    }

    // The window is laid out as a small fixed window; Delete is the default.
    void layout()
    {
        openWindow();
        QCOMPARE(m_window->windowTitle(), QString("Delete Removed Item"));
        QCOMPARE(m_window->size(), QSize(309, 361));
        QVERIFY(m_window->cmddelete->isDefault());
        QCOMPARE(m_window->cmddelete->text(), QString("&Delete"));
        QCOMPARE(m_window->cmdcancel->text(), QString("&Cancel"));
        for (QWidget *w : {static_cast<QWidget *>(m_window->txtname), static_cast<QWidget *>(m_window->txtqua),
                           static_cast<QWidget *>(m_window->txtdesc)})
            QVERIFY(!w->isEnabled());
        QCOMPARE(m_window->focusWidget(), m_window->txtitemno);
    }

private:
    void fillTally()
    {
        m_db->item("A1", "Toner", 3, 10);
        m_db->tally("A1", "Toner", 3, "black").tally("A12", "Bond paper", 5, "white").tally("B7", "Stapler", 1);
        m_db->tally("A1", "Toner again", 9, "second");
    }

    void openWindow()
    {
        m_window = std::make_unique<frmdeleteremove>();
        m_window->show();
    }

    QStringList tallyNames() const
    {
        QStringList names;
        for (int row = 0; row < m_db->count("Itemsout"); ++row)
            names << m_db->value("Itemsout", row, "item_name").toString();
        return names;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<frmdeleteremove> m_window;
};

QTEST_MAIN(TestDeleteRemove)
#include "test_deleteremove.moc"
