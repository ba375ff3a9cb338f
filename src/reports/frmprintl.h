#pragma once
// "Item List" of removed items: the tally, 90 records a page in two pairs of
// columns, 45 on the left and the next 45 on the right; pages do not
// overlap. Printed a page at a time.

#include "printout.h"

#include <array>

namespace inv {

class frmprintl : public reports::PrintoutWindow {
    Q_OBJECT

public:
    frmprintl();

    // Index 0 is the left pair, 1 the right pair.
    std::array<QLineEdit *, 2> Text1; // "Item Name"
    std::array<QLineEdit *, 2> Text5; // "Quantity"
    std::array<QListView *, 2> lstname;
    std::array<QListView *, 2> lstqua;
};

} // namespace inv
