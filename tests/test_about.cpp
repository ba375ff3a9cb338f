// The about window: its seven lines, read-only, and the homepage link.

#include "data/stock/module1.h"
#include "mainwindow/frmmain.h"
#include "startup/frmhelp.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"
#include "ui/prompts.h"
#include "ui/publisher.h"

#include <QLabel>
#include <QPlainTextEdit>

using namespace inv;

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void sevenReadOnlyLines()
    {
        frmhelp about;
        about.show();
        QCOMPARE(about.windowTitle(), QString("Tavrisk Developer"));
        const QStringList lines = about.txtinfo->toPlainText().split('\n');
        QCOMPARE(lines, QStringList({"Software Name: Tavrisk Inventory System", "", "Software Version: Version 1.0.1",
                                     "", "Publisher: " + QString(ui::kPublisherName), "",
                                     "Developer: " + QString(ui::kDeveloperName)}));
        QVERIFY(about.txtinfo->isReadOnly());
        about.txtinfo->setFocus();
        QTest::keyClicks(about.txtinfo, "typed");
        QTest::keyClick(about.txtinfo, Qt::Key_Backspace);
        QCOMPARE(about.txtinfo->toPlainText().split('\n'), lines);
    }

    // The version is written once, in the build; the texts keep their words.
    void versionInTheTitleOfMessages()
    {
        QCOMPARE(ui::Prompts::applicationTitle(), QString("Tavrisk Inventory System 1.0.1"));
    }

    void openedFromTheMainWindow_data()
    {
        QTest::addColumn<bool>("restricted");
        QTest::addRow("full mode") << false;
        QTest::addRow("restricted mode") << true;
    }

    void openedFromTheMainWindow()
    {
        QFETCH(bool, restricted);
        QTemporaryDir dir;
        Module1::setProgramFolder(dir.path());
        testing::TestDb(dir.path()).misc("admin", "pw");
        QVERIFY(testing::startRun());
        std::unique_ptr<frmmain> main(testing::loadWindow<frmmain>());
        QVERIFY(main);
        if (restricted)
            main->setRestrictedMode();
        main->Toolbar1_ButtonClick(main->toolbarButton("Logo"));
        frmhelp *about = testing::shownWindow<frmhelp>();
        QVERIFY(about);
        QVERIFY(!main->isEnabled());
        about->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!testing::shownWindow<frmhelp>());
        QVERIFY(main->isEnabled());
        QCOMPARE(main->restrictedMode(), restricted);
        main.reset();
        testing::endRun();
    }

    void linkOpensTheHomepageEachTime()
    {
        testing::ScriptedPrompts prompts;
        frmhelp about;
        about.show();
        QCOMPARE(about.Label1->text(), QString("Click here to go to Homepage"));
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        const QUrl homepage(QString::fromLatin1(ui::kHomepageUrl));
        QCOMPARE(homepage.host(), QString("www.example.org"));
        QCOMPARE(prompts.urls, QList<QUrl>({homepage, homepage}));
        QVERIFY(about.isVisible());
        QVERIFY(prompts.messages.isEmpty());
        VERIFY_PROMPTS(prompts);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
