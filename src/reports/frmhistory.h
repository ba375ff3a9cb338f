#pragma once
// "Stock History": the rows of the history, newest first, 42 a page, for
// one item number or every item and a range of days; paged through the
// history's indexes, so that a page of a long history reads as fast as one
// of a short history. Printed a page at a time, as the printouts are.

#include "data/stock/journal.h"
#include "printout.h"

namespace inv {

namespace reports {
class DayBox;
}

class frmhistory : public reports::PrintoutWindow {
    Q_OBJECT

public:
    frmhistory();

    QLineEdit *txtitemno; // an item number; empty: every item
    reports::DayBox *dtsince; // the first day; "any" leaves it open
    reports::DayBox *dtuntil; // the last day; "any" leaves it open
    QPushButton *cmdshow; // lists what the three boxes ask for

    // The filter the boxes give; false, with a line that says why, when a
    // day box holds no day.
    bool filter(Journal::Filter &wanted, QString &refusal) const;
    void cmdshow_Click();

protected:
    std::shared_ptr<reports::RowSource> openRows(bool first) override;

private:
    Journal::Filter m_filter; // the filter of the page on view
    // The place in the order of each row last read, in the order read: a
    // row's place never changes, so a page turn reads on from it at once.
    QVector<Journal::Place> m_onView;
    // The rows of the filter on view, made at its first page on the check
    // connection then opened; the page turns read through them.
    std::shared_ptr<reports::RowSource> m_rows;
};

} // namespace inv
