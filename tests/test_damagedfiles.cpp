// Damaged database files: whether the file is the default one, the one
// remembered in the default database, the one chosen in the welcome window
// or the one the main window opens, the program refuses it with a message
// that says it is damaged and left untouched, never writes to it, and lets
// the user choose another file, which is remembered in the default database.

#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "startup/frmlogin.h"
#include "startup/frmwelcome.h"
#include "startup/navigation.h"
#include "startup/startup.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"

#include <QPushButton>

using namespace inv;
using testing::TestDb;

class TestDamagedFiles : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }

    void cleanup() { testing::endRun(); }

    void damagedFilesAreRefusedAndLeftUntouched_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("use"); // default, remembered, chosen, main
        const std::pair<const char *, const char *> damages[] = {{"data", "data page"},
                                                                 {"index", "index page"},
                                                                 {"last", "last page"},
                                                                 {"truncated", "truncated"},
                                                                 {"wrongkey", "wrong key"}};
        for (const auto &[damage, label] : damages)
            for (const char *use : {"default", "remembered", "chosen", "main"})
                QTest::addRow("%s, %s", label, use) << damage << use;
    }

    void damagedFilesAreRefusedAndLeftUntouched()
    {
        QFETCH(QString, damage);
        QFETCH(QString, use);
        const QString defaultPath = Module1::defaultDatabasePath();
        const QString damaged = use == "default" ? defaultPath : m_dir->filePath("Damaged.mdb");
        if (damage == "wrongkey") {
            testing::makeBadDatabase(damaged, "otherkey");
        } else {
            TestDb db(m_dir->path(), QFileInfo(damaged).fileName());
            db.misc("admin", "pw");
            for (int i = 0; i < 5; ++i)
                db.item(QString::number(i), QStringLiteral("Item %1").arg(i), 10, 10, "100%");
            testing::damageDatabase(damaged, damage);
        }
        const QByteArray hash = testing::fileHash(damaged);
        QVERIFY(!hash.isEmpty());
        testing::ScriptedPrompts prompts;

        if (use == "default") {
            QVERIFY(!startup::Start());
            QCOMPARE(prompts.messages.size(), 1);
            verifyDamagedMessage(prompts.messages[0].text, damaged);
            QVERIFY(!prompts.messages[0].text.contains("inventory-admin create"));
            QCOMPARE(testing::fileHash(damaged), hash);
            VERIFY_PROMPTS(prompts);
            return;
        }

        TestDb def(m_dir->path());
        def.misc("admin", "pw", {}, use == "chosen" ? QString("") : damaged);
        TestDb spare(m_dir->path(), "Spare.mdb");
        spare.misc("admin", "pw");
        QVERIFY(testing::startRun());
        frmwelcome *welcome = nullptr;
        if (use == "main") {
            // The file passed the welcome window and the login; the main
            // window is the first to open it.
            QVERIFY(!startup::showMain(startup::Mode::Full));
            QCOMPARE(prompts.messages.size(), 2);
            verifyDamagedMessage(prompts.messages[0].text, damaged);
            verifyDamagedMessage(prompts.messages[1].text, damaged);
            QVERIFY(prompts.messages[1].text.contains("Choose the database file again"));
            welcome = testing::shownWindow<frmwelcome>();
        } else {
            startup::showWelcome();
            welcome = testing::shownWindow<frmwelcome>();
            QVERIFY(welcome);
            if (use == "remembered") {
                QCOMPARE(prompts.messages.size(), 1);
                verifyDamagedMessage(prompts.messages[0].text, damaged);
                QVERIFY(prompts.messages[0].text.contains("Choose the database file again"));
            } else {
                QVERIFY(prompts.messages.isEmpty());
                prompts.chooseFile(damaged);
                welcome->cmduser->click();
                QCOMPARE(prompts.messages.size(), 2);
                QCOMPARE(prompts.messages[0].text, QString("Choose DataBase file"));
                verifyDamagedMessage(prompts.messages[1].text, damaged);
                QVERIFY(prompts.messages[1].text.contains("Nothing was stored"));
                QCOMPARE(def.value("Misc", 0, "pat").toString(), QString(""));
            }
        }
        QVERIFY(welcome);
        QCOMPARE(testing::fileHash(damaged), hash);

        // Another file is chosen and remembered in the default database;
        // the next Admin goes on to the login.
        prompts.messages.clear();
        prompts.chooseFile(spare.path());
        welcome->cmdadmin->click();
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].text, QString("Choose DataBase file"));
        QCOMPARE(def.value("Misc", 0, "pat").toString(), spare.path());
        QCOMPARE(Module1::dbPath, spare.path());
        welcome->cmdadmin->click();
        QVERIFY(testing::shownWindow<frmlogin>());
        QCOMPARE(testing::fileHash(damaged), hash);
        VERIFY_PROMPTS(prompts);
    }

private:
    static void verifyDamagedMessage(const QString &text, const QString &path)
    {
        for (const QString &part : {path, QStringLiteral("damaged"), QStringLiteral("left untouched"),
                                    QStringLiteral("inventory-admin check \"%1\"").arg(path),
                                    QStringLiteral("inventory-admin restore BACKUP \"%1\"").arg(path)})
            QVERIFY2(text.contains(part), qPrintable(text));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestDamagedFiles)
#include "test_damagedfiles.moc"
