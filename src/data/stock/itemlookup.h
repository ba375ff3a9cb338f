#pragma once
// The look-up-as-you-type of the windows that show a row by its item number:
// the first row, in stored order, whose item_no is exactly the typed text
// (case-sensitive, untrimmed). No widgets here.

#include <QString>
#include <QStringList>

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

// A row as a window showed it to be confirmed: where it is, and the number
// and name the user saw.
struct ShownRow {
    ItemTable table = ItemTable::Items;
    qint64 key = 0;
    QStringList identity; // item_no, item_name
};

// The row the table's cursor stands on, after findByItemNo found it.
ShownRow shownRow(ItemTable table);

// Deletes the shown row, after a confirmation. Another program may have
// deleted it meanwhile and added another row that took its place (and its
// key): so the row is read again inside the delete's own transaction and
// deleted only while it still carries the number and name that were shown.
// False, with nothing deleted, when it does not. Throws RecordsError when
// the database fails.
bool deleteShownRow(const ShownRow &row);

// What a delete window says when deleteShownRow deleted nothing.
QString shownRowChanged();

} // namespace inv
