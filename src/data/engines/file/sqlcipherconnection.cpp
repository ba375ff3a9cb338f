#include "data/engines/file/sqlcipherconnection.h"

#include "data/core/fieldindex.h"
#include "data/core/recordset.h"
#include "data/core/waits.h"
#include "data/engines/file/inuselock.h"
#include "data/engines/file/keyedfile.h"
#include "data/schema/schema.h"

#include <QByteArray>
#include <QDate>
#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>
#include <type_traits>

namespace inv {

namespace {

struct TableMeta {
    QStringList fields;
    QVector<bool> isDate;
};

QString quoted(const QString &identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

using FileId = std::pair<dev_t, ino_t>;

std::map<FileId, std::weak_ptr<SqlCipherHandle>> &registry()
{
    // Never destroyed: connections held by globals are released at program
    // exit, after the function-local statics, and still unregister here.
    static auto *handles = new std::map<FileId, std::weak_ptr<SqlCipherHandle>>;
    return *handles;
}

int g_handlesOpened = 0;

} // namespace

struct SqlCipherHandle {
    sqlite3 *db = nullptr;
    QString path;
    FileId id{};
    qint64 serial = 0; // tells handles apart for DataVersion
    QHash<QString, sqlite3_stmt *> statements;
    // The row reads among them, by table, fields and direction (rowsStatement).
    std::map<std::tuple<QString, QVector<int>, int>, sqlite3_stmt *> rowReads;
    // The ordered reads among them, by table, fields, order and match
    // fields, and which bounds they have (readOrdered).
    std::map<std::tuple<QString, QVector<int>, int, int, int>, sqlite3_stmt *> orderedReads;
    QHash<QString, TableMeta> tables;
    int schemaVersion = 1; // PRAGMA user_version, as last read
    bool upgrading = false; // the open transaction upgrades the schema
    int transactionDepth = 0;
    int readDepth = 0; // open read groups
    bool readOpen = false; // the outermost read group began a transaction
    bool rollbackOnly = false; // an inner group was rolled back
    InUseLock inUse; // shows other processes the file is open; let go after the close

    // Another program's change keeps the file locked: wait for it in short
    // steps, up to kBusyWaitMs in all. A wait that lasts is reported.
    static constexpr int kBusyWaitMs = 2000;
    static constexpr int kShownAfterMs = 200;
    QElapsedTimer busySince;
    static int busy(void *self, int attempts)
    {
        auto *h = static_cast<SqlCipherHandle *>(self);
        if (attempts == 0)
            h->busySince.start();
        const qint64 waited = h->busySince.elapsed();
        if (waited >= kBusyWaitMs)
            return 0;
        if (waited >= kShownAfterMs)
            Waits::waiting(QStringLiteral("Waiting for another program to let go of %1...").arg(h->path));
        sqlite3_sleep(attempts < 10 ? 1 : 10);
        return 1;
    }

    // A write inside a group of reads would only reach the file when the
    // group ends, not at once: refused.
    void requireWritable() const
    {
        if (readOpen)
            throw RecordsError(path, QStringLiteral("a change cannot start while a read is under way"));
    }

    ~SqlCipherHandle()
    {
        for (sqlite3_stmt *stmt : std::as_const(statements))
            sqlite3_finalize(stmt);
        if (db)
            sqlite3_close(db);
        auto &handles = registry();
        auto it = handles.find(id);
        if (it != handles.end() && it->second.expired())
            handles.erase(it);
    }

    // After a change was given up. A write that failed on the way (a full
    // disk, an I/O error) leaves the engine's roll-back to the next read:
    // the journal stays beside the file, and until then anyone else who
    // looks finds a change cut off half-written. That read is made now, so
    // that the file is whole when the change is over. (A journal of
    // another program's change under way is left alone by the read.)
    void completeRollback()
    {
        struct stat st { };
        if (!sqlite3_get_autocommit(db) || ::stat((path + QStringLiteral("-journal")).toUtf8().constData(), &st) != 0)
            return;
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }

    // After a transaction that upgraded the schema was rolled back: the
    // version is read again at the next look, the new tables are gone.
    void forgetUpgrade()
    {
        if (!upgrading)
            return;
        upgrading = false;
        schemaVersion = 0;
        for (const TableDef &table : recordsTables())
            if (table.since > 1)
                tables.remove(QString::fromLatin1(table.name));
    }

    [[noreturn]] void fail(const QString &what) const
    {
        const int code = sqlite3_errcode(db);
        throw RecordsError(path, what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)),
                           code == SQLITE_CORRUPT || code == SQLITE_NOTADB ? RecordsError::Kind::Damaged
                                                                           : RecordsError::Kind::Other);
    }

