#pragma once
// Shows the records layer's waits for another program (Waits): a busy
// cursor, and a line in the active window that says what the program waits
// for. Both go as soon as control is back in the event loop, that is, when
// the wait is over. Nothing modal: the wait blocks no more than it did.

class QLabel;

namespace inv::ui {

// Listens to the records layer's waits from now on.
void showWaits();

// The line shown during a wait (nullptr when none is); for tests.
QLabel *waitNotice();

} // namespace inv::ui
