#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace inv::ui {

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

QSize twipsSize(int width, int height)
{
    return QSize(twips(width), twips(height));
}

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}

void setFixedClientArea(QWidget *window, int width, int height)
{
    const QSize size = twipsSize(width, height);
    window->setFixedSize(size);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace inv::ui
