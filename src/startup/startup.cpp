#include "startup.h"

#include "data/module1.h"
#include "frmflash.h"
#include "ui/loadwindow.h"
#include "ui/prompts.h"

#include <QFileInfo>

namespace inv::startup {

bool Start()
{
    const QString path = Module1::DefaultDatabasePath();
    // Opened here once; the splash window's load then shares the open file.
    Module1::dbPath = path;
    try {
        Module1::OpenRecordsConnection();
    } catch (const RecordsError &e) {
        // The advice fits the case: a missing file can be created; a file
        // that is there is never replaced, only checked or restored.
        QString text = e.description();
        if (!QFileInfo::exists(path))
            text += QStringLiteral("\n\nThe program needs its records database at this place. A new one is "
                                   "created with the command:\n    inventory-admin create \"%1\" --demo")
                        .arg(path);
        ui::Prompts::message(nullptr, text);
        return false;
    }
    auto *splash = ui::loadWindow<frmflash>();
    if (!splash)
        return false;
    splash->show();
    return true;
}

} // namespace inv::startup
