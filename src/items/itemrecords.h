#pragma once
// The data side of the item windows: adding an item, saving an edited one,
// deleting one. No widgets here: the windows pass their boxes' texts in and
// show what comes back. Each write is one transaction; a database failure
// throws RecordsError and leaves every row as it was.

#include <QString>
#include <QStringList>

#include <optional>

namespace inv {
class Recordset;
}

namespace inv::ItemRecords {

// The five boxes of an item window, as typed (untrimmed).
struct ItemInput {
    QString itemNo;
    QString name;
    QString originalQuantity;
    QString remainingQuantity;
    QString description;
};

enum class Result {
    Written, // the row was written
    EmptyBox, // a box is empty or holds only blanks
    Duplicate, // add: another item has that number
    NotFound, // edit: no item has that number; nothing is said
    BadQuantity, // the quantities give no stock status
    Changed, // edit: another user changed or deleted the item since it was shown
};

struct Outcome {
    Result result = Result::Written;
    // What the user is told when the action was refused (empty for
    // Written and NotFound), and the title of that message.
    QString message;
    QString title;
};

// The quantities and status an add or a save writes, worked out from the
// quantity boxes; BadQuantity with a sentence naming the box when they give
// no status (an original quantity of 0, a quantity beyond the 16-bit range,
// a status beyond -32768%..32767%).
struct Quantities {
    qint16 original = 0;
    qint16 remaining = 0;
    QString status;
};
Outcome workOut(const QString &originalText, const QString &remainingText, Quantities *out);

// Whether an item already has the number itemNo (compared as given): the check that
// keeps item numbers unique. Made on the caller's Items cursor, under the
// caller's lock; the cursor then stands on that item.
bool numberTaken(Recordset &items, const QString &itemNo);

// A new Items row from the boxes: refused when a box is empty, when the
// trimmed number is already an item's number, or when the quantities give
// no status; otherwise written with max_quantity equal to the original
// quantity and today's date.
Outcome addItem(const ItemInput &input);

// An item as a window showed it: its row's key and every field as text.
struct ShownItem {
    qint64 key = 0;
    QStringList texts;
};
// The row on which rsItems stands, as a window shows it now.
ShownItem shownItem();

// Writes the name, the description, the quantities and the status worked
// out from the boxes to the first item whose number is the trimmed
// itemNo. max_quantity and date_updated stay. With shown, the item the
// window showed is the one written, and only while it is still as shown,
// read under the save's own lock: when another user changed or deleted it
// meanwhile, nothing is written and the user is told (Changed).
Outcome editItem(const ItemInput &input, const std::optional<ShownItem> &shown = std::nullopt);

} // namespace inv::ItemRecords
