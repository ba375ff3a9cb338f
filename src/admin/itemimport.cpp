#include "admin/itemimport.h"

#include "admin/adminfiles.h"
#include "admin/csvreader.h"
#include "admin/csvwriter.h"
#include "admin/historycommands.h"
#include "data/core/clock.h"
#include "data/core/fields.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"
#include "data/stock/session.h"
#include "data/stock/status.h"
#include "items/itemrecords.h"

#include <QFile>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <optional>
#include <sqlite3.h>

namespace inv::ItemImport {

namespace {

const QString kItems = QStringLiteral("Items");

// The columns a row needs, and those it may carry besides.
const QStringList &neededColumns()
{
    static const QStringList columns{kItemNo, kItemName, kDescription, kOriginalQuantity, kRemaining};
    return columns;
}
const QStringList &optionalColumns()
{
    static const QStringList columns{QStringLiteral("ID"), kStatus, kMaxQuantity, kDateUpdated, kTempdate};
    return columns;
}

// A whole number as a spreadsheet writes one: digits with an optional sign,
// blanks around allowed.
bool wholeNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? 1 : 0;
    if (i >= t.size())
        return false;
    for (; i < t.size(); ++i)
        if (!t.at(i).isDigit() || t.at(i).unicode() > 127)
            return false;
    return true;
}

struct NewItem {
    QString itemNo, name, description, status;
    qint16 original = 0, remaining = 0, base = 0;
};

// The status the rule gives for the quantities; the file's own text when it
// is the rule's exact form of the same (the form the update window and the
// undo write), so that an exported list comes back as it was.
QString statusFor(qint16 remaining, qint16 base, const QString &whole, const std::optional<QString> &given)
{
    if (!given || *given == whole)
        return whole;
    for (const QLocale &locale : {QLocale::c(), QLocale()})
        if (ExactStatusText(remaining, base, locale) == *given)
            return *given;
    return whole;
}

class Checker {
public:
    Checker(const QStringList &header, Recordset &items) : m_items(items)
    {
        for (int c = 0; c < header.size(); ++c)
            m_column.insert(header[c], c);
        m_fields = int(header.size());
    }

    // The header's problems, each a sentence; none when the columns will do.
    static QStringList headerProblems(const QStringList &header)
    {
        QStringList problems;
        QHash<QString, int> seen;
        for (const QString &name : header) {
            if (!neededColumns().contains(name) && !optionalColumns().contains(name))
                problems << QStringLiteral("the column \"%1\" is no field of Items").arg(name);
            else if (seen.contains(name))
                problems << QStringLiteral("the column %1 is there twice").arg(name);
            seen.insert(name, 1);
        }
        for (const QString &name : neededColumns())
            if (!seen.contains(name))
                problems << QStringLiteral("the column %1 is missing").arg(name);
        return problems;
    }

