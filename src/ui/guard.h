#pragma once
// Runs a window action and turns a failure of the records database into a
// message box instead of a crash. The data layer only reports; the windows
// decide how to show it.

#include <functional>

class QWidget;

namespace inv::ui {

// Returns false when the action failed (the message has been shown). After
// a change whose outcome is unknown, every open window then reads its lists
// again (showsrecords.h).
bool guarded(QWidget *parent, const std::function<void()> &action);

} // namespace inv::ui
