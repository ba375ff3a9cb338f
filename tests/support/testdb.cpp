#include "testdb.h"

#include "data/module1.h"
#include "data/sqlcipherconnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cstring>
#include <sqlite3.h>

namespace testing {

TestDb::TestDb(const QString &dir, const QString &name) : m_path(QDir(dir).filePath(name))
{
    if (auto error = inv::CreateRecordsDatabase(m_path, {}))
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
    inv::Module1::Reset();
    inv::Module1::SetProgramFolder(dir->path());
    return dir;
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
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        qFatal("cannot create %s", qPrintable(path));
    if (kind == QLatin1String("otherkey"))
        sqlite3_key(db, "another", 7);
    else if (kind != QLatin1String("plain"))
        sqlite3_key(db, inv::RecordsPassword, int(std::strlen(inv::RecordsPassword)));
    QString sql = QStringLiteral(
        "CREATE TABLE Items (ID INTEGER PRIMARY KEY, item_no TEXT, item_name TEXT, Description TEXT,"
        " original_quantity INTEGER, remaining_quantity INTEGER, Status TEXT, max_quantity INTEGER,"
        " date_updated DATE, tempdate DATE);"
        "CREATE TABLE Itemsout (ID INTEGER PRIMARY KEY, item_no TEXT, item_name TEXT,"
        " Description TEXT, quantity INTEGER);");
    if (kind == QLatin1String("nofield"))
        sql += QStringLiteral("CREATE TABLE Misc (ID INTEGER PRIMARY KEY, User TEXT, pass TEXT, coname TEXT);");
    else if (kind != QLatin1String("notable"))
        sql += QStringLiteral("CREATE TABLE Misc (ID INTEGER PRIMARY KEY, User TEXT, pass TEXT, coname TEXT, pat TEXT);");
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot write %s", qPrintable(path));
    sqlite3_close(db);
}

void damageDatabase(const QString &path, const QString &kind)
{
    // Where the pages are: the engine's own view of the file.
    qint64 pageSize = 0, pages = 0, page = 0;
    {
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
        sqlite3_key(db, inv::RecordsPassword, int(std::strlen(inv::RecordsPassword)));
        const auto scalar = [db](const char *sql) {
            sqlite3_stmt *stmt = nullptr;
            qint64 value = -1;
            if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
                value = sqlite3_column_int64(stmt, 0);
            sqlite3_finalize(stmt);
            return value;
        };
        pageSize = scalar("PRAGMA page_size");
        pages = scalar("PRAGMA page_count");
        if (kind == QLatin1String("data"))
            page = scalar("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = 'Items'");
        else if (kind == QLatin1String("index"))
            page = scalar("SELECT rootpage FROM sqlite_master WHERE type = 'index' AND name = 'Items_item_name'");
        else
            page = pages;
        sqlite3_close(db);
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

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

} // namespace testing
