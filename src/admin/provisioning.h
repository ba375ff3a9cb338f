#pragma once
// Making a records database: a new file or the tables of an empty server
// database, with an account, a company name and demo stock as asked, and
// the checks that go with it. The program itself never creates one; the
// inventory-admin command and the tests do.

#include "data/schema/schema.h"

#include <QString>
#include <QVector>

#include <optional>

namespace inv {

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
void addInitialRows(const NewDatabase &options, const AddRow &add);

// What is wrong with the options of a new database, if anything.
std::optional<QString> newDatabaseProblem(const NewDatabase &options);

// The opening row in the history of every item of a new database's demo
// stock, in one transaction.
void writeOpeningRows(const QString &location);

class KeyedFile;
// Makes the records tables, their indexes and the schema version in the
// empty keyed file db, as a new database gets them. Throws RecordsError.
void createRecordsTables(KeyedFile &db);

// Creates a new records database at path: a keyed file (an existing file is
// refused), or the records tables in the empty server database a server
// address names. Returns an error text, or nothing on success; on failure
// no file is left.
std::optional<QString> createRecordsDatabase(const QString &path, const NewDatabase &options);

// Makes the records tables, the lock row and the triggers in the empty
// server database at location, with the account and demo items options asks
// for, in one transaction. Refuses a database that holds them already.
// Returns an error text, or nothing on success.
std::optional<QString> createServerRecords(const QString &location, const NewDatabase &options);

// Sets Misc.coname of an existing database; refuses one without an account.
std::optional<QString> setCompanyName(const QString &path, const QString &company);

// Checks that path holds a records database that can be opened; the reason
// when it cannot. Creates and changes nothing.
std::optional<QString> checkRecordsDatabase(const QString &path);

} // namespace inv
