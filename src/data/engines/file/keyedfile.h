#pragma once
// One records database file opened and keyed by hand, closed when the object
// goes: for the procedures that need the engine itself (creating a file,
// integrity check, export, attaching a second file, tests and benchmarks
// working behind the program's back) rather than the program's connection,
// which validates the schema and shares its handle.

#include "data/core/connection.h"
#include "data/schema/schema.h"

#include <QElapsedTimer>
#include <QString>
#include <QVariant>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace inv {

class KeyedFile {
public:
    enum class Mode {
        ReadOnly, // never writes, not even to roll back a change that was cut off
        ReadWrite, // an unfinished change left by a killed writer is rolled back at the first read
        Create, // as ReadWrite, and makes the file when there is none
    };

    // Opens the file at path (never creates one but with Mode::Create) and
    // keys it with password, the system's key unless another is given;
    // nullptr leaves the file unkeyed. Throws RecordsError when it cannot be
    // opened. A wrong key, or a file of another kind, shows only at the first
    // read.
    KeyedFile(const QString &path, Mode mode, const char *password = kRecordsPassword);
    ~KeyedFile();
    KeyedFile(const KeyedFile &) = delete;
    KeyedFile &operator=(const KeyedFile &) = delete;

    const QString &path() const { return m_path; }
    sqlite3 *db() const { return m_db; }

    // Runs one or more statements. Throws RecordsError with the engine's
    // message; lastError() then gives the engine's extended error code.
    void exec(const QString &sql);
    // Runs a query and calls row for each result row. Throws as exec does.
    void query(const QString &sql, const std::function<void(sqlite3_stmt *)> &row);
    // The first column of the first row of a query (null when none).
    QVariant value(const QString &sql);
    // Runs one statement with text, integer or null arguments bound in order.
    void run(const QString &sql, const QVariantList &args);

    // A read or write finds a locked file busy at once instead of waiting.
    void noBusyWait();

    // Keys a handle just opened with the system's key: every opening of a
    // records file goes through here.
    static void key(sqlite3 *db, const char *password = kRecordsPassword);

    // The engine's extended error code of the last failure (0 when none).
    int lastError() const { return m_lastError; }

    [[noreturn]] void fail(const QString &what = {});

    // Why a look that may not write cannot read the file at path: a change
    // to it was cut off half-written, and only a writer rolls it back.
    static QString halfWritten(const QString &path);

    // How long a read or write waits while another process has the file
    // locked.
    static constexpr int kBusyWaitMs = 20000;

private:
    static int busy(void *self, int attempts);

    QString m_path;
    QElapsedTimer m_waiting;
    sqlite3 *m_db = nullptr;
    int m_lastError = 0;
};

} // namespace inv
