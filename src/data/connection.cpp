#include "connection.h"

#include "pgconnection.h"
#include "recordset.h"

namespace inv {

RecordsError::RecordsError(QString file, QString reason, Kind kind)
    : std::runtime_error((file + QStringLiteral(": ") + reason).toStdString()),
      m_file(std::move(file)),
      m_reason(std::move(reason)),
      m_kind(kind)
{
}

QString RecordsError::message() const
{
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
    // The server's own sentences end with their full stop already.
    const bool sentence = m_kind == Kind::Unreachable || m_kind == Kind::OutcomeUnknown;
    return message() + (sentence ? QString() : QStringLiteral("."))
           + (more.isEmpty() ? QString() : QStringLiteral("\n\n") + more);
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

DataVersion Connection::dataVersion()
{
    return {};
}

Transaction::Transaction(std::shared_ptr<Connection> connection) : m_connection(std::move(connection))
{
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
