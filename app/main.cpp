// inventory: the stock-keeping program. Its only options are --help and
// --version, read before anything starts; Qt's own options for every widgets
// program (-platform NAME, -style NAME, ...) are left to Qt.

#include "startup/startup.h"
#include "version.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

const char *const kUsage = "usage: inventory [--help | --version]\n";

const char *const kHelp = "usage: inventory [--help | --version]\n"
                          "\n"
                          "Inventory System: keeps the stock of a store room. The program opens the\n"
                          "database Records.mdb in its own folder; inventory-admin creates it.\n"
                          "\n"
                          "  --help      print this help and exit\n"
                          "  --version   print the version and exit\n"
                          "\n"
                          "Qt's standard options (-platform NAME, -style NAME, -reverse, ...) are\n"
                          "accepted.\n";

// The options QGuiApplication and QApplication take out of the command line
// of every widgets program, and whether a value follows each.
struct QtOption {
    const char *name;
    bool takesValue;
};
const QtOption kQtOptions[] = {
    {"-platform", true},        {"-platformpluginpath", true}, {"-platformtheme", true}, {"-plugin", true},
    {"-qwindowgeometry", true}, {"-qwindowicon", true},        {"-qwindowtitle", true},  {"-session", true},
    {"-display", true},         {"-geometry", true},           {"-style", true},         {"-stylesheet", true},
    {"-reverse", false},        {"-widgetcount", false},       {"-nograb", false},       {"-dograb", false},
};

const QtOption *qtOption(const char *arg)
{
    for (const QtOption &option : kQtOptions) {
        if (std::strcmp(arg, option.name) == 0)
            return &option;
        // Qt reads -style=NAME and -stylesheet=PATH as well.
        const size_t length = std::strlen(option.name);
        const bool joined = std::strcmp(option.name, "-style") == 0 || std::strcmp(option.name, "-stylesheet") == 0;
        if (joined && std::strncmp(arg, option.name, length) == 0 && arg[length] == '=')
            return &option;
    }
    return nullptr;
}

// What the command line asks for: -1 to start the program, otherwise the
// exit status. Nothing has been opened yet, neither a window nor a database.
int readCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("inventory %s\n", inv::kVersion);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const QtOption *option = qtOption(argv[i]);
        if (!option) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (option->takesValue && !std::strchr(argv[i], '=') && ++i == argc) {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (const int status = readCommandLine(argc, argv); status >= 0)
        return status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("inventory"));
    QApplication::setApplicationVersion(QLatin1String(inv::kVersion));
    if (!inv::startup::Start())
        return 1;
    return QApplication::exec();
}
