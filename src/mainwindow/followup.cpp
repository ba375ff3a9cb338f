#include "followup.h"

#include "data/core/fields.h"
#include "data/core/waits.h"
#include "data/stock/module1.h"
#include "frmmain.h"
#include "ui/guard.h"
#include "ui/sortedlist.h"

#include <QListWidget>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace inv {

OthersFollower::OthersFollower(frmmain *window) : QObject(window), m_window(window) { }

// ---- Other clerks' changes ---------------------------------------------------

void OthersFollower::watch()
{
    // Off at once, gone later: this may run in the watch's own signal.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    const std::shared_ptr<Connection> connection = Module1::records();
    const int socket = connection ? connection->changeSocket() : -1;
    if (socket < 0)
        return;
    m_notifier = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &OthersFollower::follow);
}

void OthersFollower::follow()
{
    // Not while the records layer waits for the server (the windows only
    // repaint then): once it is over.
    if (Waits::active()) {
        QTimer::singleShot(100, this, &OthersFollower::follow);
        return;
    }
    ui::guarded(m_window, [this] {
        try {
            followChanges();
        } catch (const RecordsError &e) {
            // A lost server is said once, by the action that meets it; the
            // lists follow when it is back.
            if (e.kind() != RecordsError::Kind::Unreachable)
                throw;
        }
    });
}

void OthersFollower::readAgain()
{
    for (const QString &table : {QStringLiteral("Items"), QStringLiteral("Itemsout")})
        if (!m_changed.contains(table))
            m_changed << table;
    // Read whole, whatever the lists were.
    forgetShown();
    followChanges();
}

void OthersFollower::followChanges()
{
    const std::shared_ptr<Connection> connection = Module1::records();
    if (!connection)
        return;
    for (const QString &table : connection->takeChanges())
        if (!m_changed.contains(table))
            m_changed << table;
    // A connection made again (or lost) listens on another socket; one that
    // was closed under the watch has turned the watch off.
    const int socket = connection->changeSocket();
    if (socket != (m_notifier ? int(m_notifier->socket()) : -1) || (m_notifier && !m_notifier->isEnabled()))
        watch();
    // Nothing moves under an open child window; a follow of its own is
    // under way when the selection is being moved by one.
    if (m_changed.isEmpty() || !m_window->isEnabled() || m_following)
        return;
    const QStringList changed = std::exchange(m_changed, {});
    try {
        if (changed.contains(QStringLiteral("Items")))
            followItemList();
        if (changed.contains(QStringLiteral("Itemsout")) && Module1::rsItemsout && m_window->transactionPanelShown()
            && Module1::rsItemsout->connection()->dataVersion() != m_tallyVersion)
            followTallyList();
    } catch (const RecordsError &) {
        // Followed again at the next call.
        m_following = false;
        for (const QString &table : changed)
            if (!m_changed.contains(table))
                m_changed << table;
        throw;
    }
}

void OthersFollower::followItemList()
{
    // No second follow starts inside this one (a wait for the database
    // lets events in); followChanges lets it go on a failure.
    m_following = true;
    Module1::OpenItems();
    QStringList names = Module1::rsItems->columnText(kItemName);
    // The same names in the same stored order show as the same list.
    if (m_itemNames && names == *m_itemNames) {
        m_following = false;
        return;
    }
    // The clerk's own selection stays, by its name, and so does the place.
    QListWidget *list = m_window->lstitem;
    const std::optional<QString> selected = m_window->selectedItemName();
    const int top = list->verticalScrollBar()->value();
    showItemNames(std::move(names));
    if (selected) {
        const QList<QListWidgetItem *> found = list->findItems(*selected, Qt::MatchExactly);
        if (!found.isEmpty())
            list->selectionModel()->setCurrentIndex(list->indexFromItem(found.first()),
                                                    QItemSelectionModel::ClearAndSelect);
    }
    list->verticalScrollBar()->setValue(top);
    m_following = false;
}

void OthersFollower::followTallyList()
{
    const TallyRead read = readTally();
    if (m_tallyRows && changeTallyLines(read.rows)) {
        m_tallyRows = read.rows;
        m_tallyVersion = read.version;
        return;
    }
    fillTally(read);
}

