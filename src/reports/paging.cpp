#include "paging.h"

#include "data/core/recordset.h"

#include <algorithm>

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
    return page(std::move(read), fields);
}

Page Pager::previous(RowSource &rows, int fields)
{
    if (!m_first || m_start - m_shape.step < 0)
        return first(rows, fields);
    QVector<TextRow> read = rows.rows(*m_first, -m_shape.step, m_shape.size);
    if (read.isEmpty())
        return first(rows, fields); // rows before the page went away meanwhile
    m_start -= m_shape.step;
    return page(std::move(read), fields);
}

Page Pager::page(QVector<TextRow> rows, int fields)
{
    Page page;
    const int groups = (m_shape.size + m_shape.perGroup - 1) / m_shape.perGroup;
    page.rows = int(rows.size());
    page.entries.resize(groups);
    for (int g = 0; g < groups; ++g) {
        const int inGroup = std::clamp(page.rows - g * m_shape.perGroup, 0, m_shape.perGroup);
        QVector<QStringList> &group = page.entries[g];
        group.resize(fields);
        for (QStringList &texts : group)
            texts.reserve(inGroup);
    }
    m_first = rows.isEmpty() ? std::nullopt : std::optional<qint64>(rows.first().key);
    // The rows are the page's own: their texts move into the lists.
    for (int i = 0; i < page.rows; ++i) {
        QVector<QStringList> &group = page.entries[i / m_shape.perGroup];
        QStringList &texts = rows[i].texts;
        for (int f = 0; f < fields; ++f)
            group[f] << (f < texts.size() ? std::move(texts[f]) : QString());
    }
    return page;
}

} // namespace inv::reports
