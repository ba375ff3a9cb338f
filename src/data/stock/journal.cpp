#include "data/stock/journal.h"

#include "data/core/clock.h"
#include "data/core/fields.h"
#include "data/core/recordset.h"
#include "data/schema/schema.h"
#include "data/stock/session.h"
#include "data/stock/status.h"

#include <QHash>

#include <cmath>

namespace inv::Journal {

namespace {

// A computed quantity as stored: a whole value as a whole number.
QVariant storedQuantity(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 9.0e15)
        return QVariant(qlonglong(value));
    return QVariant(value);
}

// The time of writing as stored: ISO date and time of day, which sort as
// they read.
QString timeText(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// What an item number is filed under: no value and an empty text alike.
QString numberKey(const QVariant &itemNo)
{
    return fieldText(itemNo);
}

constexpr int kReadChunk = 4096;

} // namespace

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::Opening:
        return QStringLiteral("opening");
    case Kind::Removal:
        return QStringLiteral("removal");
    case Kind::Undo:
        return QStringLiteral("undo");
    case Kind::Clear:
        return QStringLiteral("clear");
    case Kind::Add:
        return QStringLiteral("add");
    case Kind::Edit:
        return QStringLiteral("edit");
    case Kind::Delete:
        return QStringLiteral("delete");
    case Kind::StockAdd:
        return QStringLiteral("stock add");
    case Kind::StockLess:
        return QStringLiteral("stock less");
    case Kind::Import:
        return QStringLiteral("import");
    case Kind::Restore:
        return QStringLiteral("restore");
    }
    return {};
}

double quantityOf(const QVariant &stored)
{
    if (stored.isNull())
        return 0;
    switch (stored.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return double(stored.toLongLong());
    case QMetaType::Double:
        return stored.toDouble();
    default:
        return LeadingNumber(fieldText(stored));
    }
}

FieldChanges rowValues(Kind kind, const QVariant &itemNo, const QVariant &itemName, double change,
                       const QVariant &remaining)
{
    const QString account = Session::account();
    return {{kEnteredAt, timeText(Clock::now())},
            {kUserName, account.isEmpty() ? QVariant() : QVariant(account)},
            {kLoginName, Session::loginName()},
            {kKind, kindText(kind)},
            {kItemNo, itemNo},
            {kItemName, itemName},
            {kChange, storedQuantity(change)},
            {kRemaining, remaining}};
}

void write(Connection &connection, Kind kind, const QVariant &itemNo, const QVariant &itemName, double change,
           const QVariant &remaining)
{
    connection.insert(kTable, rowValues(kind, itemNo, itemName, change, remaining));
}

void opening(Connection &connection, const QVariant &itemNo, const QVariant &itemName, const QVariant &remaining,
             Kind kind)
{
    write(connection, kind, itemNo, itemName, quantityOf(remaining), remaining);
}

bool available(Connection &connection)
{
    return connection.schemaVersion() >= kSchemaVersion;
}

bool upgrade(const std::shared_ptr<Connection> &connection)
{
    if (available(*connection))
        return false;
    Transaction transaction(connection);
    // Under the write's lock: another program may have upgraded it since.
    if (available(*connection))
        return false;
    connection->upgradeSchema();
    Recordset items(connection, QStringLiteral("Items"));
    items.forEach({inv::kItemNo, inv::kItemName, inv::kRemaining},
                  [&](const Row &row) { opening(*connection, row.values[0], row.values[1], row.values[2]); });
    transaction.commit();
    return true;
}

void restored(const std::shared_ptr<Connection> &connection)
{
    Transaction transaction(connection);
    upgrade(connection);
    Recordset items(connection, QStringLiteral("Items"));
    items.forEach({inv::kItemNo, inv::kItemName, inv::kRemaining}, [&](const Row &row) {
        write(*connection, Kind::Restore, row.values[0], row.values[1], 0, row.values[2]);
    });
    transaction.commit();
}