    // A cached statement, reset and ready to bind.
    sqlite3_stmt *statement(const QString &sql)
    {
        auto it = statements.find(sql);
        if (it != statements.end()) {
            sqlite3_reset(*it);
            sqlite3_clear_bindings(*it);
            return *it;
        }
        sqlite3_stmt *stmt = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), utf8.size(), &stmt, nullptr) != SQLITE_OK)
            fail(QStringLiteral("cannot prepare a statement"));
        statements.insert(sql, stmt);
        return stmt;
    }

    // A statement that returns no row (BEGIN, COMMIT, ROLLBACK), prepared
    // once: a change is short, parsing its ends each time would show.
    void run(const QString &sql)
    {
        sqlite3_stmt *stmt = statement(sql);
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_reset(stmt);
            throw RecordsError(path, message);
        }
        sqlite3_reset(stmt);
    }

    const TableMeta &meta(const QString &table)
    {
        auto it = tables.find(table);
        if (it == tables.end())
            throw RecordsError(path, QStringLiteral("the table %1 is missing").arg(table));
        return *it;
    }

    void readTable(const QString &table)
    {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            fail(QStringLiteral("cannot read the table %1").arg(table));
        TableMeta meta;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            meta.fields << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
            const QString type = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 2)));
            meta.isDate << type.contains(QLatin1String("DATE"), Qt::CaseInsensitive);
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            fail(QStringLiteral("cannot read the table %1").arg(table));
        if (!meta.fields.isEmpty())
            tables.insert(table, meta);
    }
};

namespace {

void bindValue(SqlCipherHandle &h, sqlite3_stmt *stmt, int index, const QVariant &value)
{
    int rc;
    if (value.isNull() || !value.isValid()) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::QDate:
            rc = sqlite3_bind_text(stmt, index, value.toDate().toString(Qt::ISODate).toUtf8().constData(), -1,
                                   SQLITE_TRANSIENT);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob(stmt, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, text.constData(), text.size(), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        h.fail(QStringLiteral("cannot bind a value"));
}

QVariant columnValue(sqlite3_stmt *stmt, int column, bool isDate)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
        const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                               sqlite3_column_bytes(stmt, column));
        if (isDate) {
            const QDate date = QDate::fromString(text, Qt::ISODate);
            if (date.isValid())
                return QVariant(date);
        }
        return QVariant(text);
    }
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                                   sqlite3_column_bytes(stmt, column)));
    default:
        return QVariant();
    }
}

// Steps a statement that yields at most one key.
std::optional<qint64> stepKey(SqlCipherHandle &h, sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    std::optional<qint64> key;
    if (rc == SQLITE_ROW)
        key = sqlite3_column_int64(stmt, 0);
    else if (rc != SQLITE_DONE)
        h.fail(QStringLiteral("cannot read"));
    sqlite3_reset(stmt);
    return key;
}

void stepDone(SqlCipherHandle &h, sqlite3_stmt *stmt, const QString &what)
{
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        h.fail(what);
}

// Steps a statement that yields at most one row, its key first and then
// every field in stored order.
std::optional<Row> stepRow(SqlCipherHandle &h, sqlite3_stmt *stmt, const TableMeta &meta, const QString &table)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt);
        return std::nullopt;
    }
    if (rc != SQLITE_ROW) {
        sqlite3_reset(stmt);
        h.fail(QStringLiteral("cannot read the table %1").arg(table));
    }
    Row row;
    row.key = sqlite3_column_int64(stmt, 0);
    const int columns = sqlite3_column_count(stmt);
    row.values.reserve(columns - 1);
    for (int c = 1; c < columns; ++c)
        row.values << columnValue(stmt, c, c - 1 < meta.isDate.size() && meta.isDate[c - 1]);
    sqlite3_reset(stmt);
    return row;
}

// A field as fieldText shows it, read straight from the statement: texts and
// whole numbers without a QVariant in between.
QString cellText(sqlite3_stmt *stmt, int column, bool isDate)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_TEXT:
        if (!isDate)
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                     sqlite3_column_bytes(stmt, column));
        break;
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(stmt, column));
    default:
        break;
    }
    return fieldText(columnValue(stmt, column, isDate));
}

// The texts of a statement's cells, row after row: a cell that holds what
// the cell above it held shares that cell's text, so a column that repeats
// itself (one user, one kind of change, one date) is converted and stored
// once, not once a row.
class CellTexts {
public:
    CellTexts(sqlite3_stmt *stmt, int columns) : m_stmt(stmt), m_last(columns + 1) { }

