#pragma once
// Window layouts are given in twips (1440 to the inch); at 96 dots per inch
// a pixel is 15 twips. This is the one place that converts them.

#include <QRect>
#include <QSize>

class QWidget;

namespace inv::ui {

constexpr int kTwipsPerPixel = 15;

constexpr int twips(int value)
{
    // Round to the nearest pixel (values are positive in every layout).
    return (value + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QRect twipsRect(int left, int top, int width, int height);
QSize twipsSize(int width, int height);

// Places a control at a position given in twips.
void place(QWidget *widget, int left, int top, int width, int height);

// Gives a fixed-size window its client area in twips, centred on the screen.
void setFixedClientArea(QWidget *window, int width, int height);

} // namespace inv::ui
