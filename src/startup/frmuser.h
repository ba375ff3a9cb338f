#pragma once
// The credential change: first the current user name and password, then
// the new ones. Opened from the main window.

#include "startupdialog.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace inv {

class frmuser : public startup::StartupDialog {
    Q_OBJECT

public:
    frmuser();

    QLabel *Label1;
    QFrame *Shape1;
    QLabel *lbluser;
    QLineEdit *txtuser;
    QLabel *lblpass;
    QLineEdit *txtpass;
    QPushButton *cmdenter;

    // "Enter" checks the current account; "Save" stores the new one.
    void cmdenter_Click();

private:
    void setState(bool newCredentials);

    // The current account has been checked: the boxes take the new one.
    bool m_newCredentials = false;
};

} // namespace inv
