#pragma once
// What the two printouts share: a white window of 15360 x 11520 twips with
// the letterhead band, a heading with today's date, Print, Prev and Next, a
// row of heading boxes the user may edit, and under each a list that holds
// its field for one page of rows. A printout is described by a table of its
// columns; the page turns come from the paging core and printing from the
// one printing step.

#include "paging.h"
#include "ui/childwindow.h"

#include <QRect>
#include <QVector>

#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace inv {
class Recordset;
}

namespace inv::reports {

struct ReportColumn {
    const char *heading; // the heading box's name
    const char *caption; // its text at opening
    const char *list; // the list's name
    const char *field; // the field the list shows
    int group; // the column group (list pair) on the page
    int left, width; // twips; heading box and list share them
    const char *role; // for assistive tools: what the column holds
};

// Where a printout's heading, buttons, heading boxes and lists stand (twips).
struct PrintoutLayout {
    QRect label, print, prev, next;
    int headingTop, listTop, listHeight;
};

// The layout of the printouts: the heading at the left, Prev, Print and
// Next at the right, the lists down to the foot of the page.
inline constexpr PrintoutLayout kPrintoutLayout{QRect(600, 1440, 2490, 360),
                                                QRect(11160, 1320, 1695, 450),
                                                QRect(9240, 1320, 1815, 450),
                                                QRect(12960, 1320, 1815, 450),
                                                1800,
                                                2280,
                                                8835};
// The same with a row of filter boxes under the lists, which end higher.
inline constexpr PrintoutLayout kFilteredPrintoutLayout = [] {
    PrintoutLayout layout = kPrintoutLayout;
    layout.listHeight = 8250;
    return layout;
}();

struct ReportDescription {
    const char *name;
    QString title;
    // Opens the check connection and the table's cursor; returns the cursor.
    std::shared_ptr<Recordset> (*open)();
    QString heading; // Label1's text, before the date
    int gap; // blanks between the heading and the date
    PageShape shape;
    QVector<ReportColumn> columns;
    PrintoutLayout layout = kPrintoutLayout;
};

class PrintoutWindow : public ui::ChildWindow {
    Q_OBJECT

public:
    QLabel *letterhead;
    QLabel *Label1;
    QPushButton *cmdprint;
    QPushButton *cmdprev;
    QPushButton *cmdnxt;

    // Sets the heading with today's date and shows the first page. False
    // when the database failed (a message was shown).
    bool Form_Load();
    void cmdnxt_Click();
    void cmdprev_Click();
    // Prints the page on view, without the buttons and the letterhead.
    void cmdprint_Click();

    int pageStart() const { return m_pager.pageStart(); }

    // The heading boxes and lists, in the order of the description.
    const QVector<QLineEdit *> &headingBoxes() const { return m_headings; }
    const QVector<QListView *> &lists() const { return m_lists; }

protected:
    explicit PrintoutWindow(const ReportDescription &description);

    QLineEdit *headingBox(const char *name) const;
    QListView *list(const char *name) const;

    // The rows the pages come from, asked for at each page read, inside its
    // one read of the file; first when the first page is read. By default a
    // fresh cursor from the description's open, its fields in the order of
    // the columns.
    virtual std::shared_ptr<RowSource> openRows(bool first);
    // The fields the columns show, each once, in the order the rows give them.
    const QStringList &fields() const { return m_fields; }
    // Shows the first page again: what the window lists has changed.
    bool showFirstPage();
    // A control of the window's own that the printed page leaves out.
    void hideWhenPrinting(QWidget *widget) { m_printHidden << widget; }

private:
    // Reads the page that turn leaves on view and shows it; the page on
    // view and its state stay when the database fails.
    bool showPage(Page (Pager::*turn)(RowSource &, int));

    const ReportDescription &m_description;
    QStringList m_fields; // the fields read, each once
    Pager m_pager;
    QVector<QLineEdit *> m_headings;
    QVector<QListView *> m_lists;
    QList<QWidget *> m_printHidden;
};

} // namespace inv::reports
