#include "frmmain.h"
#include "data/core/fields.h"

#include "data/stock/module1.h"
#include "frmdeleteremove.h"
#include "frmremain.h"
#include "frmremoved.h"
#include "items/frmadd.h"
#include "items/frmdelete.h"
#include "items/frmedit.h"
#include "items/frmupdate.h"
#include "reports/frmhistory.h"
#include "reports/frmprint.h"
#include "reports/frmprintl.h"
#include "reports/frmreorder.h"
#include "reports/frmstatus.h"
#include "startup/frmhelp.h"
#include "startup/frmuser.h"
#include "stockdesk.h"
#include "followup.h"
#include "itemlist.h"
#include "scanbox.h"
#include "ui/controls.h"
#include "ui/entrylist.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/loadwindow.h"
#include "ui/picturebutton.h"
#include "ui/prompts.h"
#include "ui/publisher.h"
#include "ui/sortedlist.h"
#include "ui/twips.h"
#include "ui/windowopener.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace inv {

bool canUndo = false;

using ui::fillSorted;
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

QListWidget *list(QWidget *parent, const char *name, QListWidget *l = nullptr)
{
    if (!l)
        l = new ui::EntryList(parent);
    l->setObjectName(QLatin1String(name));
    // Every entry is one line: a change to one entry repaints that entry.
    l->setUniformItemSizes(true);
    // Kept in alphabetical order by the fills (ui/sortedlist), not by the
    // list itself.
    //
    // White with blue text, given as the list's colours and not as a style
    // sheet: a style sheet's background leaves the inside of the list
    // transparent, so that repainting one entry would repaint the window's
    // picture, the shadow and the heading behind it as well. The frame's
    // shade follows the window colour, white as the style sheet made it.
    QPalette colours = l->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::Text, QColor(0x00, 0x00, 0xFF));
    l->setPalette(colours);
    // The scroll bars keep the colours of the application, every one of them.
    for (QScrollBar *bar : {l->horizontalScrollBar(), l->verticalScrollBar()}) {
        QPalette own = QApplication::palette(bar);
        for (int group = 0; group < QPalette::NColorGroups; ++group)
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                const auto g = QPalette::ColorGroup(group);
                const auto r = QPalette::ColorRole(role);
                own.setBrush(g, r, own.brush(g, r));
            }
        bar->setPalette(own);
    }
    return l;
}

// A window whose loading may fail: nullptr then (it has said why).
template <typename W>
QWidget *loaded()
{
    return ui::loadWindow<W>();
}

// The window each entry opens. An entry that has none here is shown but
// disabled; wiring a new window is one line.
const std::pair<const char *, frmmain::WindowFactory> kWindows[] = {
    {"nAddItem", [] { return static_cast<QWidget *>(new frmadd); }},
    {"nEditItem", [] { return static_cast<QWidget *>(new frmedit); }},
    {"nDeleteItem", [] { return static_cast<QWidget *>(new frmdelete); }},
    {"nRemaining", loaded<frmremain>},
    {"nOut", loaded<frmremoved>},
    {"nViewItemStatus", loaded<frmstatus>},
    {"nHistory", loaded<frmhistory>},
    {"nReorder", loaded<frmreorder>},
    {"nRemainingItems", loaded<frmprint>},
    {"nRemovedItems", loaded<frmprintl>},
    {"nDeleteRemovedItems", [] { return static_cast<QWidget *>(new frmdeleteremove); }},
    {"nUpdate", loaded<frmupdate>},
    {"nChange", [] { return static_cast<QWidget *>(new frmuser); }},
    {"Logo", [] { return static_cast<QWidget *>(new frmhelp); }},
};

// Entries that only the administrator has.
const char *const kRestrictedEntries[] = {"nAddItem", "nEditItem",          "nDeleteItem",         "nUndoRemove",
                                          "nUpdate",  "nDeleteRemoveItems", "nDeleteRemovedItems", "nChange"};

} // namespace

