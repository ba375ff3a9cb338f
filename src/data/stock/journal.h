#pragma once
// The stock history: the Journal table, one row per change of stock or of an
// item, written by the routine that makes the change, through its
// connection and inside its transaction, so that the change and its row are
// stored together or not at all. The program never changes nor deletes a
// row of it.
//
// The books balance: for every item number, the sum of the changes of its
// rows (its opening row included, which holds the quantity it started with)
// equals the remaining quantity of the items of that number.

#include "data/core/connection.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

namespace inv::Journal {

inline const QString kTable = QStringLiteral("Journal");

// The fields by stored position (see recordsTables()).
enum Field {
    kId = 0,
    kEnteredAt,
    kUserName,
    kLoginName,
    kKind,
    kItemNo,
    kItemName,
    kChange,
    kRemaining,
};

enum class Kind {
    Opening, // the quantity an item entered the books with
    Removal, // a click on the desk
    Undo, // the undo of the last click
    Clear, // the tally emptied (no item, no change of stock)
    Add, // a new item
    Edit, // an item saved in the edit window
    Delete, // an item deleted
    StockAdd, // Add in the update window
    StockLess, // Less in the update window
    Import, // an item brought in by inventory-admin
    Restore, // a backup put in place by inventory-admin (no change)
};

// The word the kind is stored as ("removal", "stock add", ...).
QString kindText(Kind kind);

// A quantity as the books count it: the leading number of its text.
double quantityOf(const QVariant &stored);

// Writes one row: now, by the session's account and login name, the kind,
// the item, the change in units and the remaining quantity after it. To be
// called inside the transaction of the change it records. Throws
// RecordsError.
void write(Connection &connection, Kind kind, const QVariant &itemNo, const QVariant &itemName, double change,
           const QVariant &remaining);
// The values write() stores for one row, by field position: for a change
// that writes many rows at once.
FieldChanges rowValues(Kind kind, const QVariant &itemNo, const QVariant &itemName, double change,
                       const QVariant &remaining);

// The opening row of an item that enters the books with stock already: its
// remaining quantity as the change. An import calls it for each item it
// brings in, inside its own transaction.
void opening(Connection &connection, const QVariant &itemNo, const QVariant &itemName, const QVariant &remaining,
             Kind kind = Kind::Opening);

// Whether the database holds the history (it is upgraded, or new).
bool available(Connection &connection);

// A database made before the history existed gets the Journal table and one
// opening row per item, in one transaction; the schema version is read again
// under that transaction's lock, so two programs opening the file at once
// upgrade it once. True when this call upgraded it. Throws RecordsError.
bool upgrade(const std::shared_ptr<Connection> &connection);

// A backup put in place of the database: one restore row per item (no
// change, its remaining quantity), after the upgrade of a backup made
// before the history existed; all in one transaction.
void restored(const std::shared_ptr<Connection> &connection);

// The item numbers whose books do not balance.
struct Imbalance {
    QString itemNo;
    QString itemName; // the item's name; its last name in the history once it is gone
    QString recorded; // the sum of the changes of its rows, exactly
    QString remaining; // the remaining quantity of its items, exactly
};
QVector<Imbalance> unbalanced(Connection &connection);
// "item P-100 (Bond paper): the history gives 31, the item holds 30"
QString describe(const Imbalance &imbalance);

// Which rows of the history a list shows: one item number (empty: every
// item) and a range of dates, both ends included (an invalid date leaves
// that end open).
struct Filter {
    QString itemNo;
    QDate since, until;
    // A range that ends before it begins: no day lies between them.
    bool inverted() const { return since.isValid() && until.isValid() && since > until; }
};

// A place in the history's order (time of writing, then ID): the row's
// time text and key.
using Place = std::pair<QVariant, qint64>;

// Up to limit rows of the filter, each its key and the fields given, newest
// first (descending) or oldest first; beginning at the first row, or at
// the row past from (from itself too when inclusive), skip rows further on.
// Reads through the Journal's indexes: a page costs the same at any place
// of a long history.
QVector<Row> read(Connection &connection, const Filter &filter, const QVector<int> &fields, bool descending,
                  const std::optional<Place> &from, bool inclusive, int skip, int limit);
// The same rows with the fields as text (fieldText), as a list shows them.
QVector<TextRow> readTexts(Connection &connection, const Filter &filter, const QVector<int> &fields, bool descending,
                           const std::optional<Place> &from, bool inclusive, int skip, int limit);

} // namespace inv::Journal
