#include "connection.h"

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

ReadGroup::ReadGroup(std::shared_ptr<Connection> connection) : m_connection(std::move(connection))
{
    if (m_connection)
        m_connection->beginReads();
}

ReadGroup::~ReadGroup()
{
    if (!m_connection)
        return;
    try {
        m_connection->endReads();
    } catch (...) {
        // Ending a group of reads changes nothing in the file; a failure
        // here leaves nothing to undo.
    }
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
