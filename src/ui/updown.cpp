#include "updown.h"

#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

namespace inv::ui {

namespace {

QToolButton *arrow(QWidget *parent, Qt::ArrowType type, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setArrowType(type);
    button->setAutoRepeat(true);
    // The control takes the focus as a whole, not each arrow.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibleName(name);
    return button;
}

} // namespace

UpDown::UpDown(QWidget *parent, const char *name, int minimum, int maximum, int value, int increment)
    : QWidget(parent),
      m_minimum(minimum),
      m_maximum(maximum),
      m_value(std::clamp(value, minimum, maximum)),
      m_increment(increment)
{
    setObjectName(QLatin1String(name));
    setFocusPolicy(Qt::StrongFocus);
    m_up = arrow(this, Qt::UpArrow, QStringLiteral("Up"));
    m_down = arrow(this, Qt::DownArrow, QStringLiteral("Down"));
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setValue(int value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
}

void UpDown::stepBy(int increments)
{
    const qint64 wanted = qint64(m_value) + qint64(increments) * m_increment;
    const int next = int(std::clamp<qint64>(wanted, m_minimum, m_maximum));
    if (next == m_value)
        return;
    m_value = next;
    emit changed(m_value);
}

void UpDown::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        break;
    case Qt::Key_Down:
        stepBy(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void UpDown::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        stepBy(steps);
    event->accept();
}

void UpDown::resizeEvent(QResizeEvent *)
{
    // The arrows leave a pixel around them for the focus frame.
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int upper = inner.height() / 2;
    m_up->setGeometry(inner.left(), inner.top(), inner.width(), upper);
    m_down->setGeometry(inner.left(), inner.top() + upper, inner.width(), inner.height() - upper);
}

void UpDown::paintEvent(QPaintEvent *)
{
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Highlight));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void UpDown::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void UpDown::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace inv::ui
