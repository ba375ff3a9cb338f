#pragma once
// The data side of the update window: showing a picked item, and raising or
// lowering an item's stock by a typed quantity. No widgets here: the window
// passes the texts of its lists and box in and shows what comes back.

#include "data/stock/status.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace inv::StockChange {

// What the two lists show until an item is picked. While either list shows
// its own, Add and Less do nothing.
inline const QString kNumberPlaceholder = QStringLiteral("item number");
inline const QString kNamePlaceholder = QStringLiteral("item name");

// The largest quantity the quantity box takes (the spin control's range).
constexpr int kMaxTyped = 1000000;

// Every item's number and name, in table order: entry k of one list and
// entry k of the other belong to the same row. A field without a value is an
// empty entry. Re-opens the check connection and the Items cursor.
struct Lists {
    QStringList numbers;
    QStringList names;
};
Lists loadLists();

// The item as a pick shows it; every text is empty for a field without a
// value.
struct Shown {
    QString remaining;
    QString status;
    QString other; // the item number when picked by name, and the reverse
    QString description; // name, an empty line, the description
};

// The first row, in table order, whose item_name (by ItemName) or item_no
// (by ItemNumber) is exactly text; nullopt when none is. Re-opens the check
// connection and the Items cursor.
std::optional<Shown> pick(PickedBy by, const QString &text);

enum class Direction { Add, Less };

struct Outcome {
    // False when a list still shows its placeholder: nothing at all happens.
    bool acted = false;
    // The row was written.
    bool changed = false;
    // A sentence for the user when the change was refused; empty otherwise.
    QString message;
    // The row of the item number as stored after the action, when one has
    // that number and nothing was refused.
    std::optional<QString> remaining;
    std::optional<QString> status;
};

// Add or Less of the quantity typed (the box's text) on the first row whose
// item_no is exactly itemNo. Writes the remaining quantity, the exact status
// and, for an Add beyond it, max_quantity, in one transaction. Refused with a
// message, writing nothing, when the typed quantity lies beyond 0..1000000,
// the item's maximum quantity is 0 or either stored quantity lies outside
// -32768..32767, or the new remaining quantity would. Throws RecordsError
// when the database fails (nothing is then written).
Outcome changeQuantity(Direction direction, const QString &itemNo, const QString &itemName, const QString &typed);

} // namespace inv::StockChange
