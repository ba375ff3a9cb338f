#include "admin/admintables.h"

#include "data/engines/server/pgconnection.h"
#include "data/schema/schema.h"

namespace inv::Admin {

namespace {
// Rows read and written at a time.
constexpr int kRowsAPage = 4096;
} // namespace

QString Counts::text() const
{
    return QStringLiteral("%1 items, %2 removal records, %3 settings rows").arg(items).arg(removals).arg(settings);
}

Counts countRows(Connection &connection)
{
    return {connection.count(QStringLiteral("Items")), connection.count(QStringLiteral("Itemsout")),
            connection.count(QStringLiteral("Misc"))};
}

QString shown(const QString &location)
{
    return locationWithoutPassword(location);
}

QStringList tablesOf(Connection &connection)
{
    const int version = connection.schemaVersion();
    QStringList tables;
    for (const TableDef &table : recordsTables())
        if (table.since <= version)
            tables << QString::fromLatin1(table.name);
    return tables;
}

void copyRows(Connection &from, const std::shared_ptr<Connection> &to, const QStringList &tables,
              const RowWriter &write)
{
    Transaction transaction(to);
    for (const QString &table : tables) {
        const QStringList source = from.fields(table);
        const QStringList target = to->fields(table);
        // The fields both have, as positions in each.
        QVector<int> read, written;
        for (int f = 0; f < target.size(); ++f) {
            const int at = int(source.indexOf(target[f]));
            if (at >= 0) {
                read << at;
                written << f;
            }
        }
        std::optional<qint64> next;
        for (;;) {
            const QVector<Row> rows = from.readRows(table, read, next, kRowsAPage);
            if (write) {
                write(table, written, rows);
            } else {
                for (const Row &row : rows) {
                    FieldChanges values;
                    values.reserve(written.size());
                    for (int i = 0; i < written.size(); ++i)
                        values.append({written[i], row.values.value(i)});
                    to->insert(table, values);
                }
            }
            if (rows.size() < kRowsAPage)
                break;
            next = rows.last().key + 1;
        }
    }
    transaction.commit();
}

QString soundSummary(const QString &location, const Counts &counts)
{
    // One arg() for all: a location that holds "%2" stays as it is.
    return QStringLiteral("%1: sound, %2 items, %3 removal records")
        .arg(location, QString::number(counts.items), QString::number(counts.removals));
}

} // namespace inv::Admin
