#include "credentials.h"

#include "data/stock/module1.h"
#include "data/stock/passwords.h"

namespace inv::startup {

namespace {
const QString kUserField = QStringLiteral("User");
const QString kPassField = QStringLiteral("pass");
} // namespace

bool checkAccount(const QString &user, const QString &password)
{
    if (!Module1::miscFirstRow())
        return false;
    auto &rs = *Module1::rsMisc;
    const QVariant storedUser = rs.Fields(kUserField);
    if (storedUser.isNull() || fieldText(storedUser) != user)
        return false;
    const QVariant storedPass = rs.Fields(kPassField);
    if (storedPass.isNull())
        return false;
    const QString stored = fieldText(storedPass);
    const bool plainText = !isPasswordHash(stored);
    if (plainText ? stored != password : !checkPassword(stored, password))
        return false;
    if (plainText) {
        const QString hash = hashPassword(password);
        if (!hash.isEmpty()) {
            rs.setField(kPassField, hash);
            rs.Update();
        }
    }
    return true;
}

void writeAccount(const QString &user, const QString &password)
{
    auto &rs = *Module1::rsMisc;
    const QString hash = hashPassword(password);
    if (hash.isEmpty()) {
        rs.CancelUpdate();
        throw RecordsError(rs.connection()->path(), QStringLiteral("the password cannot be stored safely"));
    }
    rs.setField(kUserField, user);
    rs.setField(kPassField, hash);
    rs.Update();
}

} // namespace inv::startup
