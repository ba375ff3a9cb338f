#include "stockchange.h"

#include "data/core/fields.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"

#include <algorithm>
#include <cmath>

namespace inv::StockChange {

namespace {

Recordset &openItems()
{
    Module1::OpenCheckConnection();
    Module1::OpenItems();
    return *Module1::rsItems;
}

Outcome refused(const QString &message)
{
    Outcome outcome;
    outcome.acted = true;
    outcome.message = message;
    return outcome;
}

QString cannotUpdate(const QString &item, const QString &reason)
{
    return QStringLiteral("The stock of %1 cannot be changed: %2.").arg(item, reason);
}

} // namespace

Lists loadLists()
{
    Recordset &items = openItems();
    Lists lists;
    const int rows = items.RecordCount();
    lists.numbers.reserve(rows);
    lists.names.reserve(rows);
    // Only the two listed fields are read: a long table fills much faster.
    items.forEach({kItemNo, kItemName}, [&](const Row &row) {
        lists.numbers << fieldText(row.values[0]);
        lists.names << fieldText(row.values[1]);
    });
    return lists;
}

std::optional<Shown> pick(PickedBy by, const QString &text)
{
    Recordset &items = openItems();
    const bool byName = by == PickedBy::ItemName;
    if (!items.FindFirst(byName ? kItemName : kItemNo, text))
        return std::nullopt;
    Shown shown;
    shown.remaining = items.text(kRemaining);
    shown.status = items.text(kStatus);
    shown.other = items.text(byName ? kItemNo : kItemName);
    shown.description = items.text(kItemName) + QStringLiteral("\n\n") + items.text(kDescription);
    return shown;
}

Outcome changeQuantity(Direction direction, const QString &itemNo, const QString &itemName, const QString &typed)
{
    if (itemNo == kNumberPlaceholder || itemName == kNamePlaceholder)
        return {};

    // Whatever set the box's text (typing, a paste, an assistive client or
    // the program), only digits count: no sign, point, exponent or blank. An
    // empty box stands for 0.
    const bool digitsOnly =
        std::all_of(typed.begin(), typed.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    const double quantity = LeadingNumber(typed);
    if (!digitsOnly || !(quantity <= kMaxTyped))
        return refused(
            QStringLiteral("The quantity to add or less must be a whole number from 0 to %1.").arg(kMaxTyped));

    // One lock of the file from the look-up to the write: no other program
    // can change the row in between, so what is written follows what was
    // read. A refusal lets it go unused.
    Module1::OpenCheckConnection();
    Transaction transaction(Module1::records());
    Module1::OpenItems();
    Recordset &items = *Module1::rsItems;
    Outcome outcome;
    outcome.acted = true;
    if (!items.FindFirst(kItemNo, itemNo))
        return outcome; // a typed number of no item: nothing to write

    // Work everything out before a single field is set.
    const QString item = items.text(kItemName).isEmpty() ? itemNo : items.text(kItemName);
    const std::optional<qint16> remaining = RoundToInt16(LeadingNumber(items.text(kRemaining)));
    if (!remaining)
        return refused(cannotUpdate(item, QStringLiteral("its remaining quantity lies outside -32768 to 32767")));
    if (items.Fields(kMaxQuantity).isNull())
        return refused(cannotUpdate(
            item, QStringLiteral("its maximum quantity is not set, so its stock status cannot be worked out")));
    const double maxQuantity = LeadingNumber(items.text(kMaxQuantity));
    const std::optional<qint16> storedBase = RoundToInt16(maxQuantity);
    if (!storedBase)
        return refused(cannotUpdate(item, QStringLiteral("its maximum quantity lies outside -32768 to 32767")));
    if (*storedBase == 0)
        return refused(
            cannotUpdate(item, QStringLiteral("its maximum quantity is 0, so its stock status cannot be worked out")));

    const double newRemaining = direction == Direction::Add ? *remaining + quantity : *remaining - quantity;
    const std::optional<qint16> stored = RoundToInt16(newRemaining);
    if (!stored || double(*stored) != newRemaining)
        return refused(cannotUpdate(item, QStringLiteral("its remaining quantity would become %1, outside "
                                                         "-32768 to 32767")
                                              .arg(QString::number(newRemaining, 'f', 0))));
    // An Add beyond the maximum raises the maximum with it.
    const bool raise = direction == Direction::Add && newRemaining > maxQuantity;
    const qint16 base = raise ? *stored : *storedBase;
    const std::optional<QString> status = ExactStatusText(newRemaining, base);
    if (!status)
        return refused(cannotUpdate(
            item, QStringLiteral("its maximum quantity would become 0, so its stock status cannot be worked out")));

    // The quantity, its status and the maximum are written together or not
    // at all.
    const double formerRemaining = LeadingNumber(items.text(kRemaining));
    items.setField(kStatus, *status);
    items.setField(kRemaining, int(*stored));
    if (raise)
        items.setField(kMaxQuantity, int(*stored));
    items.Update();
    Journal::write(*items.connection(),
                   direction == Direction::Add ? Journal::Kind::StockAdd : Journal::Kind::StockLess,
                   items.Fields(kItemNo), items.Fields(kItemName), *stored - formerRemaining, int(*stored));
    transaction.commit();
    outcome.changed = true;

    // The labels show the row as stored.
    if (items.FindFirst(kItemNo, itemNo)) {
        outcome.remaining = items.text(kRemaining);
        outcome.status = items.text(kStatus);
    }
    return outcome;
}

} // namespace inv::StockChange
