#pragma once
// Bringing a stock list in from a spreadsheet: new Items rows from a CSV
// file whose header row names the Items fields, as export writes them. Every
// row is checked as the Add window checks its boxes, and the rows go in all
// together or not at all. No widgets here; inventory-admin runs it.

#include "admin/maintenance.h"

#include <QByteArray>
#include <QString>

namespace inv::ItemImport {

// At most this many bad rows are named one by one; the rest are counted.
inline constexpr int kNamedProblems = 20;

// Adds the items of csv to the records database at path, opened through
// Module1's engine factory, in one transaction. The columns item_no,
// item_name, Description, original_quantity and remaining_quantity are
// needed; max_quantity is taken when it holds a value (the original
// quantity otherwise, as the Add window sets it); ID, Status, date_updated and
// tempdate may be there and are not taken: the status is worked out by the
// status rule (a Status in the file is kept only when it is that rule's own
// text for the row's quantities, whole or exact), the date is today. One bad
// row and nothing is added: the problems name each bad row by its line
// number and reason. dryRun checks the same and writes nothing.
AdminReport importCsv(const QString &path, const QByteArray &csv, bool dryRun);
// The same from a file.
AdminReport importCsvFile(const QString &path, const QString &file, bool dryRun);

} // namespace inv::ItemImport