    QString operator()(int column, bool isDate)
    {
        Last &last = m_last[column];
        // The cell is looked up once and read through its value (each
        // column call looks it up again, under the handle's lock; a handle
        // is only ever used by the thread that opened it).
        sqlite3_value *value = sqlite3_column_value(m_stmt, column);
        const int type = sqlite3_value_type(value);
        if (type == SQLITE_TEXT && !isDate) {
            const char *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
            const int size = sqlite3_value_bytes(value);
            if (last.type != SQLITE_TEXT || last.bytes.size() != size
                || std::memcmp(last.bytes.constData(), text, size_t(size)) != 0) {
                last.type = SQLITE_TEXT;
                last.bytes.resize(size);
                std::memcpy(last.bytes.data(), text, size_t(size));
                last.text = QString::fromUtf8(text, size);
            }
        } else if (type == SQLITE_INTEGER) {
            const qint64 number = sqlite3_value_int64(value);
            if (last.type != SQLITE_INTEGER || last.number != number) {
                last.type = SQLITE_INTEGER;
                last.number = number;
                last.text = QString::number(number);
            }
        } else {
            last.type = -1;
            last.text = cellText(m_stmt, column, isDate);
        }
        return last.text;
    }

private:
    struct Last {
        int type = -1;
        QByteArray bytes;
        qint64 number = 0;
        QString text;
    };
    sqlite3_stmt *m_stmt;
    QVector<Last> m_last;
};

// The statement that reads the key and the given fields of up to ?2 rows in
// stored order: from the row whose key is ?1 on (skip 0), or beginning ?3 + 1
// rows after it (skip > 0) or before it (skip < 0). The rows skipped are
// stepped over in key order without reading their fields, so the cost is
// that of the rows read, not of their place in the table. Made once per
// table, fields and direction; a page turn builds no text of SQL.
sqlite3_stmt *rowsStatement(SqlCipherHandle &h, const QString &table, const QVector<int> &fields, int skip)
{
    const int direction = skip > 0 ? 1 : skip < 0 ? -1 : 0;
    const auto key = std::make_tuple(table, fields, direction);
    auto it = h.rowReads.find(key);
    if (it != h.rowReads.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    const TableMeta &meta = h.meta(table);
    QStringList columns{QStringLiteral("rowid")};
    for (int field : fields)
        columns << quoted(fieldAt(meta.fields, field, table, h.path));
    QString sql;
    if (direction == 0)
        sql = QStringLiteral("SELECT %2 FROM %1 WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2");
    else if (direction > 0)
        sql = QStringLiteral("SELECT %2 FROM %1 WHERE rowid > ?1 ORDER BY rowid LIMIT ?2 OFFSET ?3");
    else
        sql = QStringLiteral("SELECT %2 FROM %1 WHERE rowid >= (SELECT rowid FROM %1 WHERE rowid < ?1 ORDER BY rowid "
                             "DESC LIMIT 1 OFFSET ?3) ORDER BY rowid LIMIT ?2");
    sqlite3_stmt *stmt = h.statement(sql.arg(quoted(table), columns.join(QLatin1String(", "))));
    h.rowReads.emplace(key, stmt);
    return stmt;
}

// The first open of a file in a run reads every page of it once (the
// engine's quick check) before anything can be written to it: a page damaged
// on disk otherwise shows only when a window reads it, possibly after others
// have been written. A damaged file is refused and left as it is.
void quickCheck(SqlCipherHandle &h)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(h.db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
    QString verdict;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    const int code = sqlite3_errcode(h.db);
    const QString error = QString::fromUtf8(sqlite3_errmsg(h.db));
    sqlite3_finalize(stmt);
    if (rc == SQLITE_ROW && verdict == QLatin1String("ok"))
        return;
    if (rc != SQLITE_ROW && code != SQLITE_CORRUPT && code != SQLITE_NOTADB)
        throw RecordsError(h.path, QStringLiteral("it cannot be read (%1)").arg(error));
    throw RecordsError(h.path, QStringLiteral("it is damaged (%1)").arg(rc == SQLITE_ROW ? verdict : error),
                       RecordsError::Kind::Damaged);
}

std::shared_ptr<SqlCipherHandle> openHandle(const QString &path, const FileId &id, bool readOnly = false)
{
    auto h = std::make_shared<SqlCipherHandle>();
    h->path = path;
    h->id = id;
    const QByteArray file = path.toUtf8();
    // A restore holds the lock alone while it puts a backup in place, which
    // takes seconds: wait for it, then open what it left. Without the lock a
    // restore could replace the file under the program: never opened so.
    // A read-only open (the admin's reports) takes no lock and leaves no file.
    switch (readOnly
                ? InUseLock::Result::Taken
                : h->inUse.take(path, InUseLock::Kind::Shared, 10000,
                                QStringLiteral("Waiting for inventory-admin to finish restoring %1...").arg(path))) {
    case InUseLock::Result::Taken:
        break;
    case InUseLock::Result::Busy:
        throw RecordsError(path, QStringLiteral("inventory-admin is restoring it from a backup; try again when "
                                                "the restore has finished"));
    case InUseLock::Result::NoLockFile:
        throw RecordsError(path, QStringLiteral("the program cannot mark it as in use, so it does not open it: %1; "
                                                "ask the administrator to put this right")
                                     .arg(h->inUse.error()));
    }
    struct stat st { };
    if (::stat(file.constData(), &st) == 0)
        h->id = FileId{st.st_dev, st.st_ino};
    // Never SQLITE_OPEN_CREATE: the file must exist. The handle is used by
    // one thread at a time, so the engine need not lock it around each call.
    if (sqlite3_open_v2(file.constData(), &h->db,
                        SQLITE_OPEN_NOMUTEX | (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE), nullptr)
        != SQLITE_OK)
        throw RecordsError(path, QStringLiteral("it cannot be opened (%1)")
                                     .arg(QString::fromUtf8(h->db ? sqlite3_errmsg(h->db) : "out of memory")));
    h->serial = ++g_handlesOpened;
    KeyedFile::key(h->db);
    sqlite3_busy_handler(h->db, &SqlCipherHandle::busy, h.get());
    // A wrong key or a file of another kind only shows at the first read.
    sqlite3_stmt *probe = nullptr;
    int rc = sqlite3_prepare_v2(h->db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW) {
        const int code = sqlite3_errcode(h->db);
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            throw RecordsError(path,
                               QStringLiteral("it is not a records database, or it is protected "
                                              "with another password"),
                               RecordsError::Kind::Damaged);
        // Only a look that may not write meets this: the program's own
        // opening rolls the cut-off change back.
        if (sqlite3_extended_errcode(h->db) == SQLITE_READONLY_ROLLBACK)
            throw RecordsError(path, KeyedFile::halfWritten(path));
        h->fail(QStringLiteral("it cannot be read"));
    }
    if (!readOnly)
        quickCheck(*h);
    h->schemaVersion = std::max(1, int(stepKey(*h, h->statement(QStringLiteral("PRAGMA user_version"))).value_or(0)));
    for (const TableDef &table : recordsTables()) {
        if (table.since > h->schemaVersion)
            continue; // added by a later version: the upgrade makes it
        const QString name = QString::fromLatin1(table.name);
        h->readTable(name);
        if (!h->tables.contains(name))
            throw RecordsError(path, QStringLiteral("the table %1 is missing").arg(name), RecordsError::Kind::Damaged);
        const QStringList &have = h->tables[name].fields;
        for (const QString &field : table.required)
            if (!have.contains(field))
                throw RecordsError(path, QStringLiteral("the field %1 is missing from the table %2").arg(field, name),
                                   RecordsError::Kind::Damaged);
    }
    return h;
}

} // namespace

