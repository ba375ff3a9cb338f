#pragma once
// The road between the start-up windows and the main window: which window
// comes next. Each step shows the next window; the caller unloads itself.

namespace inv {
class frmmain;
}

namespace inv::startup {

// After the splash, on logging in or out: a freshly loaded welcome window.
// Ends the program when even that cannot read its database (the reason has
// been shown).
void showWelcome();

// Admin's way in: the login window. False when it could not read its
// database (the reason has been shown); the caller then stays.
bool showLogin();

enum class Mode {
    Full, // after a login: every function
    Restricted, // the User entry: viewing and printing only
};

// Loads and shows the main window. When its load fails (the reason has been
// shown) the road leads back to a fresh welcome window and nullptr is
// returned.
frmmain *showMain(Mode mode);

} // namespace inv::startup
