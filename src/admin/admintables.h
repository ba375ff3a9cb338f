#pragma once
// What inventory-admin's commands do the same way on a file and on a
// server: opening a location, counting the rows, and copying every row of
// the records tables from one database into another, all through the
// Connection interface.

#include "admin/maintenance.h"
#include "data/core/connection.h"

#include <memory>

namespace inv::Admin {

// The rows a check counts and a copy must hold again.
struct Counts {
    qint64 items = 0, removals = 0, settings = 0;
    bool operator==(const Counts &o) const
    {
        return items == o.items && removals == o.removals && settings == o.settings;
    }
    bool operator!=(const Counts &o) const { return !(*this == o); }
    QString text() const;
};

Counts countRows(Connection &connection);

// A location as messages show it: a server address without a password.
QString shown(const QString &location);

// The records tables a database carries by its schema version (a file made
// before the history has no Journal).
QStringList tablesOf(Connection &connection);

// Copies every row of tables from one database into the other's tables of
// the same names, keys and values as they are, field by field of the same
// name; the target's tables are empty. A page at a time, inside the
// target's transaction (begun here, nested in the caller's). Throws
// RecordsError.
// write, when given, adds a page of rows (each its values for fields) to a
// table of the target instead of one insert a row.
using RowWriter = std::function<void(const QString &table, const QVector<int> &fields, const QVector<Row> &rows)>;
void copyRows(Connection &from, const std::shared_ptr<Connection> &to, const QStringList &tables,
              const RowWriter &write = {});

// The summary of a check ("LOCATION: sound, N items, M removal records").
QString soundSummary(const QString &location, const Counts &counts);

} // namespace inv::Admin
