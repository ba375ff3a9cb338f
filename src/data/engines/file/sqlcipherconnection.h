#pragma once
// The SQLCipher engine behind Connection.
//
// Opening a keyed file costs tens of milliseconds (the key derivation), and
// the windows open a connection at the start of almost every action. So an
// open, validated file handle is shared by every Connection on the same file
// for as long as one of them is alive; a new Connection on that file costs a
// stat() to confirm it is still the same file.

#include "data/core/connection.h"

namespace inv {

struct SqlCipherHandle;

class SqlCipherConnection : public Connection {
public:
    // Opens (or shares) the records database at path. Throws RecordsError
    // when the file is missing, empty, not a database, keyed otherwise,
    // fails the engine's quick check (run when the file's handle is first
    // opened, before anything is written), or lacks a table or field of the
    // records schema (of the version the file carries: a file made before a
    // table existed is sound without it). Never creates nor upgrades a file.
    static std::shared_ptr<SqlCipherConnection> open(const QString &path);
    // The same for reading only, for the admin's commands that never write
    // to the file nor beside it: no lock file, no quick check, a handle of
    // its own. Any write through it fails.
    static std::shared_ptr<SqlCipherConnection> openReadOnly(const QString &path);

    ~SqlCipherConnection() override;

    QString path() const override;
    QStringList fields(const QString &table) override;
    qint64 count(const QString &table) override;
    std::optional<qint64> firstKey(const QString &table) override;
    std::optional<qint64> lastKey(const QString &table) override;
    std::optional<qint64> nextKey(const QString &table, qint64 key) override;
    std::optional<qint64> keyAtOffset(const QString &table, qint64 key, qint64 offset) override;
    std::optional<Row> read(const QString &table, qint64 key) override;
    void forEach(const QString &table, const std::function<void(const Row &)> &fn) override;
    void forEachValue(const QString &table, int field,
                      const std::function<void(qint64 key, const QVariant &value)> &fn) override;
    QStringList columnText(const QString &table, int field) override;
    QVector<Row> readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                          int limit) override;
    QVector<TextRow> readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from, int skip,
                                   int limit) override;
    DataVersion dataVersion() override;
    QVector<Row> readOrdered(const QString &table, const QVector<int> &fields, const OrderedRead &how) override;
    QVector<TextRow> readOrderedTexts(const QString &table, const QVector<int> &fields,
                                      const OrderedRead &how) override;
    int schemaVersion() override;
    void upgradeSchema() override;
    std::optional<Row> findFirst(const QString &table, int field, const QString &text) override;
    void update(const QString &table, qint64 key, const FieldChanges &changes) override;
    qint64 insert(const QString &table, const FieldChanges &values) override;
    void remove(const QString &table, qint64 key) override;
    void removeAll(const QString &table) override;
    void begin() override;
    void commit() override;
    void rollback() override;
    void beginRead() override;
    void endRead() override;

    // The number of file handles opened so far in this process (each costs
    // a key derivation); for tests and benchmarks.
    static int handlesOpened();

private:
    explicit SqlCipherConnection(std::shared_ptr<SqlCipherHandle> handle);
    std::shared_ptr<SqlCipherHandle> m_handle;
};

} // namespace inv
