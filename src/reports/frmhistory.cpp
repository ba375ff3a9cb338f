#include "frmhistory.h"

#include "data/core/clock.h"
#include "data/core/recordset.h"
#include "data/stock/module1.h"
#include "data/stock/status.h"
#include "daybox.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace inv {

namespace {

constexpr reports::PageShape kHistoryPage{42, 42, 42};

// The history's rows, newest first, as a page shows them. A page is found
// again by its first row: its place in the order (time, then key) is known
// from the rows last read (read back by key otherwise), and the rows around
// it come through the history's indexes. A turn to the next page reads on
// past the last row on view, as a bare read of the next page would.
class HistoryRows : public reports::RowSource {
public:
    HistoryRows(std::shared_ptr<Connection> connection, Journal::Filter filter, const QStringList &fields,
                QVector<Journal::Place> &onView)
        : m_connection(std::move(connection)), m_filter(std::move(filter)), m_onView(onView)
    {
        const QStringList stored = m_connection->fields(Journal::kTable);
        for (const QString &field : fields)
            m_fields << int(stored.indexOf(field));
        // The time tells a row's place; read once when a column shows it.
        m_read = m_fields;
        m_change = int(m_fields.indexOf(Journal::kChange));
        m_place = int(m_fields.indexOf(Journal::kEnteredAt));
        if (m_place < 0) {
            m_place = int(m_read.size());
            m_read << Journal::kEnteredAt;
        }
    }

    QVector<TextRow> rows(std::optional<qint64> from, int skip, int count) override
    {
        if (!Journal::available(*m_connection))
            return {}; // a file the program has not upgraded yet (view-only)
        if (!from)
            return page(std::nullopt, false, 0, count);
        int at = -1;
        for (int i = 0; i < m_onView.size() && at < 0; ++i)
            if (m_onView[i].second == *from)
                at = i;
        if (skip > 0 && at >= 0 && at + skip - 1 < m_onView.size())
            return page(m_onView[at + skip - 1], false, 0, count);
        Journal::Place place;
        if (at >= 0) {
            place = m_onView[at];
        } else {
            const std::optional<Row> row = m_connection->read(Journal::kTable, *from);
            if (!row)
                return {};
            place = Journal::Place{row->values.value(Journal::kEnteredAt), *from};
        }
        if (skip >= 0)
            return page(place, skip == 0, std::max(0, skip - 1), count);
        // A page back: the row |skip| places newer is the page's first.
        const QVector<Row> first =
            Journal::read(*m_connection, m_filter, {Journal::kEnteredAt}, false, place, false, -skip - 1, 1);
        if (first.isEmpty())
            return {};
        return page(Journal::Place{first[0].values[0], first[0].key}, true, 0, count);
    }

private:
    // The rows of the filter from a place on, newest first, as texts; their
    // places are kept (a read that finds none keeps the last ones).
    QVector<TextRow> page(const std::optional<Journal::Place> &from, bool inclusive, int skip, int count)
    {
        QVector<TextRow> rows = Journal::readTexts(*m_connection, m_filter, m_read, true, from, inclusive, skip, count);
        if (!rows.isEmpty()) {
            m_onView.clear();
            m_onView.reserve(rows.size());
            for (const TextRow &row : std::as_const(rows))
                m_onView << Journal::Place{row.texts.value(m_place), row.key};
        }
        for (TextRow &row : rows) {
            row.texts.resize(m_fields.size()); // the time read only for its place
            // A change shows its sign: +1 put back, -1 taken out.
            if (m_change >= 0 && LeadingNumber(row.texts[m_change]) > 0)
                row.texts[m_change].prepend(QLatin1Char('+'));
        }
        return rows;
    }

    std::shared_ptr<Connection> m_connection;
    Journal::Filter m_filter;
    QVector<int> m_fields; // the columns' fields
    QVector<int> m_read; // and the time, the page's place in the order, unless shown
    int m_place = 0; // where the time is among them
    int m_change = -1; // where the change is among the columns, if shown
    QVector<Journal::Place> &m_onView; // the window's
};

const reports::ReportDescription kHistory{
    "frmhistory",
    QStringLiteral("Stock History"),
    nullptr,
    QStringLiteral("Stock history"),
    8,
    kHistoryPage,
    {
        {"Text1", "Date and Time", "lsttime", "entered_at", 0, 240, 2265, "time of the change column"},
        {"Text2", "User", "lstuser", "user_name", 0, 2490, 1515, "account column"},
        {"Text3", "Login", "lstlogin", "login_name", 0, 3990, 1515, "login name column"},
        {"Text4", "Kind", "lstkind", "kind", 0, 5490, 1395, "kind of change column"},
        {"Text5", "Item No.", "lstitemno", "item_no", 0, 6870, 1515, "item number column"},
        {"Text6", "Item Name", "lstname", "item_name", 0, 8370, 3735, "item name column"},
        {"Text7", "Change", "lstchange", "quantity_change", 0, 12090, 1395, "change in units column"},
        {"Text8", "Remaining", "lstremaining", "remaining_quantity", 0, 13470, 1635, "remaining quantity column"},
    },
    reports::kFilteredPrintoutLayout,
};

reports::DayBox *dayBox(QWidget *parent, const char *name)
{
    auto *box = new reports::DayBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setFont(ui::sansFont(9));
    return box;
}

} // namespace

