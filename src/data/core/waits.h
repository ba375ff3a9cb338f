#pragma once
// The records layer's waits, made visible. The layer has no widgets: while
// it waits (for a restore to finish before a file can be opened, for
// another program's change to end before its own can start, for a database
// server to answer) it says what it waits for, at the start and now and
// then while it lasts. The windows show it; when nobody listens, nothing is
// shown.
//
// A wait for a server is bounded, and while it lasts the layer lets the
// program run (pump) now and then, so that its windows repaint and the
// clerk can give the wait up (giveUp). The layer makes no statement of its
// own while it pumps: what runs meanwhile must not use the records (active
// tells it).

#include <QString>

#include <functional>

namespace inv::Waits {

// Called on the waiting thread, with a sentence such as "Waiting for ...".
// The wait is over when control is back in the event loop.
using Listener = std::function<void(const QString &what)>;
void setListener(Listener listener);

// Reports that the layer is waiting, and for what.
void waiting(const QString &what);

// Called on the waiting thread every few tens of milliseconds while a wait
// for a server lasts: the windows' chance to repaint (the program's own
// user input held back). Nothing by default.
using Pump = std::function<void()>;
void setPump(Pump pump);
void pump();

// Whether the layer is inside a wait that pumps (Scope).
bool active();

// Asks the wait under way to end now, as if its time were up (from any
// thread). A wait that starts afterwards starts afresh.
void giveUp();
bool givenUp();

// Marks a wait that pumps, for as long as it lives; the outermost one
// forgets an earlier giveUp.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
};

} // namespace inv::Waits
