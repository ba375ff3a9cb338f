// Taking stock out by item number: the box of the main window, fed through
// the window's own key events as a keyboard or a barcode scanner types.

#include "data/core/clock.h"
#include "data/stock/module1.h"
#include "items/frmdelete.h"
#include "mainwindow/frmmain.h"
#include "support/fixedclock.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <optional>

using namespace inv;
using testing::entries;
using testing::snapshot;
using testing::TestDb;

namespace {

const QDate kToday{2026, 3, 10};

// What a scanner may send around a code.
enum class Around { Nothing, Stx, CtrlKeys };
// How it may end one: Enter, Tab, the line feed key (as xdotool types "\n"
// under X) or Ctrl+M (a carriage return as Ctrl with a letter).
enum class End { Return, Tab, LineFeed, CtrlM };

} // namespace

class TestScan : public QObject {
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

    // A scanner's burst: 30 codes typed at 10 ms a key, ended in each of the
    // ways scanners end them, some wrapped in control characters (STX/ETX, or Ctrl+D and Ctrl+X,
    // which are also the window's shortcut keys). Exactly 30 units go, none
    // lost and none doubled, and the box keeps the focus throughout.
    void burstOfScans()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 40, 40).item("P-100", "Bond paper", 40, 40);
        QVERIFY(loadMain());
        testing::ScriptedPrompts prompts;
        pressScanKey();
        for (int i = 0; i < 30; ++i) {
            const Around around = i % 3 == 0 ? Around::Nothing : i % 3 == 1 ? Around::Stx : Around::CtrlKeys;
            scan(i % 2 ? "P-100" : "T-200", End(i % 4), around);
        }
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 25);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 25);
        QCOMPARE(db.value("Items", 0, "Status").toString(), QString("62%")); // 62.5, half to even
        QCOMPARE(entries(m_main->lstremove), QStringList({"Bond paper      (15)", "Toner      (15)"}));
        QCOMPARE(QApplication::focusWidget(), m_main->txtscan);
        QCOMPARE(m_main->txtscan->text(), QString());
        QVERIFY(m_main->isEnabled()); // Ctrl+D opened no window
        QCOMPARE(testing::shownWindows<frmdelete>(), 0);
        QCOMPARE(m_main->lblscanmsg->text(), QString());
        QCOMPARE(prompts.messages.size(), 0);
    }

    // Numbers are compared exactly, as stored; a number no item has is said
    // in the window's own line (no message box) and takes nothing, as does
    // a number of an item without stock. Such a number leaves the undo of
    // the removal before it as it was: Undo Remove still puts that unit back.
    void numbersThatTakeNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("line");
        QTest::addRow("unknown") << "X-999"
                                 << "No item has the number X-999.";
        QTest::addRow("differs in case") << "t-200"
                                         << "No item has the number t-200.";
        QTest::addRow("blank around it") << " T-200"
                                         << "No item has the number  T-200.";
        QTest::addRow("prefix of a number") << "T-20"
                                            << "No item has the number T-20.";
        QTest::addRow("no stock") << "E-1"
                                  << "";
        QTest::addRow("markup, shown as typed") << "<h1>X</h1>"
                                                << "No item has the number <h1>X</h1>.";
    }

    void numbersThatTakeNothing()
    {
        QFETCH(QString, typed);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10).item("E-1", "Empty box", 0, 10);
        QVERIFY(loadMain());
        testing::ScriptedPrompts prompts;
        pressScanKey();
        scan("T-200", End::Return);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4);
        const QStringList before = snapshot(db.path());
        scan(typed, End::Return);
        QCOMPARE(snapshot(db.path()), before);
        QTEST(m_main->lblscanmsg->text(), "line");
        QCOMPARE(m_main->lblscanmsg->textFormat(), Qt::PlainText);
        QCOMPARE(m_main->txtscan->text(), QString());
        QCOMPARE(QApplication::focusWidget(), m_main->txtscan);
        QCOMPARE(prompts.messages.size(), 0);
        // Ctrl+Z puts back the unit of the scan before.
        QTest::keyClick(m_main->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 0);
        QVERIFY(!canUndo);
        // The right number next clears the line and takes its unit.
        scan("T-200", End::Return);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4);
        QCOMPARE(m_main->lblscanmsg->text(), QString());
    }

    // The number finds its own item even when another item has the same
    // name; undo puts the unit back into that item, not into the first of
    // the name, and the one tally row of the name counts both.
    void undoPutsBackTheScannedItem()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 5, 10).item("2", "Toner", 7, 10, "70%");
        QVERIFY(loadMain());
        testing::ScriptedPrompts prompts;
        pressScanKey();
        scan("2", End::Return);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 6);
        QCOMPARE(db.value("Items", 1, "Status").toString(), QString("60%"));
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(db.value("Itemsout", 0, "item_no").toString(), QString("2"));
        QCOMPARE(entries(m_main->lstremove), QStringList({"Toner      (1)"}));
        QVERIFY(canUndo);

        // Ctrl+Z in the box is the window's Undo Remove.
        QCOMPARE(QApplication::focusWidget(), m_main->txtscan);
        QTest::keyClick(m_main->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 7);
        QCOMPARE(db.value("Items", 1, "Status").toString(), QString("70%"));
        QCOMPARE(db.value("Items", 1, "date_updated").toDate(), testing::kOldDate);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 0);
        QVERIFY(!canUndo);
        // A second undo changes nothing.
        m_main->nUndoRemove->trigger();
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 7);
        QCOMPARE(db.value("Itemsout", 0, "quantity").toInt(), 0);

        // A click after a scan is undone by its entry again.
        scan("2", End::Return);
        m_main->lstitem->setFocus();
        QTest::keyClick(m_main->windowHandle(), Qt::Key_Down);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4);
        m_main->nUndoRemove->trigger();
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        QCOMPARE(db.value("Items", 1, "remaining_quantity").toInt(), 6);
        QCOMPARE(prompts.messages.size(), 0);
    }

    // The key reaches the box from every control of the window, also while
    // the transaction panel is hidden; the scan then counts in the tally as
    // well.
    void scanKeyFromAnywhere()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10);
        QVERIFY(loadMain());
        QCOMPARE(frmmain::scanKey(), QKeySequence(Qt::Key_F2));
        for (QWidget *from : {static_cast<QWidget *>(m_main->lstitem), static_cast<QWidget *>(m_main->lstremove),
                              static_cast<QWidget *>(m_main->cmdadd)}) {
            from->setFocus();
            QCOMPARE(QApplication::focusWidget(), from);
            pressScanKey();
            QCOMPARE(QApplication::focusWidget(), m_main->txtscan);
        }
        QCOMPARE(m_main->txtscan->accessibleName(), QString("Item number"));
        m_main->cmdtrans->click(); // hides the panel
        QVERIFY(!m_main->transactionPanelShown());
        pressScanKey();
        scan("T-200", End::Return);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 4);
        m_main->cmdtrans->click();
        QCOMPARE(entries(m_main->lstremove), QStringList({"Toner      (1)"}));
    }

    // View-only mode has no box, no key to it, and no line about it in the
    // help message.
    void viewOnlyHasNoBox()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10);
        m_main = testing::startMain();
        QVERIFY(m_main);
        m_main->setRestrictedMode();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        QVERIFY(!m_main->txtscan);
        QVERIFY(!m_main->findChild<QLineEdit *>("txtscan"));
        QVERIFY(!m_main->findChild<QLabel *>("lblscan"));
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(m_main->windowHandle(), Qt::Key_F2);
        type(m_main->windowHandle(), "T-200");
        QTest::keyClick(m_main->windowHandle(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), focus);
        QCOMPARE(db.value("Items", 0, "remaining_quantity").toInt(), 5);
        testing::ScriptedPrompts prompts;
        m_main->showHelp();
        QVERIFY(!prompts.last().text.contains("Item number"));
    }

