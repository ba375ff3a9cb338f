#include "frmhelp.h"

#include "startupdialog.h"
#include "ui/fonts.h"
#include "ui/prompts.h"
#include "ui/publisher.h"
#include "ui/twips.h"
#include "version.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QUrl>

namespace inv {

using ui::place;

frmhelp::frmhelp() : QWidget(nullptr, startup::toolWindowFlags())
{
    setObjectName(QStringLiteral("frmhelp"));
    setWindowTitle(QStringLiteral("Tavrisk Developer"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    ui::setFixedClientArea(this, 6000, 5250);

    txtinfo = new QPlainTextEdit(this);
    txtinfo->setObjectName(QStringLiteral("txtinfo"));
    txtinfo->setReadOnly(true);
    txtinfo->setFont(ui::sansFont(8));
    txtinfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    place(txtinfo, 1800, 1800, 3975, 2415);
    txtinfo->setPlainText(softwareInfo());
    txtinfo->setAccessibleName(QStringLiteral("Software information"));
    txtinfo->setFocus();

    Label1 = new QLabel(QStringLiteral("Click here to go to Homepage"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(ui::sansFont(12, true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setStyleSheet(QStringLiteral("QLabel { background: transparent; }"));
    Label1->setCursor(Qt::PointingHandCursor);
    place(Label1, 120, 2280, 1455, 1215);
    Label1->installEventFilter(this);
}

QString frmhelp::softwareInfo()
{
    return QStringList{
        QStringLiteral("Software Name: Tavrisk Inventory System"),
        QString(),
        QStringLiteral("Software Version: Version ") + QLatin1String(kVersion),
        QString(),
        QStringLiteral("Publisher: ") + QLatin1String(ui::kPublisherName),
        QString(),
        QStringLiteral("Developer: ") + QLatin1String(ui::kDeveloperName),
    }
        .join(QLatin1Char('\n'));
}

void frmhelp::Label1_Click()
{
    ui::Prompts::openUrl(QUrl(QString::fromLatin1(ui::kHomepageUrl)));
}

bool frmhelp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && Label1->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
        Label1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmhelp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), QPixmap(QStringLiteral(":/about.png")));
}

} // namespace inv
