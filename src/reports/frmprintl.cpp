#include "frmprintl.h"

#include "data/stock/module1.h"

namespace inv {

namespace {

std::shared_ptr<Recordset> openItemsout()
{
    Module1::OpenCheckConnection();
    Module1::OpenItemsout();
    return Module1::rsItemsout;
}

// The four columns overlap by 15 twips, the right edge of the left pair
// included, so that they form one grid.
const reports::ReportDescription kRemovedList{
    "frmprintl",
    QStringLiteral("Item List"),
    openItemsout,
    QStringLiteral("List of removed items"),
    8,
    reports::kRemovedListPage,
    {
        {"Text1(0)", "Item Name", "lstname(0)", "item_name", 0, 600, 4335, "item name column, left"},
        {"Text5(0)", "Quantity", "lstqua(0)", "quantity", 0, 4920, 2775, "quantity column, left"},
        {"Text1(1)", "Item Name", "lstname(1)", "item_name", 1, 7680, 4335, "item name column, right"},
        {"Text5(1)", "Quantity", "lstqua(1)", "quantity", 1, 12000, 2775, "quantity column, right"},
    },
};

} // namespace

frmprintl::frmprintl() : PrintoutWindow(kRemovedList)
{
    Text1 = {headingBox("Text1(0)"), headingBox("Text1(1)")};
    Text5 = {headingBox("Text5(0)"), headingBox("Text5(1)")};
    lstname = {list("lstname(0)"), list("lstname(1)")};
    lstqua = {list("lstqua(0)"), list("lstqua(1)")};
}

} // namespace inv
