#pragma once
// "Update Inventory": raises or lowers the stock of one item, picked by its
// number or by its name, by a typed quantity.

#include "ui/childwindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace inv {

namespace ui {
class UpDown;
}

class frmupdate : public ui::ChildWindow {
    Q_OBJECT

public:
    frmupdate();

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

private:
    void pick(bool byName);
    void change(bool add);
};

} // namespace inv
