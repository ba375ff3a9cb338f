#include "statuslabel.h"

#include "data/status.h"

#include <QLabel>

namespace inv::ui {

void setBackColour(QWidget *widget, unsigned colour)
{
    const QColor wanted = QColor::fromRgb(colour);
    QPalette palette = widget->palette();
    // A new palette is resolved against the parent's, sent to the widget and
    // its children and repainted: only worth it when the colour changes.
    bool same = widget->autoFillBackground();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        same = same && palette.isBrushSet(group, QPalette::Window) && palette.color(group, QPalette::Window) == wanted;
    if (same)
        return;
    palette.setColor(QPalette::Window, wanted);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintStatusLabel(QLabel *label)
{
    setBackColour(label, StatusPalette(StatusBand(label->text())));
}

} // namespace inv::ui
