#include "clock.h"

namespace inv::Clock {

namespace {
QDateTime g_fixed;
}

QDate today()
{
    return now().date();
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
