#include "data/engines/file/keyedfile.h"

#include "data/schema/schema.h"

#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

namespace inv {

KeyedFile::KeyedFile(const QString &path, Mode mode, const char *password) : m_path(path)
{
    // A handle is used by one thread at a time: the engine need not lock
    // the handle around each call (NOMUTEX).
    const int flags = SQLITE_OPEN_NOMUTEX
                      | (mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                         : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                   : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RecordsError(path, QStringLiteral("it cannot be opened (%1)").arg(why));
    }
    if (password)
        key(m_db, password);
    sqlite3_busy_handler(m_db, &KeyedFile::busy, this);
}

void KeyedFile::key(sqlite3 *db, const char *password)
{
    sqlite3_key(db, password, int(std::strlen(password)));
}

void KeyedFile::noBusyWait()
{
    sqlite3_busy_handler(m_db, nullptr, nullptr);
}

int KeyedFile::busy(void *self, int attempts)
{
    // The program keeps the file locked only while it writes a change, a
    // few milliseconds, but while it works without pause the gaps between
    // its changes are short too: the engine's own waiting, which backs off
    // to a tenth of a second between tries, can miss every gap. Short,
    // even steps find one.
    auto *file = static_cast<KeyedFile *>(self);
    if (attempts == 0)
        file->m_waiting.start();
    if (file->m_waiting.elapsed() > kBusyWaitMs)
        return 0;
    ::usleep(500);
    return 1;
}

KeyedFile::~KeyedFile()
{
    sqlite3_close(m_db);
}

void KeyedFile::fail(const QString &what)
{
    m_lastError = sqlite3_extended_errcode(m_db);
    const QString engine = QString::fromUtf8(sqlite3_errmsg(m_db));
    throw RecordsError(m_path, what.isEmpty() ? engine : what + QStringLiteral(": ") + engine);
}

void KeyedFile::exec(const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        m_lastError = sqlite3_extended_errcode(m_db);
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(m_db));
        sqlite3_free(error);
        throw RecordsError(m_path, message);
    }
}

void KeyedFile::query(const QString &sql, const std::function<void(sqlite3_stmt *)> &row)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), utf8.size(), &stmt, nullptr) != SQLITE_OK)
        fail();
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(stmt, sqlite3_finalize);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        row(stmt);
    if (rc != SQLITE_DONE)
        fail();
}

void KeyedFile::run(const QString &sql, const QVariantList &args)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        fail();
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(stmt, sqlite3_finalize);
    int i = 1;
    for (const QVariant &arg : args) {
        if (arg.isNull())
            sqlite3_bind_null(stmt, i++);
        else if (arg.typeId() == QMetaType::Int)
            sqlite3_bind_int(stmt, i++, arg.toInt());
        else
            sqlite3_bind_text(stmt, i++, arg.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail();
}

QVariant KeyedFile::value(const QString &sql)
{
    QVariant result;
    bool first = true;
    query(sql, [&](sqlite3_stmt *stmt) {
        if (!first)
            return;
        first = false;
        switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_INTEGER:
            result = qlonglong(sqlite3_column_int64(stmt, 0));
            break;
        case SQLITE_FLOAT:
            result = sqlite3_column_double(stmt, 0);
            break;
        case SQLITE_NULL:
            break;
        default:
            result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)),
                                       sqlite3_column_bytes(stmt, 0));
        }
    });
    return result;
}

QString KeyedFile::halfWritten(const QString &path)
{
    return QStringLiteral("a change to it was cut off half-written (%1-journal is left beside it); the "
                          "program, or inventory-admin backup, completes the roll-back when it next opens the "
                          "file; try again after that")
        .arg(path);
}

} // namespace inv
