#include "childwindow.h"

#include "twips.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>

namespace inv::ui {

ChildWindow::ChildWindow(const char *name, const QString &title, int width, int height)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(title);
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    setFixedClientArea(this, width, height);
}

void ChildWindow::keyPressEvent(QKeyEvent *event)
{
    if (!pressDefaultButton(this, event))
        QWidget::keyPressEvent(event);
}

bool pressDefaultButton(QWidget *window, QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier))
        return false;
    QPushButton *target = nullptr;
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (button->isDefault() && button->isVisible())
            target = button;
    if (!target)
        target = qobject_cast<QPushButton *>(window->focusWidget());
    if (target && target->isVisible() && target->isEnabled())
        target->click();
    event->accept();
    return true;
}

} // namespace inv::ui
