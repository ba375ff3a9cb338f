#pragma once
// "Delete Item": shows an item as its number is typed and deletes it after
// a confirmation; its tally rows stay.

#include "itemwindow.h"

namespace inv {

class frmdelete : public ItemShowWindow {
    Q_OBJECT

public:
    frmdelete();

    QPushButton *cmddelete;

    void cmddelete_Click();
};

} // namespace inv
