// Creating the account from the welcome window, and changing it from the
// main window: blanks, trimming, the two states of the change, the database
// that is written.

#include "data/stock/module1.h"
#include "data/stock/passwords.h"
#include "mainwindow/frmmain.h"
#include "startup/frmaccount.h"
#include "startup/frmuser.h"
#include "startup/frmwelcome.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

using namespace inv;
using testing::shownWindow;
using testing::TestDb;

class TestAccount : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_hash = hashPassword("pw"); }

    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup() { testing::endRun(); }

    void create_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("storedUser"); // empty: refused
        QTest::addRow("both empty") << ""
                                    << ""
                                    << "";
        QTest::addRow("user name of blanks") << "   "
                                             << "pw"
                                             << "";
        QTest::addRow("password of blanks") << "admin"
                                            << "   "
                                            << "";
        QTest::addRow("plain") << "admin"
                               << "pw"
                               << "admin";
        QTest::addRow("surrounding blanks") << "  admin "
                                            << " my pw  "
                                            << "admin";
    }

    void create()
    {
        if (testing::onServer())
            QSKIP("the first run's account is made in the default database, which is always a file");
        QFETCH(QString, user);
        QFETCH(QString, pass);
        QFETCH(QString, storedUser);
        TestDb db(m_dir->path());
        testing::ScriptedPrompts prompts;
        frmwelcome *welcome = loadWelcome();
        QVERIFY(welcome);
        welcome->cmdcreate->click();
        QPointer<frmaccount> account = shownWindow<frmaccount>();
        QVERIFY(account);
        QVERIFY(!welcome->isEnabled());
        QCOMPARE(account->txtpass->echoMode(), QLineEdit::Password);

        account->txtuser->setText(user);
        account->txtpass->setText(pass);
        account->cmdcreate->click();
        QCOMPARE(prompts.messages.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (storedUser.isEmpty()) {
            QCOMPARE(prompts.last().text, QString("Fill all boxes"));
            QCOMPARE(prompts.last().title, QString("Failed"));
            QCOMPARE(db.count("Misc"), 0);
            QVERIFY(account && account->isVisible());
            QCOMPARE(account->txtuser->text(), user); // nothing is emptied
            QCOMPARE(account->focusWidget(), account->txtuser);
            QVERIFY(!welcome->isEnabled());
            QVERIFY(welcome->cmdcreate->isVisible());
        } else {
            QCOMPARE(prompts.last().text, QString("Account creation successful"));
            QCOMPARE(prompts.last().title, QString("Congratulation"));
            QCOMPARE(db.count("Misc"), 1);
            QCOMPARE(db.value("Misc", 0, "User").toString(), storedUser);
            const QString stored = db.value("Misc", 0, "pass").toString();
            QVERIFY(isPasswordHash(stored));
            QVERIFY(checkPassword(stored, pass.trimmed()));
            QVERIFY(db.value("Misc", 0, "pat").isNull());
            QVERIFY(db.value("Misc", 0, "coname").isNull());
            QVERIFY(!account);
            QVERIFY(welcome->isEnabled() && welcome->isVisible());
            QVERIFY(welcome->cmduser->isVisible() && welcome->cmdadmin->isVisible());
            QVERIFY(!welcome->cmdcreate->isVisible());
        }
        VERIFY_PROMPTS(prompts);
    }

    void closingTheAccountWindowKeepsTheFirstRunFace()
    {
        if (testing::onServer())
            QSKIP("the first run's account is made in the default database, which is always a file");
        TestDb db(m_dir->path());
        frmwelcome *welcome = loadWelcome();
        QVERIFY(welcome);
        welcome->cmdcreate->click();
        // The disabled welcome window cannot be closed meanwhile.
        QVERIFY(!welcome->close());
        QVERIFY(welcome->isVisible());
        shownWindow<frmaccount>()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shownWindow<frmaccount>());
        QVERIFY(welcome->isEnabled());
        QVERIFY(welcome->cmdcreate->isVisible());
        QVERIFY(!welcome->cmduser->isVisible());
        QCOMPARE(db.count("Misc"), 0);
    }

    void changeRefusesEmptyBoxes_data()
    {
        QTest::addColumn<bool>("saving");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        for (bool saving : {false, true}) {
            const char *state = saving ? "new" : "old";
            QTest::addRow("%s, both empty", state) << saving << ""
                                                   << "";
            QTest::addRow("%s, user name empty", state) << saving << ""
                                                        << "pw";
            QTest::addRow("%s, user name of blanks", state) << saving << "   "
                                                            << "pw";
            QTest::addRow("%s, password of blanks", state) << saving << "admin"
                                                           << "  ";
        }
    }

    void changeRefusesEmptyBoxes()
    {
        QFETCH(bool, saving);
        QFETCH(QString, user);
        QFETCH(QString, pass);
        TestDb db(m_dir->path());
        db.misc("admin", m_hash);
        testing::ScriptedPrompts prompts;
        frmuser *change = loadChange();
        QVERIFY(change);
        if (saving) {
            enter(change, "admin", "pw");
            QCOMPARE(change->cmdenter->text(), QString("Save"));
        }
        enter(change, user, pass);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().text, QString("Please fill empty box"));
        QCOMPARE(prompts.last().title, QString("Cannot Process..."));
        // State and boxes stay; nothing is written.
        QCOMPARE(change->cmdenter->text(), saving ? QString("Save") : QString("Enter"));
        QCOMPARE(change->txtuser->text(), user);
        QCOMPARE(change->txtpass->text(), pass);
        QCOMPARE(change->focusWidget(), change->txtuser);
        QCOMPARE(db.value("Misc", 0, "User").toString(), QString("admin"));
        QCOMPARE(db.value("Misc", 0, "pass").toString(), m_hash);
        VERIFY_PROMPTS(prompts);
    }

    void changeRefusesWrongCurrentAccount_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        QTest::addRow("user in another case") << "Admin"
                                              << "pw";
        QTest::addRow("user with a trailing blank") << "admin "
                                                    << "pw";
        QTest::addRow("wrong password") << "admin"
                                        << "pw2";
    }

    void changeRefusesWrongCurrentAccount()
    {
        QFETCH(QString, user);
        QFETCH(QString, pass);
        TestDb db(m_dir->path());
        db.misc("admin", m_hash);
        testing::ScriptedPrompts prompts;
        frmuser *change = loadChange();
        QVERIFY(change);
        enter(change, user, pass);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().text, QString("Username and/or Password is invalid"));
        QCOMPARE(prompts.last().title, QString("Error"));
        QCOMPARE(change->cmdenter->text(), QString("Enter"));
        QCOMPARE(change->lbluser->text(), QString("Old Username:"));
        QCOMPARE(change->txtuser->text(), QString());
        QCOMPARE(change->txtpass->text(), QString());
        QCOMPARE(db.value("Misc", 0, "pass").toString(), m_hash);
        VERIFY_PROMPTS(prompts);
    }

    // The frame's top line stops at the caption "Please Enter" above it.
    void frameLineStopsAtTheCaption()
    {
        TestDb(m_dir->path()).misc("admin", "pw");
        frmuser *change = loadChange();
        QVERIFY(change);
        const QImage shown = change->grab().toImage();
        const int line = change->Shape1->y();
        QCOMPARE(shown.pixelColor(change->Shape1->x() + 5, line), QColor(Qt::black)); // the frame is there
        int black = 0;
        const QRect caption = change->Label1->geometry();
        for (int x = caption.left(); x <= caption.right(); ++x)
            black += shown.pixelColor(x, line) == QColor(Qt::black);
        QVERIFY2(black < caption.width() / 2, qPrintable(QString("%1 of %2").arg(black).arg(caption.width())));
    }

    void changeIsWrittenToTheDatabaseInUse()
    {
        // The main window works on a chosen database: the change goes there,
        // the default database keeps its account. On the server the chosen
        // database is the server's, which the default file names.
        std::optional<TestDb> chosenFile;
        TestDb def(m_dir->path());
        QStringList defaultAccount{"first", "first pw"};
        if (testing::onServer()) {
            def.misc("admin", m_hash).item("1", "Toner", 3, 10);
            defaultAccount = QStringList{"admin", "pw"}; // the default file's account, as the test set-up makes it
        } else {
            chosenFile.emplace(m_dir->path(), "Chosen.mdb");
            chosenFile->misc("admin", m_hash).item("1", "Toner", 3, 10);
            def.misc("first", "first pw", {}, chosenFile->path());
        }
        const TestDb &chosen = chosenFile ? *chosenFile : def;
        const auto defaultFileAccount = [&] {
            auto file = testing::openLocation(QDir(m_dir->path()).filePath("Records.mdb"));
            const auto row = file->read("Misc", *file->firstKey("Misc"));
            return QStringList{row->values.value(1).toString(), row->values.value(2).toString()};
        };
        testing::ScriptedPrompts prompts;
        frmuser *change = loadChange();
        QVERIFY(change);
        QCOMPARE(change->windowTitle(), QString("Change Username/Password"));
        QCOMPARE(change->txtpass->echoMode(), QLineEdit::Normal);
        QCOMPARE(change->lbluser->text(), QString("Old Username:"));
        QCOMPARE(change->lblpass->text(), QString("Old Password:"));
        QCOMPARE(change->cmdenter->text(), QString("Enter"));
        // The button has the focus, so Enter clicks it; in a box Enter does
        // nothing, for the button is no default button.
        QVERIFY(QTest::qWaitForWindowActive(change));
        QCOMPARE(QApplication::focusWidget(), change->cmdenter);
        change->txtuser->setFocus();
        QTest::keyClick(change->txtuser, Qt::Key_Return);
        QVERIFY(prompts.messages.isEmpty());

        change->txtuser->setText("admin");
        change->txtpass->setText("pw");
        change->cmdenter->setFocus();
        QTest::keyClick(change->cmdenter, Qt::Key_Return);
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(change->lbluser->text(), QString("New Username:"));
        QCOMPARE(change->lblpass->text(), QString("New Password:"));
        QCOMPARE(change->cmdenter->text(), QString("Save"));
        QCOMPARE(change->txtuser->text(), QString());
        QCOMPARE(change->txtpass->text(), QString());

        enter(change, "  keeper ", " new pw ");
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.last().text, QString("Account successfully change!"));
        QCOMPARE(prompts.last().title, QString("Success"));
        QCOMPARE(change->cmdenter->text(), QString("Enter"));
        QCOMPARE(change->lbluser->text(), QString("Old Username:"));
        QCOMPARE(change->txtuser->text(), QString());
        QCOMPARE(change->txtpass->text(), QString());
        QVERIFY(change->isVisible());

        QCOMPARE(chosen.value("Misc", 0, "User").toString(), QString("keeper"));
        const QString stored = chosen.value("Misc", 0, "pass").toString();
        QVERIFY(isPasswordHash(stored));
        QVERIFY(checkPassword(stored, "new pw"));
        QCOMPARE(defaultFileAccount(), defaultAccount);
        QCOMPARE(chosen.count("Misc"), 1);

        // The main window waits until the change window is closed.
        frmmain *main = shownWindow<frmmain>();
        QVERIFY(!main->isEnabled());
        change->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(main->isEnabled());
        QVERIFY(!shownWindow<frmuser>());
        VERIFY_PROMPTS(prompts);
    }

private:
    static frmwelcome *loadWelcome() { return testing::startRun() ? testing::loadWindow<frmwelcome>() : nullptr; }

    // A run as far as the main window, whose menu opens the change window.
    static frmuser *loadChange()
    {
        frmmain *main = testing::startRun() ? testing::loadWindow<frmmain>() : nullptr;
        if (!main)
            return nullptr;
        main->nChange->trigger();
        return shownWindow<frmuser>();
    }

    static void enter(frmuser *change, const QString &user, const QString &pass)
    {
        change->txtuser->setText(user);
        change->txtpass->setText(pass);
        change->cmdenter->click();
    }

    QString m_hash;
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestAccount)
#include "test_account.moc"
