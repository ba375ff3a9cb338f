#pragma once
// The main window: the stock-out desk with its item list and removal tally,
// and the hub from which every other window is opened.

#include "data/core/connection.h"
#include "stockdesk.h"
#include "ui/showsrecords.h"

#include <QHash>
#include <QKeySequence>
#include <QMainWindow>
#include <QVariant>

#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QShortcut;
class QListWidget;
class QListWidgetItem;
class QToolBar;
class QToolButton;
class QAction;
class QMenu;

namespace inv {

class OthersFollower;

// Whether the last click on the item list may be undone (program-wide).
extern bool canUndo;

class frmmain : public QMainWindow, public ui::ShowsRecords {
    Q_OBJECT

public:
    explicit frmmain(QWidget *parent = nullptr);

    // Re-opens the records connection on dbPath, fills the item list and
    // sets the caption. False when the database failed (a message was shown).
    bool Form_Load();

    // Reloads both lists and shows or hides the transaction panel.
    void cmdtrans_Click();
    // Lists one tally line per row of the current Itemsout cursor.
    void RefillRemovedList();
    // Hides the six controls of the panel; the button offers to show it.
    void hideTransactionPanel();
    bool transactionPanelShown() const;

    // "Toner      (12)"; a value without text contributes nothing.
    static QString tallyLine(const QVariant &name, const QVariant &quantity);

    QToolBar *Toolbar1;
    QToolButton *cmdadd;
    QToolButton *cmdedit;
    QToolButton *cmddel;
    QToolButton *cmdtrans;
    QToolButton *cmdupdate;
    QLineEdit *txtitem;
    QListWidget *lstitem;
    QLineEdit *txtremove;
    QListWidget *lstremove;
    QFrame *Shape1;
    QFrame *Shape2;
    QFrame *Shape3;
    QFrame *Shape4;

    // The toolbar button with the given key ("New", "View", "Print",
    // "Help", "Logo").
    QAction *toolbarButton(const QString &key) const;
    // Runs the action of the first key, in the order of the toolbar, that
    // equals the button's key exactly; another key does nothing.
    void Toolbar1_ButtonClick(QAction *button);

    // The menu bar. Menus and entries carry their entry name as objectName.
    QMenu *mFile;
    QAction *nAddItem;
    QAction *nEditItem;
    QAction *nDeleteItem;
    QMenu *nPrintItemList;
    QAction *nRemainingItems;
    QAction *nRemovedItems;
    QAction *nExit;
    QMenu *mView;
    QMenu *nViewItemList;
    QAction *nRemaining;
    QAction *nIn;
    QAction *nOut;
    QAction *nViewItemStatus;
    QAction *nHistory;
    QAction *nReorder;
    QAction *nToolBar;
    QMenu *mAction;
    QAction *nUndoRemove;
    QAction *nUpdate;
    QAction *nDeleteRemoveItems;
    QAction *nDeleteRemovedItems;
    QAction *nChange;
    // Shows the welcome window and unloads this one.
    QAction *mLogOut;

    // The picture buttons: the menu command, then the panel is hidden.
    void cmdadd_Click();
    void cmdedit_Click();
    void cmddel_Click();
    void cmdupdate_Click();
    void nToolBar_Click();
    void nDeleteRemoveItems_Click();
    void nExit_Click();
    void mLogOut_Click();
    // The toolbar's help message.
    void showHelp();
    // withScanBox: the line that names the item-number box's key.
    static QString helpText(bool withScanBox = true);

    // Makes a window for an entry; nullptr when its loading failed (the
    // window has shown why).
    using WindowFactory = std::function<QWidget *()>;
    // Wires a window to an entry ("nAddItem", ..., and "Logo" for the
    // toolbar's software information). An entry without a window stays
    // visible but disabled, along with the buttons that lead to it.
    void setWindow(const QString &entry, WindowFactory factory);
    // Opens the entry's window through the opening rule. Returns it, or
    // nullptr when nothing opened (no window, restricted, loading failed).
    QWidget *openEntry(const QString &entry);

    // For a user who entered without a password: viewing and printing only.
    // Lasts until the window is unloaded.
    void setRestrictedMode();
    bool restrictedMode() const { return m_restricted; }

    // ---- Removal desk: removal, undo and clearing the tally ----------------
    // A click on an item name (or a selection moved by a key): takes one
    // unit of the selected item out of stock.
    void lstitem_Click();
    // Puts back the unit of the last click, once.
    void cmdundo();
    // Deletes the whole tally.
    void cmdclear();

    // ---- Taking out by item number (keyboard or scanner) --------------------
    // The box an item number is typed or scanned into, its caption and the
    // one-line answer to a number no item has. None of them exists in
    // view-only mode (nullptr then).
    QLineEdit *txtscan = nullptr;
    QLabel *lblscan = nullptr;
    QLabel *lblscanmsg = nullptr;
    // The key that puts the focus into txtscan from anywhere in the window.
    static QKeySequence scanKey();
    // A number ended by Enter or Tab: takes one unit of the item with that
    // exact number, as a click takes one of an entry's item; the box empties
    // and keeps the focus.
    void txtscan_Submit();
    // The number in a box's text: ASCII and other control characters, which
    // scanners send before or after a code, left out.
    static QString scannedNumber(const QString &text);
    // Other clerks' changes: the lists read again when the database says
    // another program changed their table, keeping the selection, so that
    // undo still puts back the last click's unit (what changes in a list is
    // only what differs: see OthersFollower). Not while a child window keeps
    // this one disabled: then once it is enabled again. A lost server says
    // nothing here; the lists follow when it is back.
    void followOthers();
    // After a change whose outcome is unknown: both lists as the database
    // holds them, as for other clerks' changes (so not under a child window).
    void readShownAgain() override;
    // The text of the selected entry of lstitem; nullopt when none is.
    std::optional<QString> selectedItemName() const;
    // -------------------------------------------------------------------------

protected:
    void changeEvent(QEvent *event) override;

signals:
    // Log-Out: the session ends and the welcome window is to come back.
    void loggedOut();

private:
    void buildMenus();
    bool entryAvailable(const QString &entry) const;
    void updateEntries();
    // A whole left click on an entry: selects it and takes a unit.
    void itemClicked(QListWidgetItem *entry);
    // A key moved the selection: the entry selected now gives a unit.
    void itemKeyed();
    // Whether the click that canUndo refers to took a unit.
    bool m_unitToUndo = false;
    // When the last removal was a scan: the key that undoes its unit (a
    // click's undo follows the selected entry instead).
    std::optional<StockDesk::ItemKey> m_scanUndo;
    // One removal by key, as a click and a scan both run it; nullopt when the
    // database failed (the user was told).
    std::optional<StockDesk::Outcome> takeOne(const std::optional<StockDesk::ItemKey> &key);
    void buildScanBox(QWidget *client);
    QShortcut *m_scanShortcut = nullptr;
    // The tally row the last click counted its unit in.
    std::optional<qint64> m_countedIn;

    void setPanelVisible(bool visible);
    // Fills the item list with every item's name.
    void fillItemList();
    // Keeps the lists in step with the database, other clerks' changes
    // included.
    OthersFollower *m_follow = nullptr;

    void buildToolbar(QWidget *client);
    QToolButton *pictureButton(QWidget *client, const char *name, const QString &caption, const QString &picture,
                               const QString &tooltip, int top);

    QHash<QString, WindowFactory> m_windows;
    bool m_restricted = false;
};

} // namespace inv
