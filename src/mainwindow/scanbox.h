#pragma once
// The item-number box. A line end ends a number and the box keeps the focus
// for the next one; any other control character is no edit and no shortcut
// of the window (Ctrl+D would open a window, Ctrl+X end the program): it is
// dropped. Ctrl+Z alone stays the window's Undo Remove.

#include <QLineEdit>

namespace inv {

class ScanBox : public QLineEdit {
    Q_OBJECT

public:
    explicit ScanBox(QWidget *parent = nullptr);

signals:
    // Enter, Tab, or a line end a scanner sends: the number in the box is
    // complete.
    void numberEnded();

protected:
    bool event(QEvent *event) override;
};

} // namespace inv
