#include "data/core/waits.h"

namespace inv::Waits {

namespace {

Listener &listener()
{
    static Listener l;
    return l;
}

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

} // namespace inv::Waits
