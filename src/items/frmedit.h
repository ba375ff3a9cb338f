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
    // The item as stored, the boxes closed for changes again.
    void readShownAgain() override;

private:
    void startEditing();
    void save();
};

} // namespace inv
