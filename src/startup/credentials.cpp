#include "credentials.h"

#include "data/module1.h"
#include "data/passwords.h"

namespace inv::startup {

namespace {
const QString kUserField = QStringLiteral("User");
const QString PassField = QStringLiteral("pass");
} // namespace

bool CheckAccount(const QString &user, const QString &password)
{
    if (!Module1::MiscFirstRow())
        return false;
    auto &rs = *Module1::rsMisc;
    const QVariant storedUser = rs.Fields(kUserField);
    if (storedUser.isNull() || FieldText(storedUser) != user)
        return false;
    const QVariant storedPass = rs.Fields(PassField);
    if (storedPass.isNull())
        return false;
    const QString stored = FieldText(storedPass);
    const bool plainText = !IsPasswordHash(stored);
    if (plainText ? stored != password : !CheckPassword(stored, password))
        return false;
    if (plainText) {
        const QString hash = HashPassword(password);
        if (!hash.isEmpty()) {
            rs.setField(PassField, hash);
            rs.Update();
        }
    }
    return true;
}

void WriteAccount(const QString &user, const QString &password)
{
    auto &rs = *Module1::rsMisc;
    const QString hash = HashPassword(password);
    if (hash.isEmpty()) {
        rs.CancelUpdate();
        throw RecordsError(rs.connection()->path(), QStringLiteral("the password cannot be stored safely"));
    }
    rs.setField(kUserField, user);
    rs.setField(PassField, hash);
    rs.Update();
}

} // namespace inv::startup
