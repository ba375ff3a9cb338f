#pragma once
// Account passwords are stored as salted, slow hashes (Argon2id).

#include <QString>

namespace inv {

// The hash to store for a password. Empty on failure (out of memory).
QString hashPassword(const QString &password);

// Whether a stored value is a password hash (as opposed to a plain text
// password left by an older version).
bool isPasswordHash(const QString &stored);

// Whether typed matches the stored value: verified against the hash, or
// compared exactly (case-sensitive, untrimmed) when the stored value is an
// old plain text password. A stored value without text matches nothing.
bool checkPassword(const QString &stored, const QString &typed);

} // namespace inv
