#include "testdb.h"

#include "data/journal.h"
#include "data/keyedfile.h"
#include "data/module1.h"
#include "data/sqlcipherconnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

namespace testing {

TestDb::TestDb(const QString &dir, const QString &name) : m_path(QDir(dir).filePath(name))
{
    if (auto error = inv::createRecordsDatabase(m_path, {}))
        qFatal("cannot create a test database: %s", qPrintable(*error));
}

std::shared_ptr<inv::Connection> TestDb::connection() const
{
    return inv::SqlCipherConnection::open(m_path);
}

TestDb &TestDb::row(const QString &table, const QVariantMap &values)
{
    auto cn = connection();
    const QStringList fields = cn->fields(table);
    inv::FieldChanges changes;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const int index = fields.indexOf(it.key());
        if (index < 0)
            qFatal("no field %s in %s", qPrintable(it.key()), qPrintable(table));
        changes.append({index, it.value()});
    }
    cn->insert(table, changes);
    return *this;
}

TestDb &TestDb::item(const QString &no, const QString &name, int remaining, int max, const QString &status,
                     const QString &description)
{
    return row(QStringLiteral("Items"), {{QStringLiteral("item_no"), no},
                                         {QStringLiteral("item_name"), name},
                                         {QStringLiteral("Description"), description},
                                         {QStringLiteral("original_quantity"), max},
                                         {QStringLiteral("remaining_quantity"), remaining},
                                         {QStringLiteral("max_quantity"), max},
                                         {QStringLiteral("Status"), status},
                                         {QStringLiteral("date_updated"), kOldDate},
                                         {QStringLiteral("tempdate"), kOldDate}});
}

TestDb &TestDb::tally(const QString &no, const QString &name, int quantity, const QString &description)
{
    return row(QStringLiteral("Itemsout"), {{QStringLiteral("item_no"), no},
                                            {QStringLiteral("item_name"), name},
                                            {QStringLiteral("Description"), description},
                                            {QStringLiteral("quantity"), quantity}});
}

TestDb &TestDb::balanced()
{
    auto cn = connection();
    inv::Transaction transaction(cn);
    const int no = cn->fields("Items").indexOf("item_no");
    const int name = cn->fields("Items").indexOf("item_name");
    const int remaining = cn->fields("Items").indexOf("remaining_quantity");
    cn->forEach("Items", [&](const inv::Row &row) {
        inv::Journal::opening(*cn, row.values[no], row.values[name], row.values[remaining]);
    });
    transaction.commit();
    return *this;
}

TestDb &TestDb::misc(const QVariant &user, const QVariant &pass, const QVariant &coname, const QVariant &pat)
{
    return row(QStringLiteral("Misc"), {{QStringLiteral("User"), user},
                                        {QStringLiteral("pass"), pass},
                                        {QStringLiteral("coname"), coname},
                                        {QStringLiteral("pat"), pat}});
}

QVariant TestDb::value(const QString &table, int row, const QString &field) const
{
    auto cn = connection();
    const int index = cn->fields(table).indexOf(field);
    QVariant result;
    int n = 0;
    cn->forEach(table, [&](const inv::Row &r) {
        if (n++ == row)
            result = r.values.value(index);
    });
    return result;
}

int TestDb::count(const QString &table) const
{
    return int(connection()->count(table));
}

std::unique_ptr<QTemporaryDir> newProgramFolder()
{
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        qFatal("cannot make a temporary folder");
    inv::Module1::reset();
    inv::Module1::setProgramFolder(dir->path());
    return dir;
}

std::unique_ptr<TestDb> newRecordsRun(std::unique_ptr<QTemporaryDir> &dir)
{
    dir = newProgramFolder();
    auto db = std::make_unique<TestDb>(dir->path());
    db->misc("admin", "pw");
    inv::Module1::dbPath = db->path();
    inv::Module1::OpenRecordsConnection();
    return db;
}

QString writeFile(const QString &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(dir).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

void makeBadDatabase(const QString &path, const QString &kind)
{
    const char *password = kind == QLatin1String("plain")      ? nullptr
                           : kind == QLatin1String("otherkey") ? "another"
                                                               : inv::kRecordsPassword;
    try {
        inv::KeyedFile db(path, inv::KeyedFile::Mode::Create, password);
        for (inv::TableDef table : inv::recordsTables()) {
            if (QLatin1String(table.name) == QLatin1String("Misc")) {
                if (kind == QLatin1String("notable"))
                    continue;
                if (kind == QLatin1String("nofield"))
                    table.fields.removeIf([](const inv::FieldDef &f) { return QLatin1String(f.name) == "pat"; });
            }
            db.exec(inv::createTableStatement(table));
        }
    } catch (const inv::RecordsError &e) {
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(e.message()));
    }
}

void execSql(const QString &path, const QString &statement)
{
    QString message;
    try {
        inv::KeyedFile(path, inv::KeyedFile::Mode::ReadWrite).exec(statement);
    } catch (const inv::RecordsError &e) {
        message = e.reason();
    }
    QVERIFY2(message.isEmpty(), qPrintable(message));
}

void damageDatabase(const QString &path, const QString &kind)
{
    // Where the pages are: the engine's own view of the file.
    qint64 pageSize = 0, pages = 0, page = 0;
    try {
        inv::KeyedFile db(path, inv::KeyedFile::Mode::ReadOnly);
        const auto scalar = [&db](const char *sql) {
            try {
                const QVariant value = db.value(QString::fromLatin1(sql));
                return value.isNull() ? qint64(-1) : value.toLongLong();
            } catch (const inv::RecordsError &) {
                return qint64(-1);
            }
        };
        pageSize = scalar("PRAGMA page_size");
        pages = scalar("PRAGMA page_count");
        if (kind == QLatin1String("data"))
            page = scalar("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = 'Items'");
        else if (kind == QLatin1String("index"))
            page = scalar("SELECT rootpage FROM sqlite_master WHERE type = 'index' AND name = 'Items_item_name'");
        else
            page = pages;
    } catch (const inv::RecordsError &) {
        qFatal("cannot open %s", qPrintable(path));
    }
    if (pageSize <= 0 || page <= 1 || page > pages)
        qFatal("no page to damage in %s", qPrintable(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    const qint64 offset = (page - 1) * pageSize + pageSize / 2;
    if (kind == QLatin1String("truncated")) {
        file.resize(offset);
        return;
    }
    if (kind != QLatin1String("data") && kind != QLatin1String("index") && kind != QLatin1String("last"))
        qFatal("unknown damage %s", qPrintable(kind));
    file.seek(offset);
    char byte = 0;
    file.getChar(&byte);
    file.seek(offset);
    file.putChar(char(byte ^ 0x5A));
}

QStringList snapshot(const QString &path, const QStringList &tables)
{
    auto cn = inv::SqlCipherConnection::open(path);
    QStringList rows;
    for (const QString &table : tables) {
        cn->forEach(table, [&](const inv::Row &row) {
            QStringList values;
            for (const QVariant &v : row.values)
                values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
            rows << table + QLatin1Char(':') + values.join(QLatin1Char('|'));
        });
    }
    return rows;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

} // namespace testing
