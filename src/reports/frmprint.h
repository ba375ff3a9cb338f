#pragma once
// "Item List": the items, 46 rows a page, turned 45 rows at a time so that
// the last row of a page opens the next, and printed a page at a time.

#include "printout.h"

namespace inv {

class frmprint : public reports::PrintoutWindow {
    Q_OBJECT

public:
    frmprint();

    QLineEdit *Text7; // "Item Number"
    QLineEdit *Text1; // "Item Name"
    QLineEdit *Text6; // "Description"
    QLineEdit *Text5; // "Present Quantity"
    QLineEdit *Text4; // "Status"
    QListView *lstno;
    QListView *lstname;
    QListView *lstdesc;
    QListView *lstqua;
    QListView *lststa;
};

} // namespace inv
