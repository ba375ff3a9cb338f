// Every text box, list, grid, combo box and spin control of every window has
// a name a screen reader can read: the caption of the label that stands
// beside it (its buddy) or a name of its own.

#include "data/stock/module1.h"
#include "items/frmadd.h"
#include "items/frmdelete.h"
#include "items/frmedit.h"
#include "items/frmupdate.h"
#include "mainwindow/frmdeleteremove.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/frmremain.h"
#include "mainwindow/frmremoved.h"
#include "reports/frmprint.h"
#include "reports/frmprintl.h"
#include "reports/frmstatus.h"
#include "startup/frmaccount.h"
#include "startup/frmflash.h"
#include "startup/frmhelp.h"
#include "startup/frmlogin.h"
#include "startup/frmuser.h"
#include "startup/frmwelcome.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"
#include "ui/menuentries.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTextEdit>

#include <functional>

using namespace inv;

namespace {

// A window as the program makes it: built, loaded where it has a load.
template <typename W>
QWidget *built()
{
    return new W;
}
template <typename W>
QWidget *loaded()
{
    return testing::loadWindow<W>();
}

struct Window {
    const char *name;
    QWidget *(*make)();
};

// Every window of the program: a new window is one more line.
const Window kWindows[] = {
    {"frmflash", built<frmflash>},
    {"frmwelcome", loaded<frmwelcome>},
    {"frmaccount", []() -> QWidget * { return new frmaccount(nullptr); }},
    {"frmlogin", loaded<frmlogin>},
    {"frmuser", built<frmuser>},
    {"frmhelp", built<frmhelp>},
    {"frmmain", loaded<frmmain>},
    {"frmremain", loaded<frmremain>},
    {"frmremoved", loaded<frmremoved>},
    {"frmdeleteremove", built<frmdeleteremove>},
    {"frmadd", built<frmadd>},
    {"frmedit", built<frmedit>},
    {"frmdelete", built<frmdelete>},
    {"frmupdate", loaded<frmupdate>},
    {"frmstatus", loaded<frmstatus>},
    {"frmprint", loaded<frmprint>},
    {"frmprintl", loaded<frmprintl>},
};

bool takesInput(const QWidget *w)
{
    // A scroll bar belongs to the list or box it scrolls.
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QTextEdit *>(w)
           || qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QAbstractItemView *>(w)
           || qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
           || (qobject_cast<const QAbstractSlider *>(w) && !qobject_cast<const QScrollBar *>(w));
}

// The input widgets of a window that a screen reader finds no name for, as
// "objectName (class)". The parts of a box (a combo box's edit, a grid's
// header) are spoken as the box itself.
QStringList unnamedInputs(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!takesInput(w))
            continue;
        bool part = false;
        for (QWidget *p = w->parentWidget(); p && p != window && !part; p = p->parentWidget())
            part = takesInput(p);
        if (part)
            continue;
        QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(w);
        if (!spoken || spoken->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()));
    }
    unnamed.sort();
    return unnamed;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = testing::newProgramFolder();
        testing::TestDb db(m_dir->path());
        db.misc("admin", "pw", "Acme").item("A1", "Toner", 5, 10, "50%").tally("A1", "Toner", 2);
        QVERIFY(testing::startRun());
    }

    void cleanup()
    {
        testing::endRun();
        m_dir.reset();
    }

    // The check itself: it finds a box without a name and takes a label's
    // caption, a name of its own and the parts of a box as they should be.
    void findsBoxesWithoutNames()
    {
        QWidget window;
        auto *captioned = new QLineEdit(&window);
        captioned->setObjectName("captioned");
        (new QLabel("Item Name:", &window))->setBuddy(captioned);
        (new QLineEdit(&window))->setObjectName("bare");
        auto *combo = new QComboBox(&window);
        combo->setEditable(true);
        combo->setAccessibleName("Items");
        (new QSpinBox(&window))->setObjectName("spin");
        auto *grid = new QTableView(&window);
        grid->setAccessibleName("Remaining Items");
        (new QPlainTextEdit(&window))->setObjectName("notes");
        window.show();
        QCOMPARE(unnamedInputs(&window),
                 QStringList({"bare (QLineEdit)", "notes (QPlainTextEdit)", "spin (QSpinBox)"}));
        QCOMPARE(QAccessible::queryAccessibleInterface(captioned)->text(QAccessible::Name), QString("Item Name:"));
    }

    void everyInputIsNamed_data()
    {
        QTest::addColumn<int>("window");
        for (int i = 0; i < int(std::size(kWindows)); ++i)
            QTest::addRow("%s", kWindows[i].name) << i;
    }

    void everyInputIsNamed()
    {
        QFETCH(int, window);
        testing::ScriptedPrompts prompts;
        QWidget *w = kWindows[window].make();
        QVERIFY2(w, "the window did not load");
        w->show();
        QCOMPARE(w->objectName(), QString(kWindows[window].name));
        const QStringList unnamed = unnamedInputs(w);
        QVERIFY2(unnamed.isEmpty(), qPrintable("without a name: " + unnamed.join(", ")));
        VERIFY_PROMPTS(prompts);
    }

    // A menu entry is read by its caption without the marks of its access
    // keys, all of them: "&Remo&ved Items" is read "Removed Items".
    void menuEntriesAreReadWithoutMarks_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("read");
        QTest::addRow("one mark") << "&Add Item"
                                  << "Add Item";
        QTest::addRow("two marks") << "&Remo&ved Items"
                                   << "Removed Items";
        QTest::addRow("a doubled mark") << "Nuts &&&Bolts"
                                        << "Nuts &Bolts";
        QTest::addRow("none") << "Change UserName/Password"
                              << "Change UserName/Password";
        QTest::addRow("a mark at the end") << "Odd&"
                                           << "Odd";
    }

    void menuEntriesAreReadWithoutMarks()
    {
        QFETCH(QString, caption);
        QFETCH(QString, read);
        QCOMPARE(ui::withoutMnemonics(caption), read);
    }

    // Every entry of the main window's menus, as a screen reader walks them.
    void mainWindowMenusAreReadWithoutMarks()
    {
        testing::ScriptedPrompts prompts;
        QWidget *w = testing::loadWindow<frmmain>();
        QVERIFY(w);
        w->show();
        QStringList names;
        const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *face) {
            for (int i = 0; i < face->childCount(); ++i) {
                QAccessibleInterface *child = face->child(i);
                if (child->role() == QAccessible::MenuItem) {
                    const QString name = child->text(QAccessible::Name);
                    QVERIFY2(!name.contains('&'), qPrintable(name));
                    names << name;
                }
                if (child->role() == QAccessible::MenuItem || child->role() == QAccessible::PopupMenu)
                    walk(child);
            }
        };
        walk(QAccessible::queryAccessibleInterface(w->findChild<QMenuBar *>()));
        for (const char *entry : {"File", "Print Item List", "Remaining Items", "Removed Items", "View", "Undo Remove"})
            QVERIFY2(names.contains(entry), qPrintable(names.join(", ")));
        // Pressed through the reader, an entry still acts.
        for (QAction *action : w->findChildren<QAction *>("nToolBar")) {
            const bool before = action->isChecked();
            QAccessible::queryAccessibleInterface(action)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
            QCOMPARE(action->isChecked(), !before);
        }
        VERIFY_PROMPTS(prompts);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