QVector<Imbalance> unbalanced(Connection &connection)
{
    struct Books {
        double recorded = 0, remaining = 0;
        QString name;
        bool hasItem = false;
    };
    QHash<QString, Books> books;
    QStringList order; // item numbers in the order they are first met
    const auto bookOf = [&](const QVariant &itemNo) -> Books & {
        const QString key = numberKey(itemNo);
        auto it = books.find(key);
        if (it == books.end()) {
            order << key;
            it = books.insert(key, Books{});
        }
        return *it;
    };
    // A page at a time, only the fields needed: a long history reads
    // quickly.
    const auto walk = [&](const QString &table, const QVector<int> &fields,
                          const std::function<void(const Row &)> &fn) {
        std::optional<qint64> from;
        for (;;) {
            const QVector<Row> rows = connection.readRows(table, fields, from, kReadChunk);
            for (const Row &row : rows)
                fn(row);
            if (rows.size() < kReadChunk)
                break;
            from = rows.last().key + 1;
        }
    };
    const QStringList itemFields = connection.fields(QStringLiteral("Items"));
    walk(QStringLiteral("Items"),
         {int(itemFields.indexOf(inv::kItemNo)), int(itemFields.indexOf(inv::kItemName)),
          int(itemFields.indexOf(inv::kRemaining))},
         [&](const Row &row) {
             Books &b = bookOf(row.values[0]);
             b.remaining += quantityOf(row.values[2]);
             if (!b.hasItem)
                 b.name = fieldText(row.values[1]);
             b.hasItem = true;
         });
    walk(kTable, {kItemNo, kItemName, kChange, kKind}, [&](const Row &row) {
        const double change = quantityOf(row.values[2]);
        if (change == 0 && !books.contains(numberKey(row.values[0])))
            return; // a clear, say: no item, nothing to count
        Books &b = bookOf(row.values[0]);
        b.recorded += change;
        if (!b.hasItem)
            b.name = fieldText(row.values[1]);
    });
    QVector<Imbalance> found;
    for (const QString &key : std::as_const(order)) {
        const Books &b = books[key];
        if (std::fabs(b.recorded - b.remaining) > 1e-9 * std::max(1.0, std::fabs(b.remaining)))
            found << Imbalance{key, b.name, b.recorded, b.remaining};
    }
    return found;
}

QString describe(const Imbalance &imbalance)
{
    const QLocale c = QLocale::c();
    return QStringLiteral("item %1 (%2): the history gives %3, the item holds %4")
        .arg(imbalance.itemNo.isEmpty() ? QStringLiteral("without a number") : imbalance.itemNo, imbalance.itemName,
             c.toString(imbalance.recorded, 'g', 15), c.toString(imbalance.remaining, 'g', 15));
}

namespace {

OrderedRead orderedRead(const Filter &filter, bool descending, const std::optional<Place> &from, bool inclusive,
                        int skip, int limit)
{
    OrderedRead how;
    how.order = kEnteredAt;
    how.descending = descending;
    if (!filter.itemNo.isEmpty()) {
        how.match = kItemNo;
        how.matchValue = filter.itemNo;
    }
    if (filter.since.isValid())
        how.from = filter.since.toString(Qt::ISODate);
    // The range ends where the day after it begins; after the last day a
    // date text holds (9999-12-31) it is open.
    if (const QDate next = filter.until.addDays(1); next.isValid() && next.year() <= 9999)
        how.until = next.toString(Qt::ISODate);
    how.after = from;
    how.inclusive = inclusive;
    how.skip = skip;
    how.limit = limit;
    return how;
}

} // namespace

QVector<Row> read(Connection &connection, const Filter &filter, const QVector<int> &fields, bool descending,
                  const std::optional<Place> &from, bool inclusive, int skip, int limit)
{
    return connection.readOrdered(kTable, fields, orderedRead(filter, descending, from, inclusive, skip, limit));
}

QVector<TextRow> readTexts(Connection &connection, const Filter &filter, const QVector<int> &fields, bool descending,
                           const std::optional<Place> &from, bool inclusive, int skip, int limit)
{
    return connection.readOrderedTexts(kTable, fields, orderedRead(filter, descending, from, inclusive, skip, limit));
}

} // namespace inv::Journal
