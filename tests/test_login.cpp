// The login window: the exact comparison of the account, the emptied boxes,
// the database it checks against, the upgrade of an old plain-text
// password, Enter, the clock and the title animation.

#include "data/core/clock.h"
#include "data/stock/module1.h"
#include "data/stock/passwords.h"
#include "mainwindow/frmmain.h"
#include "startup/frmlogin.h"
#include "startup/frmwelcome.h"
#include "support/fixedclock.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <optional>

using namespace inv;
using testing::shownWindow;
using testing::TestDb;

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // One hash for the whole run: hashing is slow on purpose.
        m_hash = hashPassword("Secret 1");
        QVERIFY(isPasswordHash(m_hash));
    }

    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup()
    {
        testing::endRun();
        QLocale::setDefault(QLocale::c());
    }

    void exactComparison_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<bool>("admitted");
        QTest::addRow("exact") << "admin"
                               << "Secret 1" << true;
        QTest::addRow("user in another case") << "Admin"
                                              << "Secret 1" << false;
        QTest::addRow("user with a leading blank") << " admin"
                                                   << "Secret 1" << false;
        QTest::addRow("user with a trailing blank") << "admin "
                                                    << "Secret 1" << false;
        QTest::addRow("password in another case") << "admin"
                                                  << "secret 1" << false;
        QTest::addRow("password with a leading blank") << "admin"
                                                       << " Secret 1" << false;
        QTest::addRow("password with a trailing blank") << "admin"
                                                        << "Secret 1 " << false;
        QTest::addRow("both empty") << ""
                                    << "" << false;
    }

    void exactComparison()
    {
        if (testing::onServer())
            QSKIP("the first log-in checks the default database's account, which is always a file");
        QFETCH(QString, user);
        QFETCH(QString, pass);
        QFETCH(bool, admitted);
        TestDb db(m_dir->path());
        db.misc("admin", m_hash, {}, db.path());
        testing::ScriptedPrompts prompts;
        QPointer<frmlogin> login = load();
        QVERIFY(login);

        login->txtuser->setText(user);
        login->txtpass->setText(pass);
        login->cmdenter->click();

        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().text,
                 admitted ? QString("Login successful!") : QString("User Name and/or Password is invalid"));
        QCOMPARE(prompts.last().title, admitted ? QString("Welcome") : QString("Access Denied!"));
        QCOMPARE(login->txtuser->text(), QString());
        QCOMPARE(login->txtpass->text(), QString());
        QCOMPARE(bool(shownWindow<frmmain>()), admitted);
        if (admitted)
            QVERIFY(!shownWindow<frmmain>()->restrictedMode());
        QCOMPARE(login->isVisible(), !admitted);
        if (!admitted)
            QCOMPARE(login->focusWidget(), login->txtuser);
        QCOMPARE(db.value("Misc", 0, "pass").toString(), m_hash);
        VERIFY_PROMPTS(prompts);
    }

    void firstLoginOfARunUsesTheDefaultDatabase()
    {
        // On a file the chosen database is another file, which the default
        // one names; on the server it is the server database the default
        // file points at, whose own account is admin / pw (the test set-up's).
        std::optional<TestDb> chosenFile;
        TestDb def(m_dir->path());
        QString firstPass = "Secret 1";
        if (testing::onServer()) {
            def.misc("clerk", "chosen pw").item("1", "Toner", 3, 10);
            firstPass = "pw";
        } else {
            chosenFile.emplace(m_dir->path(), "Chosen.mdb");
            chosenFile->misc("clerk", "chosen pw").item("1", "Toner", 3, 10);
            def.misc("admin", m_hash, {}, chosenFile->path());
        }
        const TestDb &chosen = chosenFile ? *chosenFile : def;
        testing::ScriptedPrompts prompts;
        QPointer<frmlogin> login = load();
        QVERIFY(login);
        QCOMPARE(Module1::cnCheck->path(), chosen.path());

        // The chosen file's account does not open the first login...
        enter(login, "clerk", "chosen pw");
        QCOMPARE(prompts.last().title, QString("Access Denied!"));
        // ...the default database's does, and the main window works on the
        // chosen file.
        enter(login, "admin", firstPass);
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        frmmain *main = shownWindow<frmmain>();
        QVERIFY(main);
        QCOMPARE(Module1::cnRecords->path(), chosen.path());

        // After logging out, the next login checks the chosen file.
        delete main;
        login = testing::loadWindow<frmlogin>();
        QVERIFY(login);
        enter(login, "admin", firstPass);
        QCOMPARE(prompts.last().title, QString("Access Denied!"));
        enter(login, "clerk", "chosen pw");
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        QCOMPARE(prompts.messages.size(), 4);
        VERIFY_PROMPTS(prompts);
    }

    void plainTextPasswordIsReplacedByItsHash()
    {
        if (testing::onServer())
            QSKIP("the first log-in checks the default database's account, which is always a file");
        TestDb db(m_dir->path());
        db.misc("admin", "old pw", {}, db.path());
        testing::ScriptedPrompts prompts;
        QPointer<frmlogin> login = load();
        QVERIFY(login);

        enter(login, "admin", "Old pw");
        QCOMPARE(prompts.last().title, QString("Access Denied!"));
        QCOMPARE(db.value("Misc", 0, "pass").toString(), QString("old pw"));

        enter(login, "admin", "old pw");
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        const QString stored = db.value("Misc", 0, "pass").toString();
        QVERIFY(isPasswordHash(stored));
        QVERIFY(checkPassword(stored, "old pw"));
        QCOMPARE(db.value("Misc", 0, "User").toString(), QString("admin"));

        // The next login is checked against the hash.
        testing::deleteAllWindows();
        login = load();
        QVERIFY(login);
        enter(login, "admin", "old pw");
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        QCOMPARE(db.value("Misc", 0, "pass").toString(), stored);
        VERIFY_PROMPTS(prompts);
    }

    void enterInEitherBoxClicksEnter_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addRow("user name") << "txtuser";
        QTest::addRow("password") << "txtpass";
    }

    void enterInEitherBoxClicksEnter()
    {
        QFETCH(QString, box);
        TestDb db(m_dir->path());
        db.misc("admin", m_hash, {}, db.path());
        testing::ScriptedPrompts prompts;
        frmlogin *login = load();
        QVERIFY(login);
        QVERIFY(QTest::qWaitForWindowActive(login));
        auto *edit = login->findChild<QLineEdit *>(box);
        edit->setFocus();
        QTest::keyClicks(edit, "nobody");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().title, QString("Access Denied!"));
        VERIFY_PROMPTS(prompts);
    }

    void logOutReturnsToTheWelcomeWindow()
    {
        TestDb db(m_dir->path());
        db.misc("admin", m_hash, {}, db.path());
        testing::ScriptedPrompts prompts;
        frmlogin *login = load();
        QVERIFY(login);
        QCOMPARE(login->cmdexit->text(), QString("&Log-out"));
        QCOMPARE(login->txtpass->echoMode(), QLineEdit::Password);
        login->cmdexit->click();
        QVERIFY(!login->isVisible());
        frmwelcome *welcome = shownWindow<frmwelcome>();
        QVERIFY(welcome);
        QVERIFY(welcome->cmdadmin->isVisible());
        QVERIFY(!shownWindow<frmmain>());
        VERIFY_PROMPTS(prompts);
    }

    // On a server, back at the welcome window after a log-out, Admin leads
    // to the log-in again, where the server's own account opens: no file is
    // asked for (the dialog cannot take the server's address) and nothing
    // of this computer is written into the server's Misc row.
    void logOutAndInAgainOnAServer()
    {
        if (!testing::onServer())
            QSKIP("on a file, a chosen file without a choice of its own is asked for again");
        TestDb def(m_dir->path());
        def.misc("clerk", "chosen pw").item("1", "Toner", 3, 10);
        testing::ScriptedPrompts prompts;
        QVERIFY(testing::startRun());
        QPointer<frmwelcome> welcome = testing::loadWindow<frmwelcome>();
        QVERIFY(welcome);
        welcome->cmdadmin->click();
        frmlogin *login = shownWindow<frmlogin>();
        QVERIFY(login);
        enter(login, "admin", "pw");
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        QPointer<frmmain> main = shownWindow<frmmain>();
        QVERIFY(main);

        main->mLogOut->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!main);
        welcome = shownWindow<frmwelcome>();
        QVERIFY(welcome);
        welcome->cmdadmin->click();
        login = shownWindow<frmlogin>();
        QVERIFY(login);
        enter(login, "clerk", "chosen pw");
        QCOMPARE(prompts.last().text, QString("Login successful!"));
        QCOMPARE(prompts.fileDialogs, 0);
        QVERIFY(def.value("Misc", 0, "pat").isNull());
        VERIFY_PROMPTS(prompts);
    }

    void clock_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("shown");
        QTest::addRow("English (United States)") << QLocale(QLocale::English, QLocale::UnitedStates) << "2:05:09 PM";
        QTest::addRow("German") << QLocale(QLocale::German, QLocale::Germany) << "14:05:09";
    }

    void clock()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        TestDb db(m_dir->path());
        db.misc("admin", m_hash, {}, db.path());
        frmlogin *login = load();
        QVERIFY(login);
        QCOMPARE(login->Label3->text(), QString("Label3"));

        testing::FixedClock fixed(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9, 250)));
        login->Timer1->stop();
        login->Timer1_Timer();
        QString text = login->Label3->text();
        text.replace(QChar(0x202F), QLatin1Char(' ')); // a narrow blank before AM/PM
        QCOMPARE(text, shown);
        // Next tick just after the next second begins, not every millisecond.
        QVERIFY(login->Timer1->isActive());
        QVERIFY(login->Timer1->isSingleShot());
        QVERIFY2(login->Timer1->interval() >= 750 && login->Timer1->interval() <= 770,
                 qPrintable(QString::number(login->Timer1->interval())));
    }

    void titleCycle_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("caption");
        const char *const captions[] = {
            "I",
            "In",
            "Inv",
            "Inve",
            "Inven",
            "Invent",
            "Invento",
            "Inventor",
            "Inventory",
            "Inventory ",
            "Inventory S",
            "Inventory Sy",
            "Inventory Sys",
            "Inventory Syst",
            "Inventory Syste",
            "Inventory System",
            "nventory System",
            "ventory System",
            "entory System",
            "ntory System",
            "tory System",
            "ory System",
            "ry System",
            "y System",
            " System",
            "System",
            "ystem",
            "stem",
            "tem",
            "em",
            "m",
            "",
            "I", // the next cycle
        };
        int tick = 0;
        for (const char *caption : captions) {
            ++tick;
            QTest::addRow("tick %d", tick) << tick << QString(caption);
        }
    }

    void titleCycle()
    {
        QFETCH(int, ticks);
        QFETCH(QString, caption);
        frmlogin login;
        login.Timer2->stop();
        QCOMPARE(login.Timer2->interval(), 100);
        QCOMPARE(login.Label4->text(), QString());
        for (int i = 0; i < ticks; ++i)
            login.Timer2_Timer();
        QCOMPARE(login.Label4->text(), caption);
        // It starts at its own place (2130 twips), sized to its text.
        QCOMPARE(login.Label4->x(), 142);
        QCOMPARE(login.Label4->width(), caption.isEmpty() ? 0 : login.Label4->sizeHint().width());
    }

    void titleStartsTypingAtEveryLoading()
    {
        // A window closed while erasing leaves the next one typing again.
        {
            frmlogin closedWhileErasing;
            for (int i = 0; i < 20; ++i)
                closedWhileErasing.Timer2_Timer();
        }
        frmlogin login;
        login.Timer2_Timer();
        QCOMPARE(login.Label4->text(), QString("I"));
    }

private:
    // A run as far as the login window, as the welcome window opens it.
    static frmlogin *load() { return testing::startRun() ? testing::loadWindow<frmlogin>() : nullptr; }

    static void enter(frmlogin *login, const QString &user, const QString &pass)
    {
        login->txtuser->setText(user);
        login->txtpass->setText(pass);
        login->cmdenter->click();
    }

    QString m_hash;
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestLogin)
#include "test_login.moc"
