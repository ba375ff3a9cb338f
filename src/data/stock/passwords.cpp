#include "data/stock/passwords.h"

#include <sodium.h>

namespace inv {

namespace {
bool ready()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}
} // namespace

QString hashPassword(const QString &password)
{
    if (!ready())
        return QString();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool isPasswordHash(const QString &stored)
{
    return stored.startsWith(QLatin1String("$argon2id$")) || stored.startsWith(QLatin1String("$argon2i$"));
}

bool checkPassword(const QString &stored, const QString &typed)
{
    if (stored.isNull())
        return false;
    if (!isPasswordHash(stored))
        return stored == typed;
    if (!ready())
        return false;
    const QByteArray hash = stored.toLatin1();
    const QByteArray utf8 = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

} // namespace inv
