#pragma once
// Shows the records layer's waits (Waits): a busy cursor, and a line in the
// active window that says what the program waits for. Both go as soon as
// control is back in the event loop, that is, when the wait is over. While
// a wait for a database server lasts, the windows repaint, the clerk's
// clicks and keys are held off, and Esc or the line's "Give up" button ends
// the wait. Nothing modal.

class QLabel;
class QPushButton;

namespace inv::ui {

// Listens to the records layer's waits from now on.
void showWaits();

// The line shown during a wait (nullptr when none is); for tests.
QLabel *waitNotice();
// Its button that gives a wait for a server up (nullptr when no line is).
QPushButton *waitGiveUpButton();

} // namespace inv::ui
