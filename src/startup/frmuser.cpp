#include "frmuser.h"

#include "credentials.h"
#include "data/stock/module1.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace inv {

using ui::place;

namespace {
QLabel *caption(QWidget *parent, const char *name, const QString &text)
{
    return ui::makeLabel(parent, name, text, ui::sansFont(8, true),
                         QStringLiteral("color: black; background: transparent;"));
}
} // namespace

frmuser::frmuser() : StartupDialog(QString(), startup::toolWindowFlags())
{
    setObjectName(QStringLiteral("frmuser"));
    setWindowTitle(QStringLiteral("Change Username/Password"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    ui::setFixedClientArea(this, 4140, 2160);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setStyleSheet(QStringLiteral("QFrame#Shape1 { border: 1px solid black; background: transparent; }"));
    place(Shape1, 120, 240, 3855, 1335);
    // Opaque, so that the frame's top line stops at the caption.
    Label1 = ui::makeLabel(this, "Label1", QStringLiteral("Please Enter"), ui::sansFont(8, true),
                           QStringLiteral("color: black; background: palette(window);"));
    place(Label1, 360, 120, 1095, 195);

    lbluser = caption(this, "lbluser", QString());
    place(lbluser, 240, 480, 1260, 195);
    txtuser = ui::makeTextBox(this, "txtuser");
    place(txtuser, 1680, 480, 2175, 285);
    lblpass = caption(this, "lblpass", QString());
    place(lblpass, 240, 960, 1230, 195);
    // Shown as typed: this window does not mask the password.
    txtpass = ui::makeTextBox(this, "txtpass");
    place(txtpass, 1680, 960, 2175, 285);
    lbluser->setBuddy(txtuser);
    lblpass->setBuddy(txtpass);

    cmdenter = ui::makeButton(this, "cmdenter", QString());
    cmdenter->setFont(ui::sansFont(9.75, true));
    place(cmdenter, 1320, 1680, 1215, 375);
    setState(false);

    // Tab order: the button, the password, the user name.
    setTabOrder(cmdenter, txtpass);
    setTabOrder(txtpass, txtuser);
    cmdenter->setFocus();

    connect(cmdenter, &QPushButton::clicked, this, &frmuser::cmdenter_Click);
}

void frmuser::setState(bool newCredentials)
{
    lbluser->setText(newCredentials ? QStringLiteral("New Username:") : QStringLiteral("Old Username:"));
    lblpass->setText(newCredentials ? QStringLiteral("New Password:") : QStringLiteral("Old Password:"));
    m_newCredentials = newCredentials;
    cmdenter->setText(newCredentials ? QStringLiteral("Save") : QStringLiteral("Enter"));
}

void frmuser::cmdenter_Click()
{
    const bool saving = m_newCredentials;
    ui::guarded(this, [&] {
        Module1::OpenCheckConnection();
        Module1::OpenMisc();
        // Blanks alone are no name and no password: the account could not
        // be used (or guarded) with them.
        if (txtuser->text().trimmed().isEmpty() || txtpass->text().trimmed().isEmpty()) {
            ui::Prompts::message(this, QStringLiteral("Please fill empty box"), QStringLiteral("Cannot Process..."));
            txtuser->setFocus();
            return;
        }
        if (!saving) {
            if (startup::checkAccount(txtuser->text(), txtpass->text())) {
                setState(true);
            } else {
                ui::Prompts::message(this, QStringLiteral("Username and/or Password is invalid"),
                                     QStringLiteral("Error"));
                txtuser->setFocus();
            }
        } else {
            if (!Module1::miscFirstRow())
                throw RecordsError(Module1::rsMisc->connection()->path(), QStringLiteral("it holds no account"));
            startup::writeAccount(txtuser->text().trimmed(), txtpass->text().trimmed());
            setState(false);
            ui::Prompts::message(this, QStringLiteral("Account successfully change!"), QStringLiteral("Success"));
        }
        txtuser->setFocus();
        txtuser->clear();
        txtpass->clear();
    });
}

} // namespace inv
