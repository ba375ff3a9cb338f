#include "navigation.h"

#include "data/module1.h"
#include "frmlogin.h"
#include "frmwelcome.h"
#include "mainwindow/frmmain.h"
#include "ui/loadwindow.h"

#include <QApplication>

namespace inv::startup {

void showWelcome()
{
    Module1::setViewOnly(false);
    auto *welcome = ui::loadWindow<frmwelcome>(ui::OnClose::Delete);
    if (!welcome) {
        QApplication::exit(1);
        return;
    }
    welcome->show();
}

bool showLogin()
{
    auto *login = ui::loadWindow<frmlogin>(ui::OnClose::Delete);
    if (!login)
        return false;
    login->show();
    return true;
}

frmmain *showMain(Mode mode)
{
    // Set before the window exists: the rule holds from its load on.
    Module1::setViewOnly(mode == Mode::Restricted);
    auto *main = ui::loadWindow<frmmain>(ui::OnClose::Delete);
    if (!main) {
        showWelcome();
        return nullptr;
    }
    if (mode == Mode::Restricted)
        main->setRestrictedMode();
    QObject::connect(main, &frmmain::loggedOut, main, [] { showWelcome(); });
    main->show();
    return main;
}

} // namespace inv::startup
