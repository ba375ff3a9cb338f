#include "paging.h"

#include "data/recordset.h"

namespace inv::reports {

void Pager::first(Recordset &rows)
{
    rows.MoveFirst();
    m_start = 0;
    m_first = rows.Bookmark();
}

void Pager::next(Recordset &rows)
{
    if (!m_first)
        return first(rows); // an empty table: nothing to move over
    rows.setBookmark(*m_first);
    rows.Move(m_shape.step);
    if (!rows.hasCurrent())
        return; // the page on view is the last one
    m_start += m_shape.step;
    m_first = rows.Bookmark();
}

void Pager::previous(Recordset &rows)
{
    if (!m_first || m_start - m_shape.step < 0)
        return first(rows);
    rows.setBookmark(*m_first);
    rows.Move(-m_shape.step);
    if (!rows.hasCurrent())
        return first(rows); // rows before the page went away meanwhile
    m_start -= m_shape.step;
    m_first = rows.Bookmark();
}

Page Pager::read(Recordset &rows, const QStringList &fields) const
{
    Page page;
    const int groups = (m_shape.size + m_shape.perGroup - 1) / m_shape.perGroup;
    page.entries.fill(QVector<QStringList>(fields.size()), groups);
    if (!m_first)
        return page;
    rows.setBookmark(*m_first);
    const QVector<QVector<QVariant>> values = rows.GetRows(m_shape.size, fields);
    for (int i = 0; i < values.size(); ++i) {
        QVector<QStringList> &group = page.entries[i / m_shape.perGroup];
        for (int f = 0; f < fields.size(); ++f)
            group[f] << fieldText(values[i].value(f));
    }
    page.rows = int(values.size());
    return page;
}

} // namespace inv::reports
