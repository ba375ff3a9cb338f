#include "frmwelcome.h"

#include "data/engines/server/pgconnection.h"
#include "data/stock/module1.h"
#include "data/stock/session.h"
#include "frmaccount.h"
#include "navigation.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/twips.h"
#include "ui/windowopener.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace inv {

using ui::place;

namespace {

const QString kPatField = QStringLiteral("pat");

// A push button whose caption wraps over several lines.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         text());
    }
};

QLabel *title(QWidget *parent, const char *name, const QString &text)
{
    QLabel *l = ui::makeLabel(parent, name, text, ui::cambriaFont(20.25, true));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

frmwelcome::frmwelcome() : StartupDialog(QStringLiteral(":/welcome.png"), startup::toolWindowFlags())
{
    setObjectName(QStringLiteral("frmwelcome"));
    setWindowTitle(QStringLiteral("Welcome"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    ui::setFixedClientArea(this, 4200, 3750);

    lblconame = title(this, "lblconame", QString());
    place(lblconame, 1920, 240, 0, 480);
    Label1 = title(this, "Label1", QStringLiteral("Inventory System"));
    place(Label1, 360, 720, 3225, 480);

    cmduser = ui::makeButton(this, "cmduser", QStringLiteral("&User"));
    place(cmduser, 240, 1440, 1215, 495);
    cmdadmin = ui::makeButton(this, "cmdadmin", QStringLiteral("&Admin"));
    place(cmdadmin, 240, 2160, 1215, 495);
    cmdadmin->setDefault(true);
    cmdexit = ui::makeButton(this, "cmdexit", QStringLiteral("&Exit"));
    place(cmdexit, 2760, 3000, 1215, 495);
    cmdcreate = new WrappingButton(QStringLiteral("&Create user name and password"), this);
    cmdcreate->setObjectName(QStringLiteral("cmdcreate"));
    cmdcreate->setFont(ui::sansFont(8));
    cmdcreate->setAutoDefault(false);
    place(cmdcreate, 240, 1440, 1215, 1215);

    setTabOrder(cmduser, cmdadmin);
    setTabOrder(cmdadmin, cmdexit);
    setTabOrder(cmdexit, cmdcreate);

    connect(cmduser, &QPushButton::clicked, this, &frmwelcome::cmduser_Click);
    connect(cmdadmin, &QPushButton::clicked, this, &frmwelcome::cmdadmin_Click);
    connect(cmdcreate, &QPushButton::clicked, this, &frmwelcome::cmdcreate_Click);
    connect(cmdexit, &QPushButton::clicked, this, &frmwelcome::cmdexit_Click);
}

bool frmwelcome::Form_Load()
{
    const QString fallback = Module1::defaultDatabasePath();
    if (Module1::dbPath != fallback) {
        try {
            Module1::OpenCheckConnection();
        } catch (const RecordsError &e) {
            if (e.kind() == RecordsError::Kind::Unreachable) {
                ui::Prompts::message(this, e.description() + QStringLiteral("\n\nClick User or Admin to try again."));
                m_retry = Module1::dbPath;
            } else {
                ui::Prompts::message(this, e.description()
                                               + QStringLiteral("\n\nChoose the database file again: "
                                                                "click User or Admin."));
                m_chooseAgain = true;
            }
            Module1::dbPath = fallback;
        }
    }
    return ui::guarded(this, [this] {
        Module1::OpenCheckConnection();
        Module1::OpenMisc();
        if (!Module1::miscFirstRow()) {
            showFirstRunFace();
            return;
        }
        showNormalFace();
        const QString coname = Module1::rsMisc->text(QStringLiteral("coname"));
        if (!coname.isEmpty()) {
            // Sized to its text from its left edge; a long name runs off the
            // window's right edge.
            lblconame->setText(coname);
            lblconame->resize(lblconame->sizeHint().width(), ui::twips(480));
        }
    });
}

void frmwelcome::showFirstRunFace()
{
    cmduser->hide();
    cmdadmin->hide();
    cmdcreate->show();
    // The one useful action; Enter does nothing in this face.
    cmdcreate->setFocus();
}

void frmwelcome::showNormalFace()
{
    cmdcreate->hide();
    cmduser->show();
    cmdadmin->show();
    cmduser->setFocus();
}

bool frmwelcome::databaseChosen()
{
    // A server that could not be reached is tried again here; while it
    // still cannot be, the window stays on the file it fell back to.
    const QString fallback = Module1::dbPath;
    if (!m_retry.isEmpty())
        Module1::dbPath = m_retry;
    bool chosen = false;
    bool hasRow = false;
    const bool ok = ui::guarded(this, [&] {
        Module1::OpenCheckConnection();
        Module1::OpenMisc();
        hasRow = Module1::miscFirstRow();
        // A server database was chosen on this computer (inventory-admin
        // connect), which the file dialog cannot take: a run on one (back at
        // this window after a log-out, say) never asks for a file.
        if (hasRow)
            chosen = !Module1::rsMisc->text(kPatField).isEmpty() || isServerLocation(Module1::dbPath);
    });
    if (!m_retry.isEmpty()) {
        if (!ok) {
            Module1::dbPath = fallback;
            return false;
        }
        m_retry.clear();
    }
    if (ok && hasRow && (!chosen || m_chooseAgain)) {
        chooseDatabaseFile();
        return false;
    }
    return ok && chosen;
}

void frmwelcome::chooseDatabaseFile()
{
    ui::Prompts::message(this, QStringLiteral("Choose DataBase file"));
    const QString path = ui::Prompts::openFile(this);
    // A cancelled dialog leaves everything as it was; the next click asks
    // again.
    if (path.isEmpty())
        return;
    try {
        Module1::openConnection(path);
    } catch (const RecordsError &e) {
        ui::Prompts::message(this, e.description()
                                       + QStringLiteral("\n\nNothing was stored. Click User or Admin "
                                                        "again to choose a records database file."));
        return;
    }
    ui::guarded(this, [&] {
        Module1::rememberDatabase(path);
        // The login checks its connection on the chosen file from now on.
        Module1::dbPath = path;
        m_chooseAgain = false;
    });
}

void frmwelcome::cmdadmin_Click()
{
    if (!databaseChosen())
        return;
    if (startup::showLogin())
        close();
}

void frmwelcome::cmduser_Click()
{
    if (!databaseChosen())
        return;
    // Without a password: viewing and printing only. Should the main window
    // fail to load, the road leads back to a fresh welcome window.
    startup::showMain(startup::Mode::Restricted);
    close();
}

void frmwelcome::cmdcreate_Click()
{
    // The first account is a write: the file may be upgraded from here on.
    Session::holdUpgrades(false);
    ui::openFrom(this, new frmaccount(this));
}

void frmwelcome::cmdexit_Click()
{
    QApplication::exit(0);
}

} // namespace inv
