#include "startup/startup.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("inventory"));
    if (!inv::startup::Start())
        return 1;
    return QApplication::exec();
}
