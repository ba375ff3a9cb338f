#include "paging.h"

#include "data/recordset.h"

namespace inv::reports {

Page Pager::first(Recordset &rows, const QStringList &fields)
{
    m_start = 0;
    rows.MoveFirst();
    return page(rows.GetRowTexts(m_shape.size, fields), int(fields.size()));
}

Page Pager::next(Recordset &rows, const QStringList &fields)
{
    if (!m_first)
        return first(rows, fields); // an empty table: nothing to move over
    rows.setBookmark(*m_first);
    QVector<TextRow> read = rows.GetRowTexts(m_shape.size, fields, m_shape.step);
    if (read.isEmpty())
        read = rows.GetRowTexts(m_shape.size, fields); // the page on view is the last one
    else
        m_start += m_shape.step;
    return page(read, int(fields.size()));
}

Page Pager::previous(Recordset &rows, const QStringList &fields)
{
    if (!m_first || m_start - m_shape.step < 0)
        return first(rows, fields);
    rows.setBookmark(*m_first);
    const QVector<TextRow> read = rows.GetRowTexts(m_shape.size, fields, -m_shape.step);
    if (read.isEmpty())
        return first(rows, fields); // rows before the page went away meanwhile
    m_start -= m_shape.step;
    return page(read, int(fields.size()));
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
