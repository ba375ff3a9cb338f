#include "navigation.h"

#include "frmlogin.h"
#include "frmwelcome.h"
#include "mainwindow/frmmain.h"
#include "ui/loadwindow.h"

#include <QApplication>

namespace inv::startup {

void showWelcome()
{
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
