#pragma once
// What the two grid windows share: a fixed window holding one read-only grid
// that shows a whole table in stored order, every field a column headed by
// its name.

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>

class QTableView;

namespace inv {

class Recordset;

// The rows of one table, read once when the window loads. Cells show the
// field's text the way every window shows values.
class RecordsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit RecordsModel(Recordset &records, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QStringList m_fields;
    QVector<QVector<QVariant>> m_rows;
};

class GridWindow : public QWidget {
    Q_OBJECT

public:
    QTableView *DataGrid1;

protected:
    struct Layout {
        QList<int> hidden;                 // column positions, hidden in this order
        QList<std::pair<int, int>> widths; // position, pixels
    };

    GridWindow(const QString &name, const QString &title);

    // Runs open (which opens the connection and the cursor and returns the
    // cursor), binds the grid to it and lays out the columns. False when the
    // database failed (a message was shown).
    bool load(const std::function<std::shared_ptr<Recordset>()> &open, const Layout &layout);
};

} // namespace inv