private:
    bool loadMain()
    {
        m_main = testing::startMain();
        if (!m_main)
            return false;
        m_main->show();
        if (!QTest::qWaitForWindowActive(m_main.get()))
            return false;
        m_main->cmdtrans->click();
        return m_main->transactionPanelShown();
    }

    // Keys typed into the window, one character each.
    static void type(QWindow *window, const QString &text, int delay = -1)
    {
        for (const QChar c : text)
            QTest::keyClick(window, c.toLatin1(), Qt::NoModifier, delay);
    }

    void pressScanKey() { QTest::keyClick(m_main->windowHandle(), Qt::Key_F2); }

    // Types a code into the window as a scanner does, 10 ms a key.
    void scan(const QString &code, End end, Around around = Around::Nothing)
    {
        QWindow *window = m_main->windowHandle();
        const auto control = [window](char c) {
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key(0), QString(QChar::fromLatin1(c)), Qt::NoModifier, 10);
        };
        if (around == Around::Stx)
            control('\x02');
        else if (around == Around::CtrlKeys)
            QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier, 10);
        type(window, code, 10);
        if (around == Around::Stx)
            control('\x03');
        else if (around == Around::CtrlKeys)
            QTest::keyClick(window, Qt::Key_X, Qt::ControlModifier, 10);
        switch (end) {
        case End::Return:
            QTest::keyClick(window, Qt::Key_Return, Qt::NoModifier, 10);
            break;
        case End::Tab:
            QTest::keyClick(window, Qt::Key_Tab, Qt::NoModifier, 10);
            break;
        case End::LineFeed:
            control('\n');
            break;
        case End::CtrlM:
            QTest::keyClick(window, Qt::Key_M, Qt::ControlModifier, 10);
            break;
        }
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmmain> m_main;
    std::optional<testing::FixedClock> m_clock;
};

QTEST_MAIN(TestScan)
#include "test_scan.moc"
