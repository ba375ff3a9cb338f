#pragma once
// The one account of the system: a user name kept as typed (trimmed) and a
// password kept as a salted hash, in the Misc row that rsMisc is on.

#include <QString>

namespace inv::startup {

// Whether user and password match the account in the first row of rsMisc.
// Both are compared exactly as typed (case-sensitive, untrimmed); a field
// without a value matches nothing. A password still stored as plain text by
// an older version is replaced by its hash once it has matched.
// False when the table has no row. Throws RecordsError.
bool checkAccount(const QString &user, const QString &password);

// Sets the user name and the hash of password in the current row of rsMisc
// (a new row after AddNew) and writes the row. Throws RecordsError.
void writeAccount(const QString &user, const QString &password);

} // namespace inv::startup
