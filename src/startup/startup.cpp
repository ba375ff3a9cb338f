#include "startup.h"

#include "data/module1.h"
#include "data/schema.h"
#include "frmflash.h"
#include "ui/prompts.h"

namespace inv::startup {

bool Start()
{
    const QString path = Module1::DefaultDatabasePath();
    if (auto problem = CheckRecordsDatabase(path)) {
        ui::Prompts::message(
            nullptr,
            *problem
                + QStringLiteral("\n\nThe program needs its records database at this place. A new one is "
                                 "created with the command:\n\ninventory-admin create \"%1\" --demo")
                      .arg(path));
        return false;
    }
    auto *splash = new frmflash;
    if (!splash->Form_Load()) {
        delete splash;
        return false;
    }
    splash->show();
    return true;
}

} // namespace inv::startup
