#include "gridwindow.h"

#include "data/core/recordset.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QHeaderView>
#include <QTableView>

namespace inv {

RecordsModel::RecordsModel(Recordset &records, const QList<int> &hidden, QObject *parent)
    : QAbstractTableModel(parent),
      m_connection(records.connection()),
      m_table(records.table()),
      m_fields(records.fieldNames())
{
    m_slot.fill(-1, m_fields.size());
    for (int field = 0; field < m_fields.size(); ++field) {
        if (!hidden.contains(field)) {
            m_slot[field] = int(m_shown.size());
            m_shown << field;
        }
    }
    m_rows = records.RecordCount();
    m_firstKey = m_connection->firstKey(m_table);
    page(0); // a file that cannot be read shows at loading
}

RecordsModel::~RecordsModel() = default;

const QVector<Row> *RecordsModel::page(int index) const
{
    auto it = m_pages.find(index);
    if (it != m_pages.end()) {
        m_recent.removeOne(index);
        m_recent << index;
        return &*it;
    }
    // Where the page starts: after the page before it when that is at hand,
    // else counted from the first row.
    std::optional<qint64> from;
    if (index > 0) {
        auto before = m_pages.constFind(index - 1);
        if (before != m_pages.constEnd() && before->size() == kPageRows)
            from = before->last().key + 1;
        else if (m_firstKey)
            from = m_connection->keyAtOffset(m_table, *m_firstKey, qint64(index) * kPageRows);
        if (!from)
            return nullptr;
    }
    QVector<Row> rows = m_connection->readRows(m_table, m_shown, from, kPageRows);
    if (m_recent.size() >= kPagesKept)
        m_pages.remove(m_recent.takeFirst());
    m_recent << index;
    return &*m_pages.insert(index, std::move(rows));
}

const Row *RecordsModel::row(int index) const
{
    const QVector<Row> *rows = page(index / kPageRows);
    const int at = index % kPageRows;
    return rows && at < rows->size() ? &rows->at(at) : nullptr;
}

int RecordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant RecordsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid) || m_failed)
        return QVariant();
    try {
        const Row *r = row(index.row());
        if (!r)
            return QVariant();
        const int slot = m_slot.value(index.column(), -1);
        if (slot >= 0)
            return fieldText(r->values.value(slot));
        // A hidden field: nobody shows it, so it is read for this cell alone.
        const std::optional<Row> whole = m_connection->read(m_table, r->key);
        return whole ? fieldText(whole->values.value(index.column())) : QVariant();
    } catch (const RecordsError &e) {
        // Painting cannot stop for a message box: the window shows it next.
        m_failed = true;
        QMetaObject::invokeMethod(
            const_cast<RecordsModel *>(this), [this, message = e.message()] { emit readFailed(message); },
            Qt::QueuedConnection);
        return QVariant();
    }
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
        auto *model = new RecordsModel(*records, layout.hidden, DataGrid1);
        connect(model, &RecordsModel::readFailed, this,
                [this](const QString &message) { ui::Prompts::message(this, message); });
        DataGrid1->setModel(model);
        for (int column : layout.hidden)
            DataGrid1->setColumnHidden(column, true);
        for (const auto &[column, width] : layout.widths)
            DataGrid1->setColumnWidth(column, width);
    });
}

} // namespace inv