frmmain::frmmain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmmain"));
    m_follow = new OthersFollower(this);
    setWindowTitle(QStringLiteral("Inventory System"));
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));

    auto *client = new ClientArea(this);
    client->setObjectName(QStringLiteral("client"));
    // No minimum size: the window shrinks like any resizable window, and
    // what no longer fits is cut off.
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
    cmdtrans = pictureButton(client, "cmdtrans", QStringLiteral("Show Transaction"), QStringLiteral(":/btn_trans.png"),
                             QStringLiteral("Show the item list and remove item list"), 5880);
    cmdupdate =
        pictureButton(client, "cmdupdate", QStringLiteral("Update Inventory"), QStringLiteral(":/btn_update.png"),
                      QStringLiteral("Update the quantity of an item"), 7560);
    connect(cmdtrans, &QToolButton::clicked, this, &frmmain::cmdtrans_Click);

    txtitem = heading(client, "txtitem", QStringLiteral("Availabe Items"));
    place(txtitem, 2640, 1080, 5655, 495);
    auto *items = new ItemList(client);
    connect(items, &ItemList::entryClicked, this, &frmmain::itemClicked);
    connect(items, &ItemList::selectionKeyed, this, &frmmain::itemKeyed);
    lstitem = list(client, "lstitem", items);
    lstitem->setToolTip(QStringLiteral("Click the item to remove"));
    place(lstitem, 2640, 1440, 5655, 9420);
    txtremove = heading(client, "txtremove", QStringLiteral("Removed Items"));
    place(txtremove, 8760, 1080, 5655, 495);
    lstremove = list(client, "lstremove");
    place(lstremove, 8760, 1440, 5655, 9420);
    // The headings are boxes, not labels, so the lists are named here.
    txtitem->setAccessibleName(QStringLiteral("Available items heading"));
    lstitem->setAccessibleName(QStringLiteral("Available items"));
    txtremove->setAccessibleName(QStringLiteral("Removed items heading"));
    lstremove->setAccessibleName(QStringLiteral("Removed items"));
    buildScanBox(client);

    // Tab order: the picture buttons, the item-number box, then the tally
    // list, then the items.
    setTabOrder(cmdadd, cmdedit);
    setTabOrder(cmdedit, cmddel);
    setTabOrder(cmddel, cmdtrans);
    setTabOrder(cmdtrans, cmdupdate);
    setTabOrder(cmdupdate, txtscan);
    setTabOrder(txtscan, lstremove);
    setTabOrder(lstremove, lstitem);

    connect(cmdadd, &QToolButton::clicked, this, &frmmain::cmdadd_Click);
    connect(cmdedit, &QToolButton::clicked, this, &frmmain::cmdedit_Click);
    connect(cmddel, &QToolButton::clicked, this, &frmmain::cmddel_Click);
    connect(cmdupdate, &QToolButton::clicked, this, &frmmain::cmdupdate_Click);

    buildToolbar(client);
    buildMenus();
    for (const auto &[entry, factory] : kWindows)
        m_windows.insert(QLatin1String(entry), factory);
    updateEntries();
    setPanelVisible(false);
    resize(ui::twipsSize(15360, 11520) + QSize(0, menuBar()->sizeHint().height()));
}

void frmmain::buildScanBox(QWidget *client)
{
    // In the strip between the toolbar and the lists' headings, so that it
    // is there whether the transaction panel is shown or not.
    lblscan = ui::makeLabel(client, "lblscan", QStringLiteral("Item number:"), ui::sansFont(9.75, true));
    place(lblscan, 2640, 690, 1455, 315);
    ui::fitToText(lblscan);
    auto *box = new ScanBox(client);
    connect(box, &ScanBox::numberEnded, this, &frmmain::txtscan_Submit);
    txtscan = box;
    txtscan->setObjectName(QStringLiteral("txtscan"));
    txtscan->setFont(ui::sansFont(9.75));
    txtscan->setAccessibleName(QStringLiteral("Item number"));
    txtscan->setToolTip(QStringLiteral("Type or scan an item number and press Enter to take one out (%1)")
                            .arg(scanKey().toString(QKeySequence::NativeText)));
    place(txtscan, 4140, 660, 2400, 375);
    lblscan->setBuddy(txtscan);
    lblscanmsg = ui::makeLabel(client, "lblscanmsg", QString(), ui::sansFont(9.75, true),
                               QStringLiteral("background: transparent; color: #C00000;"));
    place(lblscanmsg, 6660, 690, 7755, 315);
    lblscanmsg->setAccessibleName(QStringLiteral("Item number message"));

    m_scanShortcut = new QShortcut(scanKey(), this);
    m_scanShortcut->setContext(Qt::WindowShortcut);
    connect(m_scanShortcut, &QShortcut::activated, this, [this] {
        if (!txtscan)
            return;
        txtscan->setFocus(Qt::ShortcutFocusReason);
        txtscan->selectAll();
    });
}

