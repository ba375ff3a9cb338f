#include "frmlogin.h"

#include "credentials.h"
#include "data/core/clock.h"
#include "data/stock/module1.h"
#include "data/stock/session.h"
#include "navigation.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

namespace inv {

using ui::place;

namespace {

const QString kTitle = QStringLiteral("Inventory System");
// Where the animated title starts, in twips.
constexpr int kTitleLeft = 2130;

} // namespace

frmlogin::frmlogin() : StartupDialog(QStringLiteral(":/login.png"), Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmlogin"));
    setWindowTitle(QStringLiteral("Login"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    ui::setFixedClientArea(this, 4395, 2010);

    const QString strip = QStringLiteral("background: #0000FF; color: #E0E0E0;");
    Label5 = ui::makeLabel(this, "Label5", QStringLiteral("l"), ui::sansFont(8, true), strip);
    place(Label5, 75, 0, 4215, 255);
    Label5->setAlignment(Qt::AlignCenter);
    Label4 = ui::makeLabel(this, "Label4", QString(), ui::sansFont(8, true), strip);
    Label4->setAlignment(Qt::AlignCenter);
    setTitle(QString());

    const QString transparent = QStringLiteral("background: transparent;");
    Label1 = ui::makeLabel(this, "Label1", QStringLiteral("User Name:"), ui::timesFont(12, true), transparent);
    place(Label1, 240, 480, 1215, 285);
    txtuser = ui::makeTextBox(this, "txtuser");
    place(txtuser, 1560, 480, 2655, 285);
    Label2 = ui::makeLabel(this, "Label2", QStringLiteral("Password:"), ui::timesFont(12, true), transparent);
    place(Label2, 240, 960, 1020, 285);
    ui::fitToText(Label1);
    ui::fitToText(Label2);
    txtpass = ui::makeTextBox(this, "txtpass");
    place(txtpass, 1560, 960, 2655, 285);
    ui::maskAsPassword(txtpass);
    Label1->setBuddy(txtuser);
    Label2->setBuddy(txtpass);

    cmdenter = ui::makeButton(this, "cmdenter", QStringLiteral("&Enter"));
    place(cmdenter, 1680, 1560, 1215, 375);
    cmdenter->setDefault(true);
    cmdexit = ui::makeButton(this, "cmdexit", QStringLiteral("&Log-out"));
    place(cmdexit, 3000, 1560, 1215, 375);

    Label3 = ui::makeLabel(this, "Label3", QStringLiteral("Label3"), ui::sansFont(9.75),
                           QStringLiteral("background: #E0E0E0; border: 1px solid #C0C0C0; border-radius: 4px;"));
    place(Label3, 120, 1680, 1455, 255);
    Label3->setAlignment(Qt::AlignCenter);

    setTabOrder(txtuser, txtpass);
    setTabOrder(txtpass, cmdenter);
    setTabOrder(cmdenter, cmdexit);
    txtuser->setFocus();

    connect(cmdenter, &QPushButton::clicked, this, &frmlogin::cmdenter_Click);
    connect(cmdexit, &QPushButton::clicked, this, &frmlogin::cmdexit_Click);

    // The clock re-arms itself for the start of each next second; its first
    // tick comes as soon as the window is up.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmlogin::Timer1_Timer);
    Timer1->start(0);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(100);
    connect(Timer2, &QTimer::timeout, this, &frmlogin::Timer2_Timer);
    Timer2->start();
}

bool frmlogin::Form_Load()
{
    return ui::guarded(this, [] {
        Module1::OpenCheckConnection();
        Module1::OpenMisc();
    });
}

void frmlogin::cmdenter_Click()
{
    bool match = false;
    const bool ok = ui::guarded(this, [&] {
        Module1::OpenCheckConnection();
        Module1::OpenMisc();
        match = startup::checkAccount(txtuser->text(), txtpass->text());
    });
    if (!ok)
        return;
    if (match) {
        // The history names the account with every change from now on.
        Session::setAccount(txtuser->text());
        ui::Prompts::message(this, QStringLiteral("Login successful!"), QStringLiteral("Welcome"));
        txtuser->clear();
        txtpass->clear();
        startup::showMain(startup::Mode::Full);
        close();
        return;
    }
    ui::Prompts::message(this, QStringLiteral("User Name and/or Password is invalid"),
                         QStringLiteral("Access Denied!"));
    txtuser->clear();
    txtpass->clear();
    txtuser->setFocus();
}

void frmlogin::cmdexit_Click()
{
    startup::showWelcome();
    close();
}

QString frmlogin::clockText(const QTime &time)
{
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1Char('s'))) {
        const int minutes = format.indexOf(QLatin1String("mm"));
        format =
            minutes >= 0 ? format.insert(minutes + 2, QLatin1String(":ss")) : locale.timeFormat(QLocale::LongFormat);
    }
    return locale.toString(time, format);
}

void frmlogin::Timer1_Timer()
{
    const QTime now = Clock::now().time();
    Label3->setText(clockText(now));
    // A few milliseconds past the boundary, so that the next tick surely
    // shows the next second.
    Timer1->start(1000 - now.msec() + 5);
}

void frmlogin::Timer2_Timer()
{
    const int length = int(Label4->text().size());
    if (m_phase == 0) {
        if (length <= 15) {
            setTitle(kTitle.left(length + 1));
            if (length == 15)
                m_phase = 1;
        }
    } else if (length >= 2 && length <= 16) {
        setTitle(kTitle.right(length - 1));
    } else if (length == 1) {
        setTitle(QString());
        m_phase = 0;
    }
}

void frmlogin::setTitle(const QString &text)
{
    // Sized to its text from its left edge.
    Label4->setText(text);
    Label4->setGeometry(ui::twips(kTitleLeft), 0, text.isEmpty() ? 0 : Label4->sizeHint().width(), ui::twips(195));
}

} // namespace inv
