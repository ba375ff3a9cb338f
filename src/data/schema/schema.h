#pragma once
// The records schema: the three tables, their fields in stored order, and
// the creation of a new records database (the program itself never creates
// one; the inventory-admin command and the tests do).

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
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

// The opening row in the history of every item of a new database's demo
// stock, in one transaction.
void writeOpeningRows(const QString &location);

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

// The rows a new database starts with (the account, the demo items), each
// given to add with its table and its values by field name.
using AddRow = std::function<void(const QString &table, const QStringList &fields, const QVariantList &values)>;
void addInitialRows(const NewDatabase &options, const AddRow &add);

// What is wrong with the options of a new database, if anything.
std::optional<QString> newDatabaseProblem(const NewDatabase &options);

class KeyedFile;
// Makes the records tables, their indexes and the schema version in the
// empty keyed file db, as a new database gets them. Throws RecordsError.
void createRecordsTables(KeyedFile &db);

// Creates a new keyed records database at path. Refuses an existing file.
// Returns an error text, or nothing on success; on failure no file is left.
std::optional<QString> createRecordsDatabase(const QString &path, const NewDatabase &options);

// Sets Misc.coname of an existing database; refuses one without an account.
std::optional<QString> setCompanyName(const QString &path, const QString &company);

// Checks that path holds a records database that can be opened; the reason
// when it cannot. Creates and changes nothing.
std::optional<QString> checkRecordsDatabase(const QString &path);

} // namespace inv
