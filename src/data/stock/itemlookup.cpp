#include "data/stock/itemlookup.h"

#include "data/core/fields.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"

namespace inv {

bool findItemNo(Recordset &rs, const QString &text)
{
    return rs.FindFirst(kItemNo, text);
}

ItemNoMatch findByItemNo(ItemTable table, const QString &text)
{
    Module1::OpenCheckConnection();
    if (table == ItemTable::Items)
        Module1::OpenItems();
    else
        Module1::OpenItemsout();
    Recordset &rs = table == ItemTable::Items ? *Module1::rsItems : *Module1::rsItemsout;
    // One read of the file: the row comes with the look-up, so the window's
    // boxes cost no further read. Only a miss asks whether the table has
    // rows at all.
    if (findItemNo(rs, text))
        return ItemNoMatch::Found;
    rs.MoveFirst();
    return rs.hasCurrent() ? ItemNoMatch::None : ItemNoMatch::EmptyTable;
}

namespace {

Recordset &cursor(ItemTable table)
{
    const std::shared_ptr<Recordset> &rs = table == ItemTable::Items ? Module1::rsItems : Module1::rsItemsout;
    if (!rs)
        throw RecordsError(Module1::dbPath, QStringLiteral("the table is not open"));
    return *rs;
}

} // namespace

ShownRow shownRow(ItemTable table)
{
    Recordset &rs = cursor(table);
    const QVector<TextRow> rows = rs.GetRowTexts(1, {kItemNo, kItemName});
    if (rows.isEmpty())
        throw RecordsError(rs.connection()->path(), QStringLiteral("no row of %1 is current").arg(rs.table()));
    return ShownRow{table, rows.first().key, rows.first().texts};
}

bool deleteShownRow(const ShownRow &shown)
{
    Recordset &rs = cursor(shown.table);
    const std::shared_ptr<Connection> connection = rs.connection();
    const QVector<int> fields{rs.fieldIndex(kItemNo), rs.fieldIndex(kItemName)};
    Transaction transaction(connection);
    const QVector<TextRow> now = connection->readTextsFrom(rs.table(), fields, shown.key, 0, 1);
    if (now.isEmpty() || now.first().key != shown.key || now.first().texts != shown.identity)
        return false;
    if (shown.table == ItemTable::Items) {
        // The history keeps what leaves with the item, as stored under the
        // delete's lock.
        const std::optional<Row> stored = connection->read(rs.table(), shown.key);
        const double remaining = stored ? Journal::quantityOf(stored->values.value(rs.fieldIndex(kRemaining))) : 0;
        connection->remove(rs.table(), shown.key);
        Journal::write(*connection, Journal::Kind::Delete, shown.identity.value(0), shown.identity.value(1),
                       -remaining, 0);
    } else {
        connection->remove(rs.table(), shown.key);
    }
    transaction.commit();
    // The cursor counted the row: opened afresh, as a look-up opens it.
    if (shown.table == ItemTable::Items)
        Module1::OpenItems();
    else
        Module1::OpenItemsout();
    return true;
}

QString shownRowChanged()
{
    return QStringLiteral("This item was deleted or changed by another program after it was shown, so nothing was "
                          "deleted.");
}

} // namespace inv
