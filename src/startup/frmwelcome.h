#pragma once
// The welcome window: the crossroads of every run. On a database without an
// account it offers only the creation of one; otherwise User (the main
// window without a password, for viewing and printing), Admin (through the
// login window) and Exit. The first User or Admin asks once for the database
// file to work on.

#include "startupdialog.h"

class QLabel;
class QPushButton;

namespace inv {

class frmwelcome : public startup::StartupDialog {
    Q_OBJECT

public:
    frmwelcome();

    // Reads the Misc row of the records connection: the face and the company
    // name. False when the database failed (a message was shown).
    bool Form_Load();

    QLabel *lblconame;
    QLabel *Label1;
    QPushButton *cmduser;
    QPushButton *cmdadmin;
    QPushButton *cmdexit;
    QPushButton *cmdcreate;

    void cmduser_Click();
    void cmdadmin_Click();
    void cmdcreate_Click();
    void cmdexit_Click();

    // First run (no account yet): only Create and Exit. Otherwise User,
    // Admin and Exit. The account window switches to the normal face.
    void showFirstRunFace();
    void showNormalFace();

private:
    // Whether the database file has been chosen; when it has not, asks for
    // it instead (and the user clicks again to go on).
    bool databaseChosen();
    void chooseDatabaseFile();

    // The remembered file could not be opened: User and Admin ask for the
    // file again instead of failing on it at every start.
    bool m_chooseAgain = false;
    // The remembered server could not be reached when the window opened: a
    // server that is down for now is no wrong choice, so User and Admin try
    // it again rather than ask for a file.
    QString m_retry;
};

} // namespace inv
