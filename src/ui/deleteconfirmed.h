#pragma once
// The delete of both delete windows: the row found by the typed item number,
// confirmed by the user, then deleted only if it is still the row shown.

#include "data/stock/itemlookup.h"

class QWidget;

namespace inv::ui {

enum class DeleteOutcome {
    NotFound, // no row has the typed number (or the database failed; it said so)
    Declined, // the user answered No
    Changed, // another program deleted or replaced the row meanwhile; said so
    Deleted, // deleted, and said so
};

// Finds the row by itemNo, asks "Are you sure you want to delete this
// item?", and deletes that row (deleteShownRow).
DeleteOutcome deleteConfirmed(QWidget *window, ItemTable table, const QString &itemNo);

} // namespace inv::ui

namespace inv {
using ui::deleteConfirmed;
using ui::DeleteOutcome;
} // namespace inv
