#pragma once
// What a widget repaints: the region each paint covered, and a way to let
// the posted layouts and repaints run first.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

namespace testing {

// The region each paint of a widget covered.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget *widget) { widget->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

// Lets the widgets lay out and repaint what they have been asked to.
inline void settle()
{
    for (int round = 0; round < 2; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace testing
