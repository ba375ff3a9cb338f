#include "itemwindow.h"
#include "data/core/fields.h"

#include "data/stock/itemlookup.h"
#include "data/stock/module1.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace inv {

namespace {

enum class Kind { Label, TextBox, Description, DefaultButton, Button };

struct Control {
    const char *name; // nullptr for the default button: each window names its own
    Kind kind;
    const char *caption;
    int left, top, width, height; // twips
    const char *buddy; // a label's box
};

// Client area in twips, and every control in tab order after the labels.
constexpr int kWidth = 4995;
constexpr int kHeight = 5775;
const Control kLayout[] = {
    {"Label1", Kind::Label, "Item Number:", 240, 240, 1395, 255, "txtitemno"},
    {"Label2", Kind::Label, "Item Name:", 240, 600, 1170, 255, "txtname"},
    {"Label3", Kind::Label, "Description:", 240, 1680, 1215, 255, "txtdesc"},
    {"Label4", Kind::Label, "Remaining Quantity:", 240, 1320, 2175, 255, "txtrqua"},
    {"Label5", Kind::Label, "Original Quantity:", 240, 960, 1935, 255, "txtoqua"},
    // The boxes line up after the widest caption.
    {"txtitemno", Kind::TextBox, "", 2400, 240, 2355, 285, nullptr},
    {"txtname", Kind::TextBox, "", 2400, 600, 2355, 285, nullptr},
    {"txtoqua", Kind::TextBox, "", 2400, 960, 2355, 285, nullptr},
    {"txtrqua", Kind::TextBox, "", 2400, 1320, 2355, 285, nullptr},
    {"txtdesc", Kind::Description, "", 240, 2040, 4515, 2685, nullptr},
    {nullptr, Kind::DefaultButton, "", 1110, 5040, 1215, 495, nullptr},
    {"cmdcancel", Kind::Button, "&Cancel", 2670, 5040, 1215, 495, nullptr},
};

} // namespace

ItemWindow::ItemWindow(const char *name, const QString &title, DescriptionBox description, const char *button,
                       const QString &caption)
    : ChildWindow(name, title, kWidth, kHeight)
{
    const QFont captionFont = ui::timesFont(11.25, true);
    const QFont buttonFont = ui::sansFont(9.75, true);
    QWidget *previous = nullptr;
    for (const Control &c : kLayout) {
        QWidget *made = nullptr;
        switch (c.kind) {
        case Kind::Label: {
            QLabel *label = ui::makeLabel(this, c.name, QString::fromLatin1(c.caption), captionFont);
            made = label;
            break;
        }
        case Kind::TextBox:
            made = ui::makeTextBox(this, c.name);
            break;
        case Kind::Description:
            if (description == DescriptionBox::SeveralLines) {
                auto *box = new QPlainTextEdit(this);
                box->setObjectName(QLatin1String(c.name));
                box->setFont(ui::sansFont(8));
                box->setTabChangesFocus(true);
                made = box;
            } else {
                QLineEdit *box = ui::makeTextBox(this, c.name);
                box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                made = box;
            }
            m_description = made;
            break;
        case Kind::DefaultButton:
        case Kind::Button: {
            QPushButton *b = c.kind == Kind::DefaultButton
                                 ? ui::makeButton(this, button, caption)
                                 : ui::makeButton(this, c.name, QString::fromLatin1(c.caption));
            b->setFont(buttonFont);
            b->setDefault(c.kind == Kind::DefaultButton);
            if (c.kind == Kind::DefaultButton)
                m_button = b;
            made = b;
            break;
        }
        }
        ui::place(made, c.left, c.top, c.width, c.height);
        if (c.kind == Kind::Label) {
            ui::fitToText(static_cast<QLabel *>(made));
            continue;
        }
        if (previous)
            setTabOrder(previous, made);
        previous = made;
    }
    // A screen reader names each box by its label.
    for (const Control &c : kLayout)
        if (c.buddy)
            findChild<QLabel *>(QLatin1String(c.name))->setBuddy(findChild<QWidget *>(QLatin1String(c.buddy)));

    Label1 = findChild<QLabel *>(QStringLiteral("Label1"));
    Label2 = findChild<QLabel *>(QStringLiteral("Label2"));
    Label3 = findChild<QLabel *>(QStringLiteral("Label3"));
    Label4 = findChild<QLabel *>(QStringLiteral("Label4"));
    Label5 = findChild<QLabel *>(QStringLiteral("Label5"));
    txtitemno = findChild<QLineEdit *>(QStringLiteral("txtitemno"));
    txtname = findChild<QLineEdit *>(QStringLiteral("txtname"));
    txtoqua = findChild<QLineEdit *>(QStringLiteral("txtoqua"));
    txtrqua = findChild<QLineEdit *>(QStringLiteral("txtrqua"));
    cmdcancel = findChild<QPushButton *>(QStringLiteral("cmdcancel"));
    txtitemno->setFocus();
    connect(cmdcancel, &QPushButton::clicked, this, &ItemWindow::cmdcancel_Click);
}

void ItemWindow::cmdcancel_Click()
{
    close();
}

ItemShowWindow::ItemShowWindow(const char *name, const QString &title, const char *button, const QString &caption)
    : ItemWindow(name, title, DescriptionBox::OneLine, button, caption)
{
    txtdesc = static_cast<QLineEdit *>(descriptionBox());
    for (QWidget *box : {static_cast<QWidget *>(txtname), static_cast<QWidget *>(txtoqua),
                         static_cast<QWidget *>(txtrqua), static_cast<QWidget *>(txtdesc)})
        ui::showOnly(box);
    connect(txtitemno, &QLineEdit::textChanged, this, &ItemShowWindow::txtitemno_Change);
}

void ItemShowWindow::showItem(const QString &name, const QString &original, const QString &remaining,
                              const QString &description)
{
    // Typing a number that matches nothing leaves empty boxes empty: a box
    // is only redrawn when its text changes.
    const auto show = [](QLineEdit *box, const QString &text) {
        if (box->text() != text)
            box->setText(text);
    };
    show(txtname, name);
    show(txtoqua, original);
    show(txtrqua, remaining);
    if (txtdesc->text() != description) {
        txtdesc->setText(description);
        txtdesc->setCursorPosition(0); // a long description shows from its start
    }
}

void ItemShowWindow::txtitemno_Change()
{
    ui::guarded(this, [this] { showTypedItem(true); });
}

void ItemShowWindow::readShownAgain()
{
    // Read again, an empty table shows nothing: the item shown may be gone.
    showTypedItem(false);
}

void ItemShowWindow::showTypedItem(bool keptOnEmptyTable)
{
    const ItemNoMatch match = findByItemNo(ItemTable::Items, txtitemno->text());
    if (match == ItemNoMatch::EmptyTable && keptOnEmptyTable)
        return;
    if (match != ItemNoMatch::Found) {
        m_shown.reset();
        showItem(QString(), QString(), QString(), QString());
        return;
    }
    // A field without a value shows as an empty box.
    Recordset &rs = *Module1::rsItems;
    m_shown = ItemRecords::shownItem();
    showItem(rs.text(kItemName), rs.text(kOriginalQuantity), rs.text(kRemaining), rs.text(kDescription));
}

} // namespace inv
