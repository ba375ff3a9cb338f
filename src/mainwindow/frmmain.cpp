#include "frmmain.h"

#include "data/module1.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/picturebutton.h"
#include "ui/twips.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace inv {

bool canUndo = false;

using ui::place;

namespace {

// The client area paints the background picture under every control.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.drawPixmap(QRect(QPoint(), ui::twipsSize(15360, 11520)),
                           QPixmap(QStringLiteral(":/main_background.png")));
    }
};

// Entries of the sorted lists are ordered alphabetically, ignoring case.
class SortedEntry : public QListWidgetItem {
public:
    explicit SortedEntry(const QString &text) : QListWidgetItem(text) {}
    bool operator<(const QListWidgetItem &other) const override
    {
        return QString::compare(text(), other.text(), Qt::CaseInsensitive) < 0;
    }
};

QFrame *rectangle(QWidget *parent, const char *name, const QString &css)
{
    auto *shape = new QFrame(parent);
    shape->setObjectName(QLatin1String(name));
    shape->setStyleSheet(QStringLiteral("QFrame#%1 { %2 }").arg(QLatin1String(name), css));
    return shape;
}

QLineEdit *heading(QWidget *parent, const char *name, const QString &text)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    box->setFont(ui::sansFont(9.75, true));
    box->setStyleSheet(QStringLiteral("QLineEdit { background: white; }"));
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QListWidget *list(QWidget *parent, const char *name)
{
    auto *l = new QListWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->setUniformItemSizes(true);
    l->setSortingEnabled(true);
    l->setStyleSheet(QStringLiteral("QListWidget { background: white; color: #0000FF; }"));
    return l;
}

// Fills a sorted list in one go: sorting a batch once is far cheaper than
// keeping the list sorted on every insert.
void fillSorted(QListWidget *list, QStringList entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    list->setSortingEnabled(false);
    for (const QString &entry : std::as_const(entries))
        list->addItem(new SortedEntry(entry));
    list->setSortingEnabled(true);
}

} // namespace

frmmain::frmmain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Inventory System"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));

    auto *client = new ClientArea(this);
    client->setObjectName(QStringLiteral("client"));
    client->setMinimumSize(ui::twipsSize(15360, 11520));
    setCentralWidget(client);

    Shape1 = rectangle(client, "Shape1", QStringLiteral("border: 1px solid #404040; background: transparent;"));
    place(Shape1, 120, 600, 1575, 9855);
    Shape2 = rectangle(client, "Shape2", QStringLiteral("background: #E0E0E0; border: none;"));
    place(Shape2, 360, 1320, 1215, 8535);
    Shape3 = rectangle(client, "Shape3", QStringLiteral("background: #E0E0E0; border: none;"));
    place(Shape3, 2880, 1560, 5655, 9735);
    Shape4 = rectangle(client, "Shape4", QStringLiteral("background: #E0E0E0; border: none;"));
    place(Shape4, 9000, 1560, 5655, 9735);

    cmdadd = pictureButton(client, "cmdadd", QStringLiteral("Add Item"), QStringLiteral(":/btn_add.png"),
                           QStringLiteral("Add item to database"), 840);
    cmdedit = pictureButton(client, "cmdedit", QStringLiteral("Edit Item"), QStringLiteral(":/btn_edit.png"),
                            QStringLiteral("Edit item info on the database"), 2520);
    cmddel = pictureButton(client, "cmddel", QStringLiteral("Delete Item"), QStringLiteral(":/btn_delete.png"),
                           QStringLiteral("Delete item from the database"), 4200);
    cmdtrans = pictureButton(client, "cmdtrans", QStringLiteral("Show Transaction"),
                             QStringLiteral(":/btn_trans.png"),
                             QStringLiteral("Show the item list and remove item list"), 5880);
    cmdupdate = pictureButton(client, "cmdupdate", QStringLiteral("Update Inventory"),
                              QStringLiteral(":/btn_update.png"), QStringLiteral("Update the quantity of an item"),
                              7560);
    connect(cmdtrans, &QToolButton::clicked, this, &frmmain::cmdtrans_Click);

    txtitem = heading(client, "txtitem", QStringLiteral("Availabe Items"));
    place(txtitem, 2640, 1080, 5655, 495);
    lstitem = list(client, "lstitem");
    lstitem->setToolTip(QStringLiteral("Click the item to remove"));
    place(lstitem, 2640, 1440, 5655, 9420);
    txtremove = heading(client, "txtremove", QStringLiteral("Removed Items"));
    place(txtremove, 8760, 1080, 5655, 495);
    lstremove = list(client, "lstremove");
    place(lstremove, 8760, 1440, 5655, 9420);

    // Tab order: the picture buttons, then the tally list, then the items.
    setTabOrder(cmdadd, cmdedit);
    setTabOrder(cmdedit, cmddel);
    setTabOrder(cmddel, cmdtrans);
    setTabOrder(cmdtrans, cmdupdate);
    setTabOrder(cmdupdate, lstremove);
    setTabOrder(lstremove, lstitem);

    buildToolbar(client);
    setPanelVisible(false);
    resize(ui::twipsSize(15360, 11520) + QSize(0, menuBar()->sizeHint().height()));
}

