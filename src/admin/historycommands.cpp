#include "admin/historycommands.h"

#include "admin/csvwriter.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"

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
        report.problems << QStringLiteral("%1: %2").arg(locationWithoutPassword(path), e.reason());
        return nullptr;
    }
}

AdminReport writeOut(AdminReport report, const QByteArray &bytes, QIODevice &out)
{
    if (out.write(bytes) != bytes.size())
        report.problems << QStringLiteral("the list cannot be written out (%1)").arg(out.errorString());
    return report;
}

qint64 appendCsvPages(QByteArray &csv, const QStringList &names,
                      const std::function<QVector<Row>(const QVector<int> &fields, const Row *last)> &page)
{
    QList<QByteArray> header;
    QVector<int> fields;
    for (int f = 0; f < names.size(); ++f) {
        header << names[f].toUtf8();
        fields << f;
    }
    Csv::appendLine(csv, header);
    qint64 rows = 0;
    QVector<Row> read = page(fields, nullptr);
    for (;;) {
        for (const Row &row : std::as_const(read)) {
            QList<QByteArray> line;
            for (const QVariant &value : row.values)
                line << Csv::valueText(value);
            Csv::appendLine(csv, line);
        }
        rows += read.size();
        if (read.size() < kCsvPage)
            return rows;
        read = page(fields, &read.last());
    }
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
                                 .arg(path, QString::number(connection->count(Journal::kTable)));
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the history cannot be read (%2)").arg(path, e.reason());
    }
    return report;
}

} // namespace inv