bool OthersFollower::changeTallyLines(const QVector<Row> &rows)
{
    // Beyond a few lines one fill is quicker than placing them one by one.
    constexpr int kFewLines = 16;
    const QVector<Row> &shown = *m_tallyRows;
    // The rows shown, in their order and with their names, then the rows
    // added after them (another clerk's first unit of an item).
    const qsizetype added = rows.size() - shown.size();
    if (added < 0 || added > kFewLines)
        return false;
    QVector<int> changed;
    for (int i = 0; i < shown.size(); ++i) {
        if (rows[i].key != shown[i].key || rows[i].values.value(0) != shown[i].values.value(0))
            return false;
        if (rows[i].values.value(1) == shown[i].values.value(1))
            continue;
        if (changed.size() + added >= kFewLines)
            return false;
        changed << i;
    }
    QListWidget *list = m_window->lstremove;
    for (int i : changed) {
        const QVariant name = rows[i].values.value(0);
        if (!ui::replaceSorted(list, frmmain::tallyLine(name, shown[i].values.value(1)),
                               frmmain::tallyLine(name, rows[i].values.value(1)))) {
            m_tallyRows.reset(); // some lines changed already: the list is filled again
            return false;
        }
    }
    for (qsizetype i = shown.size(); i < rows.size(); ++i)
        if (ui::insertSorted(list, frmmain::tallyLine(rows[i].values.value(0), rows[i].values.value(1))) < 0) {
            m_tallyRows.reset();
            return false;
        }
    return true;
}

// ---- What the lists show -----------------------------------------------------

void OthersFollower::showItemNames(QStringList names)
{
    m_itemNames.reset(); // not known should the fill fail
    ui::fillSorted(m_window->lstitem, names);
    m_itemNames = std::move(names);
}

OthersFollower::TallyRead OthersFollower::readTally() const
{
    auto &rs = *Module1::rsItemsout;
    TallyRead read;
    // The rows and the version they are at, read as one.
    ReadGroup group(rs.connection());
    read.rows = rs.connection()->readRows(rs.table(), {rs.fieldIndex(kItemName), rs.fieldIndex(kQuantity)},
                                          std::nullopt, std::numeric_limits<int>::max());
    read.version = rs.connection()->dataVersion();
    return read;
}

void OthersFollower::fillTally(const TallyRead &read)
{
    forgetTally();
    QStringList lines;
    lines.reserve(read.rows.size());
    for (const Row &row : read.rows)
        lines << frmmain::tallyLine(row.values.value(0), row.values.value(1));
    ui::fillSorted(m_window->lstremove, lines);
    m_tallyRows = read.rows;
    m_tallyVersion = read.version;
}

void OthersFollower::refillTally()
{
    forgetTally();
    m_window->lstremove->clear();
    fillTally(readTally());
}

void OthersFollower::forgetShown()
{
    m_itemNames.reset();
    forgetTally();
}

void OthersFollower::forgetTally()
{
    m_tallyVersion = {};
    m_tallyRows.reset();
}

void OthersFollower::tallyUnknown()
{
    m_tallyVersion = {};
}

void OthersFollower::followTally(const DataVersion &before, const DataVersion &after,
                                 const std::optional<StockDesk::TallyChange> &change)
{
    if (before == m_tallyVersion && applyTallyChange(change)) {
        m_tallyVersion = after;
        return;
    }
    refillTally();
}

bool OthersFollower::applyTallyChange(const std::optional<StockDesk::TallyChange> &change)
{
    if (!change)
        return true; // nothing was written: the list is as it was
    // A fractional quantity may read back otherwise than it was written.
    if (change->after.typeId() == QMetaType::Double)
        return false;
    QListWidget *list = m_window->lstremove;
    const QString line = frmmain::tallyLine(change->name, change->after);
    const bool placed = change->added
                            ? ui::insertSorted(list, line) >= 0
                            : ui::replaceSorted(list, frmmain::tallyLine(change->name, change->before), line);
    if (!placed)
        return false;
    if (m_tallyRows) {
        auto row =
            std::find_if(m_tallyRows->begin(), m_tallyRows->end(), [&](const Row &r) { return r.key == change->key; });
        if (change->added && (m_tallyRows->isEmpty() || m_tallyRows->last().key < change->key))
            m_tallyRows->append(Row{change->key, {change->name, change->after}});
        else if (!change->added && row != m_tallyRows->end())
            row->values[1] = change->after;
        else
            m_tallyRows.reset(); // read whole at the next change of others
    }
    // As after a refill: nothing selected, the list at its top.
    list->selectionModel()->clear();
    list->scrollToTop();
    return true;
}

void OthersFollower::tallyCleared(const DataVersion &after)
{
    m_window->lstremove->clear();
    m_tallyRows = QVector<Row>();
    m_tallyVersion = after;
}

void OthersFollower::catchUpTally()
{
    // A version equal to the list's means that nothing was written since
    // the list's rows were read; any other (or none) reads them again. The
    // list's version itself is only ever set with rows read under one lock.
    ui::guarded(m_window, [this] {
        if (Module1::rsItemsout && Module1::rsItemsout->connection()->dataVersion() != m_tallyVersion)
            refillTally();
    });
}

} // namespace inv
