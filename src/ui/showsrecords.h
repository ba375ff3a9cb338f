#pragma once
// After a change whose outcome the database could not confirm (the server
// stopped answering during its commit), nothing is sent again: every open
// window reads what it shows of the records again, so that the clerk sees
// what was really stored before deciding whether to repeat the change.

namespace inv::ui {

// A window that shows rows of the records database.
class ShowsRecords {
public:
    virtual ~ShowsRecords();
    // Reads what the window shows from the database again (a window that
    // waits for a child window to close marks it to be read then). Reads
    // only. Throws RecordsError as any read does.
    virtual void readShownAgain() = 0;
};

// Every open window that shows records reads them again. A window whose
// read fails (the server still gone) says nothing more, the change's own
// sentence having been shown, and catches up after its next action.
void readShownAgain();

} // namespace inv::ui
