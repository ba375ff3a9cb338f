#include "frmaccount.h"

#include "credentials.h"
#include "data/stock/module1.h"
#include "frmwelcome.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace inv {

using ui::place;

frmaccount::frmaccount(frmwelcome *welcome) : StartupDialog(QString(), startup::toolWindowFlags()), m_welcome(welcome)
{
    setObjectName(QStringLiteral("frmaccount"));
    setWindowTitle(QStringLiteral("Account"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    ui::setFixedClientArea(this, 4515, 2235);

    Label1 = ui::makeLabel(this, "Label1", QStringLiteral("User Name:"), ui::timesFont(12, true));
    place(Label1, 240, 360, 1215, 285);
    txtuser = ui::makeTextBox(this, "txtuser");
    place(txtuser, 1560, 360, 2655, 285);
    Label2 = ui::makeLabel(this, "Label2", QStringLiteral("Password:"), ui::timesFont(12, true));
    place(Label2, 240, 840, 1020, 285);
    ui::fitToText(Label1);
    ui::fitToText(Label2);
    txtpass = ui::makeTextBox(this, "txtpass");
    place(txtpass, 1560, 840, 2655, 285);
    ui::maskAsPassword(txtpass);
    Label1->setBuddy(txtuser);
    Label2->setBuddy(txtpass);

    cmdcreate = ui::makeButton(this, "cmdcreate", QStringLiteral("&Create"));
    place(cmdcreate, 840, 1440, 1215, 495);
    cmdcreate->setDefault(true);
    cmdexit = ui::makeButton(this, "cmdexit", QStringLiteral("E&xit"));
    place(cmdexit, 2400, 1440, 1215, 495);

    setTabOrder(txtuser, txtpass);
    setTabOrder(txtpass, cmdcreate);
    setTabOrder(cmdcreate, cmdexit);
    txtuser->setFocus();

    connect(cmdcreate, &QPushButton::clicked, this, &frmaccount::cmdcreate_Click);
    connect(cmdexit, &QPushButton::clicked, this, &frmaccount::cmdexit_Click);
}

void frmaccount::cmdcreate_Click()
{
    const QString user = txtuser->text().trimmed();
    const QString pass = txtpass->text().trimmed();
    if (user.isEmpty() || pass.isEmpty()) {
        ui::Prompts::message(this, QStringLiteral("Fill all boxes"), QStringLiteral("Failed"));
        txtuser->setFocus();
        return;
    }
    const bool ok = ui::guarded(this, [&] {
        Module1::OpenCheckConnection();
        Module1::OpenMisc();
        Module1::rsMisc->AddNew();
        startup::writeAccount(user, pass);
    });
    if (!ok)
        return;
    ui::Prompts::message(this, QStringLiteral("Account creation successful"), QStringLiteral("Congratulation"));
    if (m_welcome) {
        m_welcome->setEnabled(true);
        m_welcome->showNormalFace();
        m_welcome->show();
    }
    close();
}

void frmaccount::cmdexit_Click()
{
    QApplication::exit(0);
}

} // namespace inv
