#pragma once
// The engine seam. A Connection stands for one open records database; the
// cursors (Recordset) and the procedures of Module1 only talk to this
// interface, so another engine can stand behind them later.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

namespace inv {

// A failure of the records database: which file, and what is wrong with it.
class RecordsError : public std::runtime_error {
public:
    enum class Kind {
        Other,
        // The file is there but is no sound records database: damaged, of
        // another kind, keyed otherwise, or a table or field is missing.
        Damaged,
        // A database server that cannot be reached: nothing was written.
        Unreachable,
        // The server went away during a commit: the change may or may not
        // have been written. Never retried; the caller reads the lists again.
        OutcomeUnknown,
    };
    // sentence, when given, is what message() says (one plain sentence
    // ending with its full stop), in place of the kind's own.
    RecordsError(QString file, QString reason, Kind kind = Kind::Other, QString sentence = {});
    const QString &file() const { return m_file; }
    const QString &reason() const { return m_reason; }
    bool damaged() const { return m_kind == Kind::Damaged; }
    Kind kind() const { return m_kind; }
    // "The file ... cannot be used: reason"; for a server that cannot be
    // reached, or a commit whose outcome is unknown, one plain sentence.
    QString message() const;
    // For a damaged file: that it was left untouched, and how to check it or
    // put a copy back. Empty otherwise.
    QString advice() const;
    // The message, ended with a full stop, and the advice below it.
    QString description() const;

private:
    QString m_file;
    QString m_reason;
    Kind m_kind;
    QString m_sentence;
};

// Passwords met in database locations (a server address may carry one).
// Every RecordsError and every line inventory-admin writes is cleared of
// them, whatever text of the server or of libpq happened to quote it.
namespace Secrets {
// Keeps secret (a password) to be cleared from texts from now on.
void note(const QString &secret);
// text with every noted secret replaced by ***.
QString cleared(const QString &text);
} // namespace Secrets

// One row as read from a table: its key (stored order) and its values in
// stored field order. A null QVariant is a field that holds no value.
struct Row {
    qint64 key = 0;
    QVector<QVariant> values;
};

// Fields of one row as text, with the row's key.
struct TextRow {
    qint64 key = 0;
    QStringList texts;
};

// A set of field changes by field position, written together.
using FieldChanges = QVector<std::pair<int, QVariant>>;

// The rows a readOrdered takes, and their order: by the value of the field
// order, then by key, both descending (newest first for a time of writing)
// or both ascending. Every bound narrows the rows; an unset one does not.
struct OrderedRead {
    int order = 0; // field position
    bool descending = true;
    // Only the rows whose field match equals matchValue exactly (match >= 0).
    int match = -1;
    QVariant matchValue;
    // Only the rows whose order field lies in [from, until) (null: open).
    QVariant from, until;
    // Only the rows past this one in the order: its order value and key
    // (the row itself too when inclusive).
    std::optional<std::pair<QVariant, qint64>> after;
    bool inclusive = false;
    int skip = 0; // rows stepped over first (a page at most)
    int limit = 0;
};

// The state of a database file's contents. Two equal versions of the same
// file mean that nothing was written to it in between, by this program or by
// another one; a version that is not known equals nothing, not even itself.
struct DataVersion {
    qint64 file = -1; // which open file; -1: not known
    qint64 ours = 0; // rows written through this program's handle
    qint64 others = 0; // commits made by other programs or handles

    bool known() const { return file >= 0; }
    bool operator==(const DataVersion &o) const
    {
        return known() && file == o.file && ours == o.ours && others == o.others;
    }
    bool operator!=(const DataVersion &o) const { return !(*this == o); }
};

class Connection {
public:
    virtual ~Connection();

    virtual QString path() const = 0;

    // Field names of a table in stored order.
    virtual QStringList fields(const QString &table) = 0;

    virtual qint64 count(const QString &table) = 0;
    virtual std::optional<qint64> firstKey(const QString &table) = 0;
    virtual std::optional<qint64> lastKey(const QString &table) = 0;
    virtual std::optional<qint64> nextKey(const QString &table, qint64 key) = 0;
    // The key |offset| rows after (offset > 0) or before (offset < 0) key.
    virtual std::optional<qint64> keyAtOffset(const QString &table, qint64 key, qint64 offset) = 0;
    virtual std::optional<Row> read(const QString &table, qint64 key) = 0;
    // Every row in stored order.
    virtual void forEach(const QString &table, const std::function<void(const Row &)> &fn) = 0;

