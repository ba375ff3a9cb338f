#include "schema.h"

#include "clock.h"
#include "journal.h"
#include "keyedfile.h"
#include "module1.h"
#include "passwords.h"
#include "recordset.h"
#include "sqlcipherconnection.h"
#include "status.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace inv {

const char *const kRecordsPassword = "7204316";

const QVector<TableDef> &recordsTables()
{
    // The stored field order is fixed together with the grids: the grid of
    // Items hides positions 0, 4, 7, 8, 9 and shows number, name,
    // description, remaining quantity and status; the grid of Itemsout hides
    // 0, 5, 6 and shows number, name, description and quantity.
    static const QVector<TableDef> tables = {
        {"Items",
         {{"ID", "INTEGER PRIMARY KEY"},
          {"item_no", "TEXT"},
          {"item_name", "TEXT"},
          {"Description", "TEXT"},
          {"original_quantity", "INTEGER"},
          {"remaining_quantity", "INTEGER"},
          {"Status", "TEXT"},
          {"max_quantity", "INTEGER"},
          {"date_updated", "DATE"},
          {"tempdate", "DATE"}},
         {"item_no", "item_name", "Description", "original_quantity", "remaining_quantity", "Status", "max_quantity",
          "date_updated", "tempdate"},
         1,
         {}},
        {"Itemsout",
         {{"ID", "INTEGER PRIMARY KEY"},
          {"item_no", "TEXT"},
          {"item_name", "TEXT"},
          {"Description", "TEXT"},
          {"quantity", "INTEGER"},
          {"date_removed", "DATE"},
          {"remarks", "TEXT"}},
         {"item_no", "item_name", "Description", "quantity"},
         1,
         {}},
        {"Misc",
         {{"ID", "INTEGER PRIMARY KEY"}, {"User", "TEXT"}, {"pass", "TEXT"}, {"coname", "TEXT"}, {"pat", "TEXT"}},
         {"User", "pass", "coname", "pat"},
         1,
         {}},
        // The stock history: one row per change of stock or of an item,
        // written with the change; never changed nor deleted. Read newest
        // first (by time, then by ID), for one item or all of them.
        {"Journal",
         {{"ID", "INTEGER PRIMARY KEY"},
          {"entered_at", "TEXT"},
          {"user_name", "TEXT"},
          {"login_name", "TEXT"},
          {"kind", "TEXT"},
          {"item_no", "TEXT"},
          {"item_name", "TEXT"},
          {"quantity_change", "INTEGER"},
          {"remaining_quantity", "INTEGER"}},
         {"entered_at", "user_name", "login_name", "kind", "item_no", "item_name", "quantity_change",
          "remaining_quantity"},
         2,
         {{"Journal_entered_at", "entered_at, ID"}, {"Journal_item_no", "item_no, entered_at, ID"}}},
    };
    return tables;
}

const TableDef *recordsTable(const QString &name)
{
    for (const TableDef &table : recordsTables())
        if (name == QLatin1String(table.name))
            return &table;
    return nullptr;
}

QVector<DemoItem> demoItems()
{
    return {
        {QStringLiteral("P-100"), QStringLiteral("Bond paper"), QStringLiteral("A4 bond paper, 80 gsm, ream of 500"),
         40, 31},
        {QStringLiteral("T-200"), QStringLiteral("Toner"), QStringLiteral("Laser printer toner cartridge, black"), 10,
         4},
        {QStringLiteral("S-310"), QStringLiteral("Stapler"), QStringLiteral("Desk stapler, 20 sheets"), 8, 8},
        {QStringLiteral("S-311"), QStringLiteral("Staples"), QStringLiteral("Staples 26/6, box of 1000"), 50, 18},
        {QStringLiteral("B-120"), QStringLiteral("Ballpen"), QStringLiteral("Ballpoint pen, blue, box of 12"), 25, 2},
        {QStringLiteral("F-050"), QStringLiteral("Folder"), QStringLiteral("Manila folder, long"), 100, 64},
    };
}

namespace {

QString quoted(const char *identifier)
{
    return QLatin1Char('"') + QString::fromLatin1(identifier) + QLatin1Char('"');
}

} // namespace

QString createTableStatement(const TableDef &table)
{
    QStringList columns;
    for (const FieldDef &field : table.fields)
        columns << quoted(field.name) + QLatin1Char(' ') + QString::fromLatin1(field.type);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(table.name), columns.join(QLatin1String(", ")));
}

QStringList createIndexStatements(const TableDef &table)
{
    QStringList statements;
    for (const IndexDef &index : table.indexes) {
        QStringList columns;
        for (const QString &column : QString::fromLatin1(index.columns).split(QLatin1Char(',')))
            columns << quoted(column.trimmed().toLatin1().constData());
        statements << QStringLiteral("CREATE INDEX %1 ON %2(%3)")
                          .arg(quoted(index.name), quoted(table.name), columns.join(QLatin1String(", ")));
    }
    return statements;
}

