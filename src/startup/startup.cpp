#include "startup.h"

#include "data/stock/module1.h"
#include "data/stock/session.h"
#include "frmflash.h"
#include "ui/prompts.h"
#include "ui/waitnotice.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace inv::startup {

namespace {

// Lets the event loop run until the splash has been painted once (or, should
// the window system never expose it, for half a second at most).
void waitForFirstPaint(frmflash *splash)
{
    if (splash->painted())
        return;
    QEventLoop loop;
    QObject::connect(splash, &frmflash::firstPainted, &loop, &QEventLoop::quit);
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

bool Start()
{
    // A wait for another program (a restore, a busy file) shows what the
    // program waits for.
    ui::showWaits();

    // The splash is on screen first. Opening the default database costs a
    // key derivation, so it runs once the window has been painted, well
    // before the first progress step; the steps and the hand-over are the
    // same as ever, and the hand-over comes only after the load below.
    auto *splash = new frmflash;
    splash->show();
    waitForFirstPaint(splash);

    // Until the user chooses at the welcome window, the program only looks:
    // User may yet be chosen, which writes nothing.
    Session::holdUpgrades(true);
    const QString path = Module1::defaultDatabasePath();
    // Opened here once; the splash window's load then shares the open file.
    Module1::dbPath = path;
    try {
        Module1::OpenRecordsConnection();
    } catch (const RecordsError &e) {
        // The splash goes before the message: the run ends here.
        delete splash;
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
    if (!splash->Form_Load()) {
        delete splash;
        return false;
    }
    return true;
}

} // namespace inv::startup
