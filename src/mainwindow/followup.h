#pragma once
// Keeps the main window's two lists in step with the database: other
// clerks' changes, seen on the records connection on engines that tell of
// them, and the window's own removals, undos and clears. It remembers what
// each list shows (the item names; the tally rows and the version they were
// read at), so that a change moves only the lines that differ: the
// selection, the scroll place and so undo stay as they were.

#include "data/core/connection.h"
#include "stockdesk.h"

#include <QObject>
#include <QStringList>
#include <QVector>

#include <optional>

class QSocketNotifier;

namespace inv {

class frmmain;

class OthersFollower : public QObject {
    Q_OBJECT

public:
    // Follows into the window's lstitem and lstremove.
    explicit OthersFollower(frmmain *window);

    // ---- Other clerks' changes ----------------------------------------------
    // Watches the records connection for other programs' changes, on
    // engines that tell of them (again, for a connection made again).
    void watch();
    // The lists read again where the database says another program changed
    // their table. Not while the window is disabled: then at the first call
    // after. A failure is told as actions tell it; a lost server is not
    // (the lists follow when it is back).
    void follow();
    // Both lists read whole, as the database holds them, by the rules of
    // follow; RecordsError when a read fails.
    void readAgain();

    // ---- What the lists show -------------------------------------------------
    // Fills the item list with these names, in stored order, and keeps them.
    void showItemNames(QStringList names);
    // Reads every tally row and fills the tally list with them.
    void refillTally();
    // Nothing known of either list: the next change reads them whole.
    void forgetShown();
    void forgetTally();
    // The tally list may differ from the table (a write failed): the next
    // change of the table reads it again.
    void tallyUnknown();
    // After an action that wrote at most the tally row in change, between
    // the versions before and after: when the tally list showed the table
    // as it was before (before equals the version the list was read at),
    // only that row's line changes and the list shows after; otherwise the
    // list is read again whole.
    void followTally(const DataVersion &before, const DataVersion &after,
                     const std::optional<StockDesk::TallyChange> &change);
    // The tally was cleared, the table empty at version after.
    void tallyCleared(const DataVersion &after);
    // After a message box, under which another program may have written:
    // reads the tally list again unless the database is still at the
    // list's version.
    void catchUpTally();

private:
    // follow without its message: RecordsError when a read fails (the
    // tables are then followed at the next call).
    void followChanges();
    // Other clerks' changes to Items: the list is filled again only when a
    // name it shows changed (an item added, renamed or deleted); a change of
    // stock leaves it as it is, its selection and scroll place included.
    void followItemList();
    // Other clerks' changes to Itemsout: when the same rows hold other
    // quantities only, just those few lines change; otherwise the list is
    // filled again.
    void followTallyList();
    bool changeTallyLines(const QVector<Row> &rows);
    bool applyTallyChange(const std::optional<StockDesk::TallyChange> &change);

    struct TallyRead {
        QVector<Row> rows;
        DataVersion version;
    };
    // Every tally row and the version it is at, read as one.
    TallyRead readTally() const;
    void fillTally(const TallyRead &read);

    frmmain *m_window;
    QSocketNotifier *m_notifier = nullptr;
    QStringList m_changed; // tables changed while the window was disabled
    // Set while the lists follow other clerks' changes: no second follow
    // starts inside one.
    bool m_following = false;
    // The names the item list was filled with, in stored order; nullopt
    // when not known.
    std::optional<QStringList> m_itemNames;
    // The version of the database the tally list shows; unknown when the
    // list may differ from the table (at opening, after a failure).
    DataVersion m_tallyVersion;
    // The tally rows the list shows (key, item_name, quantity), in stored
    // order; nullopt when not known.
    std::optional<QVector<Row>> m_tallyRows;
};

} // namespace inv
