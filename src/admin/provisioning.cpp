#include "admin/provisioning.h"

#include "data/core/clock.h"
#include "data/core/recordset.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "data/stock/passwords.h"
#include "data/stock/status.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace inv {

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

std::optional<QString> newDatabaseProblem(const NewDatabase &options)
{
    if (options.user.trimmed().isEmpty() != options.password.trimmed().isEmpty())
        return QStringLiteral("an account needs both a user name and a password");
    if (!options.company.isEmpty() && options.user.trimmed().isEmpty())
        return QStringLiteral("a company name needs an account (a user name and a password)");
    return std::nullopt;
}

void addInitialRows(const NewDatabase &options, const AddRow &add)
{
    if (!options.user.trimmed().isEmpty()) {
        const QString hash = hashPassword(options.password.trimmed());
        if (hash.isEmpty())
            throw RecordsError(QString(), QStringLiteral("the password cannot be hashed"));
        add(QStringLiteral("Misc"), {QStringLiteral("User"), QStringLiteral("pass"), QStringLiteral("coname")},
            {options.user.trimmed(), hash, options.company.isEmpty() ? QVariant() : QVariant(options.company)});
    }
    if (!options.demo)
        return;
    const QDate today = Clock::today();
    for (const DemoItem &item : demoItems()) {
        const QString status = WholeStatusText(qint16(item.remaining), qint16(item.original)).value_or(QString());
        add(QStringLiteral("Items"),
            {QStringLiteral("item_no"), QStringLiteral("item_name"), QStringLiteral("Description"),
             QStringLiteral("original_quantity"), QStringLiteral("remaining_quantity"), QStringLiteral("Status"),
             QStringLiteral("max_quantity"), QStringLiteral("date_updated"), QStringLiteral("tempdate")},
            {item.itemNo, item.name, item.description, item.original, item.remaining, status, item.original, today,
             today});
    }
}

void writeOpeningRows(const QString &location)
{
    // The demo items enter the books with the stock they have.
    const auto connection = Module1::openConnection(location);
    Transaction transaction(connection);
    Recordset items(connection, QStringLiteral("Items"));
    items.forEach({QStringLiteral("item_no"), QStringLiteral("item_name"), QStringLiteral("remaining_quantity")},
                  [&](const Row &row) { Journal::opening(*connection, row.values[0], row.values[1], row.values[2]); });
    transaction.commit();
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

} // namespace

void createRecordsTables(KeyedFile &db)
{
    for (const QString &statement : newDatabaseStatements(Engine::File))
        db.exec(statement);
}

std::optional<QString> createRecordsDatabase(const QString &path, const NewDatabase &options)
{
    if (isServerLocation(path))
        return createServerRecords(path, options);
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 already exists; it is left as it is").arg(path);
    if (auto problem = newDatabaseProblem(options))
        return problem;

    RemoveUnlessKept made(path);
    const auto file = openedOrNull(path, KeyedFile::Mode::Create);
    if (!file)
        return QStringLiteral("%1 cannot be created").arg(path);
    KeyedFile &db = *file;
    try {
        db.exec(QStringLiteral("BEGIN"));
        createRecordsTables(db);
        addInitialRows(options, [&db](const QString &table, const QStringList &fields, const QVariantList &values) {
            QVariantList stored = values;
            for (QVariant &value : stored)
                if (value.typeId() == QMetaType::QDate)
                    value = value.toDate().toString(Qt::ISODate);
            db.run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, fields.join(QLatin1String(", ")),
                            QStringList(fields.size(), QStringLiteral("?")).join(QLatin1String(", "))),
                   stored);
        });
        db.exec(QStringLiteral("COMMIT"));
        if (options.demo)
            writeOpeningRows(path);
        made.keep();
    } catch (const RecordsError &e) {
        return e.reason();
    }
    return std::nullopt;
}

std::optional<QString> createServerRecords(const QString &location, const NewDatabase &options)
{
    if (auto problem = newDatabaseProblem(options))
        return problem;
    if (auto error = makeServerRecords(location, newDatabaseStatements(Engine::Server),
                                       [&options](const AddRow &add) { addInitialRows(options, add); }))
        return error;
    try {
        if (options.demo)
            writeOpeningRows(location);
    } catch (const RecordsError &e) {
        return e.reason();
    }
    return std::nullopt;
}

std::optional<QString> setCompanyName(const QString &path, const QString &company)
{
    if (isServerLocation(path)) {
        try {
            const std::shared_ptr<Connection> cn = PgConnection::open(path);
            Transaction change(cn);
            const std::optional<qint64> first = cn->firstKey(QStringLiteral("Misc"));
            if (!first)
                return QStringLiteral("%1 has no account yet: create the account first (the program offers it at "
                                      "its first start), then set the company name")
                    .arg(cn->path());
            cn->update(QStringLiteral("Misc"), *first,
                       {{int(cn->fields(QStringLiteral("Misc")).indexOf(QStringLiteral("coname"))),
                         company.isEmpty() ? QVariant() : QVariant(company)}});
            change.commit();
        } catch (const RecordsError &e) {
            return e.message();
        }
        return std::nullopt;
    }
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
