#include "windowopener.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace inv::ui {

namespace {

// Keeps a disabled owner open: its close box is input like any other.
class CloseGuard : public QObject {
public:
    explicit CloseGuard(QWidget *owner) : QObject(owner)
    {
        setObjectName(QStringLiteral("CloseGuard"));
        owner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close && !static_cast<QWidget *>(watched)->isEnabled()) {
            event->ignore();
            return true;
        }
        return false;
    }
};

bool canTakeFocus(const QWidget *w, const QWidget *window)
{
    return w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled();
}

// The first control of the window's tab order: the one the window gave the
// focus to while it was built, else the first in its focus chain that can
// take it.
QWidget *firstInTabOrder(QWidget *window)
{
    if (QWidget *chosen = window->focusWidget(); chosen && canTakeFocus(chosen, window))
        return chosen;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if (canTakeFocus(w, window))
            return w;
    return nullptr;
}

} // namespace

void activate(QWidget *window)
{
    if (!window || !window->isVisible())
        return;
    window->raise();
    window->activateWindow();
}

QWidget *openFrom(QWidget *owner, QWidget *window)
{
    if (!owner->findChild<CloseGuard *>(QStringLiteral("CloseGuard"), Qt::FindDirectChildrenOnly))
        new CloseGuard(owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QWidget> guardedOwner(owner);
    QObject::connect(window, &QObject::destroyed, owner, [guardedOwner] {
        if (guardedOwner)
            guardedOwner->setEnabled(true);
    });
    window->show();
    // The opened window takes the keyboard at once: its first box has the
    // focus, and the owner takes no input anyway.
    owner->setEnabled(false);
    // What the user types next belongs to the new window: it becomes the
    // active window with its first control focused. (A window manager does
    // not always activate a new tool window by itself.)
    if (QWidget *first = firstInTabOrder(window))
        first->setFocus(Qt::ActiveWindowFocusReason);
    activate(window);
    return window;
}

} // namespace inv::ui
