#include "deleteconfirmed.h"

#include "guard.h"
#include "prompts.h"

namespace inv::ui {

DeleteOutcome deleteConfirmed(QWidget *window, ItemTable table, const QString &itemNo)
{
    ShownRow shown;
    bool found = false;
    if (!guarded(window,
                 [&] {
                     found = findByItemNo(table, itemNo) == ItemNoMatch::Found;
                     if (found)
                         shown = shownRow(table);
                 })
        || !found)
        return DeleteOutcome::NotFound;
    // No cursor is held across the box: while it is open another program
    // may change the table.
    if (Prompts::message(window, QStringLiteral("Are you sure you want to delete this item?"),
                         QStringLiteral("Confirm"), Buttons::YesNo)
        != Answer::Yes)
        return DeleteOutcome::Declined;
    bool deleted = false;
    if (!guarded(window, [&] { deleted = deleteShownRow(shown); }))
        return DeleteOutcome::NotFound;
    if (!deleted) {
        Prompts::message(window, shownRowChanged());
        return DeleteOutcome::Changed;
    }
    Prompts::message(window, QStringLiteral("Item Deleted"), QStringLiteral("Success"));
    return DeleteOutcome::Deleted;
}

} // namespace inv::ui
