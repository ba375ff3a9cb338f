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

} // namespace

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
    owner->setEnabled(false);
    // The new window takes the keyboard: its first control has the focus
    // at opening, not the owner that can take no input now.
    window->activateWindow();
    return window;
}

} // namespace inv::ui
