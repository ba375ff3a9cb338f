#pragma once
// "Update Inventory": raises or lowers the stock of one item, picked by its
// number or by its name, by a typed quantity.

#include "ui/childwindow.h"
#include "ui/showsrecords.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace inv {

namespace ui {
class UpDown;
}

class frmupdate : public ui::ChildWindow, public ui::ShowsRecords {
    Q_OBJECT

public:
    frmupdate();
    ~frmupdate() override;

    // Fills both lists, entry k of each from the k-th row of Items. False
    // when the database failed (a message was shown).
    bool Form_Load();

    QLabel *Label1; // "Present Quantity:"
    QLabel *lblqua;
    QLabel *Label2;
    QLabel *lblstat; // opaque: white until an item is shown
    QComboBox *cmbitemno;
    QComboBox *cmbitemname;
    QLabel *Label3;
    QLineEdit *txtqua; // digits only
    ui::UpDown *UpDown1;
    QPushButton *cmdadd;
    QPushButton *Command1; // "&Less"
    QPlainTextEdit *txtdesc;

    // A pick in a list: shows the first item with that number or name and
    // puts its name or number into the other list's text.
    void cmbitemno_Click();
    void cmbitemname_Click();
    // Add and Less of the typed quantity to the item whose number the list
    // shows.
    void cmdadd_Click();
    void Command1_Click();
    // The box and the spin control follow each other.
    void txtqua_Change();
    void UpDown1_Change();

    // Both lists again, and the item whose number the list shows as stored;
    // what the lists' boxes hold stays.
    void readShownAgain() override;

private:
    void pick(bool byName);
    // Shows the item as pick does (RecordsError when the look-up fails);
    // false when no item has the text.
    bool showPicked(bool byName, const QString &text);
    void change(bool add);
};

} // namespace inv
