#include "frmdelete.h"

#include "data/itemlookup.h"
#include "itemrecords.h"
#include "ui/guard.h"
#include "ui/prompts.h"

#include <QLineEdit>
#include <QPushButton>

namespace inv {

frmdelete::frmdelete()
    : ItemShowWindow("frmdelete", QStringLiteral("Delete Item"), "cmddelete", QStringLiteral("&Delete"))
{
    cmddelete = defaultButton();
    connect(cmddelete, &QPushButton::clicked, this, &frmdelete::cmddelete_Click);
}

void frmdelete::cmddelete_Click()
{
    bool deleted = false;
    ui::guarded(this, [&] {
        if (findByItemNo(ItemTable::Items, txtitemno->text()) != ItemNoMatch::Found)
            return;
        if (ui::Prompts::message(this, QStringLiteral("Are you sure you want to delete this item?"),
                                 QStringLiteral("Confirm"), ui::Buttons::YesNo)
            != ui::Answer::Yes)
            return;
        ItemRecords::deleteCurrentItem();
        deleted = true;
    });
    if (!deleted)
        return;
    ui::Prompts::message(this, QStringLiteral("Item Deleted"), QStringLiteral("Success"));
    txtitemno->clear();
    showItem(QString(), QString(), QString(), QString());
    txtitemno->setFocus();
}

} // namespace inv
