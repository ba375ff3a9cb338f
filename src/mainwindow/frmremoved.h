#pragma once
// "Removed Items": the tally of removed units (Itemsout) as a grid.

#include "gridwindow.h"

namespace inv {

class frmremoved : public GridWindow {
    Q_OBJECT

public:
    frmremoved();

    // Re-opens the records connection on dbPath and the Itemsout cursor, and
    // fills the grid. False when the database failed (a message was shown).
    bool Form_Load();
};

} // namespace inv
