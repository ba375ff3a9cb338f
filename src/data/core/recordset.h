#pragma once
// A cursor over one whole table, in stored order, with a current row.
//
// The cursor does not copy the table: it walks the table by key through its
// connection, so opening one costs nothing and a lookup need not read every
// row. The first row becomes current when the cursor is first used, not when
// it is opened: an action that goes straight to a row (FindFirst) reads the
// file once, not twice. It keeps working on the connection it was opened on.

#include "data/core/connection.h"

#include <QDate>
#include <QHash>

namespace inv {

class Recordset {
public:
    Recordset(std::shared_ptr<Connection> connection, QString table);

    const QString &table() const { return m_table; }
    const std::shared_ptr<Connection> &connection() const { return m_connection; }
    QStringList fieldNames() const { return m_fields; }

    // Number of rows; kept up to date by AddNew + Update and by Delete.
    int RecordCount();
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    // Whether a row is current (false on an empty table or past either end).
    bool hasCurrent() const
    {
        settle();
        return m_key.has_value() && !m_deleted;
    }
    // Makes the row with the given key (a row's key, as the readers give
    // it) current again, without walking the rows before it.
    // A mark of the current row (nullopt when none is current), and the way
    // back to it.
    std::optional<qint64> Bookmark() const { return hasCurrent() ? m_key : std::nullopt; }
    void setBookmark(qint64 bookmark);

    // The value of a field of the current row; a null QVariant when it holds
    // no value. Throws RecordsError when no row is current or the field is
    // unknown.
    QVariant Fields(const QString &field);
    QVariant Fields(int position);
    // The named fields, as text (fieldText), of at most rows rows in stored
    // order, read together, beginning at the current row, or skip rows after
    // it (before it when skip is negative); each row with its key, texts in
    // the order named. The current row stays. Nothing when no row is
    // current or none is there.
    QVector<TextRow> GetRowTexts(int rows, const QStringList &fields, int skip = 0);
    // The field converted to text: "" for no value, dates in the short date
    // format, whole numbers without decimals.
    QString text(const QString &field);

    // Sets a field of the current (or new) row; pending until Update.
    void setField(const QString &field, const QVariant &value);
    // Appends a new, empty row that becomes current (pending until Update).
    void AddNew();
    // Writes the pending changes of the current row at once, all together.
    void Update();
    // Discards pending changes.
    void CancelUpdate();
    // Deletes the current row at once.
    void Delete();
    void Close();

    // Makes the first row, in stored order, whose field equals text exactly
    // the current row. Gives the row a scan from the first row would find;
    // the row is read with it, so its fields cost no further read.
    bool FindFirst(const QString &field, const QString &text);

    // One field of every row as text (fieldText), in stored order.
    QStringList columnText(const QString &field);

    // Calls fn for every row in stored order, values by position.
    void forEach(const std::function<void(const Row &)> &fn);
    // The same with only the named fields, values in the order named.
    void forEach(const QStringList &fields, const std::function<void(const Row &)> &fn);
    // Calls fn with the key and the field's value of every row, in no
    // particular order (the keys give the stored order).
    void forEachValue(const QString &field, const std::function<void(qint64 key, const QVariant &value)> &fn);

    int fieldIndex(const QString &field) const; // -1 when unknown

private:
    // Puts a cursor that has not been used yet on its first row.
    void settle() const;
    void ensureOpen() const;
    void setCurrent(std::optional<qint64> key);
    const Row &currentRow();
    int requireField(const QString &field) const;

    std::shared_ptr<Connection> m_connection;
    QString m_table;
    QStringList m_fields;
    bool m_closed = false;
    // Settled lazily by the const reader hasCurrent, hence mutable.
    mutable bool m_settled = false; // false until the first row was looked up
    mutable std::optional<qint64> m_key;
    bool m_deleted = false;
    std::optional<Row> m_row; // cache of the current row
    std::optional<qint64> m_count;
    bool m_adding = false;
    FieldChanges m_pending;
};

// A field value as text, the way the windows show and read values.
QString fieldText(const QVariant &value);

} // namespace inv
