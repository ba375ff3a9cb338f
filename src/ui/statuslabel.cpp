#include "statuslabel.h"

#include "data/status.h"

#include <QLabel>

namespace inv::ui {

void setBackColour(QWidget *widget, unsigned colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintStatusLabel(QLabel *label)
{
    setBackColour(label, StatusPalette(StatusBand(label->text())));
}

} // namespace inv::ui
