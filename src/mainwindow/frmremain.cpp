#include "frmremain.h"

#include "data/stock/module1.h"

namespace inv {

frmremain::frmremain() : GridWindow(QStringLiteral("frmremain"), QStringLiteral("Remaining Items"))
{
}

bool frmremain::Form_Load()
{
    // Shown: item_no, item_name, Description, remaining_quantity, Status.
    return load(
        [] {
            Module1::openRecordsItems();
            return Module1::rsItems;
        },
        {{0, 4, 7, 8, 9}, {{5, 102}, {3, 210}, {6, 50}}});
}

} // namespace inv
