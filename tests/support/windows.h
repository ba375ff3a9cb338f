#pragma once
// Window helpers for GUI tests.

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace testing {

// Deletes every window left open by a test. Deleting one window may delete
// others it owns (menus, popups), so each is checked before it goes.
inline void deleteAllWindows()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!w->parentWidget())
            windows << w;
    for (const QPointer<QWidget> &w : windows)
        delete w.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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

} // namespace testing
