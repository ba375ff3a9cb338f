#include "data/core/connection.h"
#include "data/core/fieldindex.h"

#include "data/core/recordset.h"
#include "data/engines/server/pgconnection.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"

#include <QMutex>
#include <QUrl>
#include <QSet>

#include <algorithm>

namespace inv {

namespace Secrets {

namespace {

QMutex g_lock;

QSet<QString> &secrets()
{
    static auto *kept = new QSet<QString>; // used until the very end
    return *kept;
}

} // namespace

void note(const QString &secret)
{
    if (secret.isEmpty())
        return;
    QMutexLocker locked(&g_lock);
    secrets().insert(secret);
    // As an address would carry it, too.
    secrets().insert(QString::fromLatin1(QUrl::toPercentEncoding(secret)));
}

QString cleared(const QString &text)
{
    QMutexLocker locked(&g_lock);
    if (secrets().isEmpty())
        return text;
    QString out = text;
    // Longest first: a secret that holds another is cleared whole.
    QStringList all(secrets().cbegin(), secrets().cend());
    std::sort(all.begin(), all.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &secret : std::as_const(all))
        out.replace(secret, QStringLiteral("***"));
    return out;
}

} // namespace Secrets

RecordsError::RecordsError(QString file, QString reason, Kind kind, QString sentence)
    : std::runtime_error(Secrets::cleared(file + QStringLiteral(": ") + reason).toStdString()),
      m_file(Secrets::cleared(file)),
      m_reason(Secrets::cleared(reason)),
      m_kind(kind),
      m_sentence(Secrets::cleared(sentence))
{
}

QString RecordsError::message() const
{
    if (!m_sentence.isEmpty())
        return m_sentence;
    if (m_kind == Kind::Unreachable)
        return QStringLiteral("The database server cannot be reached; nothing was written. Try again when it is back.");
    if (m_kind == Kind::OutcomeUnknown)
        return QStringLiteral("The database server stopped answering while a change was being saved: it may or may "
                              "not have been written. Look at the lists again before you repeat it.");
    if (isServerLocation(m_file))
        return QStringLiteral("The database \"%1\" cannot be used: %2").arg(m_file, m_reason);
    return QStringLiteral("The database file \"%1\" cannot be used: %2").arg(m_file, m_reason);
}

QString RecordsError::advice() const
{
    if (!damaged())
        return QString();
    return QStringLiteral("The file is damaged or is not a records database. It was left untouched: nothing "
                          "is written to it.\n\n"
                          "To check it:\n    inventory-admin check \"%1\"\n\n"
                          "To put back a copy from a backup:\n    inventory-admin restore BACKUP \"%1\"")
        .arg(m_file);
}

QString RecordsError::description() const
{
    const QString more = advice();
    // The plain sentences end with their full stop already.
    const QString said = message();
    const bool sentence = said.endsWith(QLatin1Char('.'));
    return said + (sentence ? QString() : QStringLiteral("."))
           + (more.isEmpty() ? QString() : QStringLiteral("\n\n") + more);
}

const QString &fieldAt(const QStringList &fields, int field, const QString &table, const QString &location)
{
    if (field < 0 || field >= fields.size())
        throw RecordsError(location, QStringLiteral("no such field in the table %1").arg(table));
    return fields[field];
}

Connection::~Connection() = default;

// Plain versions on top of the row walk, for engines without their own.
QStringList Connection::columnText(const QString &table, int field)
{
    QStringList texts;
    forEach(table, [&](const Row &row) { texts << fieldText(row.values.value(field)); });
    return texts;
}

QVector<Row> Connection::readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                                  int limit)
{
    QVector<Row> rows;
    forEach(table, [&](const Row &row) {
        if (rows.size() >= limit || (from && row.key < *from))
            return;
        Row picked{row.key, {}};
        for (int field : fields)
            picked.values << row.values.value(field);
        rows << picked;
    });
    return rows;
}

