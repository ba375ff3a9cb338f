#pragma once
// The account window: creates the one account (the Misc row) on a database
// that has none yet, then hands back to the welcome window.

#include "startupdialog.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace inv {

class frmwelcome;

class frmaccount : public startup::StartupDialog {
    Q_OBJECT

public:
    // welcome: the window that opened this one and shows its normal face
    // once the account exists.
    explicit frmaccount(frmwelcome *welcome);

    QLabel *Label1;
    QLineEdit *txtuser;
    QLabel *Label2;
    QLineEdit *txtpass;
    QPushButton *cmdcreate;
    QPushButton *cmdexit;

    void cmdcreate_Click();
    void cmdexit_Click();

private:
    QPointer<frmwelcome> m_welcome;
};

} // namespace inv
