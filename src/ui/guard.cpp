#include "guard.h"

#include "data/connection.h"
#include "prompts.h"

namespace inv::ui {

bool guarded(QWidget *parent, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const RecordsError &e) {
        Prompts::message(parent, e.damaged() ? e.description() : e.message());
        return false;
    }
}

} // namespace inv::ui
