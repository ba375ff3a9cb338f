// Program start: the check of the default database, the splash window's
// choice of database, its animation and the hand-over.

#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "startup/frmflash.h"
#include "startup/frmlogin.h"
#include "startup/frmwelcome.h"
#include "startup/startup.h"
#include "support/hookedconnection.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace inv;
using testing::TestDb;

namespace {

// Counts the paints of a widget.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup() { testing::endRun(); }

    void splashChoosesTheDatabase_data()
    {
        QTest::addColumn<QString>("misc"); // none, null, empty, chosen
        QTest::addRow("no Misc row") << "none";
        QTest::addRow("pat holds no value") << "null";
        QTest::addRow("pat empty") << "empty";
        QTest::addRow("pat set") << "chosen";
    }

    void splashChoosesTheDatabase()
    {
        QFETCH(QString, misc);
        TestDb def(m_dir->path());
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        if (misc == "null")
            def.misc("admin", "pw", {}, QVariant());
        else if (misc == "empty")
            def.misc("admin", "pw", {}, QString(""));
        else if (misc == "chosen")
            def.misc("admin", "pw", {}, chosen.path());

        frmflash splash;
        QVERIFY(splash.Form_Load());
        QCOMPARE(Module1::dbPath, misc == "chosen" ? chosen.path() : def.path());
        // The records connection and the Misc cursor stay on the default file.
        QCOMPARE(Module1::cnRecords->path(), def.path());
        QCOMPARE(Module1::rsMisc->connection()->path(), def.path());
    }

    void splashShowsTwentyBlocksThenHandsOver()
    {
        TestDb(m_dir->path()).misc("admin", "pw").item("1", "Toner", 3, 10);
        testing::ScriptedPrompts prompts;
        QPointer<frmflash> splash = new frmflash;
        QVERIFY(splash->Form_Load());
        splash->Timer1->stop(); // the test drives the steps
        splash->show();
        QCOMPARE(splash->Timer1->interval(), 100);
        QCOMPARE(splash->lblload->text(), QString("Loading              "));

        for (int step = 1; step <= 19; ++step) {
            splash->Timer1_Timer();
            QCOMPARE(splash->lblload->text(), QString("Loading...     %1%").arg(step * 5));
            for (int block = 0; block < 20; ++block)
                QCOMPARE(splash->cmdload[block]->isHidden(), block >= step);
            QVERIFY(!testing::shownWindow<frmwelcome>());
        }
        splash->Timer1_Timer();
        QCOMPARE(splash->lblload->text(), QString("Loading...     100%"));
        QVERIFY(!splash->cmdload[19]->isHidden());
        // The last state is painted and stays on screen for a step; the
        // hand-over comes at the next step.
        QVERIFY(!testing::shownWindow<frmwelcome>());
        splash->Timer2_Timer(); // not painted yet: no hand-over
        QVERIFY(splash->isVisible() && !testing::shownWindow<frmwelcome>());
        PaintSpy painted(splash->cmdload[19]);
        QVERIFY(QTest::qWaitForWindowExposed(splash.data()));
        QTRY_VERIFY(painted.count > 0);
        QVERIFY(!testing::shownWindow<frmwelcome>());
        QCOMPARE(splash->lblload->text(), QString("Loading...     100%"));
        splash->Timer1_Timer();
        QCOMPARE(splash->counter(), 20);
        QVERIFY(testing::shownWindow<frmwelcome>());
        QVERIFY(!mainWindow());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(splash.isNull());
        VERIFY_PROMPTS(prompts);
    }

