#include "frmprint.h"

#include "data/stock/module1.h"

namespace inv {

namespace {

std::shared_ptr<Recordset> openItems()
{
    Module1::OpenCheckConnection();
    Module1::OpenItems();
    return Module1::rsItems;
}

// Neighbouring columns overlap by 15 twips so that their borders coincide.
const reports::ReportDescription kItemList{
    "frmprint",
    QStringLiteral("Item List"),
    openItems,
    QStringLiteral("List of items as of"),
    3,
    reports::kItemListPage,
    {
        {"Text7", "Item Number", "lstno", "item_no", 0, 840, 1335, "item number column"},
        {"Text1", "Item Name", "lstname", "item_name", 0, 2160, 3015, "item name column"},
        {"Text6", "Description", "lstdesc", "Description", 0, 5160, 6255, "description column"},
        {"Text5", "Present Quantity", "lstqua", "remaining_quantity", 0, 11400, 1575, "present quantity column"},
        {"Text4", "Status", "lststa", "Status", 0, 12960, 1455, "status column"},
    },
    {QRect(840, 1320, 2340, 360), QRect(10800, 1200, 1695, 450), QRect(8880, 1200, 1815, 450),
     QRect(12600, 1200, 1815, 450), 1680, 2160, 9030},
};

} // namespace

frmprint::frmprint() : PrintoutWindow(kItemList)
{
    Text7 = headingBox("Text7");
    Text1 = headingBox("Text1");
    Text6 = headingBox("Text6");
    Text5 = headingBox("Text5");
    Text4 = headingBox("Text4");
    lstno = list("lstno");
    lstname = list("lstname");
    lstdesc = list("lstdesc");
    lstqua = list("lstqua");
    lststa = list("lststa");
}

} // namespace inv
