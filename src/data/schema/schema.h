#pragma once
// The records schema: the tables, their fields in stored order, and the
// statements each engine makes them with. It knows no engine class: the
// engines and the admin commands ask it what to make (the making of a new
// database is in admin/provisioning.h).

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

namespace inv {

// The fixed password every records database is keyed with.
extern const char *const kRecordsPassword;

struct FieldDef {
    const char *name;
    const char *type; // declared type; "DATE" fields hold calendar dates
};

struct IndexDef {
    const char *name;
    const char *columns; // comma-separated, in index order
};

struct TableDef {
    const char *name;
    QVector<FieldDef> fields; // stored order: the grids address columns by position
    QStringList required; // the fields the windows read or write
    // The schema version that brought the table: a database of an older
    // version lacks it until it is upgraded.
    int since = 1;
    QVector<IndexDef> indexes; // beyond those every database was made with
};

// The version of the records schema this program writes: 1 for Items,
// Itemsout and Misc, 2 with the Journal (the stock history).
constexpr int kSchemaVersion = 2;

// Items, Itemsout, Misc and Journal.
const QVector<TableDef> &recordsTables();
// The table of that name (nullptr when the schema has none).
const TableDef *recordsTable(const QString &name);

// The engines a records database lives in.
enum class Engine { File, Server };

// The CREATE TABLE statement of a table, its fields in stored order, with
// each declared type as the engine spells it.
QString createTableStatement(const TableDef &table, Engine engine = Engine::File);

// The CREATE INDEX statements of a table's own indexes (TableDef::indexes).
QStringList createIndexStatements(const TableDef &table);
// The CREATE INDEX statements of the records tables' look-ups: look-ups by name and
// by number find the first row without a scan.
QStringList createIndexStatements(Engine engine);

// Every statement that makes the records tables of a new, empty database,
// in order: the tables with their own indexes, the look-up indexes and the
// schema version of a file; on a server also the lock row and the triggers
// that tell the clerks' programs of each change.
QStringList newDatabaseStatements(Engine engine);

// A row given to a new database: its table, and its values by field name.
using AddRow = std::function<void(const QString &table, const QStringList &fields, const QVariantList &values)>;

} // namespace inv
