#include "guard.h"

#include "data/core/connection.h"
#include "prompts.h"
#include "showsrecords.h"

namespace inv::ui {

bool guarded(QWidget *parent, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const RecordsError &e) {
        Prompts::message(parent, e.damaged() ? e.description() : e.message());
        // Never sent again: what was stored is read instead.
        if (e.kind() == RecordsError::Kind::OutcomeUnknown)
            readShownAgain();
        return false;
    }
}

} // namespace inv::ui
