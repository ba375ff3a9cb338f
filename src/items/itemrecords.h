#pragma once
// The data side of the item windows: adding an item, saving an edited one,
// deleting one. No widgets here: the windows pass their boxes' texts in and
// show what comes back. Each write is one transaction; a database failure
// throws RecordsError and leaves every row as it was.

#include <QString>

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

// Writes the name, the description, the quantities and the status worked
// out from the boxes to the first item whose number is the trimmed
// itemNo. max_quantity and date_updated stay.
Outcome editItem(const ItemInput &input);

} // namespace inv::ItemRecords
