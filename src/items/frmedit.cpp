#include "frmedit.h"

#include "itemrecords.h"
#include "ui/controls.h"
#include "ui/guard.h"
#include "ui/prompts.h"

#include <QLineEdit>
#include <QPushButton>

namespace inv {

namespace {
const QString kEdit = QStringLiteral("Edit");
const QString kSave = QStringLiteral("Save");
} // namespace

frmedit::frmedit() : ItemShowWindow("frmedit", QStringLiteral("Edit Item"), "cmdsave", kEdit)
{
    cmdsave = defaultButton();
    connect(cmdsave, &QPushButton::clicked, this, &frmedit::cmdsave_Click);
}

void frmedit::cmdsave_Click()
{
    if (cmdsave->text() == kEdit)
        startEditing();
    else
        save();
}

void frmedit::readShownAgain()
{
    cmdsave->setText(kEdit);
    txtitemno->setEnabled(true);
    ui::showOnly(txtname);
    ui::showOnly(txtdesc);
    ItemShowWindow::readShownAgain();
}

void frmedit::startEditing()
{
    if (txtname->text().isEmpty())
        return; // no item shown
    cmdsave->setText(kSave);
    txtname->setEnabled(true);
    txtdesc->setEnabled(true);
    ui::showOnly(txtitemno);
    txtname->setFocus();
}

void frmedit::save()
{
    // Whatever follows, the button reads "Edit" again.
    cmdsave->setText(kEdit);
    ItemRecords::Outcome outcome;
    const bool done = ui::guarded(this, [&] {
        outcome = ItemRecords::editItem(
            {txtitemno->text(), txtname->text(), txtoqua->text(), txtrqua->text(), txtdesc->text()}, shown());
    });
    // Not saved: the boxes stay open with what was typed, and the number box
    // opens too, so that another item can be taken up without Cancel.
    if (!done || outcome.result == ItemRecords::Result::NotFound) {
        txtitemno->setEnabled(true);
        return;
    }
    if (outcome.result != ItemRecords::Result::Written) {
        txtitemno->setEnabled(true);
        ui::Prompts::message(this, outcome.message, outcome.title);
        // Another user's change: the boxes show the item as it is now.
        if (outcome.result == ItemRecords::Result::Changed)
            ui::guarded(this, [this] { readShownAgain(); });
        return;
    }
    ui::Prompts::message(this, QStringLiteral("Item Edited"), QStringLiteral("Success"));
    txtitemno->clear();
    for (QLineEdit *box : {txtname, txtoqua, txtrqua, txtdesc})
        box->clear();
    txtitemno->setEnabled(true);
    txtitemno->setFocus();
    ui::showOnly(txtname);
    ui::showOnly(txtdesc);
}

} // namespace inv
