#pragma once
// A connection that hands every call to another one and runs a test's
// action after the calls it names: another program's write put exactly
// between two steps of a routine (after its commit, say), where no message
// box stands to put it.

#include "data/connection.h"
#include "data/module1.h"
#include "data/sqlcipherconnection.h"

#include <QString>

#include <functional>

namespace testing {

class HookedConnection : public inv::Connection {
public:
    // after(call) runs after each call, with the call's name ("commit",
    // "count", "removeAll", ...).
    HookedConnection(std::shared_ptr<inv::Connection> inner, std::function<void(const QString &call)> after)
        : m_inner(std::move(inner)), m_after(std::move(after))
    {
    }

    QString path() const override { return m_inner->path(); }
    QStringList fields(const QString &table) override { return m_inner->fields(table); }
    qint64 count(const QString &table) override { return done("count", m_inner->count(table)); }
    std::optional<qint64> firstKey(const QString &table) override { return done("firstKey", m_inner->firstKey(table)); }
    std::optional<qint64> lastKey(const QString &table) override { return done("lastKey", m_inner->lastKey(table)); }
    std::optional<qint64> nextKey(const QString &table, qint64 key) override
    {
        return done("nextKey", m_inner->nextKey(table, key));
    }
    std::optional<qint64> keyAtOffset(const QString &table, qint64 key, qint64 offset) override
    {
        return done("keyAtOffset", m_inner->keyAtOffset(table, key, offset));
    }
    std::optional<inv::Row> read(const QString &table, qint64 key) override
    {
        return done("read", m_inner->read(table, key));
    }
    void forEach(const QString &table, const std::function<void(const inv::Row &)> &fn) override
    {
        m_inner->forEach(table, fn);
        done("forEach");
    }
    void forEachValue(const QString &table, int field, const std::function<void(qint64, const QVariant &)> &fn) override
    {
        m_inner->forEachValue(table, field, fn);
        done("forEachValue");
    }
    QStringList columnText(const QString &table, int field) override
    {
        return done("columnText", m_inner->columnText(table, field));
    }
    QVector<inv::Row> readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                               int limit) override
    {
        return done("readRows", m_inner->readRows(table, fields, from, limit));
    }
    QVector<inv::TextRow> readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from, int skip,
                                        int limit) override
    {
        return done("readTextsFrom", m_inner->readTextsFrom(table, fields, from, skip, limit));
    }
    inv::DataVersion dataVersion() override { return done("dataVersion", m_inner->dataVersion()); }
    std::optional<inv::Row> findFirst(const QString &table, int field, const QString &text) override
    {
        return done("findFirst", m_inner->findFirst(table, field, text));
    }
    void update(const QString &table, qint64 key, const inv::FieldChanges &changes) override
    {
        m_inner->update(table, key, changes);
        done("update");
    }
    qint64 insert(const QString &table, const inv::FieldChanges &values) override
    {
        return done("insert", m_inner->insert(table, values));
    }
    void remove(const QString &table, qint64 key) override
    {
        m_inner->remove(table, key);
        done("remove");
    }
    void removeAll(const QString &table) override
    {
        m_inner->removeAll(table);
        done("removeAll");
    }
    void begin() override
    {
        m_inner->begin();
        done("begin");
    }
    void commit() override
    {
        m_inner->commit();
        done("commit");
    }
    void rollback() override
    {
        m_inner->rollback();
        done("rollback");
    }
    void beginRead() override
    {
        m_inner->beginRead();
        done("beginRead");
    }
    void endRead() override
    {
        m_inner->endRead();
        done("endRead");
    }

private:
    void done(const char *call)
    {
        if (m_after)
            m_after(QLatin1String(call));
    }
    template <typename T>
    T done(const char *call, T value)
    {
        done(call);
        return value;
    }

    std::shared_ptr<inv::Connection> m_inner;
    std::function<void(const QString &)> m_after;
};

// Opens every connection of the program through factory for as long as it
// lives; then the program's own engine again.
class ScopedFactory {
public:
    explicit ScopedFactory(inv::Module1::ConnectionFactory factory)
    {
        inv::Module1::setConnectionFactory(std::move(factory));
    }
    ~ScopedFactory()
    {
        inv::Module1::setConnectionFactory([](const QString &path) -> std::shared_ptr<inv::Connection> {
            return inv::SqlCipherConnection::open(path);
        });
    }
    ScopedFactory(const ScopedFactory &) = delete;
    ScopedFactory &operator=(const ScopedFactory &) = delete;
};

} // namespace testing
