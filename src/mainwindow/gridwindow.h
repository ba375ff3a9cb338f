#pragma once
// What the two grid windows share: a fixed window holding one read-only grid
// that shows a whole table in stored order, every field a column headed by
// its name.

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "data/core/connection.h"

class QTableView;

namespace inv {

class Recordset;

// The rows of one table as the grid shows them. Rows are read as they come
// into view, a page at a time, and only the shown fields; a few recent pages
// are kept. The table does not change while a grid is open (the main window
// is disabled then). Cells show the field's text the way every window shows
// values.
class RecordsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Reads the row count and the first page; throws RecordsError. hidden:
    // the field positions the grid hides (read a row at a time if asked).
    RecordsModel(Recordset &records, const QList<int> &hidden, QObject *parent = nullptr);
    ~RecordsModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static constexpr int kPageRows = 256;
    static constexpr int kPagesKept = 32;

signals:
    // Reading rows failed after the window had opened (sent once, queued);
    // the cells that could not be read stay empty.
    void readFailed(const QString &message) const;

private:
    const QVector<Row> *page(int index) const;
    const Row *row(int index) const;

    std::shared_ptr<Connection> m_connection;
    QString m_table;
    QStringList m_fields;
    QVector<int> m_shown; // field positions read with each page
    QVector<int> m_slot; // by field position: its place in m_shown, or -1
    int m_rows = 0;
    std::optional<qint64> m_firstKey;
    mutable QHash<int, QVector<Row>> m_pages;
    mutable QList<int> m_recent; // page numbers, most recent last
    mutable bool m_failed = false;
};

class GridWindow : public QWidget {
    Q_OBJECT

public:
    QTableView *DataGrid1;

protected:
    struct Layout {
        QList<int> hidden; // column positions, hidden in this order
        QList<std::pair<int, int>> widths; // position, pixels
    };

    GridWindow(const QString &name, const QString &title);

    // Runs open (which opens the connection and the cursor and returns the
    // cursor), binds the grid to it and lays out the columns. False when the
    // database failed (a message was shown).
    bool load(const std::function<std::shared_ptr<Recordset>()> &open, const Layout &layout);
};

} // namespace inv
