#pragma once
// The look-up-as-you-type of the windows that show a row by its item number:
// the first row, in stored order, whose item_no is exactly the typed text
// (case-sensitive, untrimmed). No widgets here.

#include <QString>

namespace inv {

class Recordset;

enum class ItemNoMatch {
    EmptyTable, // the table holds no rows: the window leaves its boxes alone
    None, // no row has that number: the window empties its boxes
    Found, // the table's cursor stands on the row
};

// The tables whose rows carry an item number, with their Module1 cursors.
enum class ItemTable { Items, Itemsout };

// Makes the first row of rs, in stored order, whose item_no is exactly text
// current; false when no row has that number. Opens nothing: the caller's
// cursor and its lock stay. Throws RecordsError when the database fails.
bool findItemNo(Recordset &rs, const QString &text);

// Re-opens the check connection and the table's cursor (rsItems or
// rsItemsout), then finds the row. Throws RecordsError when the database
// fails.
ItemNoMatch findByItemNo(ItemTable table, const QString &text);

} // namespace inv
