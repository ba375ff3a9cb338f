#include "data/core/recordset.h"

#include "data/stock/module1.h"

#include <limits>

#include <QLocale>

namespace inv {


Recordset::Recordset(std::shared_ptr<Connection> connection, QString table)
    : m_connection(std::move(connection)), m_table(std::move(table))
{
    m_fields = m_connection->fields(m_table);
}

void Recordset::settle() const
{
    if (m_settled)
        return;
    m_settled = true;
    if (!m_closed)
        m_key = m_connection->firstKey(m_table);
}

void Recordset::ensureOpen() const
{
    if (m_closed)
        throw RecordsError(m_connection->path(), QStringLiteral("the cursor on %1 is closed").arg(m_table));
}

int Recordset::RecordCount()
{
    ensureOpen();
    if (!m_count)
        m_count = m_connection->count(m_table);
    return int(*m_count);
}

void Recordset::setCurrent(std::optional<qint64> key)
{
    m_settled = true;
    m_key = key;
    m_deleted = false;
    m_row.reset();
    m_pending.clear();
    m_adding = false;
}

void Recordset::MoveFirst()
{
    ensureOpen();
    setCurrent(m_connection->firstKey(m_table));
}

void Recordset::MoveLast()
{
    ensureOpen();
    setCurrent(m_connection->lastKey(m_table));
}

void Recordset::MoveNext()
{
    ensureOpen();
    settle();
    if (!m_key)
        return; // already past the end (or an empty table)
    setCurrent(m_connection->nextKey(m_table, *m_key));
}

void Recordset::setBookmark(qint64 bookmark)
{
    ensureOpen();
    setCurrent(bookmark);
}

int Recordset::fieldIndex(const QString &field) const
{
    return m_fields.indexOf(field);
}

int Recordset::requireField(const QString &field) const
{
    const int index = fieldIndex(field);
    if (index < 0)
        throw RecordsError(m_connection->path(),
                           QStringLiteral("the field %1 is missing from the table %2").arg(field, m_table));
    return index;
}

const Row &Recordset::currentRow()
{
    ensureOpen();
    if (!hasCurrent())
        throw RecordsError(m_connection->path(), QStringLiteral("no row of %1 is current").arg(m_table));
    if (!m_row) {
        m_row = m_connection->read(m_table, *m_key);
        if (!m_row)
            throw RecordsError(m_connection->path(),
                               QStringLiteral("the current row of %1 no longer exists").arg(m_table));
    }
    return *m_row;
}

QVariant Recordset::Fields(int position)
{
    for (const auto &change : std::as_const(m_pending))
        if (change.first == position)
            return change.second;
    if (m_adding)
        return QVariant();
    const Row &row = currentRow();
    if (position < 0 || position >= row.values.size())
        throw RecordsError(m_connection->path(), QStringLiteral("no column %1 in %2").arg(position).arg(m_table));
    return row.values[position];
}

QVariant Recordset::Fields(const QString &field)
{
    return Fields(requireField(field));
}

QVector<TextRow> Recordset::GetRowTexts(int rows, const QStringList &fields, int skip)
{
    ensureOpen();
    QVector<int> positions;
    positions.reserve(fields.size());
    for (const QString &field : fields)
        positions << requireField(field);
    if (!hasCurrent())
        return {};
    return m_connection->readTextsFrom(m_table, positions, *m_key, skip, rows);
}

QString Recordset::text(const QString &field)
{
    return fieldText(Fields(field));
}

void Recordset::setField(const QString &field, const QVariant &value)
{
    ensureOpen();
    const int index = requireField(field);
    if (!m_adding && !hasCurrent())
        throw RecordsError(m_connection->path(), QStringLiteral("no row of %1 is current").arg(m_table));
    for (auto &change : m_pending) {
        if (change.first == index) {
            change.second = value;
            return;
        }
    }
    m_pending.append({index, value});
}

void Recordset::AddNew()
{
    ensureOpen();
    if (m_adding)
        Update();
    m_pending.clear();
    m_row.reset();
    m_adding = true;
}

void Recordset::Update()
{
    ensureOpen();
    Module1::refuseInViewOnlyUse(m_connection->path());
    if (m_adding) {
        const qint64 key = m_connection->insert(m_table, m_pending);
        if (m_count)
            ++*m_count;
        setCurrent(key);
        return;
    }
    if (m_pending.isEmpty())
        return;
    if (!hasCurrent())
        throw RecordsError(m_connection->path(), QStringLiteral("no row of %1 is current").arg(m_table));
    m_connection->update(m_table, *m_key, m_pending);
    m_pending.clear();
    m_row.reset();
}

void Recordset::CancelUpdate()
{
    m_pending.clear();
    m_adding = false;
}

void Recordset::Delete()
{
    ensureOpen();
    if (m_adding) {
        CancelUpdate();
        return;
    }
    Module1::refuseInViewOnlyUse(m_connection->path());
    if (!hasCurrent())
        throw RecordsError(m_connection->path(), QStringLiteral("no row of %1 is current").arg(m_table));
    m_connection->remove(m_table, *m_key);
    if (m_count)
        --*m_count;
    // The deleted row stays the position until the next move.
    m_deleted = true;
    m_row.reset();
    m_pending.clear();
}

void Recordset::Close()
{
    m_closed = true;
    m_settled = true;
    m_key.reset();
    m_row.reset();
    m_pending.clear();
}

bool Recordset::FindFirst(const QString &field, const QString &text)
{
    ensureOpen();
    std::optional<Row> row = m_connection->findFirst(m_table, requireField(field), text);
    setCurrent(row ? std::optional<qint64>(row->key) : std::nullopt);
    m_row = std::move(row);
    return m_key.has_value();
}

QStringList Recordset::columnText(const QString &field)
{
    ensureOpen();
    return m_connection->columnText(m_table, requireField(field));
}

void Recordset::forEach(const std::function<void(const Row &)> &fn)
{
    ensureOpen();
    m_connection->forEach(m_table, fn);
}

void Recordset::forEach(const QStringList &fields, const std::function<void(const Row &)> &fn)
{
    ensureOpen();
    QVector<int> positions;
    for (const QString &field : fields)
        positions << requireField(field);
    // One statement for the whole table, only the named fields.
    for (const Row &row : m_connection->readRows(m_table, positions, std::nullopt, std::numeric_limits<int>::max()))
        fn(row);
}

void Recordset::forEachValue(const QString &field, const std::function<void(qint64 key, const QVariant &value)> &fn)
{
    ensureOpen();
    m_connection->forEachValue(m_table, requireField(field), fn);
}

QString fieldText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return QLocale().toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::Double: {
        QString text = QString::number(value.toDouble(), 'g', 15);
        text.replace(QLatin1Char('.'), QLocale().decimalPoint());
        return text;
    }
    default:
        return value.toString();
    }
}

} // namespace inv
