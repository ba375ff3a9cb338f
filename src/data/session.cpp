#include "session.h"

#include <pwd.h>
#include <unistd.h>

namespace inv::Session {

namespace {
QString g_account;
bool g_viewOnly = false;
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
    return !g_viewOnly;
}

void setViewOnly(bool viewOnly)
{
    g_viewOnly = viewOnly;
}

void end()
{
    g_account.clear();
    g_viewOnly = false;
}

} // namespace inv::Session
