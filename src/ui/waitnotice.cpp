#include "waitnotice.h"

#include "data/core/waits.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
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
        // No event runs while the layer waits: the timer fires once the
        // wait is over and the event loop runs again.
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
        if (m_label && m_label->window() != window)
            delete m_label;
        if (!m_label) {
            m_label = new QLabel(window);
            m_label->setObjectName(QStringLiteral("waitNotice"));
            m_label->setTextFormat(Qt::PlainText); // it names a file or a server
            m_label->setStyleSheet(QStringLiteral(
                "QLabel { background: #FFFFE1; color: black; border: 1px solid #808080; padding: 4px; }"));
        }
        if (m_label->text() == what && m_label->isVisible())
            return;
        m_label->setText(what);
        m_label->adjustSize();
        m_label->move(8, qMax(0, window->height() - m_label->height() - 8));
        m_label->show();
        m_label->raise();
        // Painted at once: the event loop does not run until the wait ends.
        m_label->repaint();
    }

    void over()
    {
        delete m_label;
        if (m_cursor) {
            QApplication::restoreOverrideCursor();
            m_cursor = false;
        }
    }

    QPointer<QLabel> m_label;
    bool m_cursor = false;
    QTimer m_over;
};

Notice *g_notice = nullptr;

} // namespace

void showWaits()
{
    if (!g_notice)
        g_notice = new Notice;
    Waits::setListener([](const QString &what) { g_notice->waiting(what); });
}

QLabel *waitNotice()
{
    return g_notice ? g_notice->m_label.data() : nullptr;
}

} // namespace inv::ui
