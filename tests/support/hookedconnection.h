#pragma once
// A connection that hands every call to another one and runs a test's
// action after the calls it names: another program's write put exactly
// between two steps of a routine (after its commit, say), where no message
// box stands to put it.

#include "data/core/connection.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/module1.h"

#include <QString>

#include <algorithm>
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
    int changeSocket() override { return m_inner->changeSocket(); }
    QStringList takeChanges() override { return m_inner->takeChanges(); }
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

protected:
    inv::Connection &inner() { return *m_inner; }

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

// Connections whose next commit of a change is answered as a lost server
// answers it (RecordsError OutcomeUnknown), after the change was really
// committed or really rolled back: the two cases a program cannot tell
// apart. Every connection of one UnknownOutcome shares its state, as the
// program's connections share one change.
struct UnknownOutcome {
    enum class Fate { Committed, RolledBack };
    Fate fate = Fate::Committed;
    bool armed = false; // the next commit of a change is answered so
    int commits = 0; // commits of a change sent, answered so or not
    int depth = 0; // changes begun and not ended, nested included
};

class UnknownOutcomeConnection : public HookedConnection {
public:
    UnknownOutcomeConnection(std::shared_ptr<inv::Connection> inner, UnknownOutcome &state)
        : HookedConnection(std::move(inner), {}), m_state(state)
    {
    }
    void begin() override
    {
        HookedConnection::begin();
        ++m_state.depth;
    }
    void rollback() override
    {
        m_state.depth = std::max(0, m_state.depth - 1);
        HookedConnection::rollback();
    }
    void commit() override
    {
        const bool outermost = --m_state.depth == 0;
        if (outermost)
            ++m_state.commits;
        if (!outermost || !m_state.armed) {
            HookedConnection::commit();
            return;
        }
        m_state.armed = false;
        if (m_state.fate == UnknownOutcome::Fate::Committed)
            inner().commit();
        else
            inner().rollback();
        throw inv::RecordsError(path(), QStringLiteral("server closed the connection unexpectedly"),
                                inv::RecordsError::Kind::OutcomeUnknown);
    }

private:
    UnknownOutcome &m_state;
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
            return inv::isServerLocation(path) ? std::shared_ptr<inv::Connection>(inv::PgConnection::open(path))
                                               : inv::SqlCipherConnection::open(path);
        });
    }
    ScopedFactory(const ScopedFactory &) = delete;
    ScopedFactory &operator=(const ScopedFactory &) = delete;
};

} // namespace testing
