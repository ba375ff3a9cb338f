#include "data/core/clock.h"

#include <ctime>

namespace inv::Clock {

namespace {
QDateTime g_fixed;
}

QDate today()
{
    if (g_fixed.isValid())
        return g_fixed.date();
    // The day in the time zone the C library already holds: unlike
    // QDateTime::currentDateTime, this does not look at the zone file again
    // (a stat of /etc/localtime) each time a window shows the date.
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return QDateTime::currentDateTime().date();
    return QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

QDateTime now()
{
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}

void setFixed(const QDateTime &when)
{
    g_fixed = when;
}

} // namespace inv::Clock
