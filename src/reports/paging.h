#pragma once
// The page state of a printout and its page turns, with no widgets: which
// rows of a table are on the page, and which column group (list pair) each
// row goes to.
//
// The page is found again by a bookmark on its first row, and a page turn
// reads the next page from there in one read, stepping over the rows between
// without reading them: its cost does not grow with the table.

#include <QStringList>
#include <QVector>

#include <memory>
#include <optional>

namespace inv {
class Recordset;
struct TextRow;
} // namespace inv

namespace inv::reports {

struct PageShape {
    int size; // rows on a page
    int step; // rows a page turn moves by
    int perGroup; // rows in one column group before the next group begins
};

// The item list: 46 rows, one group, and the last row of a page is the
// first of the next.
inline constexpr PageShape kItemListPage{46, 45, 46};
// The removed items: 90 rows in two groups of 45; pages do not overlap.
inline constexpr PageShape kRemovedListPage{90, 90, 45};

// The texts of one page: entries[group][field] lists the field's text for
// each row of the group, in table order. A field without a value is "".
struct Page {
    QVector<QVector<QStringList>> entries;
    int rows = 0;
};

// Where a printout's rows come from, in the printout's order: the texts of
// up to count rows, each with its key, beginning at the first row (from
// unset), or at the row whose key is from, skip rows after it (before it
// when skip is negative). Nothing when no row is there.
class RowSource {
public:
    virtual ~RowSource();
    virtual QVector<TextRow> rows(std::optional<qint64> from, int skip, int count) = 0;
};

// The rows of a table in stored order, through a cursor on it: the given
// fields as text.
class CursorRows : public RowSource {
public:
    CursorRows(std::shared_ptr<Recordset> cursor, QStringList fields)
        : m_cursor(std::move(cursor)), m_fields(std::move(fields))
    {
    }
    QVector<TextRow> rows(std::optional<qint64> from, int skip, int count) override;

private:
    std::shared_ptr<Recordset> m_cursor;
    QStringList m_fields;
};

class Pager {
public:
    explicit Pager(PageShape shape) : m_shape(shape) { }

    const PageShape &shape() const { return m_shape; }
    // The 0-based position, in table order, of the page's first row.
    int pageStart() const { return m_start; }

    // Each takes a freshly opened cursor on the table and returns the page
    // then on view, its rows at most shape().size, never past the last row,
    // with the texts of the given fields. The first page.
    Page first(Recordset &rows, const QStringList &fields);
    // One step on, when a row is there; otherwise the last page stays.
    Page next(Recordset &rows, const QStringList &fields);
    // One step back, when that is not before the first row; otherwise the
    // first page stays.
    Page previous(Recordset &rows, const QStringList &fields);

    // The same turns over any source of rows that gives fields texts a row.
    Page first(RowSource &rows, int fields);
    Page next(RowSource &rows, int fields);
    Page previous(RowSource &rows, int fields);

private:
    // The page of the rows read; their first becomes the page's bookmark.
    Page page(QVector<TextRow> rows, int fields);

    PageShape m_shape;
    int m_start = 0;
    std::optional<qint64> m_first; // bookmark of the page's first row
};

} // namespace inv::reports
