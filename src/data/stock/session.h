#pragma once
// Who is at the program: the account that logged in and the computer's login
// name, as the stock history records them with every change; and whether the
// run may write at all (not after the view-only entry).

#include <QString>

namespace inv::Session {

// The account's user name after a log-in; empty before one and in the
// view-only mode.
QString account();
void setAccount(const QString &user);

// The computer's login name of the user running the program (the name of
// the process's user id; the id itself when it has no name).
QString loginName();

// False from the view-only entry on: the program then writes nothing, not
// even the upgrade of an older database.
bool writesAllowed();
void setViewOnly(bool viewOnly);

// Whether an older database may be upgraded now (given its stock history):
// only while writes are allowed and the user is not still to choose at the
// welcome window between viewing only and logging in. The program holds
// upgrades from its start and from each log-out until that choice; the
// admin commands hold them only for a dry run, which writes nothing.
bool upgradesAllowed();
void holdUpgrades(bool held);

// Holds upgrades while it lives (a look that must write nothing), then
// leaves them as they were.
class UpgradeHold {
public:
    UpgradeHold();
    ~UpgradeHold();
    UpgradeHold(const UpgradeHold &) = delete;
    UpgradeHold &operator=(const UpgradeHold &) = delete;

private:
    bool m_held;
};

// The end of a session (log-out): no account, writes allowed again.
void end();

} // namespace inv::Session
