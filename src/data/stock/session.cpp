#include "data/stock/session.h"

#include "data/stock/module1.h"

#include <pwd.h>
#include <unistd.h>

namespace inv::Session {

namespace {
QString g_account;
} // namespace

QString account()
{
    return g_account;
}

void setAccount(const QString &user)
{
    g_account = user;
}

QString loginName()
{
    static const QString name = [] {
        const uid_t uid = ::getuid();
        if (const passwd *entry = ::getpwuid(uid); entry && entry->pw_name)
            return QString::fromLocal8Bit(entry->pw_name);
        return QString::number(uid);
    }();
    return name;
}

bool writesAllowed()
{
    // One flag for the whole program: the cursors refuse writes by it too.
    return !Module1::viewOnly();
}

bool upgradesAllowed()
{
    return writesAllowed() && !Module1::upgradesHeld();
}

void holdUpgrades(bool held)
{
    Module1::holdUpgrades(held);
}

UpgradeHold::UpgradeHold() : m_held(Module1::upgradesHeld())
{
    Module1::holdUpgrades(true);
}

UpgradeHold::~UpgradeHold()
{
    Module1::holdUpgrades(m_held);
}

void setViewOnly(bool viewOnly)
{
    Module1::setViewOnly(viewOnly);
}

void end()
{
    g_account.clear();
    Module1::setViewOnly(false);
}

} // namespace inv::Session
