#include "itemlookup.h"

#include "module1.h"

namespace inv {

ItemNoMatch findByItemNo(ItemTable table, const QString &text)
{
    Module1::OpenCheckConnection();
    if (!Module1::cnRecords)
        throw RecordsError(Module1::dbPath, QStringLiteral("the records connection is not open"));
    // One read of the file for the whole look-up, the found row included.
    ReadGroup read(Module1::cnRecords);
    if (table == ItemTable::Items)
        Module1::OpenItems();
    else
        Module1::OpenItemsout();
    Recordset &rs = table == ItemTable::Items ? *Module1::rsItems : *Module1::rsItemsout;
    // A fresh cursor stands on the first row unless the table is empty (a
    // row count would read the whole table).
    if (!rs.hasCurrent())
        return ItemNoMatch::EmptyTable;
    if (!rs.FindFirst(QStringLiteral("item_no"), text))
        return ItemNoMatch::None;
    rs.Fields(0); // the window reads the row's fields next, from the cursor
    return ItemNoMatch::Found;
}

} // namespace inv
