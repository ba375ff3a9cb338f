#include "waitnotice.h"

#include "data/core/waits.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace inv::ui {

namespace {

class Notice : public QObject {
public:
    Notice()
    {
        m_over.setSingleShot(true);
        m_over.setInterval(0);
        connect(&m_over, &QTimer::timeout, this, [this] { over(); });
    }

    void waiting(const QString &what)
    {
        if (!m_cursor) {
            QApplication::setOverrideCursor(Qt::BusyCursor);
            m_cursor = true;
        }
        // The timer fires once the wait is over and the event loop runs
        // again (a wait that lets the windows repaint holds timers back).
        m_over.start();
        QWidget *window = QApplication::activeWindow();
        if (!window) {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible()) {
                    window = w;
                    break;
                }
        }
        if (!window)
            return;
        if (m_box && m_box->window() != window)
            delete m_box;
        if (!m_box) {
            m_box = new QFrame(window);
            m_box->setObjectName(QStringLiteral("waitNoticeBox"));
            m_box->setStyleSheet(QStringLiteral("QFrame#waitNoticeBox { background: #FFFFE1; border: 1px solid "
                                                "#808080; } QLabel { color: black; }"));
            auto *layout = new QHBoxLayout(m_box);
            layout->setContentsMargins(4, 4, 4, 4);
            m_label = new QLabel(m_box);
            m_label->setObjectName(QStringLiteral("waitNotice"));
            m_label->setTextFormat(Qt::PlainText); // it names a file or a server
            layout->addWidget(m_label);
            // A wait for a server can be given up (Esc does the same).
            m_giveUp = new QPushButton(QStringLiteral("Give up"), m_box);
            m_giveUp->setObjectName(QStringLiteral("waitGiveUp"));
            m_giveUp->setAccessibleDescription(QStringLiteral("Stops waiting for the database (Esc)"));
            m_giveUp->setFocusPolicy(Qt::NoFocus);
            m_giveUp->hide();
            connect(m_giveUp, &QPushButton::clicked, [] { Waits::giveUp(); });
            layout->addWidget(m_giveUp);
        }
        m_giveUp->setVisible(Waits::active());
        if (m_label->text() == what && m_box->isVisible())
            return;
        m_label->setText(what);
        m_box->adjustSize();
        m_box->move(8, qMax(0, window->height() - m_box->height() - 8));
        m_box->show();
        m_box->raise();
        // Painted at once: a wait that does not pump runs no events.
        m_box->repaint();
    }

    // While the records layer waits for a server: the windows repaint,
    // the clerk's clicks and keys are held off (Esc or the notice's button
    // gives the wait up), and nothing that could use the records runs:
    // timers fire again once the wait is over, the watch on other
    // programs' changes is not looked at.
    void pump()
    {
        if (m_pumping)
            return;
        m_pumping = true;
        qApp->installEventFilter(this);
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
        qApp->removeEventFilter(this);
        m_pumping = false;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Timer:
            return true;
        case QEvent::Close:
            event->ignore();
            return true;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                Waits::giveUp();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::Drop:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            QWidget *target = qobject_cast<QWidget *>(watched);
            if (!target)
                target = QApplication::widgetAt(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            // Only the notice's own button takes clicks.
            return !(m_box && target && (target == m_box || m_box->isAncestorOf(target)));
        }
        default:
            return false;
        }
    }

    void over()
    {
        delete m_box;
        if (m_cursor) {
            QApplication::restoreOverrideCursor();
            m_cursor = false;
        }
    }

    QPointer<QFrame> m_box;
    QPointer<QLabel> m_label;
    QPointer<QPushButton> m_giveUp;
    bool m_cursor = false;
    bool m_pumping = false;
    QTimer m_over;
};

Notice *g_notice = nullptr;

} // namespace

void showWaits()
{
    if (!g_notice)
        g_notice = new Notice;
    Waits::setListener([](const QString &what) { g_notice->waiting(what); });
    Waits::setPump([] { g_notice->pump(); });
}

QLabel *waitNotice()
{
    return g_notice && g_notice->m_box ? g_notice->m_label.data() : nullptr;
}

QPushButton *waitGiveUpButton()
{
    return g_notice && g_notice->m_box ? g_notice->m_giveUp.data() : nullptr;
}

} // namespace inv::ui
