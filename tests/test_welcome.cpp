// The welcome window: its two faces, the one-time choice of the database
// file, and the ways in (User, Admin, Enter).

#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "startup/frmlogin.h"
#include "startup/frmwelcome.h"
#include "support/hookedconnection.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

using namespace inv;
using testing::shownWindow;
using testing::TestDb;
namespace Prompts = inv::ui::Prompts;

class TestWelcome : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup() { testing::endRun(); }

    void faces_data()
    {
        QTest::addColumn<bool>("account");
        QTest::addColumn<QVariant>("coname");
        QTest::addColumn<QString>("shown");
        QTest::addRow("first run") << false << QVariant() << "";
        QTest::addRow("company name") << true << QVariant("Acme Stores") << "Acme Stores";
        QTest::addRow("no company name") << true << QVariant() << "";
        QTest::addRow("empty company name") << true << QVariant("") << "";
    }

    void faces()
    {
        QFETCH(bool, account);
        QFETCH(QVariant, coname);
        QFETCH(QString, shown);
        TestDb db(m_dir->path());
        if (account)
            db.misc("admin", "pw", coname);
        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        QCOMPARE(welcome->windowTitle(), QString("Welcome"));
        QCOMPARE(welcome->cmdcreate->isVisible(), !account);
        QCOMPARE(welcome->cmduser->isVisible(), account);
        QCOMPARE(welcome->cmdadmin->isVisible(), account);
        QVERIFY(welcome->cmdexit->isVisible());
        QCOMPARE(welcome->cmdcreate->text(), QString("&Create user name and password"));
        QCOMPARE(welcome->lblconame->text(), shown);
        QCOMPARE(welcome->Label1->text(), QString("Inventory System"));
        if (!account) {
            // Enter clicks Admin, which the first-run face does not offer.
            QTest::keyClick(welcome, Qt::Key_Return);
            QVERIFY(!shownWindow<frmlogin>());
            QVERIFY(prompts.messages.isEmpty());
        }
        VERIFY_PROMPTS(prompts);
    }

    // The company name starts at its own place (1920 twips), sized to its
    // text; a long one runs off the window's right edge only.
    void companyNameStartsAtItsPlace_data()
    {
        QTest::addColumn<QString>("coname");
        QTest::addRow("short") << "Acme";
        QTest::addRow("long") << "Northern Provincial Stationery and Office Supplies";
    }

    void companyNameStartsAtItsPlace()
    {
        QFETCH(QString, coname);
        TestDb db(m_dir->path());
        db.misc("admin", "pw", coname);
        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        const QRect shown = welcome->lblconame->geometry();
        QCOMPARE(shown.topLeft(), QPoint(128, 16));
        QCOMPARE(shown.width(), welcome->lblconame->sizeHint().width());
        QVERIFY(shown.width() >= QFontMetrics(welcome->lblconame->font()).horizontalAdvance(coname));
        const bool runsOff = shown.right() >= welcome->width();
        QCOMPARE(runsOff, coname.size() > 10);
    }

    void databaseChoice_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("file"); // what the dialog returns
        QTest::addRow("User, records database") << "cmduser"
                                                << "records";
        QTest::addRow("Admin, records database") << "cmdadmin"
                                                 << "records";
        QTest::addRow("User, cancelled") << "cmduser"
                                         << "cancel";
        QTest::addRow("Admin, cancelled") << "cmdadmin"
                                          << "cancel";
        QTest::addRow("Admin, text file") << "cmdadmin"
                                          << "text";
        QTest::addRow("User, empty file") << "cmduser"
                                          << "empty";
        QTest::addRow("Admin, another key") << "cmdadmin"
                                            << "otherkey";
        QTest::addRow("User, no Misc table") << "cmduser"
                                             << "notable";
    }

    void databaseChoice()
    {
        QFETCH(QString, button);
        QFETCH(QString, file);
        TestDb def(m_dir->path());
        def.misc("admin", "pw", {}, QString(""));
        QString chosen = m_dir->filePath("Chosen.mdb");
        std::optional<TestDb> chosenDb;
        if (file == "records") {
            chosenDb.emplace(m_dir->path(), "Chosen.mdb");
            chosenDb->misc("other", "pw2");
        } else if (file == "text")
            chosen = testing::writeFile(m_dir->path(), "Chosen.mdb", "item;quantity\nToner;3\n");
        else if (file == "empty")
            chosen = testing::writeFile(m_dir->path(), "Chosen.mdb", {});
        else if (file != "cancel")
            testing::makeBadDatabase(chosen, file);

        testing::ScriptedPrompts prompts;
        prompts.chooseFile(file == "cancel" ? QString() : chosen);
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        welcome->findChild<QPushButton *>(button)->click();

        QCOMPARE(prompts.fileDialogs, 1);
        QVERIFY(!prompts.messages.isEmpty());
        QCOMPARE(prompts.messages[0].text, QString("Choose DataBase file"));
        QCOMPARE(prompts.messages[0].title, Prompts::applicationTitle());
        const bool stored = file == "records";
        const bool refused = !stored && file != "cancel";
        QCOMPARE(prompts.messages.size(), refused ? 2 : 1);
        if (refused) {
            const testing::ShownMessage &m = prompts.messages[1];
            QVERIFY2(m.text.contains(chosen) && m.text.contains("cannot be used"), qPrintable(m.text));
            QCOMPARE(m.title, Prompts::applicationTitle());
        }
        // The path goes into the default database's row; the chosen file is
        // left alone.
        QCOMPARE(def.value("Misc", 0, "pat").toString(), stored ? chosen : QString(""));
        QCOMPARE(Module1::dbPath, stored ? chosen : def.path());
        if (chosenDb)
            QVERIFY(chosenDb->value("Misc", 0, "pat").isNull());
        // Nothing else happens: the user clicks again to go on.
        QVERIFY(welcome->isVisible());
        QVERIFY(welcome->cmduser->isVisible() && welcome->cmdadmin->isVisible());
        QVERIFY(!shownWindow<frmlogin>());
        QVERIFY(!shownWindow<frmmain>());
        VERIFY_PROMPTS(prompts);
    }

    void waysIn_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("chosenBefore");
        QTest::addRow("User, file chosen") << "cmduser" << true;
        QTest::addRow("Admin, file chosen") << "cmdadmin" << true;
        QTest::addRow("User, no file yet") << "cmduser" << false;
        QTest::addRow("Admin, no file yet") << "cmdadmin" << false;
    }

    void waysIn()
    {
        QFETCH(QString, button);
        QFETCH(bool, chosenBefore);
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        chosen.misc("other", "pw2").item("1", "Toner", 3, 10);
        TestDb(m_dir->path()).misc("admin", "pw", {}, chosenBefore ? QVariant(chosen.path()) : QVariant());

        testing::ScriptedPrompts prompts;
        QPointer<frmwelcome> welcome = load();
        QVERIFY(welcome);
        QPushButton *way = welcome->findChild<QPushButton *>(button);
        if (!chosenBefore) {
            prompts.chooseFile(chosen.path());
            way->click();
            QCOMPARE(prompts.fileDialogs, 1);
            QVERIFY(welcome->isVisible());
        }
        way->click();
        QCOMPARE(prompts.messages.size(), chosenBefore ? 0 : 1);
        QVERIFY(!welcome || !welcome->isVisible());
        if (button == "cmdadmin") {
            QVERIFY(shownWindow<frmlogin>());
            QVERIFY(!shownWindow<frmmain>());
            // The login checks its connection on the chosen file.
            QCOMPARE(Module1::cnCheck->path(), chosen.path());
        } else {
            // No password: straight to the main window, on the chosen file.
            QVERIFY(!shownWindow<frmlogin>());
            frmmain *main = shownWindow<frmmain>();
            QVERIFY(main);
            QVERIFY(main->restrictedMode());
            QVERIFY(!main->cmdadd->isEnabled());
            QCOMPARE(Module1::cnRecords->path(), chosen.path());
        }
        VERIFY_PROMPTS(prompts);
    }

    void logOutFromRestrictedModeThenAdmin()
    {
        TestDb def(m_dir->path());
        def.misc("admin", "pw", {}, def.path()).item("1", "Toner", 3, 10);
        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        welcome->cmduser->click();
        QPointer<frmmain> restricted = shownWindow<frmmain>();
        QVERIFY(restricted && restricted->restrictedMode());

        restricted->mLogOut->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!restricted);
        welcome = shownWindow<frmwelcome>();
        QVERIFY(welcome);
        QVERIFY(welcome->cmdadmin->isVisible());

        welcome->cmdadmin->click();
        frmlogin *login = shownWindow<frmlogin>();
        QVERIFY(login);
        login->txtuser->setText("admin");
        login->txtpass->setText("pw");
        login->cmdenter->click();
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        frmmain *full = shownWindow<frmmain>();
        QVERIFY(full);
        QVERIFY(!full->restrictedMode());
        QVERIFY(full->cmdadd->isVisible() && full->cmdtrans->isEnabled());
        QVERIFY(full->mAction->menuAction()->isVisible());
        QCOMPARE(testing::shownWindows<frmwelcome>(), 0);
        VERIFY_PROMPTS(prompts);
    }

    // A remembered file that went missing or bad does not lock the user
    // out: the welcome window says so and asks for the file again.
    void rememberedFileThatCannotBeUsedIsChosenAgain()
    {
        TestDb def(m_dir->path());
        const QString gone = m_dir->filePath("Gone.mdb");
        def.misc("admin", "pw", {}, gone);
        TestDb chosen(m_dir->path(), "Chosen.mdb");
        chosen.misc("admin", "pw");

        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.last().text.contains(gone) && prompts.last().text.contains("again"),
                 qPrintable(prompts.last().text));
        QCOMPARE(Module1::dbPath, def.path());

        prompts.chooseFile(chosen.path());
        welcome->cmdadmin->click();
        QCOMPARE(prompts.messages[1].text, QString("Choose DataBase file"));
        QCOMPARE(def.value("Misc", 0, "pat").toString(), chosen.path());
        QVERIFY(!shownWindow<frmlogin>());

        welcome->cmdadmin->click();
        QVERIFY(shownWindow<frmlogin>());
        QCOMPARE(Module1::cnCheck->path(), chosen.path());
        VERIFY_PROMPTS(prompts);
    }

    // A remembered server that cannot be reached when the window opens is
    // down for now, not a wrong choice: User and Admin try it again, and
    // never ask for a file (the dialog cannot take a server's address).
    void unreachableServerIsTriedAgain()
    {
        const QString server = QStringLiteral("postgresql:///stock?host=/nowhere");
        TestDb def(m_dir->path());
        def.misc("admin", "pw", {}, server);
        TestDb stand(m_dir->path(), "Server.mdb"); // stands in for the server's database
        stand.misc("clerk", "pw2").item("1", "Toner", 3, 10);
        bool down = true;
        testing::ScopedFactory factory([&](const QString &path) -> std::shared_ptr<Connection> {
            if (path != server)
                return SqlCipherConnection::open(path);
            if (down)
                throw RecordsError(path, "no server answers there", RecordsError::Kind::Unreachable);
            return SqlCipherConnection::open(stand.path());
        });

        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.last().text.contains("cannot be reached")
                     && prompts.last().text.contains("Click User or Admin to try again"),
                 qPrintable(prompts.last().text));
        QVERIFY(welcome->cmdadmin->isVisible());

        welcome->cmdadmin->click(); // still down: said again, nothing else
        QCOMPARE(prompts.messages.size(), 2);
        QVERIFY(prompts.last().text.contains("cannot be reached"));
        QVERIFY(!shownWindow<frmlogin>());

        down = false;
        welcome->cmdadmin->click();
        QVERIFY(shownWindow<frmlogin>());
        QCOMPARE(Module1::dbPath, server);
        QCOMPARE(prompts.fileDialogs, 0);
        QCOMPARE(prompts.messages.size(), 2);
        QCOMPARE(def.value("Misc", 0, "pat").toString(), server);
        VERIFY_PROMPTS(prompts);
    }

    void enterClicksAdmin_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addRow("focus on User") << "cmduser";
        QTest::addRow("focus on Admin") << "cmdadmin";
        QTest::addRow("focus on Exit") << "cmdexit";
    }

    void enterClicksAdmin()
    {
        QFETCH(QString, focus);
        TestDb def(m_dir->path());
        def.misc("admin", "pw", {}, def.path());
        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = load();
        QVERIFY(welcome);
        QVERIFY(QTest::qWaitForWindowActive(welcome));
        QPushButton *focused = welcome->findChild<QPushButton *>(focus);
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Return);
        QVERIFY(shownWindow<frmlogin>());
        QVERIFY(!shownWindow<frmmain>());
        VERIFY_PROMPTS(prompts);
    }

    void failedMainWindowLeadsBackToWelcome()
    {
        TestDb def(m_dir->path());
        def.misc("admin", "pw", {}, def.path());
        testing::ScriptedPrompts prompts;
        QPointer<frmwelcome> welcome = load();
        QVERIFY(welcome);

        // User opens the check connection, then the main window's load
        // opens the records connection: that one fails.
        int opens = 0;
        Module1::setConnectionFactory([&opens](const QString &path) -> std::shared_ptr<Connection> {
            if (++opens == 2)
                throw RecordsError(path, "the disk is gone");
            return SqlCipherConnection::open(path);
        });
        welcome->cmduser->click();
        Module1::setConnectionFactory(
            [](const QString &path) -> std::shared_ptr<Connection> { return SqlCipherConnection::open(path); });

        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.last().text.contains("the disk is gone"));
        QVERIFY(!shownWindow<frmmain>());
        QVERIFY(!welcome || !welcome->isVisible());
        frmwelcome *fresh = shownWindow<frmwelcome>();
        QVERIFY(fresh);
        QVERIFY(fresh->cmduser->isVisible());
        QCOMPARE(testing::shownWindows<frmwelcome>(), 1);
        VERIFY_PROMPTS(prompts);
    }

private:
    // A run as far as the welcome window.
    static frmwelcome *load() { return testing::startRun() ? testing::loadWindow<frmwelcome>() : nullptr; }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestWelcome)
#include "test_welcome.moc"
