#include "frmstatus.h"
#include "data/core/fields.h"

#include "data/stock/module1.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/sortedlist.h"
#include "ui/statuslabel.h"
#include "ui/twips.h"

#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QStringListModel>

namespace inv {

using ui::place;

namespace {

// The item list only selects: no entry is ever edited, so a change of the
// current entry skips the view's look for an editor to open.
class NameList : public QListView {
public:
    using QListView::QListView;

protected:
    bool edit(const QModelIndex &, EditTrigger, QEvent *) override { return false; }
};

QFrame *rectangle(QWidget *parent, const char *name, const char *colour)
{
    auto *shape = new QFrame(parent);
    shape->setObjectName(QLatin1String(name));
    shape->setStyleSheet(
        QStringLiteral("QFrame#%1 { background: %2; border: none; }").arg(QLatin1String(name), QLatin1String(colour)));
    return shape;
}

// A label that shows a value of the selected item. Plain text always: a
// name or description is shown as typed, never read as markup. Its colour
// is its palette's, with no style sheet to apply again whenever the status
// recolours it.
QLabel *valueLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(ui::sansFont(9.75));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ui::setBackColour(label, frmstatus::kValueBackColour);
    return label;
}

} // namespace

frmstatus::frmstatus() : ChildWindow("frmstatus", QStringLiteral("Item Status"), 11520, 8130)
{
    ui::setBackColour(this, 0xFFFFFF);

    // Decoration first, so that it lies under the list and the card.
    Shape3 = rectangle(this, "Shape3", "#C0C0C0");
    place(Shape3, 480, 600, 10815, 7335);
    Shape2 = rectangle(this, "Shape2", "#E0E0E0");
    place(Shape2, 240, 240, 5415, 7335);
    Shape1 = rectangle(this, "Shape1", "#E0E0E0");
    place(Shape1, 5640, 240, 5415, 7335);
    Label7 = ui::makeLabel(this, "Label7", QString(), ui::sansFont(9.75),
                           QStringLiteral("background: white; border: 1px solid black;"));
    place(Label7, 5760, 360, 5175, 6975);

    lstitem = new NameList(this);
    lstitem->setObjectName(QStringLiteral("lstitem"));
    lstitem->setAccessibleName(QStringLiteral("Items"));
    lstitem->setToolTip(QStringLiteral("Click the item to view its details"));
    lstitem->setFont(ui::sansFont(9.75));
    // The names are set at once and all rows are alike, so that a long list
    // is filled and laid out at once.
    m_names = new QStringListModel(lstitem);
    lstitem->setModel(m_names);
    lstitem->setUniformItemSizes(true);
    lstitem->setSelectionMode(QAbstractItemView::SingleSelection);
    lstitem->setEditTriggers(QAbstractItemView::NoEditTriggers);
    place(lstitem, 360, 360, 5175, 7080);

    const QFont captionFont = ui::sansFont(9.75, true);
    struct Caption {
        QLabel **label;
        const char *name, *text;
        int left, top, width;
    };
    const Caption captions[] = {
        {&Label3, "Label3", "Item Number:", 5880, 600, 1380},
        {&Label4, "Label4", "Item Name:", 5880, 1080, 1185},
        {&Label6, "Label6", "Remaining Quantity:", 5880, 1560, 2085},
        {&Label2, "Label2", "Status:", 5880, 2040, 720},
        {&Label8, "Label8", "Date Updated:", 5880, 2520, 1530},
        {&Label5, "Label5", "Item Description", 5880, 3000, 1695},
    };
    for (const Caption &c : captions) {
        *c.label = ui::makeLabel(this, c.name, QString::fromLatin1(c.text), captionFont);
        place(*c.label, c.left, c.top, c.width, 240);
        ui::fitToText(*c.label);
    }

    struct Value {
        QLabel **label;
        const char *name;
        int top;
    };
    const Value values[] = {
        {&lblno, "lblno", 600},          {&lblname, "lblname", 1080}, {&lblrq, "lblrq", 1560},
        {&lblstatus, "lblstatus", 2040}, {&lbldate, "lbldate", 2520},
    };
    for (const Value &v : values) {
        *v.label = valueLabel(this, v.name);
        place(*v.label, 8040, v.top, 2775, 255);
    }
    lblstatus->setAlignment(Qt::AlignCenter);
    lbldesc = valueLabel(this, "lbldesc");
    lbldesc->setWordWrap(true);
    lbldesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(lbldesc, 5880, 3360, 4935, 3735);
    // The value labels keep their place whatever they show: a new text then
    // asks the window for no layout of its own, only a repaint.
    for (QLabel *label : {lblno, lblname, lblrq, lblstatus, lbldate, lbldesc})
        label->setFixedSize(label->size());

    lstitem->setFocus();
    connect(lstitem->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // Emptying the list selects nothing: nothing to show.
        if (lstitem->selectionModel()->hasSelection())
            lstitem_Click();
    });
}

bool frmstatus::Form_Load()
{
    return ui::guarded(this, [this] {
        Module1::OpenCheckConnection();
        ReadGroup reads(Module1::records());
        Module1::OpenItems();
        std::vector<std::pair<QString, qint64>> names;
        Module1::rsItems->forEachValue(
            kItemName, [&](qint64 key, const QVariant &name) { names.emplace_back(fieldText(name), key); });
        m_names->setStringList(ui::sortedAsListed(std::move(names)));
    });
}

void frmstatus::lstitem_Click()
{
    const QModelIndexList selected = lstitem->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const QString name = selected.first().data().toString();
    ui::guarded(this, [&] {
        Module1::OpenCheckConnection();
        Module1::OpenItems();
        // One read of the file: the look-up brings the whole row with it.
        Recordset &rs = *Module1::rsItems;
        if (!rs.FindFirst(kItemName, name))
            return;
        lblstatus->setText(rs.text(kStatus));
        Stat();
        lblname->setText(rs.text(kItemName));
        lblno->setText(rs.text(kItemNo));
        lblrq->setText(rs.text(kRemaining));
        lbldate->setText(rs.text(kDateUpdated));
        lbldesc->setText(QString(kDescriptionIndent, QLatin1Char(' ')) + rs.text(kDescription));
    });
}

void frmstatus::Stat()
{
    ui::PaintStatusLabel(lblstatus);
}

} // namespace inv
