#include "navigation.h"

#include "frmlogin.h"
#include "frmwelcome.h"
#include "mainwindow/frmmain.h"
#include "ui/loadwindow.h"

#include <QApplication>

namespace inv::startup {

void ShowWelcome()
{
    auto *welcome = ui::loadWindow<frmwelcome>(ui::OnClose::Delete);
    if (!welcome) {
        QApplication::exit(1);
        return;
    }
    welcome->show();
}

bool ShowLogin()
{
    auto *login = ui::loadWindow<frmlogin>(ui::OnClose::Delete);
    if (!login)
        return false;
    login->show();
    return true;
}

frmmain *ShowMain(Mode mode)
{
    auto *main = ui::loadWindow<frmmain>(ui::OnClose::Delete);
    if (!main) {
        ShowWelcome();
        return nullptr;
    }
    if (mode == Mode::Restricted)
        main->setRestrictedMode();
    QObject::connect(main, &frmmain::loggedOut, main, [] { ShowWelcome(); });
    main->show();
    return main;
}

} // namespace inv::startup
