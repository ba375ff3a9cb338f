#pragma once
// The one rule by which a window opens another: the new window is shown
// modeless, made active with its first control focused, and unloads itself
// when it closes (by its buttons or its close box); the owner is disabled
// meanwhile, takes no input (its close box included), and is enabled again
// when the window is gone.

class QWidget;

namespace inv::ui {

// Shows window (which must have no parent) and disables owner until window
// is destroyed; window becomes the active window, with the first control of
// its tab order focused. Returns window.
QWidget *openFrom(QWidget *owner, QWidget *window);

// Makes a shown window the active one again (its focused control keeps the
// focus): after a message box of its own, for instance.
void activate(QWidget *window);

template <typename W>
W *openFrom(QWidget *owner, W *window)
{
    openFrom(owner, static_cast<QWidget *>(window));
    return window;
}

} // namespace inv::ui
