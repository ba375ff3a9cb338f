#pragma once
// "Delete Removed Item": deletes one row of the removal tally, found by its
// item number as the user types it.

#include "ui/childwindow.h"
#include "ui/showsrecords.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace inv {

class frmdeleteremove : public ui::ChildWindow, public ui::ShowsRecords {
    Q_OBJECT

public:
    frmdeleteremove();

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label5;
    QLineEdit *txtitemno;
    QLineEdit *txtname;
    QLineEdit *txtqua;
    QPlainTextEdit *txtdesc; // several lines, wrapped
    QPushButton *cmddelete;
    QPushButton *cmdcancel;

    // Shows the first tally row whose item_no is the typed text, or empties
    // the boxes when none is (an empty tally leaves them as they are).
    void txtitemno_Change();
    // The row the typed number finds now, as txtitemno_Change shows it.
    void readShownAgain() override;
    // Deletes that row after a confirmation.
    void cmddelete_Click();
    void cmdcancel_Click();

private:
    // txtitemno_Change without its message (RecordsError when the look-up
    // fails); an empty tally leaves the boxes when keptOnEmptyTable.
    void showTypedRow(bool keptOnEmptyTable);
    void showRow(const QString &name, const QString &quantity, const QString &description);
};

} // namespace inv
