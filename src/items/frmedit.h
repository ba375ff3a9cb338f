#pragma once
// "Edit Item": shows an item as its number is typed; "Edit" opens its name
// and description for changes, "Save" writes them with a fresh status.

#include "itemwindow.h"

namespace inv {

class frmedit : public ItemShowWindow {
    Q_OBJECT

public:
    frmedit();

    QPushButton *cmdsave; // "Edit" while browsing, "Save" while editing

    void cmdsave_Click();

private:
    void startEditing();
    void save();
};

} // namespace inv
