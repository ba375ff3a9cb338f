#pragma once
// The bare baseline a benchmark measures the program against: a records file
// opened and keyed by hand, its statements prepared and run directly.

#include "data/keyedfile.h"

#include <QString>

#include <memory>
#include <sqlite3.h>

namespace bench {

struct SqliteDb {
    std::unique_ptr<inv::KeyedFile> file;
    sqlite3 *db = nullptr;
    explicit SqliteDb(const QString &path)
    {
        try {
            file = std::make_unique<inv::KeyedFile>(path, inv::KeyedFile::Mode::ReadWrite);
        } catch (const inv::RecordsError &) {
            qFatal("cannot open %s", qPrintable(path));
        }
        db = file->db();
    }
    void exec(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
            qFatal("%s: %s", sql, error ? error : "?");
    }
    sqlite3_stmt *prepare(const char *sql)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            qFatal("%s: %s", sql, sqlite3_errmsg(db));
        return stmt;
    }
    // The first column of a query's first row, as text.
    QString pragma(const char *sql)
    {
        sqlite3_stmt *stmt = prepare(sql);
        QString value;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return value;
    }
};

} // namespace bench
