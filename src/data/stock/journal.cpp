#include "data/stock/journal.h"

#include "data/core/clock.h"
#include "data/core/fields.h"
#include "data/core/recordset.h"
#include "data/schema/schema.h"
#include "data/stock/session.h"
#include "data/stock/status.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
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

namespace {

FieldChanges storedRow(Kind kind, const QVariant &itemNo, const QVariant &itemName, const QVariant &change,
                       const QVariant &remaining)
{
    const QString account = Session::account();
    return {{kEnteredAt, timeText(Clock::now())},
            {kUserName, account.isEmpty() ? QVariant() : QVariant(account)},
            {kLoginName, Session::loginName()},
            {kKind, kindText(kind)},
            {kItemNo, itemNo},
            {kItemName, itemName},
            {kChange, change},
            {kRemaining, remaining}};
}

} // namespace

FieldChanges rowValues(Kind kind, const QVariant &itemNo, const QVariant &itemName, double change,
                       const QVariant &remaining)
{
    return storedRow(kind, itemNo, itemName, storedQuantity(change), remaining);
}

void write(Connection &connection, Kind kind, const QVariant &itemNo, const QVariant &itemName, double change,
           const QVariant &remaining)
{
    connection.insert(kTable, rowValues(kind, itemNo, itemName, change, remaining));
}

void opening(Connection &connection, const QVariant &itemNo, const QVariant &itemName, const QVariant &remaining,
             Kind kind)
{
    // A stored whole number enters the books as it is, however large: a
    // double in between would round it past 2^53.
    const bool whole = remaining.typeId() == QMetaType::LongLong || remaining.typeId() == QMetaType::Int;
    const QVariant change = whole ? QVariant(remaining.toLongLong()) : storedQuantity(quantityOf(remaining));
    connection.insert(kTable, storedRow(kind, itemNo, itemName, change, remaining));
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

namespace {

// A sum of quantities, exact: whole numbers (any stored integer, and any
// whole value of a real or a text) add up in 128 bits, which no history of
// 64-bit values can run over; only a value with a fraction, which the
// program never writes, is added in floating point beside them.
struct ExactSum {
    __int128 whole = 0;
    double fraction = 0;

    void add(const QVariant &stored)
    {
        if (stored.isNull())
            return;
        switch (stored.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            whole += stored.toLongLong();
            return;
        case QMetaType::Double:
            addNumber(stored.toDouble());
            return;
        default:
            addText(fieldText(stored));
        }
    }

    // The same value within the fraction's rounding.
    bool equals(const ExactSum &other) const
    {
        const __int128 apart = whole - other.whole;
        if (fraction == 0 && other.fraction == 0)
            return apart == 0;
        constexpr __int128 kFar = __int128(1) << 60;
        if (apart > kFar || apart < -kFar)
            return false;
        const double difference = double(apart) + (fraction - other.fraction);
        return std::fabs(difference)
               <= 1e-9 * std::max({1.0, std::fabs(double(whole) + fraction), std::fabs(fraction - other.fraction)});
    }

    QString text() const
    {
        QString digits;
        unsigned __int128 magnitude = whole < 0 ? -static_cast<unsigned __int128>(whole) : whole;
        do {
            digits.prepend(QLatin1Char(char('0' + int(magnitude % 10))));
            magnitude /= 10;
        } while (magnitude != 0);
        if (whole < 0)
            digits.prepend(QLatin1Char('-'));
        if (fraction == 0)
            return digits;
        // A fraction: shown as the books count it, to 15 digits.
        return QLocale::c().toString(double(whole) + fraction, 'g', 15);
    }

private:
    void addNumber(double value)
    {
        // A whole real within 2^100 is an exact integer.
        if (std::isfinite(value) && std::floor(value) == value && std::fabs(value) < 1.2e30)
            whole += static_cast<__int128>(value);
        else
            fraction += value;
    }

    // The text's leading number, as the books count it (LeadingNumber); a
    // text of plain digits is read digit by digit, past where a double
    // holds every whole number.
    void addText(const QString &text)
    {
        const double value = LeadingNumber(text);
        const QString t = text.trimmed();
        qsizetype i = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? 1 : 0;
        const bool plain = i < t.size() && std::all_of(t.cbegin() + i, t.cend(), [](QChar c) {
                               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                           });
        if (!plain || std::fabs(value) < 9.0e15 || t.size() - i > 30) {
            addNumber(value);
            return;
        }
        __int128 read = 0;
        for (; i < t.size(); ++i)
            read = read * 10 + (t.at(i).unicode() - '0');
        whole += t.startsWith(QLatin1Char('-')) ? -read : read;
    }
};

} // namespace

QVector<Imbalance> unbalanced(Connection &connection)
{
    struct Books {
        ExactSum recorded, remaining;
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
             b.remaining.add(row.values[2]);
             if (!b.hasItem)
                 b.name = fieldText(row.values[1]);
             b.hasItem = true;
         });
    walk(kTable, {kItemNo, kItemName, kChange, kKind}, [&](const Row &row) {
        ExactSum change;
        change.add(row.values[2]);
        if (change.whole == 0 && change.fraction == 0 && !books.contains(numberKey(row.values[0])))
            return; // a clear, say: no item, nothing to count
        Books &b = bookOf(row.values[0]);
        b.recorded.whole += change.whole;
        b.recorded.fraction += change.fraction;
        if (!b.hasItem)
            b.name = fieldText(row.values[1]);
    });
    QVector<Imbalance> found;
    for (const QString &key : std::as_const(order)) {
        const Books &b = books[key];
        if (!b.recorded.equals(b.remaining))
            found << Imbalance{key, b.name, b.recorded.text(), b.remaining.text()};
    }
    return found;
}

QString describe(const Imbalance &imbalance)
{
    return QStringLiteral("item %1 (%2): the history gives %3, the item holds %4")
        .arg(imbalance.itemNo.isEmpty() ? QStringLiteral("without a number") : imbalance.itemNo, imbalance.itemName,
             imbalance.recorded, imbalance.remaining);
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
