#include "stockdesk.h"

#include "data/clock.h"
#include "data/fields.h"
#include "data/module1.h"
#include "data/status.h"

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

} // namespace

Outcome removeOne(const std::optional<QString> &name)
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

    if (!name || !items.FindFirst(kItemName, *name))
        return unchanged;
    const double remaining = LeadingNumber(items.text(kRemaining));
    if (!(remaining > 0))
        return unchanged; // no stock: nothing to take, nothing to count

    // Work everything out before a single field is set.
    const auto refuse = [&](const QString &reason) {
        Outcome outcome = unchanged;
        outcome.message = removalRefused(*name, reason);
        return outcome;
    };
    const std::optional<qint16> newRemaining = RoundToInt16(remaining - 1);
    if (!newRemaining)
        return refuse(QStringLiteral("its remaining quantity lies outside -32768 to 32767"));
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

    TallyChange change;
    if (tally.FindFirst(kItemName, *name)) {
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
    Outcome outcome{true, {}, change, unchanged.before, connection->dataVersion()};
    transaction.commit();
    return outcome;
}

Outcome undoRemoval(const std::optional<QString> &name, std::optional<qint64> countedIn)
{
    if (!name || !Module1::rsItems || !Module1::rsItemsout)
        return {};
    Recordset &items = *Module1::rsItems;
    Recordset &tally = *Module1::rsItemsout;
    // As a click: one lock of the file from the first look-up to the last
    // write, and the versions before and after read under it.
    Transaction transaction(items.connection());
    const DataVersion before = items.connection()->dataVersion();

    // The item's new values are worked out first: when they cannot be, the
    // tally must not go down either.
    const bool itemFound = items.FindFirst(kItemName, *name);
    std::optional<qint16> newRemaining;
    std::optional<QString> status;
    QVariant formerDate;
    if (itemFound) {
        const double raised = LeadingNumber(items.text(kRemaining)) + 1;
        newRemaining = RoundToInt16(raised);
        if (!newRemaining)
            return refused(
                undoRefused(*name, raised > 0 ? QStringLiteral("its remaining quantity would go beyond 32767")
                                              : QStringLiteral("its remaining quantity lies outside -32768 to 32767")));
        // The base is the stored value itself, not its text.
        const std::optional<qint16> base = RoundToInt16(items.Fields(kMaxQuantity).toDouble());
        if (!base)
            return refused(undoRefused(*name, kBaseOutOfRange));
        if (*base == 0)
            return refused(undoRefused(*name, kBaseIsZero));
        status = ExactStatusText(*newRemaining, *base);
        formerDate = items.Fields(kTempdate);
    }
    // The row the removal counted in, read under this lock: gone, or
    // holding another name, when a clear came in between.
    bool tallyFound = false;
    if (!countedIn) {
        tallyFound = tally.FindFirst(kItemName, *name);
    } else if (const std::optional<Row> counted = tally.connection()->read(tally.table(), *countedIn)) {
        tally.setBookmark(*countedIn);
        tallyFound = tally.text(kItemName) == *name;
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
    if (itemFound) {
        items.setField(kRemaining, int(*newRemaining));
        items.setField(kStatus, *status);
        items.setField(kDateUpdated, formerDate);
        items.Update();
    }
    Outcome outcome{true, {}, change, before, items.connection()->dataVersion()};
    transaction.commit();
    return outcome;
}

void clearTally()
{
    Module1::OpenCheckConnection();
    Module1::OpenItemsout();
    Recordset &tally = *Module1::rsItemsout;
    const int rows = tally.RecordCount();
    if (rows == 0)
        return;
    // All rows go, or none do.
    Transaction transaction(tally.connection());
    for (int i = 0; i < rows; ++i) {
        tally.MoveLast();
        tally.Delete();
    }
    transaction.commit();
}

} // namespace inv::StockDesk
