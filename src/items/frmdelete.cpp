#include "frmdelete.h"

#include "data/stock/itemlookup.h"
#include "ui/deleteconfirmed.h"

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
    const DeleteOutcome outcome = deleteConfirmed(this, ItemTable::Items, txtitemno->text());
    if (outcome == DeleteOutcome::Changed)
        txtitemno_Change(); // the boxes show what the number finds now
    if (outcome != DeleteOutcome::Deleted)
        return;
    txtitemno->clear();
    showItem(QString(), QString(), QString(), QString());
    txtitemno->setFocus();
}

} // namespace inv