QToolButton *frmmain::pictureButton(QWidget *client, const char *name, const QString &caption,
                                    const QString &picture, const QString &tooltip, int top)
{
    auto *button = new ui::PictureButton(client);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolTip(tooltip);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(48, 48));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoRaise(false);
    place(button, 240, top, 1245, 1740);
    return button;
}

void frmmain::buildToolbar(QWidget *client)
{
    Toolbar1 = new QToolBar(client);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setIconSize(QSize(28, 28));
    Toolbar1->setGeometry(0, 0, ui::twips(15360), ui::twips(600) - 2);
    struct Button {
        const char *key, *tooltip, *picture;
    };
    const Button buttons[] = {
        {"New", "Add New Item", ":/tb_new.png"},
        {"View", "View Item Status", ":/tb_view.png"},
        {"Print", "Print Item List", ":/tb_print.png"},
        {"Help", "Help", ":/tb_help.png"},
        {"Logo", "View Software Info", ":/tb_logo.png"},
    };
    for (const Button &b : buttons) {
        QAction *action = Toolbar1->addAction(QIcon(QString::fromLatin1(b.picture)), QString::fromLatin1(b.key));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setData(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromLatin1(b.tooltip));
    }
    connect(Toolbar1, &QToolBar::actionTriggered, this, &frmmain::Toolbar1_ButtonClick);
}

QAction *frmmain::toolbarButton(const QString &key) const
{
    for (QAction *action : Toolbar1->actions())
        if (action->data().toString() == key)
            return action;
    return nullptr;
}

void frmmain::Toolbar1_ButtonClick(QAction *)
{
}

bool frmmain::Form_Load()
{
    return ui::guarded(this, [this] {
        // The records connection follows dbPath from here on.
        Module1::OpenRecordsConnection();
        Module1::OpenItems();

        Module1::OpenCheckConnection();
        Module1::OpenItems();
        Module1::OpenMisc();
        fillItemList();
        canUndo = false;

        // A Misc table without a row leaves the design-time caption.
        if (Module1::rsMisc->RecordCount() > 0) {
            Module1::rsMisc->MoveFirst();
            const QString coname = Module1::rsMisc->text(QStringLiteral("coname"));
            if (!coname.isEmpty())
                setWindowTitle(coname + QStringLiteral(" Inventory System"));
            const QString pat = Module1::rsMisc->text(QStringLiteral("pat"));
            if (!pat.isEmpty())
                Module1::dbPath = pat;
        }
    });
}

void frmmain::fillItemList()
{
    const int nameField = Module1::rsItems->fieldIndex(QStringLiteral("item_name"));
    QStringList names;
    Module1::rsItems->forEach([&](const Row &row) { names << FieldText(row.values.value(nameField)); });
    fillSorted(lstitem, names);
}

QString frmmain::TallyLine(const QVariant &name, const QVariant &quantity)
{
    return FieldText(name) + QStringLiteral("      (") + FieldText(quantity) + QStringLiteral(")");
}

void frmmain::RefillRemovedList()
{
    lstremove->clear();
    auto &rs = *Module1::rsItemsout;
    const int name = rs.fieldIndex(QStringLiteral("item_name"));
    const int quantity = rs.fieldIndex(QStringLiteral("quantity"));
    QStringList lines;
    rs.forEach([&](const Row &row) { lines << TallyLine(row.values.value(name), row.values.value(quantity)); });
    fillSorted(lstremove, lines);
}

void frmmain::cmdtrans_Click()
{
    lstitem->clear();
    lstremove->clear();
    const bool ok = ui::guarded(this, [this] {
        Module1::OpenCheckConnection();
        Module1::OpenItems();
        Module1::OpenItemsout();
        fillItemList();
        RefillRemovedList();
    });
    if (!ok)
        return;
    setPanelVisible(cmdtrans->text() == QStringLiteral("Show Transaction"));
}

void frmmain::setPanelVisible(bool visible)
{
    for (QWidget *w : {static_cast<QWidget *>(Shape3), static_cast<QWidget *>(Shape4),
                       static_cast<QWidget *>(txtitem), static_cast<QWidget *>(txtremove),
                       static_cast<QWidget *>(lstitem), static_cast<QWidget *>(lstremove)})
        w->setVisible(visible);
    cmdtrans->setText(visible ? QStringLiteral("Hide Transaction") : QStringLiteral("Show Transaction"));
}

void frmmain::hideTransactionPanel()
{
    setPanelVisible(false);
}

bool frmmain::transactionPanelShown() const
{
    return !lstitem->isHidden();
}

} // namespace inv
