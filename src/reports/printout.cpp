#include "printout.h"

#include "data/core/clock.h"
#include "data/core/recordset.h"
#include "data/stock/module1.h"
#include "printpage.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/textlistmodel.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace inv::reports {

using ui::place;

namespace {

// Rows of 195 twips, so that a list 9030 twips high shows 46 of them.
constexpr int kRowHeight = 13;

// Today's date as the headings show it: formatted when the day (or the
// user's format) changes, not at every opening.
const QString &todayShown()
{
    static QDate day;
    static QLocale locale;
    static QString shown;
    const QDate today = Clock::today();
    const QLocale current;
    if (today != day || current != locale) {
        day = today;
        locale = current;
        shown = current.toString(today, QLocale::ShortFormat);
    }
    return shown;
}

class FixedRowHeight : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight);
    }
};

// Prev and Next: a grey face with a green arrow and a bold word, the arrow
// on the side the button turns to.
class ArrowButton : public QPushButton {
public:
    ArrowButton(QWidget *parent, const char *name, const QString &word, bool left)
        : QPushButton(word, parent), m_left(left)
    {
        setObjectName(QLatin1String(name));
        setAutoDefault(false);
        setFont(ui::timesFont(12, true));
        QPalette face = palette();
        face.setColor(QPalette::Button, QColor(0xE0, 0xE0, 0xE0));
        setPalette(face);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);

        const int arrow = 22;
        const int gap = 6;
        const int textWidth = fontMetrics().horizontalAdvance(text());
        const int x0 = (width() - arrow - gap - textWidth) / 2;
        const int mid = height() / 2;
        const int arrowLeft = m_left ? x0 : x0 + textWidth + gap;
        const int textLeft = m_left ? x0 + arrow + gap : x0;

        QPolygonF shape;
        const double h = 7, shaft = 3.5, head = 10;
        if (m_left)
            shape << QPointF(arrowLeft, mid) << QPointF(arrowLeft + head, mid - h)
                  << QPointF(arrowLeft + head, mid - shaft) << QPointF(arrowLeft + arrow, mid - shaft)
                  << QPointF(arrowLeft + arrow, mid + shaft) << QPointF(arrowLeft + head, mid + shaft)
                  << QPointF(arrowLeft + head, mid + h);
        else
            shape << QPointF(arrowLeft + arrow, mid) << QPointF(arrowLeft + arrow - head, mid - h)
                  << QPointF(arrowLeft + arrow - head, mid - shaft) << QPointF(arrowLeft, mid - shaft)
                  << QPointF(arrowLeft, mid + shaft) << QPointF(arrowLeft + arrow - head, mid + shaft)
                  << QPointF(arrowLeft + arrow - head, mid + h);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x00, 0x60, 0x00), 1));
        painter.setBrush(isEnabled() ? QColor(0x00, 0xA0, 0x00) : QColor(0xA0, 0xA0, 0xA0));
        painter.drawPolygon(shape);

        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(QRect(textLeft, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    }

private:
    bool m_left;
};

} // namespace