    // One field of every row with the row's key (a null QVariant where the
    // field holds no value), in whatever order is cheapest to read: an index
    // that holds the field, say. The keys give the stored order. A list of
    // one column need not read every field of every row.
    virtual void forEachValue(const QString &table, int field,
                              const std::function<void(qint64 key, const QVariant &value)> &fn) = 0;

    // One field of every row as text (fieldText), in stored order.
    virtual QStringList columnText(const QString &table, int field);
    // Up to limit rows in stored order, starting at the row whose key is
    // from (or the first row after it); nullopt starts at the first row.
    // Each row's values hold only the given fields, in the order given.
    virtual QVector<Row> readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                                  int limit);
    // Up to limit rows in stored order, beginning skip rows after the row
    // whose key is from (skip rows before it when skip is negative; at from,
    // or the first row after it, when skip is 0). Nothing when no row is
    // there. Each row holds the given fields as text (fieldText), in the
    // order given: the form a list shows them in.
    virtual QVector<TextRow> readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from, int skip,
                                           int limit);
    // See DataVersion. Never throws: when the engine cannot tell, the
    // version is unknown.
    virtual DataVersion dataVersion();

    // Up to how.limit rows, each its key and the given fields in the order
    // given, as OrderedRead describes. An engine reads them through an index
    // on (order) or (match, order), so a page costs the same at any place of
    // a long table; this default walks the whole table.
    virtual QVector<Row> readOrdered(const QString &table, const QVector<int> &fields, const OrderedRead &how);
    // The same rows with the given fields as text (fieldText): the form a
    // list shows them in, read without a value made for each field.
    virtual QVector<TextRow> readOrderedTexts(const QString &table, const QVector<int> &fields,
                                              const OrderedRead &how);

    // The version of the records schema the database carries
    // (kSchemaVersion when it holds every table of it).
    virtual int schemaVersion();
    // Inside a transaction: adds what the schema gained after the version
    // the database carries (tables and their indexes) and sets its version.
    virtual void upgradeSchema();

    // The first row in stored order whose field equals text exactly
    // (case-sensitive, untrimmed), read whole; a field without a value never
    // matches.
    virtual std::optional<Row> findFirst(const QString &table, int field, const QString &text) = 0;

    // Each write is atomic on its own: the row is stored whole or not at all.
    virtual void update(const QString &table, qint64 key, const FieldChanges &changes) = 0;
    virtual qint64 insert(const QString &table, const FieldChanges &values) = 0;
    virtual void remove(const QString &table, qint64 key) = 0;
    // Deletes every row of the table, all or none. Engines with a statement
    // for it make it one statement; the plain version deletes row by row
    // inside one transaction of its own (nested in the caller's, if any).
    virtual void removeAll(const QString &table);

    // Several writes as one: begin, then commit or roll back.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    // Other programs' changes as they are made. A socket descriptor that
    // becomes readable when another program may have written, to watch in
    // the event loop (-1: this engine does not tell, and the lists follow at
    // the next action); it may change after a lost connection comes back.
    virtual int changeSocket() { return -1; }
    // The tables that other programs changed since the last call, drained
    // without waiting: what the socket told, and what came in meanwhile
    // with the answers to this program's own statements.
    virtual QStringList takeChanges() { return {}; }

    // Several reads as one: between beginRead and endRead the file is locked
    // and checked once instead of at every read, and every read sees it as
    // it was at the first. Groups nest; inside a group of writes they change
    // nothing. No write may be made inside a group of reads (RecordsError).
    virtual void beginRead() = 0;
    virtual void endRead() = 0;
};

// Groups writes on a connection: committed by commit(), rolled back when it
// goes out of scope without one (an exception on the way, for instance).
class Transaction {
public:
    explicit Transaction(std::shared_ptr<Connection> connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    std::shared_ptr<Connection> m_connection;
    bool m_open = false;
};

// Groups reads on a connection for as long as it lives (on no connection it
// does nothing: the first read reports that).
class ReadGroup {
public:
    explicit ReadGroup(std::shared_ptr<Connection> connection);
    ~ReadGroup();
    ReadGroup(const ReadGroup &) = delete;
    ReadGroup &operator=(const ReadGroup &) = delete;

private:
    std::shared_ptr<Connection> m_connection;
};

} // namespace inv
