#pragma once
// A spin control without a box of its own: an up and a down arrow, stacked,
// that step a whole value within a range. It sits beside the text box it
// serves; the window keeps the two equal. The arrows repeat while held; with
// the focus, the Up and Down keys step as well.

#include <QWidget>

class QToolButton;

namespace inv::ui {

class UpDown : public QWidget {
    Q_OBJECT

public:
    UpDown(QWidget *parent, const char *name, int minimum, int maximum, int value, int increment = 1);

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Sets the value, kept within the range, without reporting a change:
    // only the arrows (and keys) do.
    void setValue(int value);

    // Steps the value by increments (negative: down) and reports the
    // change, as an arrow does. At either end of the range nothing changes.
    void stepBy(int increments);

    QToolButton *upArrow() const { return m_up; }
    QToolButton *downArrow() const { return m_down; }

signals:
    // An arrow (or key) changed the value.
    void changed(int value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // A frame in the highlight colour shows where the focus is.
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum;
    int m_maximum;
    int m_value;
    int m_increment;
};

} // namespace inv::ui