    // The reasons a row is bad (none: it is good, and *out holds it).
    QStringList check(const Csv::Record &record, NewItem *out)
    {
        if (record.fields.size() != m_fields)
            return {QStringLiteral("%1 fields where the header row has %2").arg(record.fields.size()).arg(m_fields)};
        QStringList reasons;
        const auto text = [&](const QString &column) {
            return Csv::fromInert(record.fields.at(m_column.value(column)));
        };
        // Control characters are what no window's box takes in (a scanner's
        // are left out of the number; a NUL would cut the text short); a
        // description may run over lines, as a quoted field can.
        const auto textField = [&](const QString &column, QString *value, bool lines) {
            *value = text(column).trimmed();
            if (value->isEmpty())
                reasons << QStringLiteral("%1 is empty").arg(column);
            else if (std::any_of(value->cbegin(), value->cend(), [lines](QChar c) {
                         return c.category() == QChar::Other_Control
                                && !(lines
                                     && (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')));
                     }))
                reasons << QStringLiteral("%1 holds a control character").arg(column);
        };
        textField(kItemNo, &out->itemNo, false);
        textField(kItemName, &out->name, false);
        textField(kDescription, &out->description, true);

        // An empty max_quantity is the original quantity, as the Add window
        // sets it.
        const bool hasBase = m_column.contains(kMaxQuantity) && !text(kMaxQuantity).trimmed().isEmpty();
        bool numbers = true;
        for (const QString &column : {kOriginalQuantity, kRemaining, kMaxQuantity}) {
            if (column == kMaxQuantity && !hasBase)
                continue;
            const QString value = text(column);
            if (value.trimmed().isEmpty()) {
                reasons << QStringLiteral("%1 is empty").arg(column);
                numbers = false;
            } else if (!wholeNumber(value)) {
                reasons << QStringLiteral("%1 is not a whole number: \"%2\"").arg(column, value);
                numbers = false;
            }
        }
        if (numbers) {
            // The Add window's own rules for the two quantities.
            ItemRecords::Quantities q;
            const ItemRecords::Outcome rules = ItemRecords::workOut(text(kOriginalQuantity), text(kRemaining), &q);
            if (rules.result != ItemRecords::Result::Written) {
                reasons << rules.message;
            } else {
                out->original = q.original;
                out->remaining = q.remaining;
                out->base = q.original;
                QString whole = q.status;
                if (hasBase) {
                    // The base of the status, when the file gives one.
                    const std::optional<qint16> base = RoundToInt16(LeadingNumber(text(kMaxQuantity)));
                    const std::optional<QString> status = base ? WholeStatusText(q.remaining, *base) : std::nullopt;
                    if (!base)
                        reasons << QStringLiteral("max_quantity lies outside -32768 to 32767");
                    else if (*base == 0)
                        reasons << QStringLiteral("max_quantity is 0, and the stock status is worked out as a share "
                                                  "of it");
                    else if (!status)
                        reasons << QStringLiteral("the stock status would lie outside -32768% to 32767%");
                    else
                        out->base = *base, whole = *status;
                }
                std::optional<QString> given;
                if (m_column.contains(kStatus))
                    given = text(kStatus);
                out->status = statusFor(out->remaining, out->base, whole, given);
            }
        }

        if (!out->itemNo.isEmpty()) {
            if (const auto earlier = m_lineOf.constFind(out->itemNo); earlier != m_lineOf.cend())
                reasons << QStringLiteral("the item number %1 is on line %2 already").arg(out->itemNo).arg(*earlier);
            else if (m_lineOf.insert(out->itemNo, record.line); ItemRecords::numberTaken(m_items, out->itemNo))
                reasons << QStringLiteral("an item with the number %1 is in the database already").arg(out->itemNo);
        }
        return reasons;
    }

private:
    Recordset &m_items;
    QHash<QString, int> m_column;
    int m_fields = 0;
    QHash<QString, int> m_lineOf; // item number -> the line it first stands on
};

} // namespace

AdminReport importCsv(const QString &path, const QByteArray &csv, bool dryRun)
{
    AdminReport report;
    const Csv::Table table = Csv::parse(csv);
    if (table.error) {
        report.problems << QStringLiteral("line %1: %2").arg(table.errorLine).arg(*table.error)
                        << QStringLiteral("nothing was added to %1").arg(locationWithoutPassword(path));
        return report;
    }
    if (table.header.isEmpty()) {
        report.problems << QStringLiteral("the file is empty: it needs a header row naming the Items fields");
        return report;
    }
    if (const QStringList problems = Checker::headerProblems(table.header); !problems.isEmpty()) {
        for (const QString &problem : problems)
            report.problems << QStringLiteral("line 1: %1").arg(problem);
        report.problems << QStringLiteral("nothing was added to %1").arg(locationWithoutPassword(path));
        return report;
    }

    const auto run = [&] {
        // A dry run only looks: the file is opened read-only, so that not
        // even an older file's upgrade, nor the roll-back of a change cut
        // off half-written, is written; such a change is said instead. An
        // import goes through the engine the program itself uses.
        std::shared_ptr<Recordset> opened;
        if (dryRun) {
            const std::shared_ptr<Connection> looking = openForReading(path, report);
            if (!looking) {
                report.problems << QStringLiteral("nothing was added to %1").arg(locationWithoutPassword(path));
                return;
            }
            opened = std::make_shared<Recordset>(looking, kItems);
        } else {
            Module1::dbPath = path;
            Module1::OpenRecordsConnection();
            Module1::OpenItems();
            opened = Module1::rsItems;
        }
        Recordset &items = *opened;
        const std::shared_ptr<Connection> connection = items.connection();

        // The checks against the database and the writes under one lock:
        // no other program adds a number between its check and its row.
        std::optional<Transaction> transaction;
        std::optional<ReadGroup> read;
        if (dryRun)
            read.emplace(connection);
        else
            transaction.emplace(connection);

        Checker checker(table.header, items);
        QVector<NewItem> rows;
        rows.reserve(table.records.size());
        int bad = 0;
        for (const Csv::Record &record : table.records) {
            NewItem item;
            const QStringList reasons = checker.check(record, &item);
            if (reasons.isEmpty()) {
                rows << std::move(item);
            } else if (++bad <= kNamedProblems) {
                report.problems
                    << QStringLiteral("line %1: %2").arg(record.line).arg(reasons.join(QLatin1String("; ")));
            }
        }
        if (bad > kNamedProblems)
            report.problems << QStringLiteral("%1 more").arg(bad - kNamedProblems);
        if (bad > 0) {
            report.problems << QStringLiteral("nothing was added to %1").arg(locationWithoutPassword(path));
            return;
        }
        if (dryRun) {
            report.items = rows.size();
            report.summary =
                QStringLiteral("%1 items can be added to %2 (dry run: nothing was written)").arg(rows.size()).arg(locationWithoutPassword(path));
            return;
        }

        const int no = items.fieldIndex(kItemNo), name = items.fieldIndex(kItemName),
                  description = items.fieldIndex(kDescription), original = items.fieldIndex(kOriginalQuantity),
                  remaining = items.fieldIndex(kRemaining), status = items.fieldIndex(kStatus),
                  base = items.fieldIndex(kMaxQuantity), date = items.fieldIndex(kDateUpdated);
        const QVariant today = Clock::today();
        for (const NewItem &item : rows) {
            // As the Add window writes a new item.
            connection->insert(kItems, FieldChanges{{no, item.itemNo},
                                                    {name, item.name},
                                                    {description, item.description},
                                                    {original, int(item.original)},
                                                    {remaining, int(item.remaining)},
                                                    {status, item.status},
                                                    {base, int(item.base)},
                                                    {date, today}});
            // Each item enters the books with the stock it brings.
            Journal::opening(*connection, item.itemNo, item.name, int(item.remaining), Journal::Kind::Import);
        }
        transaction->commit();
        report.items = rows.size();
        report.summary = QStringLiteral("added %1 items to %2").arg(rows.size()).arg(locationWithoutPassword(path));
    };
    bool failed = false;
    try {
        run();
    } catch (const RecordsError &e) {
        report.problems.clear();
        report.problems << e.description();
        failed = true;
    }
    // The command's connection ends with it.
    Module1::reset();
    if (failed) {
        // A write that failed is rolled back by the engine before the
        // change ends; should the file still hold it half-written (the
        // roll-back itself failed), say so and what puts it right.
        if (!isServerLocation(path)) {
            try {
                KeyedFile look(path, KeyedFile::Mode::ReadOnly);
                if (const std::optional<QString> problem = AdminFiles::readProblem(look);
                    problem && look.lastError() == SQLITE_READONLY_ROLLBACK)
                    report.problems << *problem;
            } catch (const RecordsError &) {
                // Not even opened: the first problem says why.
            }
        }
        report.problems << QStringLiteral("nothing was added to %1").arg(locationWithoutPassword(path));
    }
    return report;
}

AdminReport importCsvFile(const QString &path, const QString &file, bool dryRun)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        AdminReport report;
        report.problems << QStringLiteral("%1 cannot be read (%2)").arg(file, in.errorString());
        return report;
    }
    AdminReport report = importCsv(path, in.readAll(), dryRun);
    // Name the file the lines are in.
    for (QString &problem : report.problems)
        if (problem.startsWith(QLatin1String("line ")))
            problem.prepend(file + QLatin1Char(' '));
    return report;
}

} // namespace inv::ItemImport
