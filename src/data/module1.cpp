#include "module1.h"

#include "pgconnection.h"
#include "sqlcipherconnection.h"

#include <QCoreApplication>
#include <QDir>

namespace inv::Module1 {

QString dbPath;
std::shared_ptr<Connection> cnRecords;
std::shared_ptr<Connection> cnCheck;
std::shared_ptr<Recordset> rsMisc;
std::shared_ptr<Recordset> rsItems;
std::shared_ptr<Recordset> rsItemsout;

namespace {

QString g_programFolder;

ConnectionFactory &factory()
{
    static ConnectionFactory f = [](const QString &path) -> std::shared_ptr<Connection> {
        // A server address names a PostgreSQL database; anything else a file.
        if (isServerLocation(path))
            return PgConnection::open(path);
        return SqlCipherConnection::open(path);
    };
    return f;
}

std::shared_ptr<Recordset> openCursor(const QString &table)
{
    return std::make_shared<Recordset>(records(), table);
}

} // namespace

std::shared_ptr<Connection> records()
{
    if (!cnRecords)
        throw RecordsError(dbPath, QStringLiteral("the records connection is not open"));
    return cnRecords;
}

void OpenRecordsConnection()
{
    // The new connection is made before the old one is let go, so a file
    // that stays the same keeps its open handle.
    cnRecords = factory()(dbPath);
}

void OpenCheckConnection()
{
    cnCheck = factory()(dbPath);
}

void OpenMisc()
{
    rsMisc.reset();
    rsMisc = openCursor(QStringLiteral("Misc"));
}

bool miscFirstRow()
{
    if (rsMisc->RecordCount() == 0)
        return false;
    rsMisc->MoveFirst();
    return true;
}

void OpenItems()
{
    rsItems.reset();
    rsItems = openCursor(QStringLiteral("Items"));
}

void OpenItemsout()
{
    rsItemsout.reset();
    rsItemsout = openCursor(QStringLiteral("Itemsout"));
}

void openRecordsItems()
{
    OpenRecordsConnection();
    OpenItems();
}

void rememberDatabase(const QString &location)
{
    if (locationHasPassword(location))
        throw RecordsError(locationWithoutPassword(location),
                           QStringLiteral("its address holds a password, which is never stored; keep the password "
                                          "in ~/.pgpass or a service file and give the address without it"));
    rsMisc->MoveFirst();
    rsMisc->setField(QStringLiteral("pat"), location);
    rsMisc->Update();
}

QString defaultDatabasePath()
{
    const QString folder = g_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_programFolder;
    return QDir(folder).filePath(QStringLiteral("Records.mdb"));
}

void setProgramFolder(const QString &folder)
{
    g_programFolder = folder;
}

void setConnectionFactory(ConnectionFactory f)
{
    factory() = std::move(f);
}

void reset()
{
    rsMisc.reset();
    rsItems.reset();
    rsItemsout.reset();
    cnCheck.reset();
    cnRecords.reset();
    dbPath.clear();
}

} // namespace inv::Module1
