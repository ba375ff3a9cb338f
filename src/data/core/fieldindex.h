#pragma once
// A field named by its position in a table, as every engine takes it: the
// one check that the position is a field of the table.

#include <QString>
#include <QStringList>

namespace inv {

// The name of the field at position field of a table whose fields are
// fields; RecordsError ("no such field in the table ...") about location
// when there is none.
const QString &fieldAt(const QStringList &fields, int field, const QString &table, const QString &location);

} // namespace inv
