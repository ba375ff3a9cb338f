#include "itemlookup.h"

#include "module1.h"

namespace inv {

ItemNoMatch FindByItemNo(ItemTable table, const QString &text)
{
    Module1::OpenCheckConnection();
    if (table == ItemTable::Items)
        Module1::OpenItems();
    else
        Module1::OpenItemsout();
    Recordset &rs = table == ItemTable::Items ? *Module1::rsItems : *Module1::rsItemsout;
    // A fresh cursor stands on the first row unless the table is empty (a
    // row count would read the whole table).
    if (!rs.hasCurrent())
        return ItemNoMatch::EmptyTable;
    return rs.FindFirst(QStringLiteral("item_no"), text) ? ItemNoMatch::Found : ItemNoMatch::None;
}

} // namespace inv