frmhistory::frmhistory() : PrintoutWindow(kHistory)
{
    const int top = 10680;
    auto *itemLabel = ui::makeLabel(this, "lblitemno", QStringLiteral("Item No.:"), ui::timesFont(11, true));
    ui::place(itemLabel, 240, top + 45, 1200, 330);
    txtitemno = ui::makeTextBox(this, "txtitemno");
    txtitemno->setAccessibleName(QStringLiteral("Item number to list; empty for every item"));
    ui::place(txtitemno, 1440, top, 2100, 405);
    auto *sinceLabel = ui::makeLabel(this, "lblsince", QStringLiteral("From:"), ui::timesFont(11, true));
    ui::place(sinceLabel, 3840, top + 45, 780, 330);
    dtsince = dayBox(this, "dtsince");
    dtsince->setAccessibleName(QStringLiteral("First day to list"));
    ui::place(dtsince, 4620, top, 2100, 405);
    auto *untilLabel = ui::makeLabel(this, "lbluntil", QStringLiteral("To:"), ui::timesFont(11, true));
    ui::place(untilLabel, 7020, top + 45, 600, 330);
    dtuntil = dayBox(this, "dtuntil");
    dtuntil->setAccessibleName(QStringLiteral("Last day to list"));
    ui::place(dtuntil, 7620, top, 2100, 405);
    cmdshow = ui::makeButton(this, "cmdshow", QStringLiteral("&Show"));
    cmdshow->setFont(ui::timesFont(12, true));
    ui::place(cmdshow, 10020, top, 1455, 405);
    for (QWidget *w :
         std::initializer_list<QWidget *>{itemLabel, txtitemno, sinceLabel, dtsince, untilLabel, dtuntil, cmdshow})
        hideWhenPrinting(w);
    setTabOrder(cmdnxt, txtitemno);
    setTabOrder(txtitemno, dtsince);
    setTabOrder(dtsince, dtuntil);
    setTabOrder(dtuntil, cmdshow);
    connect(cmdshow, &QPushButton::clicked, this, &frmhistory::cmdshow_Click);
    for (QLineEdit *box : std::initializer_list<QLineEdit *>{txtitemno, dtsince, dtuntil})
        connect(box, &QLineEdit::returnPressed, this, &frmhistory::cmdshow_Click);
}

bool frmhistory::filter(Journal::Filter &wanted, QString &refusal) const
{
    wanted = Journal::Filter();
    wanted.itemNo = txtitemno->text().trimmed();
    const std::pair<reports::DayBox *, QDate Journal::Filter::*> ends[] = {
        {dtsince, &Journal::Filter::since},
        {dtuntil, &Journal::Filter::until},
    };
    for (const auto &[box, end] : ends) {
        if (!box->day(wanted.*end)) {
            refusal = QStringLiteral("The %1 day \"%2\" is not a day: type one as %3, or \"any\".")
                          .arg(box == dtsince ? QStringLiteral("From") : QStringLiteral("To"), box->text().trimmed(),
                               reports::DayBox::forms());
            return false;
        }
    }
    if (wanted.inverted()) {
        // An empty list would say there was no change.
        refusal = QStringLiteral("The From day is after the To day, so no day lies between them.");
        return false;
    }
    return true;
}

void frmhistory::cmdshow_Click()
{
    // A refused filter is said, and the rows on view stay: the boxes keep
    // what was typed, so that it can be put right.
    Journal::Filter wanted;
    QString refusal;
    if (!filter(wanted, refusal)) {
        ui::Prompts::message(this, refusal);
        return;
    }
    const Journal::Filter before = m_filter;
    m_filter = wanted;
    m_onView.clear(); // rows of another filter
    if (!showFirstPage()) {
        m_filter = before;
        m_rows.reset();
    }
}

std::shared_ptr<reports::RowSource> frmhistory::openRows(bool first)
{
    if (first || !m_rows) {
        Module1::OpenCheckConnection();
        m_rows = std::make_shared<HistoryRows>(Module1::cnCheck, m_filter, fields(), m_onView);
    }
    return m_rows;
}

} // namespace inv
