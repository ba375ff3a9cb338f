#include "admin/csvwriter.h"
#include "admin/historycommands.h"

#include <QIODevice>

namespace inv {

AdminReport historyCsv(const QString &path, const Journal::Filter &filter, QIODevice &out)
{
    AdminReport report;
    const auto connection = openForReading(path, report);
    if (!connection)
        return report;
    // Read whole first, in one read, and written afterwards, as an export.
    QByteArray csv;
    qint64 rows = 0;
    try {
        ReadGroup group(connection);
        if (!Journal::available(*connection)) {
            report.problems << QStringLiteral("%1 has no stock history yet: it was made before the history "
                                              "existed, and gets it when the program next opens it")
                                   .arg(path);
            return report;
        }
        rows =
            appendCsvPages(csv, connection->fields(Journal::kTable), [&](const QVector<int> &fields, const Row *last) {
                std::optional<Journal::Place> after;
                if (last)
                    after = Journal::Place{last->values[Journal::kEnteredAt], last->key};
                return Journal::read(*connection, filter, fields, false, after, false, 0, kCsvPage);
            });
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the history cannot be read (%2)").arg(path, e.reason());
        return report;
    }
    report.summary = QStringLiteral("%1 history rows from %2").arg(rows).arg(path);
    return writeOut(report, csv, out);
}

} // namespace inv
