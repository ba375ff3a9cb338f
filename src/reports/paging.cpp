#include "paging.h"

#include "data/recordset.h"

namespace inv::reports {

RowSource::~RowSource() = default;

QVector<TextRow> CursorRows::rows(std::optional<qint64> from, int skip, int count)
{
    if (!from) {
        m_cursor->MoveFirst();
        return m_cursor->GetRowTexts(count, m_fields);
    }
    m_cursor->setBookmark(*from);
    return m_cursor->GetRowTexts(count, m_fields, skip);
}

Page Pager::first(Recordset &rows, const QStringList &fields)
{
    CursorRows source(std::shared_ptr<Recordset>(&rows, [](Recordset *) {}), fields);
    return first(source, int(fields.size()));
}

Page Pager::next(Recordset &rows, const QStringList &fields)
{
    CursorRows source(std::shared_ptr<Recordset>(&rows, [](Recordset *) {}), fields);
    return next(source, int(fields.size()));
}

Page Pager::previous(Recordset &rows, const QStringList &fields)
{
    CursorRows source(std::shared_ptr<Recordset>(&rows, [](Recordset *) {}), fields);
    return previous(source, int(fields.size()));
}

Page Pager::first(RowSource &rows, int fields)
{
    m_start = 0;
    return page(rows.rows(std::nullopt, 0, m_shape.size), fields);
}

Page Pager::next(RowSource &rows, int fields)
{
    if (!m_first)
        return first(rows, fields); // an empty table: nothing to move over
    QVector<TextRow> read = rows.rows(*m_first, m_shape.step, m_shape.size);
    if (read.isEmpty())
        read = rows.rows(*m_first, 0, m_shape.size); // the page on view is the last one
    else
        m_start += m_shape.step;
    return page(read, fields);
}

Page Pager::previous(RowSource &rows, int fields)
{
    if (!m_first || m_start - m_shape.step < 0)
        return first(rows, fields);
    const QVector<TextRow> read = rows.rows(*m_first, -m_shape.step, m_shape.size);
    if (read.isEmpty())
        return first(rows, fields); // rows before the page went away meanwhile
    m_start -= m_shape.step;
    return page(read, fields);
}

Page Pager::page(const QVector<TextRow> &rows, int fields)
{
    Page page;
    const int groups = (m_shape.size + m_shape.perGroup - 1) / m_shape.perGroup;
    page.entries.fill(QVector<QStringList>(fields), groups);
    for (int i = 0; i < rows.size(); ++i) {
        QVector<QStringList> &group = page.entries[i / m_shape.perGroup];
        for (int f = 0; f < fields; ++f)
            group[f] << rows[i].texts.value(f);
    }
    page.rows = int(rows.size());
    m_first = rows.isEmpty() ? std::nullopt : std::optional<qint64>(rows.first().key);
    return page;
}

} // namespace inv::reports
