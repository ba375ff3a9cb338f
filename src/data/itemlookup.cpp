#include "itemlookup.h"

#include "module1.h"

namespace inv {

bool findItemNo(Recordset &rs, const QString &text)
{
    return rs.FindFirst(QStringLiteral("item_no"), text);
}

ItemNoMatch findByItemNo(ItemTable table, const QString &text)
{
    Module1::OpenCheckConnection();
    if (table == ItemTable::Items)
        Module1::OpenItems();
    else
        Module1::OpenItemsout();
    Recordset &rs = table == ItemTable::Items ? *Module1::rsItems : *Module1::rsItemsout;
    // One read of the file: the row comes with the look-up, so the window's
    // boxes cost no further read. Only a miss asks whether the table has
    // rows at all.
    if (findItemNo(rs, text))
        return ItemNoMatch::Found;
    rs.MoveFirst();
    return rs.hasCurrent() ? ItemNoMatch::None : ItemNoMatch::EmptyTable;
}

} // namespace inv