std::shared_ptr<SqlCipherConnection> SqlCipherConnection::openReadOnly(const QString &path)
{
    struct stat st { };
    if (path.isEmpty() || ::stat(path.toUtf8().constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return open(path); // for the same message
    return std::shared_ptr<SqlCipherConnection>(
        new SqlCipherConnection(openHandle(path, FileId{st.st_dev, st.st_ino}, true)));
}

std::shared_ptr<SqlCipherConnection> SqlCipherConnection::open(const QString &path)
{
    if (path.isEmpty())
        throw RecordsError(path, QStringLiteral("no file was given"));
    struct stat st { };
    if (::stat(path.toUtf8().constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT)
            throw RecordsError(path, QStringLiteral("the file does not exist"));
        if (error == ELOOP)
            throw RecordsError(path, QStringLiteral("its name leads through symbolic links that form a loop"));
        throw RecordsError(
            path, QStringLiteral("it cannot be reached (%1)").arg(QString::fromLocal8Bit(std::strerror(error))));
    }
    if (!S_ISREG(st.st_mode))
        throw RecordsError(path, QStringLiteral("it is not a file"));
    if (st.st_size == 0)
        throw RecordsError(path, QStringLiteral("the file is empty, it is not a records database"),
                           RecordsError::Kind::Damaged);

    const FileId id{st.st_dev, st.st_ino};
    auto &handles = registry();
    auto it = handles.find(id);
    std::shared_ptr<SqlCipherHandle> handle;
    if (it != handles.end())
        handle = it->second.lock();
    if (!handle) {
        handle = openHandle(path, id);
        handles[handle->id] = handle;
    }
    return std::shared_ptr<SqlCipherConnection>(new SqlCipherConnection(handle));
}

int SqlCipherConnection::handlesOpened()
{
    return g_handlesOpened;
}

SqlCipherConnection::SqlCipherConnection(std::shared_ptr<SqlCipherHandle> handle) : m_handle(std::move(handle))
{
}

SqlCipherConnection::~SqlCipherConnection() = default;

QString SqlCipherConnection::path() const
{
    return m_handle->path;
}

QStringList SqlCipherConnection::fields(const QString &table)
{
    return m_handle->meta(table).fields;
}

qint64 SqlCipherConnection::count(const QString &table)
{
    m_handle->meta(table);
    sqlite3_stmt *stmt = m_handle->statement(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table)));
    return stepKey(*m_handle, stmt).value_or(0);
}

