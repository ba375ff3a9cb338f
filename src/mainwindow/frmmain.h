#pragma once
// The main window: the stock-out desk with its item list and removal tally,
// and the hub from which every other window is opened.

#include <QMainWindow>
#include <QVariant>

class QFrame;
class QLineEdit;
class QListWidget;
class QToolBar;
class QToolButton;
class QAction;

namespace inv {

// Whether the last click on the item list may be undone (program-wide).
extern bool canUndo;

class frmmain : public QMainWindow {
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
    static QString TallyLine(const QVariant &name, const QVariant &quantity);

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
    void Toolbar1_ButtonClick(QAction *button);

private:
    void setPanelVisible(bool visible);
    void fillItemList();
    void buildToolbar(QWidget *client);
    QToolButton *pictureButton(QWidget *client, const char *name, const QString &caption, const QString &picture,
                               const QString &tooltip, int top);
};

} // namespace inv
