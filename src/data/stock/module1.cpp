#include "data/stock/module1.h"

#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/journal.h"
#include "data/stock/session.h"

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
bool g_viewOnly = false;
bool g_upgradesHeld = false;

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

// The program's opening of a database for writing: a file made before the
// stock history existed gets it now, once (not in the view-only mode, which
// writes nothing, nor before the user has chosen it or the log-in).
std::shared_ptr<Connection> opened(std::shared_ptr<Connection> connection)
{
    if (Session::upgradesAllowed())
        Journal::upgrade(connection);
    return connection;
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
    cnRecords = opened(openConnection(dbPath));
}

void OpenCheckConnection()
{
    cnCheck = opened(openConnection(dbPath));
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
    // Installed, the program's folder is root's alone (nothing there that
    // Qt loads may be changed by a clerk), so the database, which the group
    // writes with its journal beside it, lives in a folder of its own.
    const QString programDir = QStringLiteral(INVENTORY_PROGRAM_DIR);
    QDir root(folder);
    for (int i = 0; i < programDir.count(QLatin1Char('/')) + 1; ++i)
        root.cdUp();
    const QString installed = QDir(root.filePath(programDir)).canonicalPath();
    if (!installed.isEmpty() && installed == QDir(folder).canonicalPath())
        return QDir(root.filePath(QStringLiteral(INVENTORY_DATA_DIR))).filePath(QStringLiteral("Records.mdb"));
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

std::shared_ptr<Connection> openConnection(const QString &path)
{
    return factory()(path);
}

void setViewOnly(bool viewOnly)
{
    g_viewOnly = viewOnly;
}

bool viewOnly()
{
    return g_viewOnly;
}

void refuseInViewOnlyUse(const QString &path)
{
    if (g_viewOnly)
        throw RecordsError(path, QStringLiteral("the program was entered as User, for viewing and printing only, so "
                                                "nothing is written to it"));
}

void holdUpgrades(bool held)
{
    g_upgradesHeld = held;
}

bool upgradesHeld()
{
    return g_upgradesHeld;
}

void reset()
{
    g_viewOnly = false;
    g_upgradesHeld = false;
    rsMisc.reset();
    rsItems.reset();
    rsItemsout.reset();
    cnCheck.reset();
    cnRecords.reset();
    dbPath.clear();
}

} // namespace inv::Module1
