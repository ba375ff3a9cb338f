#pragma once
// What the add, edit and delete windows share: one layout (five labelled
// boxes, a large description box, a default button bottom left and Cancel
// bottom right), made from one table; and, for the windows that show an
// existing item, the look-up as the number is typed.

#include "itemrecords.h"
#include "ui/childwindow.h"
#include "ui/showsrecords.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace inv {

// How the description box of a window takes text.
enum class DescriptionBox { SeveralLines, OneLine };

class ItemWindow : public ui::ChildWindow {
    Q_OBJECT

public:
    QLabel *Label1; // "Item Number:"
    QLabel *Label2; // "Item Name:"
    QLabel *Label3; // "Description:"
    QLabel *Label4; // "Remaining Quantity:"
    QLabel *Label5; // "Original Quantity:"
    QLineEdit *txtitemno;
    QLineEdit *txtname;
    QLineEdit *txtoqua;
    QLineEdit *txtrqua;
    QPushButton *cmdcancel;

    void cmdcancel_Click();

protected:
    // button: the name and caption of the window's default button.
    ItemWindow(const char *name, const QString &title, DescriptionBox description, const char *button,
               const QString &caption);

    // The description box (a QPlainTextEdit or a QLineEdit) and the default
    // button, for the windows to take with their own types.
    QWidget *descriptionBox() const { return m_description; }
    QPushButton *defaultButton() const { return m_button; }

private:
    QWidget *m_description;
    QPushButton *m_button;
};

// Edit and delete: the number box finds the item as it is typed, and the
// other boxes show it without taking input.
class ItemShowWindow : public ItemWindow, public ui::ShowsRecords {
    Q_OBJECT

public:
    QLineEdit *txtdesc; // one line, as large as the layout makes it

    // Shows the first item whose item_no is exactly the typed text, or
    // empties the four boxes when none is (an empty table leaves them).
    void txtitemno_Change();
    // The item the typed number finds now, as txtitemno_Change shows it.
    void readShownAgain() override;

protected:
    ItemShowWindow(const char *name, const QString &title, const char *button, const QString &caption);
    // The item the boxes show, as it was read; nullopt when none is shown.
    const std::optional<ItemRecords::ShownItem> &shown() const { return m_shown; }
    void showItem(const QString &name, const QString &original, const QString &remaining, const QString &description);

private:
    // txtitemno_Change without its message (RecordsError when the look-up
    // fails); an empty table leaves the boxes when keptOnEmptyTable.
    void showTypedItem(bool keptOnEmptyTable);
    std::optional<ItemRecords::ShownItem> m_shown;
};

} // namespace inv