QToolButton *frmmain::pictureButton(QWidget *client, const char *name, const QString &caption, const QString &picture,
                                    const QString &tooltip, int top)
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
        {"New", "Add New Item", ":/tb_new.png"},         {"View", "View Item Status", ":/tb_view.png"},
        {"Print", "Print Item List", ":/tb_print.png"},  {"Help", "Help", ":/tb_help.png"},
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

void frmmain::buildMenus()
{
    QMenuBar *bar = menuBar();
    const auto menu = [](QMenu *menu, const char *name) {
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };
    const auto entry = [this](QMenu *menu, const char *name, const QString &caption,
                              const QKeySequence &shortcut = {}) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        // The window's shortcuts act wherever the focus is in it.
        action->setShortcutContext(Qt::WindowShortcut);
        // The entries that open a window open the one wired to their name.
        connect(action, &QAction::triggered, this, [this, action] { openEntry(action->objectName()); });
        return action;
    };

    mFile = menu(bar->addMenu(QStringLiteral("&File")), "mFile");
    nAddItem = entry(mFile, "nAddItem", QStringLiteral("&Add Item"), QKeySequence(QStringLiteral("Ctrl+A")));
    nEditItem = entry(mFile, "nEditItem", QStringLiteral("&Edit Item"), QKeySequence(QStringLiteral("Ctrl+E")));
    nDeleteItem = entry(mFile, "nDeleteItem", QStringLiteral("&Delete Item"), QKeySequence(QStringLiteral("Ctrl+D")));
    nPrintItemList = menu(mFile->addMenu(QStringLiteral("&Print Item List")), "nPrintItemList");
    nRemainingItems = entry(nPrintItemList, "nRemainingItems", QStringLiteral("&Remaining Items"),
                            QKeySequence(QStringLiteral("Ctrl+P")));
    nRemovedItems = entry(nPrintItemList, "nRemovedItems", QStringLiteral("&Remo&ved Items"),
                          QKeySequence(QStringLiteral("Ctrl+O")));
    nExit =
        mFile->addAction(QStringLiteral("E&xit"), QKeySequence(QStringLiteral("Ctrl+X")), this, &frmmain::nExit_Click);
    nExit->setObjectName(QStringLiteral("nExit"));

    mView = menu(bar->addMenu(QStringLiteral("&View")), "mView");
    nViewItemList = menu(mView->addMenu(QStringLiteral("&View Item List")), "nViewItemList");
    nRemaining =
        entry(nViewItemList, "nRemaining", QStringLiteral("&Remaining"), QKeySequence(QStringLiteral("Ctrl+R")));
    nIn = nViewItemList->addAction(QStringLiteral("&In"));
    nIn->setObjectName(QStringLiteral("nIn"));
    nIn->setVisible(false);
    nOut = entry(nViewItemList, "nOut", QStringLiteral("&Removed"));
    nViewItemStatus = entry(mView, "nViewItemStatus", QStringLiteral("View &Item Status"));
    nHistory = entry(mView, "nHistory", QStringLiteral("Stock &History"));
    nReorder = entry(mView, "nReorder", QStringLiteral("&Reorder List"));
    nToolBar = mView->addAction(QStringLiteral("&ToolBar"), this, &frmmain::nToolBar_Click);
    nToolBar->setObjectName(QStringLiteral("nToolBar"));
    nToolBar->setCheckable(true);
    nToolBar->setChecked(true);

    mAction = menu(bar->addMenu(QStringLiteral("&Action")), "mAction");
    nUndoRemove = mAction->addAction(QStringLiteral("U&ndo Remove"), QKeySequence(QStringLiteral("Ctrl+Z")), this,
                                     &frmmain::cmdundo);
    nUndoRemove->setObjectName(QStringLiteral("nUndoRemove"));
    nUpdate = entry(mAction, "nUpdate", QStringLiteral("&Update Items"));
    nDeleteRemoveItems =
        mAction->addAction(QStringLiteral("&Clear Removed Item List"), this, &frmmain::nDeleteRemoveItems_Click);
    nDeleteRemoveItems->setObjectName(QStringLiteral("nDeleteRemoveItems"));
    nDeleteRemovedItems = entry(mAction, "nDeleteRemovedItems", QStringLiteral("&Delete Removed Item/s"),
                                QKeySequence(QStringLiteral("Shift+Del")));
    nChange = entry(mAction, "nChange", QStringLiteral("Change UserName/Password"));

    mLogOut = bar->addAction(QStringLiteral("&Log-Out"), this, &frmmain::mLogOut_Click);
    mLogOut->setObjectName(QStringLiteral("mLogOut"));
}

