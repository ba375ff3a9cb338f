#pragma once
// The login window: the user name and password of the one account open the
// main window with every function. It shows a running clock and a title
// that is typed and erased letter by letter.

#include "startupdialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace inv {

class frmlogin : public startup::StartupDialog {
    Q_OBJECT

public:
    frmlogin();

    // Opens the check connection and the Misc cursor. False when the
    // database failed (a message was shown).
    bool Form_Load();

    QLabel *Label5;
    QLabel *Label4;
    QLabel *Label1;
    QLineEdit *txtuser;
    QLabel *Label2;
    QLineEdit *txtpass;
    QPushButton *cmdenter;
    QPushButton *cmdexit;
    QLabel *Label3;
    QTimer *Timer1;
    QTimer *Timer2;

    void cmdenter_Click();
    void cmdexit_Click();
    // The clock: the time of day to the second, refreshed just after each
    // second begins.
    void Timer1_Timer();
    // One step of the title: typing (phase 0), then erasing (phase 1).
    void Timer2_Timer();

    // The text of the clock: the short time format with seconds.
    static QString clockText(const QTime &time);

private:
    void setTitle(const QString &text);

    // Starts typing at every loading, so the title never stays empty.
    int m_phase = 0;
};

} // namespace inv
