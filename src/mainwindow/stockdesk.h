#pragma once
// The data side of the stock-out desk: taking one unit out of stock, undoing
// that, and clearing the tally. No widgets here: the main window passes the
// key of the item (the selected entry's text, or a scanned item number) in
// and shows what comes back.

#include "data/core/connection.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace inv::StockDesk {

// What the desk finds an item by: the name of a list entry, or an item
// number typed or scanned. Both are compared exactly, as stored; the first
// matching Items row in stored order is the one used. The tally counts per
// item name, whatever found the item.
struct ItemKey {
    enum class By { Name, Number };
    By by = By::Name;
    QString text;
    // The name whose tally row the unit was counted in: the name itself, or
    // for a number the name of the item it found (set by removeOne).
    QString tallyName;

    static ItemKey name(const QString &name) { return {By::Name, name, name}; }
    static ItemKey number(const QString &itemNo) { return {By::Number, itemNo, {}}; }
};

// The one tally row an action wrote, as its tally line shows it.
struct TallyChange {
    QVariant name; // the row's item_name
    QVariant before; // its quantity before; unused when the row is new
    QVariant after; // its quantity now
    bool added = false; // the row was appended
    qint64 key = 0; // the row's key: an undo lowers this row and no other
};

struct Outcome {
    // Rows were written: a unit was taken out (removal) or put back (undo).
    bool changed = false;
    // A sentence for the user when the action was refused; empty otherwise.
    QString message;
    // The tally row written, when one was.
    std::optional<TallyChange> tally;
    // The records database as the action found it and as it left it, read
    // under the action's own lock of the file: nothing else wrote between
    // the two but the action. Unknown when the action did not get as far.
    DataVersion before;
    DataVersion after;
    // A removal: whether the key found an item at all.
    bool found = false;
    // A removal that took a unit: the key that puts that very unit back.
    std::optional<ItemKey> undoKey;
};

// One click on an item name or one scanned number (nullopt: no entry
// selected). Re-opens the check connection and both cursors, takes one unit
// out of the first Items row the key finds and counts it in the tally row
// of the item's name. The whole click, its look-ups
// included, is one transaction: what it reads is what it changes. An item
// without stock is left alone silently; an item whose status cannot be
// worked out is left alone with a message. Throws RecordsError when the
// database fails (nothing is then written).
Outcome removeOne(const std::optional<ItemKey> &key);
inline Outcome removeOne(const std::optional<QString> &name)
{
    return removeOne(name ? std::optional(ItemKey::name(*name)) : std::nullopt);
}

// Puts back the unit taken by the last removal of key (a removal's undoKey,
// or a name for the last click), on the cursors as they were last opened
// (none is opened here): the item gets its unit, the exact status and its
// former date back, and the tally row that removal counted the unit in
// (countedIn, its TallyChange::key) goes down by one when it still holds it.
// A row another clerk's clear took away, or a new row counted after it, is
// left alone: the unit left the tally with the clear. (A server never gives a
// key twice; a file whose tally another program emptied may give its last key
// again to the next new row.) Without countedIn, the first tally row of the
// name goes down. Refused with a message, changing nothing, when the
// remaining quantity would pass 32767 or the status cannot be worked out.
// Does nothing while the cursors have never been opened.
Outcome undoRemoval(const std::optional<ItemKey> &key, std::optional<qint64> countedIn = std::nullopt);
inline Outcome undoRemoval(const std::optional<QString> &name, std::optional<qint64> countedIn = std::nullopt)
{
    return undoRemoval(name ? std::optional(ItemKey::name(*name)) : std::nullopt, countedIn);
}

// Deletes every tally row at once, on a freshly opened Itemsout cursor's
// connection. Items is not touched. The versions are read under the clear's
// lock: after is a version at which the tally is empty.
Outcome clearTally();

} // namespace inv::StockDesk
