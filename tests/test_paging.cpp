// The paging core of the printouts, with no widgets: where each page turn
// lands, which rows each page holds and in which column group, at both ends
// of the table; and fields without a value.

#include "data/core/recordset.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "reports/paging.h"
#include "support/testdb.h"

#include <QTest>

using namespace inv;
using inv::reports::Pager;
using inv::reports::PageShape;

namespace {

// A table of n rows named R1 ... Rn in stored order. With holes, a row that
// is deleted again lies before every third one, so that the rows' keys are
// not their positions.
std::shared_ptr<Connection> fillTable(const QString &path, const QString &table, int n, bool holes)
{
    auto cn = SqlCipherConnection::open(path);
    const int name = cn->fields(table).indexOf(QStringLiteral("item_name"));
    QList<qint64> gone;
    cn->begin();
    for (int i = 1; i <= n; ++i) {
        if (holes && i % 3 == 0)
            gone << cn->insert(table, {{name, QStringLiteral("gone")}});
        cn->insert(table, {{name, QStringLiteral("R%1").arg(i)}});
    }
    for (qint64 key : gone)
        cn->remove(table, key);
    cn->commit();
    return cn;
}

// "first-last" of a run of rows R<first> ... R<last>, "" when empty, or
// what was found when it is not such a run.
QString rowRun(const QStringList &names)
{
    if (names.isEmpty())
        return QString();
    const int first = names.first().mid(1).toInt();
    for (int i = 0; i < names.size(); ++i)
        if (names[i] != QStringLiteral("R%1").arg(first + i))
            return names.join(QLatin1Char(','));
    return QStringLiteral("%1-%2").arg(first).arg(first + names.size() - 1);
}

} // namespace

