#pragma once
// The road between the start-up windows and the main window: which window
// comes next. Each step shows the next window; the caller unloads itself.

namespace inv::startup {

// After the splash, and on logging out: the welcome window.
void ShowWelcome();

} // namespace inv::startup
