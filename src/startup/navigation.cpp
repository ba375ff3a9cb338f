#include "navigation.h"

#include "data/stock/module1.h"
#include "data/stock/session.h"
#include "frmlogin.h"
#include "frmwelcome.h"
#include "mainwindow/frmmain.h"
#include "ui/loadwindow.h"

#include <QApplication>

namespace inv::startup {

void showWelcome()
{
    Module1::setViewOnly(false);
    // The user is to choose again: nothing upgrades the file before that.
    Session::holdUpgrades(true);
    auto *welcome = ui::loadWindow<frmwelcome>(ui::OnClose::Delete);
    if (!welcome) {
        QApplication::exit(1);
        return;
    }
    welcome->show();
}

bool showLogin()
{
    // Admin was chosen: the log-in's connection may upgrade an older file.
    Session::holdUpgrades(false);
    auto *login = ui::loadWindow<frmlogin>(ui::OnClose::Delete);
    if (!login)
        return false;
    login->show();
    return true;
}

frmmain *showMain(Mode mode)
{
    // Before the main window opens its connection: the view-only entry
    // writes nothing, not even the upgrade of an older file.
    Session::setViewOnly(mode == Mode::Restricted);
    Session::holdUpgrades(false);
    if (mode == Mode::Restricted)
        Session::setAccount({});
    auto *main = ui::loadWindow<frmmain>(ui::OnClose::Delete);
    if (!main) {
        showWelcome();
        return nullptr;
    }
    if (mode == Mode::Restricted)
        main->setRestrictedMode();
    QObject::connect(main, &frmmain::loggedOut, main, [] {
        Session::end();
        showWelcome();
    });
    main->show();
    return main;
}

} // namespace inv::startup
