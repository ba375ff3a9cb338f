#pragma once
// Program start: checks the default database, then shows the splash window.

namespace inv::startup {

// Returns false when the program cannot start (the reason has been shown in
// a message box); the splash window is then not shown.
bool Start();

} // namespace inv::startup
