#include "frmremain.h"

#include "data/module1.h"

namespace inv {

frmremain::frmremain() : GridWindow(QStringLiteral("frmremain"), QStringLiteral("Remaining Items"))
{
}

void frmremain::OpenCursor()
{
    Module1::OpenRecordsConnection();
    Module1::OpenItems();
}

bool frmremain::Form_Load()
{
    // Shown: item_no, item_name, Description, remaining_quantity, Status.
    return load(
        [] {
            OpenCursor();
            return Module1::rsItems;
        },
        {{0, 4, 7, 8, 9}, {{5, 102}, {3, 210}, {6, 50}}});
}

} // namespace inv