void frmmain::setWindow(const QString &entry, WindowFactory factory)
{
    if (factory)
        m_windows.insert(entry, std::move(factory));
    else
        m_windows.remove(entry);
    updateEntries();
}

bool frmmain::entryAvailable(const QString &entry) const
{
    if (m_restricted) {
        for (const char *restricted : kRestrictedEntries)
            if (entry == QLatin1String(restricted))
                return false;
    }
    return m_windows.contains(entry) || entry == QLatin1String("nUndoRemove")
           || entry == QLatin1String("nDeleteRemoveItems");
}

// Every entry, toolbar button and picture button is enabled exactly when
// what it leads to is there and the mode allows it. While the window itself
// is disabled (another window is open) every action is disabled with it: a
// disabled window's menus still let its actions be triggered from outside
// (an accessibility client's "press"), and a disabled action refuses that.
void frmmain::updateEntries()
{
    const bool on = isEnabled();
    for (QAction *action :
         {nAddItem, nEditItem, nDeleteItem, nRemainingItems, nRemovedItems, nRemaining, nOut, nViewItemStatus, nHistory,
          nReorder, nUndoRemove, nUpdate, nDeleteRemoveItems, nDeleteRemovedItems, nChange})
        action->setEnabled(on && entryAvailable(action->objectName()));
    for (QAction *action :
         {nExit, nToolBar, mLogOut, mFile->menuAction(), mView->menuAction(), mAction->menuAction(),
          nPrintItemList->menuAction(), nViewItemList->menuAction(), toolbarButton(QStringLiteral("Help"))})
        action->setEnabled(on);
    toolbarButton(QStringLiteral("New"))->setEnabled(nAddItem->isEnabled());
    toolbarButton(QStringLiteral("View"))->setEnabled(nViewItemStatus->isEnabled());
    toolbarButton(QStringLiteral("Print"))->setEnabled(nRemainingItems->isEnabled());
    toolbarButton(QStringLiteral("Logo"))->setEnabled(on && entryAvailable(QStringLiteral("Logo")));
    cmdadd->setEnabled(nAddItem->isEnabled());
    cmdedit->setEnabled(nEditItem->isEnabled());
    cmddel->setEnabled(nDeleteItem->isEnabled());
    cmdupdate->setEnabled(nUpdate->isEnabled());
    cmdtrans->setEnabled(!m_restricted);
}

void frmmain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        updateEntries();
        // What came in meanwhile, or a connection that a child window's
        // action made again (it listens on a new socket).
        if (isEnabled())
            QMetaObject::invokeMethod(this, &frmmain::followOthers, Qt::QueuedConnection);
    }
}

QWidget *frmmain::openEntry(const QString &entry)
{
    if (!entryAvailable(entry) || !m_windows.contains(entry))
        return nullptr;
    QWidget *window = m_windows.value(entry)();
    return window ? ui::openFrom(this, window) : nullptr;
}

void frmmain::setRestrictedMode()
{
    m_restricted = true;
    // What the mode hides is a convenience; the data layer refuses the writes.
    Module1::setViewOnly(true);
    // Hidden entries are disabled as well, so that their shortcut keys do
    // nothing either.
    for (QAction *action :
         {nAddItem, nEditItem, nDeleteItem, mAction->menuAction(), toolbarButton(QStringLiteral("New"))})
        action->setVisible(false);
    // View-only: no box to take stock out by number, and no key to it.
    delete m_scanShortcut;
    m_scanShortcut = nullptr;
    for (QWidget *w :
         {static_cast<QWidget *>(txtscan), static_cast<QWidget *>(lblscan), static_cast<QWidget *>(lblscanmsg)})
        delete w;
    txtscan = nullptr;
    lblscan = nullptr;
    lblscanmsg = nullptr;
    updateEntries();
}

void frmmain::cmdadd_Click()
{
    openEntry(QStringLiteral("nAddItem"));
    hideTransactionPanel();
}

void frmmain::cmdedit_Click()
{
    openEntry(QStringLiteral("nEditItem"));
    hideTransactionPanel();
}

void frmmain::cmddel_Click()
{
    openEntry(QStringLiteral("nDeleteItem"));
    hideTransactionPanel();
}

void frmmain::cmdupdate_Click()
{
    openEntry(QStringLiteral("nUpdate"));
    hideTransactionPanel();
}

