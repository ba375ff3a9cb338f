#pragma once
// "Remaining Items": the Items table as a grid.

#include "gridwindow.h"

namespace inv {

class frmremain : public GridWindow {
    Q_OBJECT

public:
    frmremain();

    // The first half of loading: re-opens the records connection on dbPath
    // and the Items cursor on it. The main window's load runs it as well, so
    // that from then on every table is read from the database of the run.
    // Throws RecordsError.
    static void OpenCursor();

    // Opens the connection and the cursor and fills the grid. False when the
    // database failed (a message was shown).
    bool Form_Load();
};

} // namespace inv
