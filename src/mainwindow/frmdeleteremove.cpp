#include "frmdeleteremove.h"

#include "data/core/fields.h"
#include "data/stock/itemlookup.h"
#include "data/stock/module1.h"
#include "ui/controls.h"
#include "ui/deleteconfirmed.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace inv {

using ui::place;
using ui::showOnly;

frmdeleteremove::frmdeleteremove() : ChildWindow("frmdeleteremove", QStringLiteral("Delete Removed Item"), 4635, 5415)
{

    const QFont captionFont = ui::timesFont(11.25, true);
    Label1 = ui::makeLabel(this, "Label1", QStringLiteral("Item Number:"), captionFont);
    place(Label1, 240, 240, 1395, 255);
    Label2 = ui::makeLabel(this, "Label2", QStringLiteral("Item Name:"), captionFont);
    place(Label2, 240, 600, 1170, 255);
    Label3 = ui::makeLabel(this, "Label3", QStringLiteral("Description:"), captionFont);
    place(Label3, 240, 1320, 1215, 255);
    Label5 = ui::makeLabel(this, "Label5", QStringLiteral("Quantity:"), captionFont);
    place(Label5, 240, 960, 915, 255);

    txtitemno = ui::makeTextBox(this, "txtitemno");
    place(txtitemno, 1680, 240, 2655, 285);
    txtname = ui::makeTextBox(this, "txtname");
    showOnly(txtname);
    place(txtname, 1440, 600, 2895, 285);
    txtqua = ui::makeTextBox(this, "txtqua");
    showOnly(txtqua);
    place(txtqua, 1320, 960, 3015, 285);
    txtdesc = new QPlainTextEdit(this);
    txtdesc->setObjectName(QStringLiteral("txtdesc"));
    txtdesc->setReadOnly(true);
    showOnly(txtdesc);
    place(txtdesc, 240, 1680, 4095, 2685);
    Label1->setBuddy(txtitemno);
    Label2->setBuddy(txtname);
    Label5->setBuddy(txtqua);
    Label3->setBuddy(txtdesc);

    cmddelete = ui::makeButton(this, "cmddelete", QStringLiteral("&Delete"));
    cmddelete->setFont(ui::sansFont(9.75, true));
    cmddelete->setDefault(true);
    place(cmddelete, 840, 4680, 1215, 495);
    cmdcancel = ui::makeButton(this, "cmdcancel", QStringLiteral("&Cancel"));
    cmdcancel->setFont(ui::sansFont(9.75, true));
    place(cmdcancel, 2400, 4680, 1215, 495);

    setTabOrder(txtitemno, txtname);
    setTabOrder(txtname, txtqua);
    setTabOrder(txtqua, txtdesc);
    setTabOrder(txtdesc, cmddelete);
    setTabOrder(cmddelete, cmdcancel);
    txtitemno->setFocus();

    connect(txtitemno, &QLineEdit::textChanged, this, &frmdeleteremove::txtitemno_Change);
    connect(cmddelete, &QPushButton::clicked, this, &frmdeleteremove::cmddelete_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &frmdeleteremove::cmdcancel_Click);
}

void frmdeleteremove::showRow(const QString &name, const QString &quantity, const QString &description)
{
    txtname->setText(name);
    txtqua->setText(quantity);
    txtdesc->setPlainText(description);
}

void frmdeleteremove::txtitemno_Change()
{
    ui::guarded(this, [this] { showTypedRow(true); });
}

void frmdeleteremove::readShownAgain()
{
    // Read again, an empty tally shows nothing: the row shown may be gone.
    showTypedRow(false);
}

void frmdeleteremove::showTypedRow(bool keptOnEmptyTable)
{
    const ItemNoMatch match = findByItemNo(ItemTable::Itemsout, txtitemno->text());
    if (match == ItemNoMatch::EmptyTable && keptOnEmptyTable)
        return;
    Recordset &rs = *Module1::rsItemsout;
    if (match == ItemNoMatch::Found)
        showRow(rs.text(kItemName), rs.text(kQuantity), rs.text(kDescription));
    else
        showRow(QString(), QString(), QString());
}

void frmdeleteremove::cmddelete_Click()
{
    const DeleteOutcome outcome = deleteConfirmed(this, ItemTable::Itemsout, txtitemno->text());
    if (outcome == DeleteOutcome::Changed)
        txtitemno_Change(); // the boxes show what the number finds now
    if (outcome != DeleteOutcome::Deleted)
        return;
    txtitemno->clear();
    showRow(QString(), QString(), QString());
    txtitemno->setFocus();
}

void frmdeleteremove::cmdcancel_Click()
{
    close();
}

} // namespace inv
