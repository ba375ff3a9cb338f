#pragma once
// The one way a window that reads its records is loaded: made, its
// Form_Load run, kept when that succeeds and dropped when it fails.

#include <QWidget>

namespace inv::ui {

enum class OnClose {
    Keep, // the caller owns the window
    Delete, // the window unloads itself when it closes
};

// A window of type W, loaded and not yet shown; nullptr (the window deleted)
// when its load failed, which has said why.
template <typename W>
W *loadWindow(OnClose onClose = OnClose::Keep)
{
    auto *window = new W;
    if (onClose == OnClose::Delete)
        window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->Form_Load()) {
        delete window;
        return nullptr;
    }
    return window;
}

} // namespace inv::ui
