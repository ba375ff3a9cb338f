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
    RecordsError(QString file, QString reason);
    const QString &file() const { return m_file; }
    const QString &reason() const { return m_reason; }
    // "The file ... cannot be used: reason"
    QString message() const;

private:
    QString m_file;
    QString m_reason;
};

// One row as read from a table: its key (stored order) and its values in
// stored field order. A null QVariant is a field that holds no value.
struct Row {
    qint64 key = 0;
    QVector<QVariant> values;
};

// A set of field changes by field position, written together.
using FieldChanges = QVector<std::pair<int, QVariant>>;

class Connection {
public:
    virtual ~Connection();

    virtual QString path() const = 0;

    // Field names of a table in stored order.
    virtual QStringList fields(const QString &table) = 0;
    // Whether a field holds dates (read back as QDate).
    virtual bool isDateField(const QString &table, int field) = 0;

    virtual qint64 count(const QString &table) = 0;
    virtual std::optional<qint64> firstKey(const QString &table) = 0;
    virtual std::optional<qint64> lastKey(const QString &table) = 0;
    virtual std::optional<qint64> nextKey(const QString &table, qint64 key) = 0;
    virtual std::optional<qint64> previousKey(const QString &table, qint64 key) = 0;
    // The key |offset| rows after (offset > 0) or before (offset < 0) key.
    virtual std::optional<qint64> keyAtOffset(const QString &table, qint64 key, qint64 offset) = 0;
    virtual std::optional<Row> read(const QString &table, qint64 key) = 0;
    // At most count rows in stored order, from the row with key on (or the
    // first after it), read together; each row holds the values of the
    // given field positions, in that order.
    virtual QVector<Row> readRows(const QString &table, qint64 key, int count, const QVector<int> &fields) = 0;
    // Every row in stored order.
    virtual void forEach(const QString &table, const std::function<void(const Row &)> &fn) = 0;
    // The first row in stored order whose field equals text exactly
    // (case-sensitive, untrimmed); a field without a value never matches.
    virtual std::optional<qint64> findFirst(const QString &table, int field, const QString &text) = 0;

    // Each write is atomic on its own: the row is stored whole or not at all.
    virtual void update(const QString &table, qint64 key, const FieldChanges &changes) = 0;
    virtual qint64 insert(const QString &table, const FieldChanges &values) = 0;
    virtual void remove(const QString &table, qint64 key) = 0;

    // Several writes as one: begin, then commit or roll back.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    // Several reads as one: they see the file as it was at the first of them
    // and take its lock once. No writes in between. Nests.
    virtual void beginReads() = 0;
    virtual void endReads() = 0;
};

// Groups the reads made while it lives (see Connection::beginReads). A
// null connection groups nothing.
class ReadGroup {
public:
    explicit ReadGroup(std::shared_ptr<Connection> connection);
    ~ReadGroup();
    ReadGroup(const ReadGroup &) = delete;
    ReadGroup &operator=(const ReadGroup &) = delete;

private:
    std::shared_ptr<Connection> m_connection;
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

} // namespace inv
