#include "daybox.h"

#include "data/core/clock.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStyle>

namespace inv::reports {

namespace {
const QString kAny = QStringLiteral("any");
} // namespace

DayBox::DayBox(QWidget *parent) : QLineEdit(parent), m_calendar(new QCalendarWidget(this))
{
    setText(kAny);
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->setGridVisible(true);
    m_calendar->hide();
    QAction *pick = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    pick->setObjectName(QStringLiteral("pickday"));
    pick->setText(QStringLiteral("Pick a day from the calendar"));
    connect(pick, &QAction::triggered, this, &DayBox::showCalendar);
    connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate picked) {
        setDay(picked);
        m_calendar->hide();
        setFocus();
    });
    connect(m_calendar, &QCalendarWidget::clicked, m_calendar, &QCalendarWidget::activated);
}

QString DayBox::forms()
{
    return QStringLiteral("YYYY-MM-DD, YYYY-M-D or YYYYMMDD");
}

bool DayBox::parse(const QString &text, QDate &day)
{
    const QString typed = text.trimmed();
    day = QDate();
    if (typed.isEmpty() || typed.compare(kAny, Qt::CaseInsensitive) == 0)
        return true;
    static const QRegularExpression dashed(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression packed(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    QRegularExpressionMatch match = dashed.match(typed);
    if (!match.hasMatch())
        match = packed.match(typed);
    if (!match.hasMatch())
        return false;
    // QDate takes no year 0 and no 30 February: those are refused, not moved.
    day = QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    return day.isValid();
}

void DayBox::setDay(const QDate &day)
{
    setText(day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : kAny);
}

void DayBox::showCalendar()
{
    QDate shown;
    if (!day(shown) || !shown.isValid())
        shown = Clock::today();
    m_calendar->setSelectedDate(shown);
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    m_calendar->setFocus();
}

void DayBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 || (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        showCalendar();
        event->accept();
        return;
    }
    // A character typed into "any" starts a day in its place.
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.front().isPrint() && text() == kAny && !hasSelectedText())
        clear();
    QLineEdit::keyPressEvent(event);
}

} // namespace inv::reports
