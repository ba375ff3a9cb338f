#include "data/core/waits.h"

#include <atomic>

namespace inv::Waits {

namespace {

Listener &listener()
{
    static Listener l;
    return l;
}

Pump &pumpFunction()
{
    static Pump p;
    return p;
}

int g_depth = 0;
std::atomic<bool> g_givenUp{false};

} // namespace

void setListener(Listener l)
{
    listener() = std::move(l);
}

void waiting(const QString &what)
{
    if (listener())
        listener()(what);
}

void setPump(Pump p)
{
    pumpFunction() = std::move(p);
}

void pump()
{
    if (pumpFunction())
        pumpFunction()();
}

bool active()
{
    return g_depth > 0;
}

void giveUp()
{
    g_givenUp = true;
}

bool givenUp()
{
    return g_givenUp;
}

Scope::Scope()
{
    if (g_depth++ == 0)
        g_givenUp = false;
}

Scope::~Scope()
{
    --g_depth;
}

} // namespace inv::Waits
