#pragma once
// The PostgreSQL engine behind Connection, for a location that is a server
// address (postgresql://… or postgres://…, or libpq's key=value settings
// such as "host=db.example dbname=stock"), given to libpq as it is: the
// user's ~/.pgpass, service files and TLS settings in the address all apply.
//
// Every wait for the server is bounded and lets the windows repaint
// (Waits): a connection is made without blocking within a connect limit,
// with TCP keepalives and a user time-out unless the address sets its own;
// a statement whose answer stays away too long, or whose wait the clerk
// gives up, drops the connection (a change is rolled back by the server, a
// commit's outcome is unknown).
//
// As with a file, one server connection is shared by every Connection on the
// same location for as long as one of them is alive, and statements are
// prepared once on it.
//
// Writers queue on one lock, the row of the table inventory_state, taken
// first in every change (begin()): what a change reads it reads under that
// lock, as a file's changes do under the file's write lock. Statement
// triggers on the records tables move the row's version and notify the
// channel "inventory" whoever writes, so a version read under the lock, or
// in a read group, tells exactly whether anything changed.

#include "data/core/connection.h"
#include "data/schema/schema.h"

namespace inv {

struct PgHandle;

// Whether a database location names a server rather than a file.
bool isServerLocation(const QString &location);

// Whether a server address carries a password itself (password or
// sslpassword; which this program never stores: ~/.pgpass or a service file
// keeps it instead). An address libpq cannot read counts as one.
bool locationHasPassword(const QString &location);
// The location as messages show it: a password in it is not (and it is
// noted, so that no RecordsError shows it: Secrets).
QString locationWithoutPassword(const QString &location);

class PgConnection : public Connection {
public:
    // Connects to (or shares the connection to) the server database at
    // location and checks that it holds the records tables. Throws
    // RecordsError: Unreachable when no server answers there.
    static std::shared_ptr<PgConnection> open(const QString &location);

    ~PgConnection() override;

    QString path() const override;
    QStringList fields(const QString &table) override;
    qint64 count(const QString &table) override;
    std::optional<qint64> firstKey(const QString &table) override;
    std::optional<qint64> lastKey(const QString &table) override;
    std::optional<qint64> nextKey(const QString &table, qint64 key) override;
    std::optional<qint64> keyAtOffset(const QString &table, qint64 key, qint64 offset) override;
    std::optional<Row> read(const QString &table, qint64 key) override;
    void forEach(const QString &table, const std::function<void(const Row &)> &fn) override;
    void forEachValue(const QString &table, int field,
                      const std::function<void(qint64 key, const QVariant &value)> &fn) override;
    QStringList columnText(const QString &table, int field) override;
    QVector<Row> readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                          int limit) override;
    QVector<TextRow> readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from, int skip,
                                   int limit) override;
    DataVersion dataVersion() override;
    QVector<Row> readOrdered(const QString &table, const QVector<int> &fields, const OrderedRead &how) override;
    QVector<TextRow> readOrderedTexts(const QString &table, const QVector<int> &fields,
                                      const OrderedRead &how) override;
    std::optional<Row> findFirst(const QString &table, int field, const QString &text) override;
    void update(const QString &table, qint64 key, const FieldChanges &changes) override;
    qint64 insert(const QString &table, const FieldChanges &values) override;
    void remove(const QString &table, qint64 key) override;
    void removeAll(const QString &table) override;
    void begin() override;
    void commit() override;
    void rollback() override;
    void beginRead() override;
    void endRead() override;

    // Every connection listens to the channel "inventory", on which the
    // triggers name the table that changed.
    int changeSocket() override;
    QStringList takeChanges() override;

    // The number of server connections made so far in this process
    // (reconnections included); for tests and benchmarks.
    static int connectionsMade();
    // How long a change waits for the writers' lock that another program's
    // change holds before it gives up (20 s; tests make it shorter).
    static void setLockWait(int ms);
    // How long a connection may take to be made (10 s, unless the address
    // sets connect_timeout), and how long a statement's answer may stay
    // away (25 s of silence) before the connection is dropped: a change is
    // then rolled back, a commit's outcome unknown. Tests make them shorter.
    static void setTimeLimits(int connectMs, int answerMs);

    // For inventory-admin restore. The programs connected to the same
    // database besides this one (the server's own workers not counted).
    qint64 otherClients();
    // Inside a change that wrote rows with keys of their own: each records
    // table's numbering goes on past its highest key (and never back), so
    // that the next row added gets a key no row has.
    void numberPastKeys();
    // Inside a change: adds rows to a table a thousand or so a statement
    // (each row its values for fields, in that order; keys as given among
    // them, or numbered), where one statement a row would move the version
    // row as often.
    void insertRows(const QString &table, const QVector<int> &fields, const QVector<Row> &rows);

private:
    explicit PgConnection(std::shared_ptr<PgHandle> handle);
    std::shared_ptr<PgHandle> m_handle;
};

// For inventory-admin create. In one transaction on the empty server
// database at location: runs statements (the schema's for a new database),
// then fill, which adds rows through the AddRow it is given. Refuses a
// database that holds records tables already. Returns an error text, or
// nothing on success.
std::optional<QString> makeServerRecords(const QString &location, const QStringList &statements,
                                         const std::function<void(const AddRow &add)> &fill);

} // namespace inv
