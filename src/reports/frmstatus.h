#pragma once
// "Item Status": pick an item by name and read its number, name, remaining
// quantity, status on the colour of its band, date of the last update and
// description. Reads the Items table only; changes nothing.

#include "ui/childwindow.h"

class QFrame;
class QLabel;
class QListView;
class QStringListModel;

namespace inv {

class frmstatus : public ui::ChildWindow {
    Q_OBJECT

public:
    frmstatus();

    // Fills lstitem with the name of every item, sorted. False when the
    // database failed (a message was shown).
    bool Form_Load();
    // Shows the first row, in stored order, whose item_name is exactly the
    // selected entry; with no such row the labels keep what they show.
    void lstitem_Click();
    // Colours lblstatus by the band of the status text it shows.
    void Stat();

    QListView *lstitem; // the names, sorted, one entry per row
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7; // the card behind the details
    QLabel *Label8;
    QLabel *lblno;
    QLabel *lblname;
    QLabel *lblrq;
    QLabel *lblstatus;
    QLabel *lbldate;
    QLabel *lbldesc;
    QFrame *Shape1;
    QFrame *Shape2;
    QFrame *Shape3;

    // The back colour of the value labels until a status is painted.
    static constexpr unsigned kValueBackColour = 0xC0FFC0;
    // Blanks before the description, so that its first line is indented.
    static constexpr int kDescriptionIndent = 7;

private:
    QStringListModel *m_names; // what lstitem lists
};

} // namespace inv