QVector<TextRow> Connection::readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from, int skip,
                                           int limit)
{
    std::optional<qint64> start = from;
    if (skip != 0)
        start = keyAtOffset(table, from, skip);
    QVector<TextRow> texts;
    if (!start)
        return texts;
    for (const Row &row : readRows(table, fields, *start, limit)) {
        TextRow text{row.key, {}};
        for (const QVariant &value : row.values)
            text.texts << fieldText(value);
        texts << text;
    }
    return texts;
}

void Connection::removeAll(const QString &table)
{
    begin();
    try {
        // Keys first: a walk must not see the rows it deletes go.
        QVector<qint64> keys;
        forEach(table, [&](const Row &row) { keys << row.key; });
        for (qint64 key : std::as_const(keys))
            remove(table, key);
    } catch (...) {
        rollback();
        throw;
    }
    commit();
}

DataVersion Connection::dataVersion()
{
    return {};
}

namespace {

// Order values compared as the engines compare them: numbers by value,
// anything else by its text; no value first.
int compareValues(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    bool aNumber = false, bNumber = false;
    const double x = a.toDouble(&aNumber), y = b.toDouble(&bNumber);
    if (aNumber && bNumber && a.typeId() != QMetaType::QString && b.typeId() != QMetaType::QString)
        return x < y ? -1 : x > y ? 1 : 0;
    return fieldText(a).compare(fieldText(b));
}

} // namespace

QVector<Row> Connection::readOrdered(const QString &table, const QVector<int> &fields, const OrderedRead &how)
{
    const int sign = how.descending ? -1 : 1;
    // Where a row stands against a place in the order: < 0 before it.
    const auto place = [&](const QVariant &value, qint64 key, const QVariant &at, qint64 atKey) {
        const int c = compareValues(value, at);
        return sign * (c != 0 ? c : (key < atKey ? -1 : key > atKey ? 1 : 0));
    };
    QVector<Row> rows;
    forEach(table, [&](const Row &row) {
        const QVariant value = row.values.value(how.order);
        if (how.match >= 0
            && (row.values.value(how.match).isNull() || how.matchValue.isNull()
                || compareValues(row.values.value(how.match), how.matchValue) != 0))
            return;
        if (!how.from.isNull() && compareValues(value, how.from) < 0)
            return;
        if (!how.until.isNull() && compareValues(value, how.until) >= 0)
            return;
        if (how.after) {
            const int p = place(value, row.key, how.after->first, how.after->second);
            if (p < 0 || (p == 0 && !how.inclusive))
                return;
        }
        rows << row;
    });
    std::sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
        return place(a.values.value(how.order), a.key, b.values.value(how.order), b.key) < 0;
    });
    QVector<Row> picked;
    for (int i = how.skip; i < rows.size() && picked.size() < how.limit; ++i) {
        Row row{rows[i].key, {}};
        for (int field : fields)
            row.values << rows[i].values.value(field);
        picked << row;
    }
    return picked;
}

QVector<TextRow> Connection::readOrderedTexts(const QString &table, const QVector<int> &fields, const OrderedRead &how)
{
    QVector<TextRow> texts;
    for (const Row &row : readOrdered(table, fields, how)) {
        TextRow text{row.key, {}};
        for (const QVariant &value : row.values)
            text.texts << fieldText(value);
        texts << text;
    }
    return texts;
}

int Connection::schemaVersion()
{
    return kSchemaVersion;
}

void Connection::upgradeSchema()
{
}

Transaction::Transaction(std::shared_ptr<Connection> connection) : m_connection(std::move(connection))
{
    Module1::refuseInViewOnlyUse(m_connection->path());
    m_connection->begin();
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        try {
            m_connection->rollback();
        } catch (...) {
            // Nothing more can be done from a destructor; the engine rolls
            // back an unfinished transaction when the connection closes.
        }
    }
}

void Transaction::commit()
{
    m_connection->commit();
    m_open = false;
}

ReadGroup::ReadGroup(std::shared_ptr<Connection> connection) : m_connection(std::move(connection))
{
    if (m_connection)
        m_connection->beginRead();
}

ReadGroup::~ReadGroup()
{
    if (!m_connection)
        return;
    try {
        m_connection->endRead();
    } catch (...) {
        // Ending a group of reads writes nothing; the engine lets go of its
        // lock when the connection closes at the latest.
    }
}

} // namespace inv
