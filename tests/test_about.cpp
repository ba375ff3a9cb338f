// The about window: its seven lines, read-only, and the homepage link.

#include "startup/frmhelp.h"
#include "support/scriptedprompts.h"
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
        QCOMPARE(lines, QStringList({"Software Name: Tavrisk Inventory System", "",
                                     "Software Version: Version 1.0.1", "",
                                     "Publisher: " + QString(ui::PublisherName), "",
                                     "Developer: " + QString(ui::DeveloperName)}));
        QVERIFY(about.txtinfo->isReadOnly());
        about.txtinfo->setFocus();
        QTest::keyClicks(about.txtinfo, "typed");
        QTest::keyClick(about.txtinfo, Qt::Key_Backspace);
        QCOMPARE(about.txtinfo->toPlainText().split('\n'), lines);
    }

    void linkOpensTheHomepageEachTime()
    {
        testing::ScriptedPrompts prompts;
        frmhelp about;
        about.show();
        QCOMPARE(about.Label1->text(), QString("Click here to go to Homepage"));
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        QTest::mouseClick(about.Label1, Qt::LeftButton);
        const QUrl homepage(QString::fromLatin1(ui::HomepageUrl));
        QCOMPARE(homepage.host(), QString("www.example.org"));
        QCOMPARE(prompts.urls, QList<QUrl>({homepage, homepage}));
        QVERIFY(about.isVisible());
        QVERIFY(prompts.messages.isEmpty());
        VERIFY_PROMPTS(prompts);
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