void frmmain::nToolBar_Click()
{
    // The action ticks and unticks itself; the toolbar follows the tick.
    Toolbar1->setVisible(nToolBar->isChecked());
}

void frmmain::nDeleteRemoveItems_Click()
{
    if (!entryAvailable(QStringLiteral("nDeleteRemoveItems")))
        return;
    cmdclear();
    canUndo = false;
}

void frmmain::nExit_Click()
{
    // Ends the program at once: no window is asked to close. Every change
    // has already been written.
    QCoreApplication::exit(0);
}

void frmmain::mLogOut_Click()
{
    // The road back to the welcome window is the start-up's; it listens.
    emit loggedOut();
    close();
}

QString frmmain::helpText(bool withScanBox)
{
    QStringList lines{QStringLiteral("If you have questions or comments, feel free to contact the developer."),
                      QString(),
                      QString(),
                      QStringLiteral("E-mail: ") + QLatin1String(ui::kContactEmail),
                      QStringLiteral("Website: ") + QLatin1String(ui::kWebsite),
                      QString(),
                      QStringLiteral("To God be the Glory!")};
    if (withScanBox)
        lines << QString()
              << QStringLiteral("%1 goes to the Item number box: type or scan a number and press Enter to take "
                                "one unit out.")
                     .arg(scanKey().toString(QKeySequence::NativeText));
    return lines.join(QLatin1Char('\n'));
}

void frmmain::showHelp()
{
    ui::Prompts::message(this, helpText(txtscan != nullptr), QLatin1String(ui::kPublisherName));
}

void frmmain::Toolbar1_ButtonClick(QAction *button)
{
    const QString key = button->data().toString();
    if (key == QLatin1String("New"))
        cmdadd_Click();
    else if (key == QLatin1String("View"))
        openEntry(QStringLiteral("nViewItemStatus"));
    else if (key == QLatin1String("Print"))
        openEntry(QStringLiteral("nRemainingItems"));
    else if (key == QLatin1String("Help"))
        showHelp();
    else if (key == QLatin1String("Logo"))
        openEntry(QStringLiteral("Logo"));
}

