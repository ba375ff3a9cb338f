#include "admin/csvwriter.h"
#include "admin/historycommands.h"
#include "data/stock/reorder.h"

#include <QIODevice>
#include <QLocale>

namespace inv {

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
    return writeOut(report, csv, out);
}

} // namespace inv
