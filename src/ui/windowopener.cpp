#include "windowopener.h"

#include <QPointer>
#include <QWidget>

namespace inv::ui {

QWidget *openFrom(QWidget *owner, QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QWidget> guardedOwner(owner);
    QObject::connect(window, &QObject::destroyed, owner, [guardedOwner] {
        if (guardedOwner)
            guardedOwner->setEnabled(true);
    });
    window->show();
    owner->setEnabled(false);
    return window;
}

} // namespace inv::ui
