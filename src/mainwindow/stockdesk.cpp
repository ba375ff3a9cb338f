#include "stockdesk.h"

#include "data/core/clock.h"
#include "data/core/fields.h"
#include "data/stock/itemlookup.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"

#include <cmath>

namespace inv::StockDesk {

namespace {

// A computed quantity as stored: a whole value as a whole number.
QVariant quantityValue(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 9.0e15)
        return QVariant(qlonglong(value));
    return QVariant(value);
}

Outcome refused(const QString &message)
{
    Outcome outcome;
    outcome.message = message;
    return outcome;
}

QString removalRefused(const QString &name, const QString &reason)
{
    return QStringLiteral("%1 cannot be taken out of stock: %2. Nothing was changed.").arg(name, reason);
}

QString undoRefused(const QString &name, const QString &reason)
{
    return QStringLiteral("The last removal of %1 cannot be undone: %2. Nothing was changed.").arg(name, reason);
}

const QString kBaseIsZero = QStringLiteral("its base quantity is 0, so its stock status cannot be worked out");
const QString kBaseOutOfRange = QStringLiteral("its base quantity lies outside -32768 to 32767");
const QString kBaseNotSet = QStringLiteral("its base quantity is not set, so its stock status cannot be worked out");

// Makes the item the key finds the current row of items.
bool findItem(Recordset &items, const ItemKey &key)
{
    if (key.by == ItemKey::By::Number)
        return findItemNo(items, key.text);
    return items.FindFirst(kItemName, key.text);
}

} // namespace

Outcome removeOne(const std::optional<ItemKey> &key)
{
    Module1::OpenCheckConnection();
    // One lock of the file for the whole click, taken for writing from the
    // start: the look-ups cost no lock of their own, and no other program
    // can change the rows between their reading and their writing. A click
    // that writes nothing lets it go unused.
    Transaction transaction(Module1::records());
    Module1::OpenItems();
    Module1::OpenItemsout();
    Recordset &items = *Module1::rsItems;
    Recordset &tally = *Module1::rsItemsout;
    const std::shared_ptr<Connection> connection = items.connection();
    Outcome unchanged;
    unchanged.before = unchanged.after = connection->dataVersion();

    if (!key || !findItem(items, *key))
        return unchanged;
    unchanged.found = true;
    // A name finds its own tally row; a number, that of the item's name.
    const QString name = key->by == ItemKey::By::Name ? key->text : items.text(kItemName);
    const double remaining = LeadingNumber(items.text(kRemaining));
    if (!(remaining > 0))
        return unchanged; // no stock: nothing to take, nothing to count

    // Work everything out before a single field is set.
    const auto refuse = [&](const QString &reason) {
        Outcome outcome = unchanged;
        outcome.message = removalRefused(name, reason);
        return outcome;
    };
    const std::optional<qint16> newRemaining = RoundToInt16(remaining - 1);
    if (!newRemaining)
        return refuse(QStringLiteral("its remaining quantity lies outside -32768 to 32767"));
    if (items.Fields(kMaxQuantity).isNull())
        return refuse(kBaseNotSet);
    const std::optional<qint16> base = RoundToInt16(LeadingNumber(items.text(kMaxQuantity)));
    if (!base)
        return refuse(kBaseOutOfRange);
    if (*base == 0)
        return refuse(kBaseIsZero);
    const std::optional<QString> status = WholeStatusText(*newRemaining, *base);
    if (!status)
        return refuse(QStringLiteral("its stock status would fall outside -32768% to 32767%"));

    // Read before the row is written: the tally copies them.
    const QVariant itemNo = items.Fields(kItemNo);
    const QVariant itemName = items.Fields(kItemName);
    const QVariant description = items.Fields(kDescription);

    // The unit leaves stock and enters the tally together, or not at all.
    // Every connection on one file shares its handle, so the transaction
    // also holds the writes made through the tally cursor.
    items.setField(kTempdate, items.Fields(kDateUpdated));
    items.setField(kRemaining, int(*newRemaining));
    items.setField(kStatus, *status);
    items.setField(kDateUpdated, Clock::today());
    items.Update();
    Journal::write(*connection, Journal::Kind::Removal, itemNo, itemName, *newRemaining - remaining,
                   int(*newRemaining));

    TallyChange change;
    if (tally.FindFirst(kItemName, name)) {
        change.name = tally.Fields(kItemName);
        change.before = tally.Fields(kQuantity);
        change.after = quantityValue(LeadingNumber(fieldText(change.before)) + 1);
        tally.setField(kQuantity, change.after);
        tally.Update();
        change.key = tally.Bookmark().value_or(0);
    } else {
        tally.AddNew();
        tally.setField(kItemNo, itemNo);
        tally.setField(kItemName, itemName);
        tally.setField(kDescription, description);
        tally.setField(kQuantity, 1);
        tally.Update();
        change = TallyChange{itemName, {}, 1, true, tally.Bookmark().value_or(0)};
    }
    Outcome outcome{
        true, {}, change, unchanged.before, connection->dataVersion(), true, ItemKey{key->by, key->text, name}};
    transaction.commit();
    return outcome;
}

