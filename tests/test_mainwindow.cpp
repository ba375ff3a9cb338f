// The main window: its lists, the tally line, the caption, and the panel
// that shows and hides them.

#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

using namespace inv;
using testing::entries;
using testing::execSql;
using testing::TestDb;

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup()
    {
        m_main.reset();
        testing::endRun();
    }

    void itemListIsSortedAndKeepsDuplicates()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "toner", 3, 10).item("2", "Bond paper", 1, 1).item("3", "Stapler", 1, 1);
        db.item("4", "Toner", 3, 10).item("5", "Bond paper", 2, 2);
        db.row("Items", {{"item_no", "6"}, {"remaining_quantity", 1}}); // a row without a name
        QVERIFY(loadMain());
        const QStringList listed = entries(m_main->lstitem);
        QCOMPARE(listed.size(), 6);
        QCOMPARE(listed.mid(0, 3), QStringList({"", "Bond paper", "Bond paper"}));
        QCOMPARE(listed[3], QString("Stapler"));
        QCOMPARE(QSet<QString>(listed.begin() + 4, listed.end()), QSet<QString>({"toner", "Toner"}));
        QVERIFY(m_main->lstremove->count() == 0);
        QVERIFY(!canUndo);
    }

    // The window opens at its design size and shrinks like any resizable
    // window: the controls keep their places and what no longer fits is cut
    // off by the window's edge.
    void shrinksBelowItsDesignSize()
    {
        TestDb(m_dir->path()).misc("admin", "pw");
        QVERIFY(loadMain());
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        QCOMPARE(m_main->centralWidget()->size(), QSize(1024, 768));
        QVERIFY(m_main->minimumSizeHint().width() < 400 && m_main->minimumSizeHint().height() < 300);
        m_main->resize(400, 300);
        QCOMPARE(m_main->size(), QSize(400, 300));
        QVERIFY(m_main->centralWidget()->width() == 400 && m_main->centralWidget()->height() < 300);
        QCOMPARE(m_main->cmdtrans->geometry(), QRect(16, 392, 83, 116));
        QCOMPARE(m_main->lstitem->geometry(), QRect(176, 96, 377, 628));
        m_main->resize(1024, 900);
        QCOMPARE(m_main->size(), QSize(1024, 900));
    }

    void openingState()
    {
        TestDb(m_dir->path()).misc("admin", "pw");
        canUndo = true;
        QVERIFY(loadMain());
        QCOMPARE(m_main->lstitem->count(), 0);
        QVERIFY(!canUndo);
        QVERIFY(!m_main->transactionPanelShown());
        for (const char *name : {"lstitem", "lstremove", "txtitem", "txtremove", "Shape3", "Shape4"})
            QVERIFY2(m_main->findChild<QWidget *>(name)->isHidden(), name);
        for (const char *name :
             {"Toolbar1", "cmdadd", "cmdedit", "cmddel", "cmdtrans", "cmdupdate", "Shape1", "Shape2"})
            QVERIFY2(!m_main->findChild<QWidget *>(name)->isHidden(), name);
        QCOMPARE(m_main->cmdtrans->text(), QString("Show Transaction"));
        QCOMPARE(m_main->txtitem->text(), QString("Availabe Items"));
        QCOMPARE(m_main->txtremove->text(), QString("Removed Items"));
        QCOMPARE(m_main->lstitem->toolTip(), QString("Click the item to remove"));
        // Positions come from the layout in twips (15 to a pixel).
        QCOMPARE(m_main->lstitem->geometry(), QRect(176, 96, 377, 628));
        QCOMPARE(m_main->cmdtrans->geometry(), QRect(16, 392, 83, 116));
        const QStringList keys = {"New", "View", "Print", "Help", "Logo"};
        const QStringList tips = {"Add New Item", "View Item Status", "Print Item List", "Help", "View Software Info"};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(m_main->toolbarButton(keys[i])->toolTip(), tips[i]);
    }

    void caption_data()
    {
        QTest::addColumn<bool>("hasRow");
        QTest::addColumn<QVariant>("coname");
        QTest::addColumn<QString>("title");
        QTest::addRow("no Misc row") << false << QVariant() << "Inventory System";
        QTest::addRow("no company") << true << QVariant() << "Inventory System";
        QTest::addRow("empty company") << true << QVariant(QString("")) << "Inventory System";
        QTest::addRow("Acme") << true << QVariant(QString("Acme")) << "Acme Inventory System";
    }

    void caption()
    {
        QFETCH(bool, hasRow);
        QFETCH(QVariant, coname);
        QFETCH(QString, title);
        TestDb db(m_dir->path());
        if (hasRow)
            db.misc("admin", "pw", coname);
        QVERIFY(loadMain());
        QCOMPARE(m_main->windowTitle(), title);
    }

    void tallyLine_data()
    {
        QTest::addColumn<QVariant>("name");
        QTest::addColumn<QVariant>("quantity");
        QTest::addColumn<QString>("line");
        QTest::addRow("Toner 12") << QVariant("Toner") << QVariant(12) << "Toner      (12)";
        QTest::addRow("stored whole") << QVariant("Bond paper") << QVariant(qlonglong(3)) << "Bond paper      (3)";
        QTest::addRow("no quantity") << QVariant("Toner") << QVariant() << "Toner      ()";
        QTest::addRow("no name") << QVariant() << QVariant(0) << "      (0)";
    }

    void tallyLine()
    {
        QFETCH(QVariant, name);
        QFETCH(QVariant, quantity);
        QFETCH(QString, line);
        QCOMPARE(frmmain::tallyLine(name, quantity), line);
    }

    // Each press reloads both lists from the database, showing or hiding.
    void transactionButtonReloadsAndToggles()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 3, 10).tally("1", "Toner", 12).tally("2", "Bond paper", 3);
        QVERIFY(loadMain());

        m_main->cmdtrans->click();
        QVERIFY(m_main->transactionPanelShown());
        QCOMPARE(m_main->cmdtrans->text(), QString("Hide Transaction"));
        QCOMPARE(entries(m_main->lstremove), QStringList({"Bond paper      (3)", "Toner      (12)"}));

        db.item("2", "Adhesive tape", 5, 5).tally("3", "Adhesive tape", 1);
        m_main->cmdtrans->click();
        QVERIFY(!m_main->transactionPanelShown());
        QCOMPARE(m_main->cmdtrans->text(), QString("Show Transaction"));
        QCOMPARE(entries(m_main->lstitem), QStringList({"Adhesive tape", "Toner"}));
        QCOMPARE(m_main->lstremove->count(), 3);

        m_main->cmdtrans->click();
        QVERIFY(m_main->transactionPanelShown());
        QCOMPARE(entries(m_main->lstitem), QStringList({"Adhesive tape", "Toner"}));
    }

    // From the main window's load on, everything works on the chosen file.
    void loadMovesToTheChosenDatabase()
    {
        if (testing::onServer())
            QSKIP("about the default file's remembered choice");
        TestDb def(m_dir->path());
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        def.misc("admin", "pw", "Default", chosen.path()).item("1", "Default item", 1, 1);
        chosen.misc("admin", "pw", "Chosen", chosen.path()).item("1", "Chosen item", 1, 1);
        QVERIFY(loadMain());
        QCOMPARE(Module1::cnRecords->path(), chosen.path());
        QCOMPARE(entries(m_main->lstitem), QStringList({"Chosen item"}));
        QCOMPARE(m_main->windowTitle(), QString("Chosen Inventory System"));
    }

    void loadFailsWithAMessage()
    {
        if (testing::onServer())
            QSKIP("about the default file's remembered choice");
        TestDb def(m_dir->path());
        const QString gone = m_dir->filePath("Gone.mdb");
        def.misc("admin", "pw", {}, gone);
        testing::ScriptedPrompts prompts;
        QVERIFY(!loadMain());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains(gone));
        QVERIFY(prompts.last().text.contains("does not exist"));
    }

    void panelButtonReportsADatabaseThatWentAway()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("1", "Toner", 3, 10);
        QVERIFY(loadMain());
        Module1::reset(); // let go of the open file, as a fresh action would find it
        Module1::dbPath = db.path();
        if (testing::onServer())
            execSql(testing::serverLocation("postgres"),
                    QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(QUrl(db.path()).path().mid(1)));
        else
            QVERIFY(QFile::remove(db.path()));
        testing::ScriptedPrompts prompts;
        m_main->cmdtrans->click();
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains(db.path()));
        QVERIFY(!m_main->transactionPanelShown());
    }

private:
    // Loads the main window as after the splash: the records connection on
    // the default database, dbPath on the file chosen for the run.
    bool loadMain()
    {
        m_main = testing::startMain();
        return m_main != nullptr;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmmain> m_main;
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
