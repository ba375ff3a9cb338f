#include "connection.h"

#include "recordset.h"

namespace inv {

RecordsError::RecordsError(QString file, QString reason)
    : std::runtime_error((file + QStringLiteral(": ") + reason).toStdString()),
      m_file(std::move(file)), m_reason(std::move(reason))
{
}

QString RecordsError::message() const
{
    return QStringLiteral("The database file \"%1\" cannot be used: %2").arg(m_file, m_reason);
}

Connection::~Connection() = default;

// Plain versions on top of the row walk, for engines without their own.
QStringList Connection::columnText(const QString &table, int field)
{
    QStringList texts;
    forEach(table, [&](const Row &row) { texts << FieldText(row.values.value(field)); });
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

DataVersion Connection::dataVersion()
{
    return {};
}

Transaction::Transaction(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection))
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

} // namespace inv
