#pragma once
// "Remaining Items": the Items table as a grid.

#include "gridwindow.h"

namespace inv {

class frmremain : public GridWindow {
    Q_OBJECT

public:
    frmremain();

    // Opens the connection and the cursor and fills the grid. False when the
    // database failed (a message was shown).
    bool Form_Load();
};

} // namespace inv
