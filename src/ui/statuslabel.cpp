#include "statuslabel.h"

#include "data/stock/status.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace inv::ui {

namespace {

// Fills a label's background with its back colour just before the label
// paints itself: the same pixels as a filled palette background. Labels are
// recoloured often (the status colour at every selection), and a new colour
// is then a value and a repaint, where a new palette would be resolved
// against the parent's and the application's and sent to the label.
class BackFill : public QObject {
public:
    explicit BackFill(QWidget *widget) : QObject(widget)
    {
        setObjectName(QLatin1String(kName));
        widget->installEventFilter(this);
    }

    static constexpr const char *kName = "backFill";
    QColor colour;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            auto *widget = static_cast<QWidget *>(watched);
            QPainter(widget).fillRect(widget->rect(), colour);
        }
        return false;
    }
};

} // namespace

void setBackColour(QWidget *widget, unsigned colour)
{
    const QColor wanted = QColor::fromRgb(colour);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        auto *fill = static_cast<BackFill *>(
            label->findChild<QObject *>(QLatin1String(BackFill::kName), Qt::FindDirectChildrenOnly));
        if (!fill)
            fill = new BackFill(label);
        else if (fill->colour == wanted)
            return;
        fill->colour = wanted;
        label->update();
        return;
    }
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, wanted);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintStatusLabel(QLabel *label)
{
    setBackColour(label, StatusPalette(StatusBand(label->text())));
}

} // namespace inv::ui
