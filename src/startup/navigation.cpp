#include "navigation.h"

#include "frmlogin.h"
#include "frmwelcome.h"
#include "mainwindow/frmmain.h"

#include <QApplication>

namespace inv::startup {

void ShowWelcome()
{
    auto *welcome = new frmwelcome;
    welcome->setAttribute(Qt::WA_DeleteOnClose);
    if (!welcome->Form_Load()) {
        delete welcome;
        QApplication::exit(1);
        return;
    }
    welcome->show();
}

bool ShowLogin()
{
    auto *login = new frmlogin;
    login->setAttribute(Qt::WA_DeleteOnClose);
    if (!login->Form_Load()) {
        delete login;
        return false;
    }
    login->show();
    return true;
}

frmmain *ShowMain(Mode mode)
{
    auto *main = new frmmain;
    main->setAttribute(Qt::WA_DeleteOnClose);
    if (!main->Form_Load()) {
        delete main;
        ShowWelcome();
        return nullptr;
    }
    if (mode == Mode::Restricted)
        main->setRestrictedMode();
    main->show();
    return main;
}

} // namespace inv::startup
