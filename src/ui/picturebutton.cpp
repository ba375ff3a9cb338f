#include "picturebutton.h"

#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace inv::ui {

PictureButton::PictureButton(QWidget *parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The frame and the pressed look come from the style; picture and
    // caption are drawn here so that a long caption wraps.
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);

    const QRect area = rect().adjusted(4, 6, -4, -4);
    const QSize picture = iconSize();
    const QRect pictureRect(area.left() + (area.width() - picture.width()) / 2, area.top(), picture.width(),
                            picture.height());
    icon().paint(&painter, pictureRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    const QRect textRect(area.left(), pictureRect.bottom() + 6, area.width(), area.bottom() - pictureRect.bottom() - 6);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());
}

} // namespace inv::ui
