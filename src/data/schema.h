#pragma once
// The records schema: the three tables, their fields in stored order, and
// the creation of a new records database (the program itself never creates
// one; the inventory-admin command and the tests do).

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

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

// The CREATE TABLE statement of a table, its fields in stored order.
QString createTableStatement(const TableDef &table);
// The CREATE INDEX statements of the table's indexes.
QStringList createIndexStatements(const TableDef &table);

struct DemoItem {
    QString itemNo, name, description;
    int original, remaining;
};

struct NewDatabase {
    QString user; // empty: no Misc row (the first run creates the account)
    QString password; // stored hashed
    QString company; // Misc.coname; needs an account
    bool demo = false;
};

// The items a demo database starts with.
QVector<DemoItem> demoItems();

// Creates a new keyed records database at path. Refuses an existing file.
// Returns an error text, or nothing on success; on failure no file is left.
std::optional<QString> createRecordsDatabase(const QString &path, const NewDatabase &options);

// Sets Misc.coname of an existing database; refuses one without an account.
std::optional<QString> setCompanyName(const QString &path, const QString &company);

// Checks that path holds a records database that can be opened; the reason
// when it cannot. Creates and changes nothing.
std::optional<QString> checkRecordsDatabase(const QString &path);

} // namespace inv
