#pragma once
// The records layer's waits for another program, made visible. The layer
// has no widgets: while it waits (for a restore to finish before a file can
// be opened, for another program's change to end before its own can start)
// it says what it waits for, at the start and now and then while it lasts.
// The windows show it; when nobody listens, nothing is shown.

#include <QString>

#include <functional>

namespace inv::Waits {

// Called on the waiting thread, with a sentence such as "Waiting for ...".
// The wait is over when control is back in the event loop: the waiting
// thread runs no events meanwhile.
using Listener = std::function<void(const QString &what)>;
void setListener(Listener listener);

// Reports that the layer is waiting, and for what.
void waiting(const QString &what);

} // namespace inv::Waits