class TestPaging : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }
    void cleanup() { m_dir.reset(); }

    // turns: n = next, p = previous, applied after the first page; groups:
    // the rows of each column group of the page then on view.
    void turns_data()
    {
        QTest::addColumn<QString>("list"); // items or removed
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("holes");
        QTest::addColumn<QString>("turns");
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("groups");

        QTest::addRow("items: empty") << "items" << 0 << false << "" << 0 << QStringList{""};
        QTest::addRow("items: empty, next") << "items" << 0 << false << "n" << 0 << QStringList{""};
        QTest::addRow("items: empty, prev") << "items" << 0 << false << "p" << 0 << QStringList{""};
        QTest::addRow("items: one row") << "items" << 1 << false << "" << 0 << QStringList{"1-1"};
        QTest::addRow("items: 45") << "items" << 45 << false << "" << 0 << QStringList{"1-45"};
        QTest::addRow("items: 45, next stays") << "items" << 45 << false << "n" << 0 << QStringList{"1-45"};
        QTest::addRow("items: 45, prev stays") << "items" << 45 << false << "p" << 0 << QStringList{"1-45"};
        QTest::addRow("items: 46 on one page") << "items" << 46 << false << "" << 0 << QStringList{"1-46"};
        QTest::addRow("items: 46, next shows row 46 again")
            << "items" << 46 << false << "n" << 45 << QStringList{"46-46"};
        QTest::addRow("items: 46, next twice") << "items" << 46 << false << "nn" << 45 << QStringList{"46-46"};
        QTest::addRow("items: 46, next, prev") << "items" << 46 << false << "np" << 0 << QStringList{"1-46"};
        QTest::addRow("items: 90, next twice") << "items" << 90 << false << "nn" << 45 << QStringList{"46-90"};
        QTest::addRow("items: 91, next twice") << "items" << 91 << false << "nn" << 90 << QStringList{"91-91"};
        QTest::addRow("items: 100") << "items" << 100 << false << "" << 0 << QStringList{"1-46"};
        QTest::addRow("items: 100, next") << "items" << 100 << false << "n" << 45 << QStringList{"46-91"};
        QTest::addRow("items: 100, last page") << "items" << 100 << false << "nn" << 90 << QStringList{"91-100"};
        QTest::addRow("items: 100, past the end") << "items" << 100 << false << "nnn" << 90 << QStringList{"91-100"};
        QTest::addRow("items: 100, next twice, prev") << "items" << 100 << false << "nnp" << 45 << QStringList{"46-91"};
        QTest::addRow("items: 100, back past the start")
            << "items" << 100 << false << "nnppp" << 0 << QStringList{"1-46"};
        QTest::addRow("items: 100, keys with holes") << "items" << 100 << true << "nn" << 90 << QStringList{"91-100"};
        QTest::addRow("items: 100, holes, back") << "items" << 100 << true << "nnp" << 45 << QStringList{"46-91"};

        QTest::addRow("removed: empty") << "removed" << 0 << false << "" << 0 << QStringList{"", ""};
        QTest::addRow("removed: empty, next") << "removed" << 0 << false << "n" << 0 << QStringList{"", ""};
        QTest::addRow("removed: 45, left only") << "removed" << 45 << false << "" << 0 << QStringList{"1-45", ""};
        QTest::addRow("removed: 45, next stays") << "removed" << 45 << false << "n" << 0 << QStringList{"1-45", ""};
        QTest::addRow("removed: 45, prev stays") << "removed" << 45 << false << "p" << 0 << QStringList{"1-45", ""};
        QTest::addRow("removed: 46, one on the right")
            << "removed" << 46 << false << "" << 0 << QStringList{"1-45", "46-46"};
        QTest::addRow("removed: 60") << "removed" << 60 << false << "" << 0 << QStringList{"1-45", "46-60"};
        QTest::addRow("removed: 90, both full") << "removed" << 90 << false << "" << 0 << QStringList{"1-45", "46-90"};
        QTest::addRow("removed: 90, next stays")
            << "removed" << 90 << false << "n" << 0 << QStringList{"1-45", "46-90"};
        QTest::addRow("removed: 91, next") << "removed" << 91 << false << "n" << 90 << QStringList{"91-91", ""};
        QTest::addRow("removed: 91, next, prev")
            << "removed" << 91 << false << "np" << 0 << QStringList{"1-45", "46-90"};
        QTest::addRow("removed: 200, second page")
            << "removed" << 200 << false << "n" << 90 << QStringList{"91-135", "136-180"};
        QTest::addRow("removed: 200, third page")
            << "removed" << 200 << false << "nn" << 180 << QStringList{"181-200", ""};
        QTest::addRow("removed: 200, past the end")
            << "removed" << 200 << false << "nnn" << 180 << QStringList{"181-200", ""};
        QTest::addRow("removed: 200, holes, third page")
            << "removed" << 200 << true << "nn" << 180 << QStringList{"181-200", ""};
        QTest::addRow("removed: 200, holes, back")
            << "removed" << 200 << true << "nnp" << 90 << QStringList{"91-135", "136-180"};
    }

    void turns()
    {
        QFETCH(QString, list);
        QFETCH(int, rows);
        QFETCH(bool, holes);
        QFETCH(QString, turns);
        QFETCH(int, start);
        QFETCH(QStringList, groups);
        const bool items = list == "items";
        const QString table = items ? "Items" : "Itemsout";
        testing::TestDb db(m_dir->path());
        const auto cn = fillTable(db.path(), table, rows, holes);

        Pager pager(items ? reports::kItemListPage : reports::kRemovedListPage);
        // Every turn works on a freshly opened cursor, as the windows do, and
        // brings the page then on view.
        const QStringList fields{"item_name"};
        reports::Page page = pager.first(*std::make_shared<Recordset>(cn, table), fields);
        for (QChar turn : turns) {
            Recordset cursor(cn, table);
            page = turn == 'n' ? pager.next(cursor, fields) : pager.previous(cursor, fields);
        }
        QCOMPARE(pager.pageStart(), start);
        QStringList found;
        for (const auto &group : page.entries)
            found << rowRun(group[0]);
        QCOMPARE(found, groups);
    }

    // A field without a value is an empty entry: the lists stay as long as
    // one another, and the rows after it are read.
    void fieldsWithoutAValue()
    {
        testing::TestDb db(m_dir->path());
        db.row("Items", {{"item_no", "1"},
                         {"item_name", "Toner"},
                         {"Description", "black"},
                         {"remaining_quantity", 3},
                         {"Status", "30%"}});
        db.row("Items", {{"item_name", "No values"}});
        db.row("Items", {{"item_no", "3"}, {"Description", "no name"}, {"remaining_quantity", 0}});
        db.row("Items", {{"item_no", "4"},
                         {"item_name", "Stapler"},
                         {"Description", "grey"},
                         {"remaining_quantity", 12},
                         {"Status", "100%"}});
        const auto cn = SqlCipherConnection::open(db.path());
        Pager pager(reports::kItemListPage);
        Recordset cursor(cn, "Items");
        const reports::Page page =
            pager.first(cursor, {"item_no", "item_name", "Description", "remaining_quantity", "Status"});
        QCOMPARE(page.rows, 4);
        QCOMPARE(page.entries[0][0], QStringList({"1", "", "3", "4"}));
        QCOMPARE(page.entries[0][1], QStringList({"Toner", "No values", "", "Stapler"}));
        QCOMPARE(page.entries[0][2], QStringList({"black", "", "no name", "grey"}));
        QCOMPARE(page.entries[0][3], QStringList({"3", "", "0", "12"}));
        QCOMPARE(page.entries[0][4], QStringList({"30%", "", "", "100%"}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestPaging)
#include "test_paging.moc"
