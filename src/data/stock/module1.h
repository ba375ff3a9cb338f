#pragma once
// The database path, the two connections and the three table cursors that
// every window shares, and the procedures that (re)open them.
//
// The records connection (cnRecords) carries every cursor. It is opened on
// the default database at start-up and follows dbPath only from the main
// window's load on. The check connection (cnCheck) is opened on dbPath at the
// start of an action so that a database that cannot be opened shows there.

#include "data/core/connection.h"
#include "data/core/recordset.h"

#include <functional>

namespace inv::Module1 {

extern QString dbPath;
extern std::shared_ptr<Connection> cnRecords;
extern std::shared_ptr<Connection> cnCheck;
extern std::shared_ptr<Recordset> rsMisc;
extern std::shared_ptr<Recordset> rsItems;
extern std::shared_ptr<Recordset> rsItemsout;

// Each procedure replaces its object; the previous one is released (cursors
// keep their own connection). They throw RecordsError on failure. The two
// connections' opening upgrades a database made before the stock history
// existed (Journal::upgrade), unless the session writes nothing.
void OpenRecordsConnection();
void OpenCheckConnection();
void OpenMisc();
void OpenItems();
void OpenItemsout();

// The records connection; throws RecordsError when it is not open.
std::shared_ptr<Connection> records();

// Re-opens the records connection on dbPath and the Items cursor on it, as
// the remaining-items grid loads. The main window's load runs it too, so that
// from then on every table is read from the database of the run.
void openRecordsItems();

// Puts rsMisc (opened by OpenMisc) on the first Misc row, the one that holds
// the account; false when Misc holds no row. Throws RecordsError.
bool miscFirstRow();

// Stores location (a file or a server address) as the database the program
// uses from its next start: the pat field of the first Misc row of rsMisc
// (opened by OpenMisc). An address that holds a password is refused: no
// password is kept in a database. Throws RecordsError.
void rememberDatabase(const QString &location);

// Records.mdb in the data folder of the installed tree (var/lib/inventory)
// when the program runs from its installed folder (opt/inventory of the same
// tree); elsewhere, in a build tree say, in the program's folder.
QString defaultDatabasePath();
// For tests and tools: the folder that stands for the program's folder.
void setProgramFolder(const QString &folder);

// The engine: opens a connection on a path. SQLCipher unless replaced.
using ConnectionFactory = std::function<std::shared_ptr<Connection>(const QString &path)>;
void setConnectionFactory(ConnectionFactory factory);
// Opens a connection on path through the factory: every open of a records
// database in the program goes through here. Throws RecordsError.
std::shared_ptr<Connection> openConnection(const QString &path);

// View-only use (the plain User entry): every write through a cursor is
// refused with a RecordsError, whatever window, key or interface reached it.
// Off until set; reset() turns it off.
void setViewOnly(bool viewOnly);
bool viewOnly();
// Throws the RecordsError of a write refused in view-only use. Every write
// passes here: a cursor's Update and Delete, and the start of every change
// (Transaction), so that a routine writing through the connection itself is
// refused too.
void refuseInViewOnlyUse(const QString &path);

// Whether the upgrade of an older database is held back (Session says
// when); off until set, reset() turns it off.
void holdUpgrades(bool held);
bool upgradesHeld();

// Releases every connection and cursor, empties dbPath, ends view-only use
// and lets upgrades go.
void reset();

} // namespace inv::Module1
