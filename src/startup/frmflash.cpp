#include "frmflash.h"

#include "data/stock/module1.h"
#include "navigation.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/publisher.h"
#include "ui/twips.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace inv {

using ui::place;

frmflash::frmflash(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmflash"));
    setWindowTitle(QStringLiteral("Form1"));
    ui::setFixedClientArea(this, 4050, 2535);

    Label5 = ui::makeLabel(this, "Label5", QString(), font());
    place(Label5, 840, 1320, 2415, 375);
    Label5->setFrameShape(QFrame::Box);
    Label5->setLineWidth(1);

    for (int i = 0; i < 20; ++i) {
        auto *block = new QPushButton(this);
        block->setObjectName(QStringLiteral("cmdload%1").arg(i));
        place(block, 840 + 120 * i, 1320, 135, 375);
        block->setEnabled(false);
        block->setFlat(true);
        block->setStyleSheet(QStringLiteral("QPushButton { background-color: #00FF00; border: 1px solid #00B000; }"));
        block->hide();
        cmdload[i] = block;
        if (i == 19)
            block->installEventFilter(this);
    }

    lblload = ui::makeLabel(this, "lblload", QStringLiteral("Loading              "), font(),
                            QStringLiteral("color: #404040; background: transparent;"));
    place(lblload, 840, 1680, 2415, 255);
    lblload->setAlignment(Qt::AlignCenter);

    Label1 = ui::makeLabel(this, "Label1", QStringLiteral("Label1"), font(),
                           QStringLiteral("color: black; background: black;"));
    place(Label1, 0, 1920, 4050, 615);

    const QString whiteOnBlack = QStringLiteral("color: white; background: black;");
    Label2 = ui::makeLabel(this, "Label2", QString::fromLatin1(ui::kRightsNotice), ui::sansFont(7), whiteOnBlack);
    place(Label2, 0, 2040, 3975, 255);
    Label2->setAlignment(Qt::AlignCenter);

    Label3 = ui::makeLabel(this, "Label3", QStringLiteral("For more information visit"), ui::sansFont(7), whiteOnBlack);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Right-aligned and sized to its text: it grows to the left of its
    // right edge (75 + 1740 twips).
    Label3->adjustSize();
    Label3->move(ui::twips(75 + 1740) - Label3->width(), ui::twips(2280));

    Label4 = ui::makeLabel(this, "Label4", QString::fromLatin1(ui::kHomepageAddress), ui::sansFont(7, true),
                           QStringLiteral("color: #FF8000; background: black;"));
    Label4->adjustSize();
    Label4->move(ui::twips(1860), ui::twips(2280));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &frmflash::Timer1_Timer);
    Timer1->start();
}

bool frmflash::Form_Load()
{
    // No step may run under a refusal's message: the hand-over would bring
    // the welcome window up behind it. The steps go on once the load is done.
    const bool stepping = Timer1->isActive();
    Timer1->stop();
    const bool loaded = ui::guarded(nullptr, [] {
        Module1::dbPath = Module1::defaultDatabasePath();
        Module1::OpenRecordsConnection();
        Module1::OpenMisc();
        if (Module1::miscFirstRow()) {
            const QString pat = Module1::rsMisc->text(QStringLiteral("pat"));
            if (!pat.isEmpty())
                Module1::dbPath = pat;
        }
    });
    if (loaded && stepping)
        Timer1->start();
    return loaded;
}

void frmflash::Timer1_Timer()
{
    // After the twentieth block the steps only check for the hand-over: the
    // complete row and 100% stay on screen for one step, as every step
    // before them did.
    if (m_counter >= int(cmdload.size())) {
        Timer2_Timer();
        return;
    }
    lblload->setText(QStringLiteral("Loading...     %1%").arg((m_counter + 1) * 5));
    cmdload[m_counter]->show();
    ++m_counter;
}

void frmflash::Timer2_Timer()
{
    // Only once the last block has been painted: the hand-over must not
    // swallow the final state.
    if (m_handedOver || cmdload[19]->isHidden() || !m_lastBlockPainted)
        return;
    m_handedOver = true;
    Timer1->stop();
    // The splash goes before the next window (or its messages) shows. Hidden
    // rather than closed: closing the last window would end the program.
    hide();
    startup::showWelcome();
    deleteLater();
}

bool frmflash::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cmdload[19] && event->type() == QEvent::Paint)
        m_lastBlockPainted = true;
    return QWidget::eventFilter(watched, event);
}

void frmflash::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), QPixmap(QStringLiteral(":/splash.png")));
    if (!m_painted) {
        m_painted = true;
        emit firstPainted();
    }
}

} // namespace inv
