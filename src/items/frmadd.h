#pragma once
// "Add Item": a new item from five boxes; the window clears itself after
// each item and stays open for the next.

#include "itemwindow.h"

class QPlainTextEdit;

namespace inv {

class frmadd : public ItemWindow {
    Q_OBJECT

public:
    frmadd();

    QPlainTextEdit *txtdesc; // several lines: Ctrl+Enter types a line break
    QPushButton *cmdadd;

    // Checks the boxes, refuses a number that is taken and quantities that
    // give no stock status, writes the row and empties the boxes.
    void cmdadd_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace inv
