#include "historycommands.h"

#include "csvwriter.h"
#include "reorder.h"
#include "schema.h"
#include "sqlcipherconnection.h"

#include <QIODevice>

namespace inv {

namespace {

constexpr int kChunk = 4096;

// The connection the commands read through, or the reason it cannot be had.
std::shared_ptr<Connection> openForReading(const QString &path, AdminReport &report)
{
    try {
        return SqlCipherConnection::openReadOnly(path);
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: %2").arg(path, e.reason());
        return nullptr;
    }
}

AdminReport written(AdminReport report, const QByteArray &csv, QIODevice &out)
{
    if (out.write(csv) != csv.size())
        report.problems << QStringLiteral("the list cannot be written out (%1)").arg(out.errorString());
    return report;
}

} // namespace

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
            const QVector<Row> page = Journal::read(*connection, filter, fields, false, after, false, 0, kChunk);
            for (const Row &row : page) {
                QList<QByteArray> line;
                for (const QVariant &value : row.values)
                    line << Csv::valueText(value);
                Csv::appendLine(csv, line);
            }
            rows += page.size();
            if (page.size() < kChunk)
                break;
            after = Journal::Place{page.last().values[Journal::kEnteredAt], page.last().key};
        }
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the history cannot be read (%2)").arg(path, e.reason());
        return report;
    }
    report.summary = QStringLiteral("%1 history rows from %2").arg(rows).arg(path);
    return written(report, csv, out);
}

AdminReport reorderCsv(const QString &path, double atMost, QIODevice &out)
{
    AdminReport report;
    const auto connection = openForReading(path, report);
    if (!connection)
        return report;
    QByteArray csv;
    QVector<Reorder::Line> lines;
    try {
        ReadGroup group(connection);
        lines = Reorder::list(*connection, atMost);
    } catch (const RecordsError &e) {
        report.problems << QStringLiteral("%1: the items cannot be read (%2)").arg(path, e.reason());
        return report;
    }
    Csv::appendLine(csv, {"item_no", "item_name", "Status", "remaining_quantity", "max_quantity", "to_order"});
    for (const Reorder::Line &line : std::as_const(lines))
        Csv::appendLine(csv, {Csv::valueText(line.itemNo), Csv::valueText(line.itemName), Csv::valueText(line.status),
                              Csv::valueText(line.remaining), Csv::valueText(line.maxQuantity),
                              QByteArray::number(line.toOrder, 'g', QLocale::FloatingPointShortest)});
    report.summary = QStringLiteral("%1 items to reorder from %2").arg(lines.size()).arg(path);
    report.items = lines.size();
    return written(report, csv, out);
}

} // namespace inv
