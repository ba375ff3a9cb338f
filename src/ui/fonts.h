#pragma once
// The fonts of the layouts, mapped to the metric twins installed here.

#include <QFont>

namespace inv::ui {

QFont sansFont(qreal points, bool bold = false); // MS Sans Serif
QFont timesFont(qreal points, bool bold = false); // Times New Roman
QFont cambriaFont(qreal points, bool bold = false);

} // namespace inv::ui