std::optional<qint64> SqlCipherConnection::firstKey(const QString &table)
{
    m_handle->meta(table);
    return stepKey(*m_handle, m_handle->statement(
                                  QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1").arg(quoted(table))));
}

std::optional<qint64> SqlCipherConnection::lastKey(const QString &table)
{
    m_handle->meta(table);
    return stepKey(
        *m_handle,
        m_handle->statement(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT 1").arg(quoted(table))));
}

std::optional<qint64> SqlCipherConnection::nextKey(const QString &table, qint64 key)
{
    return keyAtOffset(table, key, 1);
}

std::optional<qint64> SqlCipherConnection::keyAtOffset(const QString &table, qint64 key, qint64 offset)
{
    m_handle->meta(table);
    if (offset == 0)
        return key;
    const QString sql =
        offset > 0 ? QStringLiteral("SELECT rowid FROM %1 WHERE rowid > ?1 ORDER BY rowid LIMIT 1 OFFSET ?2")
                   : QStringLiteral("SELECT rowid FROM %1 WHERE rowid < ?1 ORDER BY rowid DESC LIMIT 1 OFFSET ?2");
    sqlite3_stmt *stmt = m_handle->statement(sql.arg(quoted(table)));
    sqlite3_bind_int64(stmt, 1, key);
    sqlite3_bind_int64(stmt, 2, (offset > 0 ? offset : -offset) - 1);
    return stepKey(*m_handle, stmt);
}

std::optional<Row> SqlCipherConnection::read(const QString &table, qint64 key)
{
    const TableMeta &meta = m_handle->meta(table);
    sqlite3_stmt *stmt =
        m_handle->statement(QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid = ?1").arg(quoted(table)));
    sqlite3_bind_int64(stmt, 1, key);
    return stepRow(*m_handle, stmt, meta, table);
}

void SqlCipherConnection::forEach(const QString &table, const std::function<void(const Row &)> &fn)
{
    const TableMeta meta = m_handle->meta(table);
    // Not cached: the callback may start another walk over the same table.
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(quoted(table)).toUtf8();
    if (sqlite3_prepare_v2(m_handle->db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        m_handle->fail(QStringLiteral("cannot read the table %1").arg(table));
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(stmt, sqlite3_finalize);
    const int columns = sqlite3_column_count(stmt);
    int rc;
    Row row;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        row.key = sqlite3_column_int64(stmt, 0);
        row.values.clear();
        for (int c = 1; c < columns; ++c)
            row.values << columnValue(stmt, c, c - 1 < meta.isDate.size() && meta.isDate[c - 1]);
        fn(row);
    }
    if (rc != SQLITE_DONE)
        m_handle->fail(QStringLiteral("cannot read the table %1").arg(table));
}

void SqlCipherConnection::forEachValue(const QString &table, int field,
                                       const std::function<void(qint64 key, const QVariant &value)> &fn)
{
    const TableMeta meta = m_handle->meta(table);
    const QString &name = fieldAt(meta.fields, field, table, m_handle->path);
    // No order asked for: the engine reads an index that holds the field
    // when there is one, far less than the whole table. Not cached, as in
    // forEach: the callback may start another walk.
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = QStringLiteral("SELECT rowid, %1 FROM %2").arg(quoted(name), quoted(table)).toUtf8();
    if (sqlite3_prepare_v2(m_handle->db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        m_handle->fail(QStringLiteral("cannot read the table %1").arg(table));
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(stmt, sqlite3_finalize);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        fn(sqlite3_column_int64(stmt, 0), columnValue(stmt, 1, meta.isDate.value(field)));
    if (rc != SQLITE_DONE)
        m_handle->fail(QStringLiteral("cannot read the table %1").arg(table));
}

QStringList SqlCipherConnection::columnText(const QString &table, int field)
{
    const TableMeta &meta = m_handle->meta(table);
    const QString &name = fieldAt(meta.fields, field, table, m_handle->path);
    const bool isDate = meta.isDate[field];
    sqlite3_stmt *stmt =
        m_handle->statement(QStringLiteral("SELECT %2 FROM %1 ORDER BY rowid").arg(quoted(table), quoted(name)));
    QStringList texts;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (sqlite3_column_type(stmt, 0) == SQLITE_TEXT && !isDate)
            texts << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)),
                                       sqlite3_column_bytes(stmt, 0));
        else
            texts << fieldText(columnValue(stmt, 0, isDate));
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        m_handle->fail(QStringLiteral("cannot read the table %1").arg(table));
    return texts;
}

namespace {

// Steps a statement made by rowsStatement: each row its key and one cell per
// field, made by cell(column, field); R is Row (values) or TextRow (texts).
template <typename R, typename Cell>
QVector<R> stepRows(SqlCipherHandle &h, sqlite3_stmt *stmt, const QString &table, const QVector<int> &fields,
                    const Cell &cell)
{
    QVector<R> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        R row;
        row.key = sqlite3_column_int64(stmt, 0);
        auto &cells = [&row]() -> auto &
        {
            if constexpr (std::is_same_v<R, Row>)
                return row.values;
            else
                return row.texts;
        }
        ();
        cells.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c)
            cells << cell(c + 1, fields[c]);
        rows << std::move(row);
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        h.fail(QStringLiteral("cannot read the table %1").arg(table));
    return rows;
}

} // namespace

QVector<Row> SqlCipherConnection::readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                                           int limit)
{
    const TableMeta &meta = m_handle->meta(table);
    sqlite3_stmt *stmt = rowsStatement(*m_handle, table, fields, 0);
    sqlite3_bind_int64(stmt, 1, from.value_or(std::numeric_limits<qint64>::min()));
    sqlite3_bind_int(stmt, 2, limit);
    return stepRows<Row>(*m_handle, stmt, table, fields,
                         [&](int column, int field) { return columnValue(stmt, column, meta.isDate[field]); });
}

QVector<TextRow> SqlCipherConnection::readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from,
                                                    int skip, int limit)
{
    const TableMeta &meta = m_handle->meta(table);
    sqlite3_stmt *stmt = rowsStatement(*m_handle, table, fields, skip);
    sqlite3_bind_int64(stmt, 1, from);
    sqlite3_bind_int(stmt, 2, limit);
    if (skip != 0)
        sqlite3_bind_int64(stmt, 3, (skip > 0 ? qint64(skip) : -qint64(skip)) - 1);
    CellTexts cells(stmt, int(fields.size()));
    return stepRows<TextRow>(*m_handle, stmt, table, fields,
                             [&](int column, int field) { return cells(column, meta.isDate[field]); });
}

DataVersion SqlCipherConnection::dataVersion()
{
    // data_version moves with every commit made through another handle;
    // total_changes counts the rows written through this one.
    // A version that cannot be read is not known: the caller then reads
    // the table again, and meets the failure there.
    try {
        sqlite3_stmt *stmt = m_handle->statement(QStringLiteral("PRAGMA data_version"));
        const std::optional<qint64> others = stepKey(*m_handle, stmt);
        if (!others)
            return {};
        return DataVersion{m_handle->serial, qint64(sqlite3_total_changes(m_handle->db)), *others};
    } catch (const RecordsError &) {
        return {};
    }
}

namespace {

// The statement of an ordered read, bound to its bounds: the key, then the
// fields, of the rows readOrdered describes.
sqlite3_stmt *orderedStatement(SqlCipherHandle &h, const TableMeta &meta, const QString &table,
                               const QVector<int> &fields, const OrderedRead &how)
{
    const int bounds = (how.match >= 0 ? 1 : 0) | (!how.from.isNull() ? 2 : 0) | (!how.until.isNull() ? 4 : 0)
                       | (how.after ? 8 : 0) | (how.inclusive ? 16 : 0) | (how.descending ? 32 : 0);
    // Made once per shape: a page turn builds no text of SQL.
    const auto key = std::make_tuple(table, fields, how.order, how.match, bounds);
    sqlite3_stmt *stmt = nullptr;
    if (auto it = h.orderedReads.find(key); it != h.orderedReads.end()) {
        stmt = it->second;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    } else {
        const auto column = [&](int field) { return quoted(fieldAt(meta.fields, field, table, h.path)); };
        QStringList columns{QStringLiteral("rowid")};
        for (int field : fields)
            columns << column(field);
        const QString order = column(how.order);
        // Plain comparisons and row values, which the indexes on (order) and
        // (match, order) serve: no sort, and the rows before the place are
        // not stepped over.
        QStringList where;
        if (how.match >= 0)
            where << column(how.match) + QStringLiteral(" = ?");
        if (!how.from.isNull())
            where << order + QStringLiteral(" >= ?");
        if (!how.until.isNull())
            where << order + QStringLiteral(" < ?");
        if (how.after) {
            const QString op = how.descending ? (how.inclusive ? QStringLiteral("<=") : QStringLiteral("<"))
                                              : (how.inclusive ? QStringLiteral(">=") : QStringLiteral(">"));
            where << QStringLiteral("(%1, rowid) %2 (?, ?)").arg(order, op);
        }
        const QString direction = how.descending ? QStringLiteral(" DESC") : QString();
        stmt = h.statement(
            QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4%5, rowid%5 LIMIT ? OFFSET ?")
                .arg(columns.join(QLatin1String(", ")), quoted(table),
                     where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(QLatin1String(" AND ")),
                     order, direction));
        h.orderedReads.emplace(key, stmt);
    }
    int index = 1;
    if (how.match >= 0)
        bindValue(h, stmt, index++, how.matchValue);
    if (!how.from.isNull())
        bindValue(h, stmt, index++, how.from);
    if (!how.until.isNull())
        bindValue(h, stmt, index++, how.until);
    if (how.after) {
        bindValue(h, stmt, index++, how.after->first);
        sqlite3_bind_int64(stmt, index++, how.after->second);
    }
    sqlite3_bind_int(stmt, index++, how.limit);
    sqlite3_bind_int(stmt, index, how.skip);
    return stmt;
}

} // namespace

QVector<Row> SqlCipherConnection::readOrdered(const QString &table, const QVector<int> &fields, const OrderedRead &how)
{
    const TableMeta &meta = m_handle->meta(table);
    sqlite3_stmt *stmt = orderedStatement(*m_handle, meta, table, fields, how);
    return stepRows<Row>(*m_handle, stmt, table, fields,
                         [&](int c, int field) { return columnValue(stmt, c, meta.isDate[field]); });
}

QVector<TextRow> SqlCipherConnection::readOrderedTexts(const QString &table, const QVector<int> &fields,
                                                       const OrderedRead &how)
{
    const TableMeta &meta = m_handle->meta(table);
    sqlite3_stmt *stmt = orderedStatement(*m_handle, meta, table, fields, how);
    CellTexts cells(stmt, int(fields.size()));
    return stepRows<TextRow>(*m_handle, stmt, table, fields,
                             [&](int c, int field) { return cells(c, meta.isDate[field]); });
}

int SqlCipherConnection::schemaVersion()
{
    // A version below this program's is read again: another program may
    // have upgraded the file meanwhile.
    if (m_handle->schemaVersion < kSchemaVersion) {
        const std::optional<qint64> stored =
            stepKey(*m_handle, m_handle->statement(QStringLiteral("PRAGMA user_version")));
        m_handle->schemaVersion = std::max(1, int(stored.value_or(0)));
        for (const TableDef &table : recordsTables())
            if (table.since <= m_handle->schemaVersion && !m_handle->tables.contains(QLatin1String(table.name)))
                m_handle->readTable(QString::fromLatin1(table.name));
    }
    return m_handle->schemaVersion;
}

void SqlCipherConnection::upgradeSchema()
{
    m_handle->requireWritable();
    if (m_handle->transactionDepth == 0)
        throw RecordsError(m_handle->path, QStringLiteral("an upgrade of the file needs a transaction"));
    const int from = schemaVersion();
    const auto exec = [&](const QString &sql) {
        char *error = nullptr;
        if (sqlite3_exec(m_handle->db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            const QString message = QString::fromUtf8(error ? error : "");
            sqlite3_free(error);
            throw RecordsError(m_handle->path, QStringLiteral("it cannot be upgraded (%1)").arg(message));
        }
    };
    for (const TableDef &table : recordsTables()) {
        if (table.since <= from)
            continue;
        exec(createTableStatement(table));
        for (const QString &index : createIndexStatements(table))
            exec(index);
    }
    exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    // Known from now on; a roll-back forgets it (forgetUpgrade).
    m_handle->upgrading = true;
    m_handle->schemaVersion = kSchemaVersion;
    for (const TableDef &table : recordsTables())
        if (table.since > from)
            m_handle->readTable(QString::fromLatin1(table.name));
}

std::optional<Row> SqlCipherConnection::findFirst(const QString &table, int field, const QString &text)
{
    const TableMeta &meta = m_handle->meta(table);
    const QString &name = fieldAt(meta.fields, field, table, m_handle->path);
    // Exact, case-sensitive text comparison (BINARY collation); a NULL never
    // matches. Among equal values, the lowest rowid is the first in order.
    // The row comes with the key: a window that looks a row up shows it next.
    sqlite3_stmt *stmt = m_handle->statement(
        QStringLiteral("SELECT rowid, * FROM %1 WHERE %2 = CAST(?1 AS TEXT) COLLATE BINARY ORDER BY rowid LIMIT 1")
            .arg(quoted(table), quoted(name)));
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, 1, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    return stepRow(*m_handle, stmt, meta, table);
}

void SqlCipherConnection::update(const QString &table, qint64 key, const FieldChanges &changes)
{
    if (changes.isEmpty())
        return;
    m_handle->requireWritable();
    const TableMeta &meta = m_handle->meta(table);
    QStringList sets;
    for (const auto &change : changes)
        sets << QStringLiteral("%1 = ?").arg(quoted(meta.fields.value(change.first)));
    sqlite3_stmt *stmt = m_handle->statement(
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(quoted(table), sets.join(QLatin1String(", "))));
    int index = 1;
    for (const auto &change : changes)
        bindValue(*m_handle, stmt, index++, change.second);
    sqlite3_bind_int64(stmt, index, key);
    stepDone(*m_handle, stmt, QStringLiteral("cannot write to the table %1").arg(table));
}

qint64 SqlCipherConnection::insert(const QString &table, const FieldChanges &values)
{
    m_handle->requireWritable();
    const TableMeta &meta = m_handle->meta(table);
    QString sql;
    if (values.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(table));
    } else {
        QStringList names, marks;
        for (const auto &value : values) {
            names << quoted(meta.fields.value(value.first));
            marks << QStringLiteral("?");
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoted(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    }
    sqlite3_stmt *stmt = m_handle->statement(sql);
    int index = 1;
    for (const auto &value : values)
        bindValue(*m_handle, stmt, index++, value.second);
    stepDone(*m_handle, stmt, QStringLiteral("cannot add a row to the table %1").arg(table));
    return sqlite3_last_insert_rowid(m_handle->db);
}

void SqlCipherConnection::remove(const QString &table, qint64 key)
{
    m_handle->requireWritable();
    m_handle->meta(table);
    sqlite3_stmt *stmt = m_handle->statement(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(quoted(table)));
    sqlite3_bind_int64(stmt, 1, key);
    stepDone(*m_handle, stmt, QStringLiteral("cannot delete from the table %1").arg(table));
}

void SqlCipherConnection::removeAll(const QString &table)
{
    m_handle->requireWritable();
    m_handle->meta(table);
    // One statement is atomic on its own; inside the caller's transaction it
    // is part of it.
    stepDone(*m_handle, m_handle->statement(QStringLiteral("DELETE FROM %1").arg(quoted(table))),
             QStringLiteral("cannot delete from the table %1").arg(table));
}

void SqlCipherConnection::begin()
{
    m_handle->requireWritable();
    if (m_handle->transactionDepth++ == 0) {
        try {
            m_handle->run(QStringLiteral("BEGIN IMMEDIATE"));
        } catch (...) {
            --m_handle->transactionDepth;
            throw;
        }
    }
}

void SqlCipherConnection::commit()
{
    if (m_handle->transactionDepth == 0 || --m_handle->transactionDepth > 0)
        return;
    if (m_handle->rollbackOnly) {
        m_handle->rollbackOnly = false;
        m_handle->forgetUpgrade();
        m_handle->run(QStringLiteral("ROLLBACK"));
        m_handle->completeRollback();
        throw RecordsError(m_handle->path, QStringLiteral("a part of the change failed, nothing was written"));
    }
    try {
        m_handle->run(QStringLiteral("COMMIT"));
        m_handle->upgrading = false;
    } catch (const RecordsError &) {
        m_handle->forgetUpgrade();
        // A commit that fails (the file kept busy by another program, say)
        // leaves the transaction open: end it, so that nothing of it is
        // written and the next change can start afresh.
        if (!sqlite3_get_autocommit(m_handle->db))
            sqlite3_exec(m_handle->db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_handle->completeRollback();
        throw;
    }
}

void SqlCipherConnection::beginRead()
{
    // Within a change the reads share its transaction already.
    if (m_handle->readDepth++ > 0 || m_handle->transactionDepth > 0)
        return;
    try {
        // Prepared once: a look-up is short, parsing would show.
        stepDone(*m_handle, m_handle->statement(QStringLiteral("BEGIN")), QStringLiteral("cannot read"));
    } catch (...) {
        --m_handle->readDepth;
        throw;
    }
    m_handle->readOpen = true;
}

void SqlCipherConnection::endRead()
{
    if (m_handle->readDepth == 0 || --m_handle->readDepth > 0 || !m_handle->readOpen)
        return;
    m_handle->readOpen = false;
    // Nothing was written: ending the transaction only lets go of the lock.
    if (!sqlite3_get_autocommit(m_handle->db))
        stepDone(*m_handle, m_handle->statement(QStringLiteral("COMMIT")), QStringLiteral("cannot end a read"));
}

void SqlCipherConnection::rollback()
{
    if (m_handle->transactionDepth == 0)
        return;
    if (--m_handle->transactionDepth > 0) {
        m_handle->rollbackOnly = true;
        return;
    }
    m_handle->rollbackOnly = false;
    m_handle->forgetUpgrade();
    // A failed write may have ended the transaction in the engine already
    // (a full disk, an I/O error); then there is nothing left to undo.
    if (!sqlite3_get_autocommit(m_handle->db))
        m_handle->run(QStringLiteral("ROLLBACK"));
    m_handle->completeRollback();
}

} // namespace inv