PrintoutWindow::PrintoutWindow(const ReportDescription &description)
    : ChildWindow(description.name, description.title, 15360, 11520),
      m_description(description),
      m_pager(description.shape)
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    // The letterhead band stands for the letterhead that the paper will
    // carry: it is never printed.
    letterhead = new QLabel(this);
    letterhead->setObjectName(QStringLiteral("letterhead"));
    place(letterhead, 0, 0, 15360, 1335);
    letterhead->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    letterhead->setPixmap(
        QPixmap(QStringLiteral(":/letterhead.png")).scaledToHeight(letterhead->height(), Qt::SmoothTransformation));

    Label1 = ui::makeLabel(this, "Label1", description.heading, ui::timesFont(15.75, true));
    // The heading runs on to the buttons, so that its text, with the date
    // set at each opening, always shows whole without being measured.
    const PrintoutLayout &layout = description.layout;
    const int room = std::min({layout.print.x(), layout.prev.x(), layout.next.x()}) - layout.label.x() - 120;
    place(Label1, layout.label.x(), layout.label.y(), std::max(layout.label.width(), room), layout.label.height());

    cmdprint = ui::makeButton(this, "cmdprint", QStringLiteral("Print"));
    cmdprint->setFont(ui::timesFont(18, true));
    place(cmdprint, description.layout.print.x(), description.layout.print.y(), description.layout.print.width(),
          description.layout.print.height());
    cmdprev = new ArrowButton(this, "cmdprev", QStringLiteral("Prev"), true);
    place(cmdprev, description.layout.prev.x(), description.layout.prev.y(), description.layout.prev.width(),
          description.layout.prev.height());
    cmdnxt = new ArrowButton(this, "cmdnxt", QStringLiteral("Next"), false);
    place(cmdnxt, description.layout.next.x(), description.layout.next.y(), description.layout.next.width(),
          description.layout.next.height());
    setTabOrder(cmdprint, cmdprev);
    setTabOrder(cmdprev, cmdnxt);

    QWidget *previous = cmdnxt;
    for (const ReportColumn &column : description.columns) {
        auto *box = new QLineEdit(QString::fromLatin1(column.caption), this);
        box->setObjectName(QLatin1String(column.heading));
        box->setAccessibleName(QStringLiteral("Heading of the %1").arg(QLatin1String(column.role)));
        box->setAlignment(Qt::AlignCenter);
        box->setFont(ui::timesFont(9.75, true));
        place(box, column.left, description.layout.headingTop, column.width, 495);
        setTabOrder(previous, box);
        previous = box;
        m_headings << box;

        if (!m_fields.contains(QLatin1String(column.field)))
            m_fields << QLatin1String(column.field);
    }
    for (const ReportColumn &column : description.columns) {
        // The page's texts are set at once: one model reset per list and
        // turn, not an item made per entry.
        auto *lst = new QListView(this);
        lst->setObjectName(QLatin1String(column.list));
        lst->setModel(new ui::TextListModel(lst));
        lst->setEditTriggers(QAbstractItemView::NoEditTriggers);
        lst->setAccessibleName(QLatin1String(column.role));
        lst->setFont(ui::sansFont(8));
        lst->setItemDelegate(new FixedRowHeight(lst));
        lst->setUniformItemSizes(true);
        // A page fits its list whole; a long text is cut at the right edge.
        lst->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        lst->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        lst->setTextElideMode(Qt::ElideNone);
        lst->setWordWrap(false);
        place(lst, column.left, description.layout.listTop, column.width, description.layout.listHeight);
        setTabOrder(previous, lst);
        previous = lst;
        m_lists << lst;
    }
    // The lists lie under the heading boxes' lower edge, which stays seen.
    for (QLineEdit *box : std::as_const(m_headings))
        box->raise();

    cmdprint->setFocus();
    connect(cmdprint, &QPushButton::clicked, this, &PrintoutWindow::cmdprint_Click);
    connect(cmdprev, &QPushButton::clicked, this, &PrintoutWindow::cmdprev_Click);
    connect(cmdnxt, &QPushButton::clicked, this, &PrintoutWindow::cmdnxt_Click);
}

QLineEdit *PrintoutWindow::headingBox(const char *name) const
{
    for (QLineEdit *box : m_headings)
        if (box->objectName() == QLatin1String(name))
            return box;
    return nullptr;
}

QListView *PrintoutWindow::list(const char *name) const
{
    for (QListView *lst : m_lists)
        if (lst->objectName() == QLatin1String(name))
            return lst;
    return nullptr;
}

bool PrintoutWindow::Form_Load()
{
    Label1->setText(m_description.heading + QString(m_description.gap, QLatin1Char(' '))
                    + todayShown());
    return showPage(&Pager::first);
}

void PrintoutWindow::cmdnxt_Click()
{
    showPage(&Pager::next);
}

void PrintoutWindow::cmdprev_Click()
{
    showPage(&Pager::previous);
}

std::shared_ptr<RowSource> PrintoutWindow::openRows(bool)
{
    return std::make_shared<CursorRows>(m_description.open(), m_fields);
}

bool PrintoutWindow::showFirstPage()
{
    return showPage(&Pager::first);
}

bool PrintoutWindow::showPage(Page (Pager::*turn)(RowSource &, int))
{
    Pager pager = m_pager;
    Page page;
    const bool read = ui::guarded(this, [&] {
        // The cursor's opening, the turn and the page's rows: one look at
        // the file.
        ReadGroup group(Module1::records());
        const std::shared_ptr<RowSource> rows =
            openRows(turn == static_cast<Page (Pager::*)(RowSource &, int)>(&Pager::first));
        page = (pager.*turn)(*rows, int(m_fields.size()));
    });
    if (!read)
        return false;
    m_pager = pager;
    for (int c = 0; c < m_description.columns.size(); ++c) {
        const ReportColumn &column = m_description.columns[c];
        static_cast<ui::TextListModel *>(m_lists[c]->model())
            ->setStringList(page.entries[column.group][m_fields.indexOf(QLatin1String(column.field))]);
    }
    return true;
}

void PrintoutWindow::cmdprint_Click()
{
    printClientArea(this, QList<QWidget *>{cmdprint, cmdnxt, cmdprev, letterhead} + m_printHidden);
}

} // namespace inv::reports
