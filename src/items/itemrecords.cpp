#include "itemrecords.h"

#include "data/core/clock.h"
#include "data/core/fields.h"
#include "data/stock/itemlookup.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"

namespace inv::ItemRecords {

namespace {

const QString kCannotProcess = QStringLiteral("Cannot proccess");

Outcome refused(Result result, const QString &message)
{
    return Outcome{result, message, kCannotProcess};
}

bool anyBoxEmpty(const ItemInput &in)
{
    // The order of the checks does not show: every failure says the same.
    for (const QString *box : {&in.itemNo, &in.name, &in.originalQuantity, &in.remainingQuantity, &in.description})
        if (box->trimmed().isEmpty())
            return true;
    return false;
}

// One quantity box as a whole 16-bit number, or why it is none.
std::optional<qint16> quantity(const QString &text, const QString &box, QString *why)
{
    const double value = LeadingNumber(text);
    const std::optional<qint16> whole = RoundToInt16(value);
    if (!whole)
        *why = QStringLiteral("The %1 cannot be %2, so the item was not saved.")
                   .arg(box, value < 0 ? QStringLiteral("below -32768") : QStringLiteral("above 32767"));
    return whole;
}

} // namespace

Outcome workOut(const QString &originalText, const QString &remainingText, Quantities *out)
{
    QString why;
    const std::optional<qint16> original = quantity(originalText, QStringLiteral("Original Quantity"), &why);
    if (!original)
        return refused(Result::BadQuantity, why);
    if (*original == 0)
        return refused(Result::BadQuantity,
                       QStringLiteral("The Original Quantity cannot be 0, because the stock status is worked out "
                                      "as a share of it, so the item was not saved."));
    const std::optional<qint16> remaining = quantity(remainingText, QStringLiteral("Remaining Quantity"), &why);
    if (!remaining)
        return refused(Result::BadQuantity, why);
    const std::optional<QString> status = WholeStatusText(*remaining, *original);
    if (!status)
        return refused(Result::BadQuantity,
                       QStringLiteral("The Remaining Quantity is too far from the Original Quantity: the stock "
                                      "status would lie outside -32768% to 32767%, so the item was not saved."));
    *out = Quantities{*original, *remaining, *status};
    return Outcome{};
}

namespace {

// The fields an add and an edit both take from the boxes.
void setBoxes(Recordset &items, const QString &itemNo, const ItemInput &in, const Quantities &q)
{
    items.setField(kItemNo, itemNo);
    items.setField(kItemName, in.name.trimmed());
    items.setField(kDescription, in.description.trimmed());
    items.setField(kOriginalQuantity, int(q.original));
    items.setField(kRemaining, int(q.remaining));
}

} // namespace

bool numberTaken(Recordset &items, const QString &itemNo)
{
    return findItemNo(items, itemNo);
}

Outcome addItem(const ItemInput &in)
{
    if (anyBoxEmpty(in))
        return refused(Result::EmptyBox, QStringLiteral("Fill all boxes"));
    Module1::OpenCheckConnection();
    Module1::OpenItems();
    Recordset &items = *Module1::rsItems;
    const QString itemNo = in.itemNo.trimmed();

    // The check and the new row together: no other writer in between.
    Transaction transaction(items.connection());
    if (numberTaken(items, itemNo))
        return refused(Result::Duplicate, QStringLiteral("Item number already exist."));
    Quantities q;
    if (Outcome why = workOut(in.originalQuantity, in.remainingQuantity, &q); why.result != Result::Written)
        return why;
    items.AddNew();
    setBoxes(items, itemNo, in, q);
    items.setField(kMaxQuantity, int(q.original));
    items.setField(kStatus, q.status);
    items.setField(kDateUpdated, Clock::today());
    items.Update();
    Journal::write(*items.connection(), Journal::Kind::Add, itemNo, in.name.trimmed(), q.remaining, int(q.remaining));
    transaction.commit();
    return Outcome{};
}

ShownItem shownItem()
{
    Recordset &items = *Module1::rsItems;
    ShownItem shown{items.Bookmark().value_or(0), {}};
    for (const QString &field : items.fieldNames())
        shown.texts << items.text(field);
    return shown;
}

Outcome editItem(const ItemInput &in, const std::optional<ShownItem> &shown)
{
    if (anyBoxEmpty(in))
        return refused(Result::EmptyBox, QStringLiteral("Fill all boxes"));
    Module1::OpenCheckConnection();
    Module1::OpenItems();
    Recordset &items = *Module1::rsItems;
    const QString itemNo = in.itemNo.trimmed();

    Transaction transaction(items.connection());
    if (shown) {
        // The row as it is now, under the lock the write takes.
        if (!items.connection()->read(items.table(), shown->key))
            return refused(Result::Changed, QStringLiteral("Another user deleted this item after it was shown; "
                                                           "nothing was saved."));
        items.setBookmark(shown->key);
        if (shownItem().texts != shown->texts)
            return refused(Result::Changed, QStringLiteral("Another user changed this item after it was shown; "
                                                           "nothing was saved. It now shows as it is."));
        if (items.text(kItemNo) != itemNo)
            return Outcome{Result::NotFound, {}, {}};
    } else if (!items.FindFirst(kItemNo, itemNo)) {
        return Outcome{Result::NotFound, {}, {}};
    }
    // An original quantity of 0 gives no status to work out: the new name
    // and description are saved all the same, and the quantities and the
    // status stay as stored.
    if (const std::optional<qint16> original = RoundToInt16(LeadingNumber(in.originalQuantity));
        original && *original == 0) {
        items.setField(kItemName, in.name.trimmed());
        items.setField(kDescription, in.description.trimmed());
        items.Update();
        Journal::write(*items.connection(), Journal::Kind::Edit, itemNo, in.name.trimmed(), 0,
                       items.Fields(kRemaining));
        transaction.commit();
        return Outcome{};
    }
    Quantities q;
    if (Outcome why = workOut(in.originalQuantity, in.remainingQuantity, &q); why.result != Result::Written)
        return why;
    const double formerRemaining = LeadingNumber(items.text(kRemaining));
    setBoxes(items, itemNo, in, q);
    items.setField(kStatus, q.status);
    items.Update();
    Journal::write(*items.connection(), Journal::Kind::Edit, itemNo, in.name.trimmed(), q.remaining - formerRemaining,
                   int(q.remaining));
    transaction.commit();
    return Outcome{};
}

} // namespace inv::ItemRecords
