#include "frmremoved.h"

#include "data/stock/module1.h"

namespace inv {

frmremoved::frmremoved() : GridWindow(QStringLiteral("frmremoved"), QStringLiteral("Removed Items"))
{
}

bool frmremoved::Form_Load()
{
    // Shown: item_no, item_name, Description, quantity.
    return load(
        [] {
            Module1::OpenRecordsConnection();
            Module1::OpenItemsout();
            return Module1::rsItemsout;
        },
        {{0, 5, 6}, {{3, 245}}});
}

} // namespace inv