    // The splash is gone before the next window, or a message of its, shows:
    // a remembered file that is missing is reported over no splash.
    void splashGoesBeforeTheWelcomeWindow()
    {
        TestDb(m_dir->path()).misc("admin", "pw", {}, m_dir->filePath("Gone.mdb"));
        testing::ScriptedPrompts prompts;
        bool splashShown = true;
        prompts.whileShown = [&] { splashShown = testing::shownWindow<frmflash>() != nullptr; };
        QVERIFY(startup::Start());
        QPointer<frmflash> splash = testing::shownWindow<frmflash>();
        QVERIFY(splash);
        QTRY_VERIFY_WITH_TIMEOUT(testing::shownWindow<frmwelcome>(), 5000);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains("Gone.mdb"));
        QVERIFY(!splashShown);
        QVERIFY(splash.isNull() || !splash->isVisible());
        VERIFY_PROMPTS(prompts);
    }

    // A database made before the stock history is only read from the
    // program's start to the choice at the welcome window, and all through
    // the view-only entry and its log-out: User may be all the user wants.
    // Admin's log-in upgrades it.
    void olderDatabaseWaitsForTheChoice()
    {
        TestDb db(m_dir->path());
        db.misc("admin", "pw", {}, db.path()).item("1", "Toner", 3, 10);
        testing::execSql(db.path(), "DROP TABLE Journal; PRAGMA user_version = 0");
        const QByteArray before = testing::fileHash(db.path());
        testing::ScriptedPrompts prompts;
        QVERIFY(startup::Start());
        QTRY_VERIFY_WITH_TIMEOUT(testing::shownWindow<frmwelcome>(), 5000);
        QCOMPARE(testing::fileHash(db.path()), before);

        testing::shownWindow<frmwelcome>()->cmduser->click();
        QPointer<frmmain> main = testing::shownWindow<frmmain>();
        QVERIFY(main && main->restrictedMode());
        QCOMPARE(testing::fileHash(db.path()), before);
        main->mLogOut->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(testing::shownWindow<frmwelcome>());
        QCOMPARE(testing::fileHash(db.path()), before);

        testing::shownWindow<frmwelcome>()->cmdadmin->click();
        QVERIFY(testing::shownWindow<frmlogin>());
        QVERIFY(Journal::available(*Module1::cnCheck));
        QCOMPARE(db.count("Journal"), 1);
        VERIFY_PROMPTS(prompts);
    }

    // A refusal during the splash's load stops its steps: nothing moves
    // under the message, and no welcome window (or second message) comes up
    // behind it, however long it stays open.
    void noStepRunsUnderAStartupRefusal()
    {
        TestDb(m_dir->path()).misc("admin", "pw");
        int opens = 0;
        testing::ScopedFactory failing([&](const QString &path) -> std::shared_ptr<Connection> {
            if (++opens == 2) // the splash's own load
                throw RecordsError(path, "the disk failed");
            return SqlCipherConnection::open(path);
        });
        testing::ScriptedPrompts prompts;
        int stepsUnderTheMessage = -1;
        bool welcomeUnderTheMessage = true;
        prompts.duringNext([&] {
            auto *splash = testing::findWindow<frmflash>();
            const int before = splash ? splash->counter() : 0;
            QTest::qWait(2600); // longer than the twenty steps and the hand-over
            splash = testing::findWindow<frmflash>();
            stepsUnderTheMessage = (splash ? splash->counter() : before) - before;
            welcomeUnderTheMessage = testing::findWindow<frmwelcome>() != nullptr;
        });
        QVERIFY(!startup::Start());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.last().text.contains("the disk failed"), qPrintable(prompts.last().text));
        QCOMPARE(stepsUnderTheMessage, 0);
        QVERIFY(!welcomeUnderTheMessage);
        QTest::qWait(300);
        QVERIFY(!testing::findWindow<frmwelcome>());
        QCOMPARE(prompts.messages.size(), 1);
        VERIFY_PROMPTS(prompts);
    }

    void startRefusesABadDefaultDatabase_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addRow("missing") << "missing"
                                 << "does not exist";
        QTest::addRow("empty file") << "empty"
                                    << "empty";
        QTest::addRow("another kind of file") << "text"
                                              << "not a records database";
        QTest::addRow("another key") << "otherkey"
                                     << "not a records database";
        QTest::addRow("no Misc table") << "notable"
                                       << "the table Misc is missing";
        QTest::addRow("no pat field") << "nofield"
                                      << "the field pat is missing";
    }

    void startRefusesABadDefaultDatabase()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = Module1::defaultDatabasePath();
        if (kind == "empty")
            testing::writeFile(m_dir->path(), "Records.mdb", {});
        else if (kind == "text")
            testing::writeFile(m_dir->path(), "Records.mdb", "item;quantity\nToner;3\n");
        else if (kind != "missing")
            testing::makeBadDatabase(path, kind);
        const QDateTime modified = QFileInfo(path).lastModified();

        testing::ScriptedPrompts prompts;
        QVERIFY(!startup::Start());
        QCOMPARE(prompts.messages.size(), 1);
        const QString text = prompts.last().text;
        QVERIFY2(text.contains(path), qPrintable(text));
        QVERIFY2(text.contains(reason), qPrintable(text));
        // A missing file can be created; a file that is there is never
        // replaced: it is left untouched, to be checked or restored.
        QCOMPARE(text.contains(QString("inventory-admin create \"%1\"").arg(path)), kind == "missing");
        for (const QString part : {"damaged", "left untouched", "inventory-admin check", "inventory-admin restore"})
            QVERIFY2(text.contains(part) == (kind != "missing"), qPrintable(text));
        QCOMPARE(prompts.last().title, ui::Prompts::applicationTitle());
        QVERIFY(!testing::findWindow<QWidget>());
        QCOMPARE(QFileInfo::exists(path), kind != "missing");
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        VERIFY_PROMPTS(prompts);
    }

    void startShowsTheSplash()
    {
        TestDb(m_dir->path());
        testing::ScriptedPrompts prompts;
        QVERIFY(startup::Start());
        auto *splash = testing::findWindow<frmflash>();
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QVERIFY(prompts.messages.isEmpty());
    }

    // The splash is on screen before the default database is opened (its
    // key derivation is the slow part of the start), and every file of the
    // run is opened once up to the welcome window, the remembered one too.
    void startPaintsTheSplashFirstAndOpensEachFileOnce()
    {
        TestDb def(m_dir->path());
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        chosen.misc("admin", "pw");
        def.misc("admin", "pw", {}, chosen.path());
        testing::ScriptedPrompts prompts;
        bool splashPaintedFirst = false;
        QStringList opens;
        Module1::setConnectionFactory([&](const QString &path) -> std::shared_ptr<Connection> {
            if (opens.isEmpty()) {
                auto *splash = testing::findWindow<frmflash>();
                splashPaintedFirst = splash && splash->isVisible() && splash->painted();
            }
            opens << path;
            return SqlCipherConnection::open(path);
        });
        const int handlesBefore = SqlCipherConnection::handlesOpened();
        const bool started = startup::Start();
        QTRY_VERIFY_WITH_TIMEOUT(testing::shownWindow<frmwelcome>() || !started, 5000);
        const int handles = SqlCipherConnection::handlesOpened() - handlesBefore;
        Module1::setConnectionFactory(
            [](const QString &path) -> std::shared_ptr<Connection> { return SqlCipherConnection::open(path); });
        QVERIFY(started);
        QVERIFY(splashPaintedFirst);
        QCOMPARE(opens.first(), def.path());
        QVERIFY(opens.contains(chosen.path()));
        QCOMPARE(handles, 2);
        QCOMPARE(Module1::dbPath, chosen.path());
        QVERIFY(prompts.messages.isEmpty());
    }

    // A run opens each file's handle once (each open derives the key, some
    // 30 ms): from the start through the log-in, clicks, the windows of the
    // main window, a log-out and a second entry in user mode.
    void aWholeRunOpensEachFileOnce()
    {
        TestDb def(m_dir->path());
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        chosen.misc("admin", "pw", {}, chosen.path()).item("A-1", "Alpha", 5, 10).item("B-2", "Beta", 5, 10);
        def.misc("admin", "pw", {}, chosen.path());
        testing::ScriptedPrompts prompts;
        const int handlesBefore = SqlCipherConnection::handlesOpened();
        QVERIFY(startup::Start());
        QTRY_VERIFY_WITH_TIMEOUT(testing::shownWindow<frmwelcome>(), 5000);

        testing::shownWindow<frmwelcome>()->cmdadmin->click();
        auto *login = testing::shownWindow<frmlogin>();
        QVERIFY(login);
        login->txtuser->setText("admin");
        login->txtpass->setText("pw");
        login->cmdenter->click();
        frmmain *main = testing::shownWindow<frmmain>();
        QVERIFY(main);
        for (int i = 0; i < 3; ++i) {
            main->lstitem->setCurrentRow(i % 2);
            main->lstitem_Click();
        }
        QCOMPARE(chosen.count("Itemsout"), 2);
        for (const char *entry : {"nRemaining", "nRemovedItems", "nViewItemStatus", "nRemainingItems"}) {
            QWidget *window = main->openEntry(QString::fromLatin1(entry));
            QVERIFY2(window, entry);
            window->close();
            QCoreApplication::processEvents();
        }
        main->mLogOut_Click();
        QTRY_VERIFY(testing::shownWindow<frmwelcome>());
        testing::shownWindow<frmwelcome>()->cmduser->click();
        QVERIFY(testing::shownWindow<frmmain>());

        QCOMPARE(SqlCipherConnection::handlesOpened() - handlesBefore, 2);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().text, QStringLiteral("Login successful!"));
    }

private:
    static frmmain *mainWindow() { return testing::findWindow<frmmain>(); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
