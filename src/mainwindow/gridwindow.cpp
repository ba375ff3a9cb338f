#include "gridwindow.h"

#include "data/recordset.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/twips.h"

#include <QHeaderView>
#include <QTableView>

namespace inv {

RecordsModel::RecordsModel(Recordset &records, QObject *parent)
    : QAbstractTableModel(parent), m_fields(records.fieldNames())
{
    m_rows.reserve(records.RecordCount());
    records.forEach([this](const Row &row) { m_rows.append(row.values); });
}

int RecordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RecordsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant RecordsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return FieldText(m_rows[index.row()].value(index.column()));
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal)
        return m_fields.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordsModel::flags(const QModelIndex &index) const
{
    // Read-only: the grids only show the tables.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

GridWindow::GridWindow(const QString &name, const QString &title)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(name);
    setWindowTitle(title);
    ui::setFixedClientArea(this, 10170, 8070);

    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(title);
    ui::place(DataGrid1, 360, 720, 9255, 6735);
    DataGrid1->setFont(ui::sansFont(8.25));
    DataGrid1->horizontalHeader()->setFont(ui::sansFont(8.25));
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setWordWrap(false);
    // Rows are 15 pixels high, all alike, so even a large table scrolls at once.
    QHeaderView *rows = DataGrid1->verticalHeader();
    rows->setMinimumSectionSize(15);
    rows->setDefaultSectionSize(15);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->hide();
}

bool GridWindow::load(const std::function<std::shared_ptr<Recordset>()> &open, const Layout &layout)
{
    return ui::guarded(this, [&] {
        const std::shared_ptr<Recordset> records = open();
        DataGrid1->setModel(new RecordsModel(*records, DataGrid1));
        for (int column : layout.hidden)
            DataGrid1->setColumnHidden(column, true);
        for (const auto &[column, width] : layout.widths)
            DataGrid1->setColumnWidth(column, width);
    });
}

} // namespace inv
