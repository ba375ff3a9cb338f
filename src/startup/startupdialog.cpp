#include "startupdialog.h"

#include "ui/childwindow.h"

#include <QKeyEvent>
#include <QPainter>

namespace inv::startup {

StartupDialog::StartupDialog(const QString &background, Qt::WindowFlags flags)
    : QDialog(nullptr, flags), m_background(background)
{
    setSizeGripEnabled(false);
}

void StartupDialog::paintEvent(QPaintEvent *event)
{
    if (m_background.isEmpty()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), QPixmap(m_background));
}

void StartupDialog::keyPressEvent(QKeyEvent *event)
{
    // A dialog closes on Escape; these windows are left only by their own
    // buttons (or their close box).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    // Enter clicks the default button; in a window without one, it clicks
    // the button that has the focus (and nothing in a box).
    if (ui::pressDefaultButton(this, event))
        return;
    QDialog::keyPressEvent(event);
}

Qt::WindowFlags toolWindowFlags()
{
    // Not Qt::Tool: a tool window does not count as an open window, so the
    // program would end when the last ordinary window closes.
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

} // namespace inv::startup
