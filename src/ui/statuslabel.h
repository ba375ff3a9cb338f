#pragma once

class QLabel;
class QWidget;

namespace inv::ui {

// Sets the label's back colour to the palette colour of the band of the
// status text it shows.
void PaintStatusLabel(QLabel *label);

// Sets a widget's back colour (0xRRGGBB).
void setBackColour(QWidget *widget, unsigned colour);

} // namespace inv::ui