namespace {

// Removes a file being made unless it is kept: whatever stops its making,
// no half-made file stays behind.
class RemoveUnlessKept {
public:
    explicit RemoveUnlessKept(const QString &path) : m_path(path) { }
    ~RemoveUnlessKept()
    {
        if (!m_kept)
            QFile::remove(m_path);
    }
    RemoveUnlessKept(const RemoveUnlessKept &) = delete;
    RemoveUnlessKept &operator=(const RemoveUnlessKept &) = delete;
    void keep() { m_kept = true; }

private:
    QString m_path;
    bool m_kept = false;
};

// The file at path opened in mode, or nullptr when it cannot be.
std::unique_ptr<KeyedFile> openedOrNull(const QString &path, KeyedFile::Mode mode)
{
    try {
        return std::make_unique<KeyedFile>(path, mode);
    } catch (const RecordsError &) {
        return nullptr;
    }
}

void createTables(KeyedFile &db)
{
    for (const TableDef &table : recordsTables()) {
        db.exec(createTableStatement(table));
        for (const QString &index : createIndexStatements(table))
            db.exec(index);
    }
    db.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    // Lookups by name and by number find the first row without a scan.
    db.exec(QStringLiteral("CREATE INDEX Items_item_name ON Items(item_name)"));
    db.exec(QStringLiteral("CREATE INDEX Items_item_no ON Items(item_no)"));
    db.exec(QStringLiteral("CREATE INDEX Itemsout_item_name ON Itemsout(item_name)"));
    db.exec(QStringLiteral("CREATE INDEX Itemsout_item_no ON Itemsout(item_no)"));
}

} // namespace

std::optional<QString> createRecordsDatabase(const QString &path, const NewDatabase &options)
{
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 already exists; it is left as it is").arg(path);
    if (options.user.trimmed().isEmpty() != options.password.trimmed().isEmpty())
        return QStringLiteral("an account needs both a user name and a password");
    if (!options.company.isEmpty() && options.user.trimmed().isEmpty())
        return QStringLiteral("a company name needs an account (a user name and a password)");

    RemoveUnlessKept made(path);
    const auto file = openedOrNull(path, KeyedFile::Mode::Create);
    if (!file)
        return QStringLiteral("%1 cannot be created").arg(path);
    KeyedFile &db = *file;
    try {
        db.exec(QStringLiteral("BEGIN"));
        createTables(db);
        if (!options.user.trimmed().isEmpty()) {
            const QString hash = hashPassword(options.password.trimmed());
            if (hash.isEmpty())
                throw RecordsError(path, QStringLiteral("the password cannot be hashed"));
            db.run(QStringLiteral("INSERT INTO Misc (User, pass, coname, pat) VALUES (?, ?, ?, ?)"),
                   {options.user.trimmed(), hash, options.company.isEmpty() ? QVariant() : QVariant(options.company),
                    QVariant()});
        }
        if (options.demo) {
            const QString today = Clock::today().toString(Qt::ISODate);
            for (const DemoItem &item : demoItems()) {
                const QString status =
                    WholeStatusText(qint16(item.remaining), qint16(item.original)).value_or(QString());
                db.run(QStringLiteral("INSERT INTO Items (item_no, item_name, Description, original_quantity, "
                                      "remaining_quantity, Status, max_quantity, date_updated, tempdate) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       {item.itemNo, item.name, item.description, item.original, item.remaining, status, item.original,
                        today, today});
            }
        }
        db.exec(QStringLiteral("COMMIT"));
        if (options.demo) {
            // The demo items enter the books with the stock they have.
            const auto connection = SqlCipherConnection::open(path);
            Transaction transaction(connection);
            Recordset items(connection, QStringLiteral("Items"));
            items.forEach(
                {QStringLiteral("item_no"), QStringLiteral("item_name"), QStringLiteral("remaining_quantity")},
                [&](const Row &row) { Journal::opening(*connection, row.values[0], row.values[1], row.values[2]); });
            transaction.commit();
        }
        made.keep();
    } catch (const RecordsError &e) {
        return e.reason();
    }
    return std::nullopt;
}

std::optional<QString> setCompanyName(const QString &path, const QString &company)
{
    if (auto problem = checkRecordsDatabase(path))
        return problem;
    const auto file = openedOrNull(path, KeyedFile::Mode::ReadWrite);
    if (!file)
        return QStringLiteral("%1 cannot be opened").arg(path);
    KeyedFile &db = *file;
    db.noBusyWait(); // a file busy with another change is reported at once
    try {
        if (db.value(QStringLiteral("SELECT count(*) FROM Misc")).toLongLong() == 0)
            return QStringLiteral("%1 has no account yet: create the account first (the program offers it at "
                                  "its first start), then set the company name")
                .arg(path);
        db.run(QStringLiteral("UPDATE Misc SET coname = ? WHERE rowid = (SELECT min(rowid) FROM Misc)"),
               {company.isEmpty() ? QVariant() : QVariant(company)});
    } catch (const RecordsError &e) {
        return e.reason();
    }
    return std::nullopt;
}

std::optional<QString> checkRecordsDatabase(const QString &path)
{
    try {
        Module1::openConnection(path);
    } catch (const RecordsError &e) {
        return e.message();
    }
    return std::nullopt;
}

} // namespace inv
