#include "csvwriter.h"
#include "historycommands.h"

#include <QIODevice>

namespace inv {

namespace {
// Rows read at a time, through the history's index.
constexpr int kRowsARead = 4096;
} // namespace

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
        const QStringList names = connection->fields(Journal::kTable);
        QList<QByteArray> header;
        QVector<int> fields;
        for (int f = 0; f < names.size(); ++f) {
            header << names[f].toUtf8();
            fields << f;
        }
        Csv::appendLine(csv, header);
        std::optional<Journal::Place> after;
        for (;;) {
            const QVector<Row> page = Journal::read(*connection, filter, fields, false, after, false, 0, kRowsARead);
            for (const Row &row : page) {
                QList<QByteArray> line;
                for (const QVariant &value : row.values)
                    line << Csv::valueText(value);
                Csv::appendLine(csv, line);
            }
            rows += page.size();
            if (page.size() < kRowsARead)
                break;
            after = Journal::Place{page.last().values[Journal::kEnteredAt], page.last().key};
        }
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the history cannot be read (%2)").arg(path, e.reason());
        return report;
    }
    report.summary = QStringLiteral("%1 history rows from %2").arg(rows).arg(path);
    return writeOut(report, csv, out);
}

} // namespace inv
