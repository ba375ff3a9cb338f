#pragma once
// The inventory-admin commands of the stock history, one file each: the
// balance check that `check` adds (historycommands.cpp), the history as CSV
// (historycsv.cpp) and the reorder list as CSV (reordercsv.cpp). They read
// through a records connection and write nothing to the database nor beside
// it.

#include "admin/maintenance.h"
#include "data/stock/journal.h"

class QIODevice;

namespace inv {

// What the commands share: the database at path (a file or a server
// address) opened for reading only (nullptr, with the problem in report,
// when it cannot be), and the list
// written out whole (a problem in the report when it cannot be).
std::shared_ptr<Connection> openForReading(const QString &path, AdminReport &report);
AdminReport writeOut(AdminReport report, const QByteArray &bytes, QIODevice &out);
// Appends a header of the field names, then the rows of every page, each
// value as Csv::valueText writes it: page(last) reads up to kCsvPage rows
// with every field, the first ones or those after last. The rows written.
constexpr int kCsvPage = 4096;
qint64 appendCsvPages(QByteArray &csv, const QStringList &names,
                      const std::function<QVector<Row>(const QVector<int> &fields, const Row *last)> &page);

// Whether the books of the database at path balance: one problem per item
// that does not, naming it. A database without the history yet (made before
// it, not opened by the program since) balances by definition.
AdminReport checkBalance(const QString &path);

// The history rows of the filter as CSV (the rules of exportCsv), oldest
// first.
AdminReport historyCsv(const QString &path, const Journal::Filter &filter, QIODevice &out);

// The reorder list of the items at or below atMost percent as CSV: number,
// name, status, remaining and maximum quantity as stored, and the quantity
// to order.
AdminReport reorderCsv(const QString &path, double atMost, QIODevice &out);

} // namespace inv
