#pragma once
// Window helpers for GUI tests.

#include "mainwindow/frmmain.h"
#include "startup/frmflash.h"

#include "data/stock/module1.h"
#include "ui/loadwindow.h"

#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <memory>

namespace testing {

// Deletes every window left open by a test. Deleting one window may delete
// others it owns (menus, popups), so each is checked before it goes. A popup
// without a parent (a completer's list) belongs to the object that shows
// it, which deletes it: it is left to that one.
inline void deleteAllWindows()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && w->windowType() != Qt::Popup)
            windows << w;
    for (const QPointer<QWidget> &w : windows)
        delete w.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Ends a test's run of the program: its windows closed, its connections
// and cursors let go.
inline void endRun()
{
    deleteAllWindows();
    inv::Module1::reset();
}

// The first window of type W, or nullptr.
template <typename W>
W *findWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<W *>(w))
            return found;
    return nullptr;
}

// The visible window of type W (nullptr when none is shown).
template <typename W>
W *shownWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<W *>(w); window && window->isVisible())
            return window;
    return nullptr;
}

// How many windows of type W are shown.
template <typename W>
int shownWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<W *>(w) && w->isVisible())
            ++count;
    return count;
}

// The start of a run as the splash window makes it: dbPath, the records
// connection and the Misc cursor. False when the default database failed.
inline bool startRun()
{
    return inv::frmflash().Form_Load();
}

// A window of type W, loaded (Form_Load) and shown; nullptr when its load
// failed.
template <typename W>
W *loadWindow()
{
    W *window = inv::ui::loadWindow<W>();
    if (window)
        window->show();
    return window;
}

// The main window as the splash leaves the run (startRun) and a login loads
// it, not yet shown; nullptr when either failed (the reason has been shown).
inline std::unique_ptr<inv::frmmain> startMain()
{
    if (!startRun())
        return nullptr;
    return std::unique_ptr<inv::frmmain>(inv::ui::loadWindow<inv::frmmain>());
}

// The main window as startMain makes it, shown, with its transaction panel
// (both lists) shown; nullptr when it did not get so far.
inline std::unique_ptr<inv::frmmain> showMainWithLists()
{
    std::unique_ptr<inv::frmmain> main = startMain();
    if (!main)
        return nullptr;
    main->show();
    if (!QTest::qWaitForWindowExposed(main.get()))
        return nullptr;
    main->cmdtrans->click();
    if (!main->transactionPanelShown())
        return nullptr;
    return main;
}

// A whole left click, as the mouse gives it, on the entry of list that
// reads text exactly.
inline void clickEntryNamed(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->scrollToItem(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

// The texts of a list's entries, in the order shown.
inline QStringList entries(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace testing