bool frmmain::Form_Load()
{
    return ui::guarded(this, [this] {
        // The records connection follows dbPath from here on, opened as the
        // remaining-items grid opens it.
        Module1::openRecordsItems();

        Module1::OpenCheckConnection();
        Module1::OpenMisc();
        fillItemList();
        canUndo = false;
        m_follow->watch();

        // A Misc table without a row leaves the design-time caption.
        if (Module1::miscFirstRow()) {
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
    m_follow->showItemNames(Module1::rsItems->columnText(kItemName));
}

QString frmmain::tallyLine(const QVariant &name, const QVariant &quantity)
{
    return fieldText(name) + QStringLiteral("      (") + fieldText(quantity) + QStringLiteral(")");
}

void frmmain::RefillRemovedList()
{
    m_follow->refillTally();
}

void frmmain::cmdtrans_Click()
{
    lstitem->clear();
    lstremove->clear();
    m_follow->forgetShown();
    const bool ok = ui::guarded(this, [this] {
        Module1::OpenCheckConnection();
        Module1::OpenItems();
        Module1::OpenItemsout();
        fillItemList();
        RefillRemovedList();
    });
    if (!ok)
        return;
    setPanelVisible(!transactionPanelShown());
}

void frmmain::setPanelVisible(bool visible)
{
    for (QWidget *w :
         {static_cast<QWidget *>(Shape3), static_cast<QWidget *>(Shape4), static_cast<QWidget *>(txtitem),
          static_cast<QWidget *>(txtremove), static_cast<QWidget *>(lstitem), static_cast<QWidget *>(lstremove)})
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

// ---- Removal desk: removal, undo and clearing the tally ----------------------

// Every left click on an entry is one removal, the selected one included
// (the list reports it at the button's release), and so is every change of
// the selection by a key. A selection the program sets (a reload, a list
// that keeps the clerk's entry) takes nothing. A disabled window takes
// nothing either.
void frmmain::itemClicked(QListWidgetItem *entry)
{
    if (!isEnabled())
        return;
    lstitem->selectionModel()->setCurrentIndex(lstitem->indexFromItem(entry), QItemSelectionModel::ClearAndSelect);
    lstitem_Click();
}

void frmmain::itemKeyed()
{
    if (isEnabled() && selectedItemName())
        lstitem_Click();
}

std::optional<QString> frmmain::selectedItemName() const
{
    const QList<QListWidgetItem *> selected = lstitem->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->text();
}

void frmmain::lstitem_Click()
{
    const std::optional<QString> name = selectedItemName();
    takeOne(name ? std::optional(StockDesk::ItemKey::name(*name)) : std::nullopt);
    m_scanUndo.reset();
}

std::optional<StockDesk::Outcome> frmmain::takeOne(const std::optional<StockDesk::ItemKey> &key)
{
    // What came in with this action's own answers, once it is done.
    QMetaObject::invokeMethod(this, &frmmain::followOthers, Qt::QueuedConnection);
    StockDesk::Outcome outcome;
    const bool ok = ui::guarded(this, [&] {
        outcome = StockDesk::removeOne(key);
        m_follow->followTally(outcome.before, outcome.after, outcome.tally);
    });
    if (!ok)
        m_follow->tallyUnknown();
    if (!outcome.message.isEmpty()) {
        ui::Prompts::message(this, outcome.message);
        if (ok)
            m_follow->catchUpTally();
    }
    canUndo = true;
    // A click that took nothing leaves nothing to put back.
    m_unitToUndo = outcome.changed;
    m_countedIn = outcome.tally ? std::optional<qint64>(outcome.tally->key) : std::nullopt;
    if (!ok)
        return std::nullopt;
    return outcome;
}

QKeySequence frmmain::scanKey()
{
    return QKeySequence(Qt::Key_F2);
}

QString frmmain::scannedNumber(const QString &text)
{
    QString number;
    number.reserve(text.size());
    for (const QChar c : text)
        if (c.category() != QChar::Other_Control)
            number += c;
    return number;
}

void frmmain::txtscan_Submit()
{
    if (!txtscan || m_restricted || !isEnabled())
        return;
    const QString number = scannedNumber(txtscan->text());
    txtscan->clear();
    if (number.isEmpty())
        return; // a second line end, or a code of control characters only
    lblscanmsg->clear();
    const std::optional<StockDesk::Outcome> outcome = takeOne(StockDesk::ItemKey::number(number));
    m_scanUndo = outcome ? outcome->undoKey : std::nullopt;
    if (outcome && !outcome->found)
        lblscanmsg->setText(QStringLiteral("No item has the number %1.").arg(number));
}

void frmmain::cmdundo()
{
    // What came in with this action's own answers, once it is done.
    QMetaObject::invokeMethod(this, &frmmain::followOthers, Qt::QueuedConnection);
    const bool unit = canUndo && m_unitToUndo;
    canUndo = false;
    m_unitToUndo = false;
    // After a scan its own key undoes it; after a click, the selected entry.
    const std::optional<StockDesk::ItemKey> scanned = std::exchange(m_scanUndo, std::nullopt);
    // The tally row the removal counted its unit in: after another clerk's
    // clear, the unit goes back to stock and no other row goes down.
    const std::optional<qint64> countedIn = std::exchange(m_countedIn, std::nullopt);
    if (!unit) {
        m_follow->catchUpTally();
        return;
    }
    StockDesk::Outcome outcome;
    const bool ok = ui::guarded(this, [&] {
        outcome = scanned ? StockDesk::undoRemoval(scanned, countedIn)
                          : StockDesk::undoRemoval(selectedItemName(), countedIn);
        // The versions read under the undo's own lock: another program's
        // write just after it cannot slip past the list.
        if (outcome.changed)
            m_follow->followTally(outcome.before, outcome.after, outcome.tally);
    });
    if (!ok)
        m_follow->tallyUnknown();
    if (!outcome.message.isEmpty())
        ui::Prompts::message(this, outcome.message);
    if (ok && !outcome.changed)
        m_follow->catchUpTally();
}

void frmmain::cmdclear()
{
    // What came in with this action's own answers, once it is done.
    QMetaObject::invokeMethod(this, &frmmain::followOthers, Qt::QueuedConnection);
    StockDesk::Outcome outcome;
    const bool ok = ui::guarded(this, [&] { outcome = StockDesk::clearTally(); });
    if (!ok) {
        m_follow->forgetTally();
        return;
    }
    // The table was empty under the clear's lock, at the version read there.
    m_follow->tallyCleared(outcome.after);
}

// -----------------------------------------------------------------------------

void frmmain::followOthers()
{
    m_follow->follow();
}

void frmmain::readShownAgain()
{
    m_follow->readAgain();
}

} // namespace inv
