#include "historycommands.h"

#include "pgconnection.h"
#include "sqlcipherconnection.h"

#include <QIODevice>

namespace inv {

std::shared_ptr<Connection> openForReading(const QString &path, AdminReport &report)
{
    try {
        // A server database is only read here: every read is made in a
        // read-only group of reads.
        if (isServerLocation(path))
            return PgConnection::open(path);
        return SqlCipherConnection::openReadOnly(path);
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: %2").arg(path, e.reason());
        return nullptr;
    }
}

AdminReport writeOut(AdminReport report, const QByteArray &bytes, QIODevice &out)
{
    if (out.write(bytes) != bytes.size())
        report.problems << QStringLiteral("the list cannot be written out (%1)").arg(out.errorString());
    return report;
}

AdminReport checkBalance(const QString &path)
{
    AdminReport report;
    const auto connection = openForReading(path, report);
    if (!connection)
        return report;
    try {
        ReadGroup group(connection);
        if (!Journal::available(*connection)) {
            report.summary = QStringLiteral("%1: no stock history yet (the program adds it when it next opens the "
                                            "file)")
                                 .arg(path);
            return report;
        }
        const QVector<Journal::Imbalance> found = Journal::unbalanced(*connection);
        for (const Journal::Imbalance &imbalance : found)
            report.problems
                << QStringLiteral("%1: the books do not balance for %2").arg(path, Journal::describe(imbalance));
        if (found.isEmpty())
            report.summary = QStringLiteral("%1: the books balance, %2 history rows")
                                 .arg(path)
                                 .arg(connection->count(Journal::kTable));
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the history cannot be read (%2)").arg(path, e.reason());
    }
    return report;
}

} // namespace inv
