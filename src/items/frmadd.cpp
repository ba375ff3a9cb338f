#include "frmadd.h"

#include "itemrecords.h"
#include "ui/guard.h"
#include "ui/prompts.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace inv {

frmadd::frmadd()
    : ItemWindow("frmadd", QStringLiteral("Add Item"), DescriptionBox::SeveralLines, "cmdadd", QStringLiteral("&Add"))
{
    txtdesc = static_cast<QPlainTextEdit *>(descriptionBox());
    cmdadd = defaultButton();
    txtoqua->installEventFilter(this);
    txtrqua->installEventFilter(this);
    txtdesc->installEventFilter(this);
    connect(cmdadd, &QPushButton::clicked, this, &frmadd::cmdadd_Click);
}

bool frmadd::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return ItemWindow::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == txtdesc) {
        // Enter adds, as in every other box; Ctrl+Enter (or Shift+Enter)
        // breaks the line.
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
            txtdesc->insertPlainText(QStringLiteral("\n"));
            return true;
        }
        return ui::pressDefaultButton(this, key);
    }
    // The quantity boxes take typed digits only; editing and moving keys
    // (which type no printable character) and pasting still work.
    const QString typed = key->text();
    if (!typed.isEmpty() && typed.at(0).isPrint()) {
        for (QChar c : typed)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return true;
    }
    return false;
}

void frmadd::cmdadd_Click()
{
    ItemRecords::Outcome outcome;
    const bool done = ui::guarded(this, [&] {
        outcome = ItemRecords::addItem(
            {txtitemno->text(), txtname->text(), txtoqua->text(), txtrqua->text(), txtdesc->toPlainText()});
    });
    if (!done)
        return;
    if (outcome.result != ItemRecords::Result::Written) {
        ui::Prompts::message(this, outcome.message, outcome.title);
        if (outcome.result == ItemRecords::Result::Duplicate)
            txtitemno->setFocus();
        return;
    }
    ui::Prompts::message(this, QStringLiteral("Item Added"), QStringLiteral("Success"));
    txtitemno->clear();
    txtname->clear();
    txtoqua->clear();
    txtrqua->clear();
    txtdesc->clear();
    txtitemno->setFocus();
}

} // namespace inv
