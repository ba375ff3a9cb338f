#include "navigation.h"

#include "mainwindow/frmmain.h"

#include <QApplication>

namespace inv::startup {

void ShowWelcome()
{
    // Until the welcome window exists the road leads straight to the main
    // window with every function.
    auto *main = new frmmain;
    main->setAttribute(Qt::WA_DeleteOnClose);
    if (!main->Form_Load()) {
        delete main;
        QApplication::exit(1);
        return;
    }
    main->show();
}

} // namespace inv::startup
