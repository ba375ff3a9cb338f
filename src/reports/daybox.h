#pragma once
// A box for one end of a range of days: a day typed as 2026-03-12,
// 2026-3-12 or 20260312, or picked from the calendar (its button, Alt+Down
// or F4), or "any" to leave that end open. The text is what the clerk
// typed: it is read when the list is asked for, and a text that is not a
// day is refused there, never turned into another day.

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;

namespace inv::reports {

class DayBox : public QLineEdit {
    Q_OBJECT

public:
    explicit DayBox(QWidget *parent = nullptr);

    // The accepted forms, as a refusal names them.
    static QString forms();
    // Reads a text: true with an invalid day for "any" (or nothing typed),
    // true with the day for a real day in one of the accepted forms, false
    // otherwise.
    static bool parse(const QString &text, QDate &day);

    // The day typed (invalid for "any"); false when the text is no day.
    bool day(QDate &day) const { return parse(text(), day); }
    // Shows a day, or "any" for an invalid one.
    void setDay(const QDate &day);
    // The calendar the button opens.
    QCalendarWidget *calendar() const { return m_calendar; }
    void showCalendar();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QCalendarWidget *m_calendar;
};

} // namespace inv::reports
