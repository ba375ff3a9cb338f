#pragma once
// One records database file opened and keyed by hand, closed when the object
// goes: for the admin procedures that need the engine itself (integrity
// check, export, attaching a second file) rather than the program's
// connection, which validates the schema and shares its handle.

#include "connection.h"

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
        ReadOnly,  // never writes, not even to roll back a change that was cut off
        ReadWrite, // an unfinished change left by a killed writer is rolled back at the first read
    };

    // Opens the file at path (never creates one) and keys it with the system's
    // key. Throws RecordsError when it cannot be opened. A wrong key, or a
    // file of another kind, shows only at the first read.
    KeyedFile(const QString &path, Mode mode);
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

    // The engine's extended error code of the last failure (0 when none).
    int lastError() const { return m_lastError; }

    [[noreturn]] void fail(const QString &what = {});

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