Outcome undoRemoval(const std::optional<ItemKey> &key, std::optional<qint64> countedIn)
{
    if (!key || !Module1::rsItems || !Module1::rsItemsout)
        return {};
    const QString &name = key->tallyName;
    Recordset &items = *Module1::rsItems;
    Recordset &tally = *Module1::rsItemsout;
    // As a click: one lock of the file from the first look-up to the last
    // write, and the versions before and after read under it.
    Transaction transaction(items.connection());
    const DataVersion before = items.connection()->dataVersion();

    // The item's new values are worked out first: when they cannot be, the
    // tally must not go down either.
    const bool itemFound = findItem(items, *key);
    std::optional<qint16> newRemaining;
    std::optional<QString> status;
    QVariant formerDate;
    if (itemFound) {
        const double raised = LeadingNumber(items.text(kRemaining)) + 1;
        newRemaining = RoundToInt16(raised);
        if (!newRemaining)
            return refused(
                undoRefused(name, raised > 0 ? QStringLiteral("its remaining quantity would go beyond 32767")
                                              : QStringLiteral("its remaining quantity lies outside -32768 to 32767")));
        if (items.Fields(kMaxQuantity).isNull())
            return refused(undoRefused(name, kBaseNotSet));
        // The base is the stored value itself, not its text.
        const std::optional<qint16> base = RoundToInt16(items.Fields(kMaxQuantity).toDouble());
        if (!base)
            return refused(undoRefused(name, kBaseOutOfRange));
        if (*base == 0)
            return refused(undoRefused(name, kBaseIsZero));
        status = ExactStatusText(*newRemaining, *base);
        formerDate = items.Fields(kTempdate);
    }
    // The row the removal counted in, read under this lock: gone, or
    // holding another name, when a clear came in between.
    bool tallyFound = false;
    if (!countedIn) {
        tallyFound = tally.FindFirst(kItemName, name);
    } else if (const std::optional<Row> counted = tally.connection()->read(tally.table(), *countedIn)) {
        tally.setBookmark(*countedIn);
        tallyFound = tally.text(kItemName) == name;
    }
    if (!itemFound && !tallyFound)
        return {};

    std::optional<TallyChange> change;
    if (tallyFound) {
        // No lower bound: a row at 0 stays and shows 0.
        const QVariant counted = tally.Fields(kQuantity);
        change = TallyChange{tally.Fields(kItemName), counted, quantityValue(LeadingNumber(fieldText(counted)) - 1),
                             false, tally.Bookmark().value_or(0)};
        tally.setField(kQuantity, change->after);
        tally.Update();
    }
    // The history: the unit back in stock, or the tally alone put right.
    const QVariant itemNo = itemFound ? items.Fields(kItemNo) : tally.Fields(kItemNo);
    const QVariant itemName = itemFound ? items.Fields(kItemName) : tally.Fields(kItemName);
    const double formerRemaining = itemFound ? LeadingNumber(items.text(kRemaining)) : 0;
    if (itemFound) {
        items.setField(kRemaining, int(*newRemaining));
        items.setField(kStatus, *status);
        items.setField(kDateUpdated, formerDate);
        items.Update();
    }
    Journal::write(*items.connection(), Journal::Kind::Undo, itemNo, itemName,
                   itemFound ? *newRemaining - formerRemaining : 0,
                   itemFound ? QVariant(int(*newRemaining)) : QVariant());
    Outcome outcome{true, {}, change, before, items.connection()->dataVersion()};
    transaction.commit();
    return outcome;
}

Outcome clearTally()
{
    Module1::OpenCheckConnection();
    Module1::OpenItemsout();
    const std::shared_ptr<Connection> connection = Module1::rsItemsout->connection();
    // One statement under one lock, with the versions around it read under
    // the same lock: a row another program adds meanwhile is either gone
    // with the others or comes after the version the list is given.
    Transaction transaction(connection);
    Outcome outcome;
    outcome.before = connection->dataVersion();
    if (connection->firstKey(Module1::rsItemsout->table())) {
        connection->removeAll(Module1::rsItemsout->table());
        // The history keeps what was counted; the clear is a row of its own.
        Journal::write(*connection, Journal::Kind::Clear, {}, {}, 0, {});
    }
    outcome.after = connection->dataVersion();
    outcome.changed = outcome.after != outcome.before;
    transaction.commit();
    // The cursor counted rows that are gone.
    Module1::OpenItemsout();
    return outcome;
}

} // namespace inv::StockDesk
