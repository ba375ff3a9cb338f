#include "fonts.h"

namespace inv::ui {

namespace {
QFont make(const QString &family, QFont::StyleHint hint, qreal points, bool bold)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
} // namespace

QFont sansFont(qreal points, bool bold)
{
    return make(QStringLiteral("Liberation Sans"), QFont::SansSerif, points, bold);
}

QFont timesFont(qreal points, bool bold)
{
    return make(QStringLiteral("Liberation Serif"), QFont::Serif, points, bold);
}

QFont cambriaFont(qreal points, bool bold)
{
    return make(QStringLiteral("Caladea"), QFont::Serif, points, bold);
}

} // namespace inv::ui
